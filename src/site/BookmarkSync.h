#pragma once
// Reads the user's site bookmark of one book (the chapter last marked) and
// uploads the reading place as that bookmark. Both answer the callback with
// a list [success, answer text] ([false] when the request failed).
#include "site/SiteAPIBase.h"
#include "site/RZHTTPRequest.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class BookmarkSync : public SiteAPIBase {
public:
    static std::shared_ptr<BookmarkSync> create() { return std::shared_ptr<BookmarkSync>(new BookmarkSync()); }
    enum Tag : int { DownloadTag = 555, UploadTag = 556 };

    void bookmarkSyncWithTarget(std::weak_ptr<void> target, SiteSelector selector, int64_t rzBookId);
    void bookmarkUploadWithTarget(std::weak_ptr<void> target, SiteSelector selector, int64_t rzBookId,
                                  int64_t chapterId, bool isVip);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    // Reading an answer: the download's chapter id (a whole positive
    // number), the upload's "data" 0; anything else is a failure.
    static bool downloadAnswerSucceeded(const std::string& text);
    static bool uploadAnswerSucceeded(const std::string& text);

protected:
    BookmarkSync() = default;
};

} // namespace pw
