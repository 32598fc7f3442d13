#pragma once

// The site work behind the reader's deferred actions: the book's ownership,
// stored chapters, the downloader, the purchase screen and the bookmark client.
// Answers come back to ReaderSiteActions on the main thread.

#include <cstdint>
#include <string>

namespace pw {

class ReaderSite {
public:
    virtual ~ReaderSite() = default;
    // 1 on the shelf, 0 not, -2 unreadable.
    virtual int isBookExists(int64_t rzBookId) = 0;
    // 1 the user's, 0 another user's, -2 unreadable.
    virtual int isBookBelong(int64_t rzBookId, const std::string& userId) = 0;
    virtual bool deleteChapter(int64_t rzBookId, int64_t chapterId, bool isVip) = 0;
    virtual void forgetReadingPlace(int64_t rzBookId) = 0;
    // 1 VIP, 0 free, negative unknown.
    virtual int isVipChapter(int64_t rzBookId, int64_t chapterId) = 0;
    virtual void downloadFree(int64_t rzBookId, int64_t chapterId) = 0;
    virtual void downloadVip(int64_t rzBookId, int64_t chapterId) = 0;
    // Pushes the purchase screen for a paid chapter, a moment after the
    // spinner came up.
    virtual void showBuyChapterController(int64_t rzBookId, int64_t chapterId) = 0;
    virtual bool saveChapter(int64_t rzBookId, int64_t chapterId, const std::string& text) = 0;
    virtual bool saveVipChapter(int64_t rzBookId, int64_t chapterId, const std::string& bytes,
                                const std::string& userId) = 0;
    virtual void bookmarkSync(int64_t rzBookId) = 0;
    virtual void bookmarkUpload(int64_t rzBookId, int64_t chapterId, bool isVip) = 0;
    // The whole book was bought: the shelf downloads it and the reader leaves.
    virtual void downloadWholeBook(int64_t rzBookId) = 0;
    virtual void goToMainView() = 0;
};

} // namespace pw
