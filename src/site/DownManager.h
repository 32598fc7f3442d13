#pragma once
// The application-wide list of site books waiting for a whole-book download.
// One WholeBookDownloader fetches one book at a time; the manager decides
// which book goes next, tells the shelves when books are queued and tells the
// user in the status bar when a book and when the whole list is done.
#include "platform/core/ObserverToken.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

namespace core {
struct Notification;
}
class WholeBookDownloader;

class DownManager {
public:
    DownManager();
    ~DownManager();
    DownManager(const DownManager&) = delete;
    DownManager& operator=(const DownManager&) = delete;

    // Queues one book, or several (the caller has left out books already queued).
    void beginToDownloadWithRZBookId(int64_t rzBookId, const std::string& userId);
    void beginToDownloadMultiRZBookIds(const std::vector<int64_t>& rzBookIds, const std::string& userId);

    // Queued or running.
    bool isBookDownloadingNow(int64_t rzBookId) const;
    bool isBookDownloadingNowWithRZBookIdNumber(const core::Value& rzBookId) const;

    // Empties the list and stops the downloader; posts nothing.
    void cancelAllDownload();
    // Restarts the downloader on the book queued last.
    void continueUnFinishedDownload();

    void addNewDownloadingWithRZBookId(int64_t rzBookId);
    void addNewDownloadingWithRZBookIdNumber(const core::Value& rzBookId);
    void addMultiNewDownloadingWithRZBookIds(const std::vector<int64_t>& rzBookIds);
    void addMultiNewDownloadingWithRZBookIdsWithoutCheckFirst(const std::vector<int64_t>& rzBookIds);
    void removeDownloadingWithRZBookId(int64_t rzBookId);

    // The end-of-book step, run for every whole-book notice.
    void processBookDown(const core::Notification& notification);

    // The payload of the whole-book notices: "rzbid", "progress" and, when
    // there is a user id, "uid".
    static core::Value createNoteWithRZBookId(int64_t rzBookId, const std::optional<std::string>& userId,
                                              double progress);

    const std::string& userId() const { return m_userId; }
    void setUserId(std::string userId) { m_userId = std::move(userId); }

    // The ids in the order they were queued.
    std::vector<int64_t> downloadingBookIds() const;
    WholeBookDownloader& wholeBookDownloader() { return *m_wholeBookDownloader; }

private:
    bool containsLocked(int64_t rzBookId) const;
    void startLocked(int64_t rzBookId);

    mutable std::recursive_mutex m_lock;
    std::vector<int64_t> m_bookInDownloading;
    std::shared_ptr<WholeBookDownloader> m_wholeBookDownloader;
    std::string m_userId;
    std::vector<core::ObserverToken> m_tokens;
};

} // namespace pw
