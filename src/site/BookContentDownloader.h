#pragma once
// Downloads one chapter of a site book: a free one as a text file from the
// file host, a paid one from the site's interface with a token naming the
// book, the chapter and the device. The caller receives a
// ChapterDownloadResult {bid, cid, cnt, vip} (cnt: a free chapter's text, a
// paid chapter's bytes as received) or a null Value on failure; storeChapter
// saves one in the book's database.
//
// Only a whole answer is a chapter: status 200, and for a free chapter the
// complete document.write('...'); wrapper. An error page, a cut-off file or
// bytes that are not GB18030 are failures and never reach the database.
#include "site/SiteAPIBase.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class BookContentDownloader : public SiteAPIBase {
public:
    static std::shared_ptr<BookContentDownloader> create() {
        return std::shared_ptr<BookContentDownloader>(new BookContentDownloader());
    }

    void downloadBookContentByRZBookId(int64_t rzBookId, int64_t chapterId, std::weak_ptr<void> target,
                                       SiteSelector selector);
    void downloadBookVipContentByRZBookId(int64_t rzBookId, int64_t chapterId, std::weak_ptr<void> target,
                                          SiteSelector selector);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    // The file host's path of a free chapter: /Author<id % 8 + 1>/<id>/<chapter>.txt.
    static std::string freeChapterPath(int64_t rzBookId, int64_t chapterId);
    // The paid chapter's query token for "<book>|<chapter>|<device>".
    static std::string vipToken(int64_t rzBookId, int64_t chapterId, const std::string& deviceId);
    // A free chapter's text from the file's bytes: the wrapper taken off and
    // every <p> a line break; nullopt when the bytes are not a whole chapter file.
    static std::optional<std::string> freeChapterText(const std::string& bytes);
    // Saves a ChapterDownloadResult in the book's database (a paid one for the user).
    static bool storeChapter(const core::Value& result, const core::Value& userId);

protected:
    BookContentDownloader() = default;

private:
    void start(const std::string& url, int64_t rzBookId, int64_t chapterId, bool vip, std::weak_ptr<void> target,
               SiteSelector selector);
};

} // namespace pw
