#pragma once
// The site behind the reading screen's deferred actions, on the real clients:
// the shelf and book tables, the chapter downloader, the bookmark client and
// the purchase screen. Their answers go back to the screen's chapter loading
// on the main thread; answers that arrive after the screen is gone are dropped.
#include "platform/core/Value.h"
#include "reader/ReaderSite.h"

#include <functional>
#include <memory>

namespace pw {

class BookContentDownloader;
class BookmarkSync;
class PageViewController;
class ReaderSiteActions;
namespace ui {
class ViewController;
}

class ReaderSiteClients : public ReaderSite, public std::enable_shared_from_this<ReaderSiteClients> {
public:
    // Makes the clients and gives them to the screen (before it is pushed).
    static std::shared_ptr<ReaderSiteClients> attach(const std::shared_ptr<PageViewController>& reader);
    ~ReaderSiteClients() override;

    // The purchase screen for a paid chapter; it answers its callback with a
    // PurchaseResult text. Set once by the application.
    using PurchaseScreenMaker = std::function<std::shared_ptr<ui::ViewController>(
        int64_t rzBookId, int64_t chapterId, std::function<void(const std::string&)> callback)>;
    static void setPurchaseScreenMaker(PurchaseScreenMaker maker);
    static constexpr double kPurchaseDelay = 0.6;
    static constexpr double kLeaveDelay = 0.6;

    int isBookExists(int64_t rzBookId) override;
    int isBookBelong(int64_t rzBookId, const std::string& userId) override;
    bool deleteChapter(int64_t rzBookId, int64_t chapterId, bool isVip) override;
    void forgetReadingPlace(int64_t rzBookId) override;
    int isVipChapter(int64_t rzBookId, int64_t chapterId) override;
    void downloadFree(int64_t rzBookId, int64_t chapterId) override;
    void downloadVip(int64_t rzBookId, int64_t chapterId) override;
    void showBuyChapterController(int64_t rzBookId, int64_t chapterId) override;
    bool saveChapter(int64_t rzBookId, int64_t chapterId, const std::string& text) override;
    bool saveVipChapter(int64_t rzBookId, int64_t chapterId, const std::string& bytes,
                        const std::string& userId) override;
    void bookmarkSync(int64_t rzBookId) override;
    void bookmarkUpload(int64_t rzBookId, int64_t chapterId, bool isVip) override;
    void downloadWholeBook(int64_t rzBookId) override;
    void goToMainView() override;

private:
    explicit ReaderSiteClients(std::weak_ptr<PageViewController> reader);
    // The screen's chapter loading, while the screen lives.
    template <typename F>
    void withActions(F&& f);
    void downloadAnswer(const core::Value& result);

    std::weak_ptr<PageViewController> m_reader;
    std::shared_ptr<BookContentDownloader> m_downloader;
    std::shared_ptr<BookmarkSync> m_bookmarkSync;
};

} // namespace pw
