#pragma once

// The site work behind a reading screen's deferred actions, on the real
// clients: the book tables, the chapter downloader, the bookmark client, the
// purchase screen and the whole-book download queue. Every answer comes back to
// the screen's ReaderSiteActions on the main thread; one that arrives after the
// screen went finds nothing to call.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "reader/ReaderSite.h"

namespace pw {

class BookContentDownloader;
class BookmarkSync;
class PageViewController;

class ReaderSiteService : public ReaderSite {
public:
    explicit ReaderSiteService(std::weak_ptr<PageViewController> screen) : m_screen(std::move(screen)) {}

    int isBookExists(int64_t rzBookId) override;
    int isBookBelong(int64_t rzBookId, const std::string& userId) override;
    bool deleteChapter(int64_t rzBookId, int64_t chapterId, bool isVip) override;
    void forgetReadingPlace(int64_t rzBookId) override;
    int isVipChapter(int64_t rzBookId, int64_t chapterId) override;
    void downloadFree(int64_t rzBookId, int64_t chapterId) override;
    void downloadVip(int64_t rzBookId, int64_t chapterId) override;
    void showPurchase(int64_t rzBookId, int64_t chapterId) override;
    bool saveChapter(int64_t rzBookId, int64_t chapterId, const std::string& text) override;
    bool saveVipChapter(int64_t rzBookId, int64_t chapterId, const std::string& bytes,
                        const std::string& userId) override;
    void bookmarkSync(int64_t rzBookId) override;
    void bookmarkUpload(int64_t rzBookId, int64_t chapterId, bool isVip) override;
    void downloadWholeBook(int64_t rzBookId) override;
    void goToMainView() override;

private:
    BookContentDownloader& downloader();
    BookmarkSync& bookmarks();

    std::weak_ptr<PageViewController> m_screen;
    std::shared_ptr<BookContentDownloader> m_bookContentDownloader;
    std::shared_ptr<BookmarkSync> m_bookmarkSync;
};

} // namespace pw
