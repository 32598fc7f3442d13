#pragma once
// Fetches one site book completely for one user through one request queue,
// step after step: the chapter list (putting the book on the shelf when
// needed), the cover, every free chapter not yet stored, the list of bought
// paid chapters and the bought and zero-price paid chapters not yet stored.
// Requests run one at a time in the order they were added; chapters are
// queued in batches of five, the next batch when the last of one has
// answered, and each chapter is stored as its answer arrives. It reports only by the whole-book notices
// (a DownloadNote with a progress value); progress 1.0 ends a book, whether
// it succeeded or failed.
#include "network/RQHTTPRequestDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class BookChapterWriter;
class BookCoverDownloader;
class RQNetworkQueue;
class RQHTTPRequest;
class RZHTTPRequest;

class WholeBookDownloader : public RQHTTPRequestDelegate, public std::enable_shared_from_this<WholeBookDownloader> {
public:
    // Stages of the running download.
    enum Stage : int {
        StageChapterList = 1001,
        StageCover = 1002,
        StageFreeChapters = 1003,
        StageBoughtList = 1004,
        StagePaidChapters = 1005,
    };
    static constexpr size_t kBatchSize = 5;

    static std::shared_ptr<WholeBookDownloader> create();
    WholeBookDownloader();
    ~WholeBookDownloader() override;

    void beginToDownloadByRZBookId(int64_t rzBookId, const std::string& userId);
    // Cancels every queued request; cancelled requests post nothing.
    void cancelDownloading();

    const std::shared_ptr<RQNetworkQueue>& queue() const { return m_queue; }
    // No book is running and nothing is queued.
    bool isIdle() const;
    int currentDownloadingType() const { return m_currentDownloadingType; }
    bool shouldPostMessage() const { return m_shouldPostMessage; }
    void setShouldPostMessage(bool v) { m_shouldPostMessage = v; }
    bool shouldReloadAfterGetBookInfo() const { return m_shouldReloadAfterGetBookInfo; }
    void setShouldReloadAfterGetBookInfo(bool v) { m_shouldReloadAfterGetBookInfo = v; }

    // Request handlers (main thread).
    void downChapterListFinished(RZHTTPRequest& request);
    void downBookCoverFinished(RZHTTPRequest& request);
    void downBookCoverFailed(RZHTTPRequest& request);
    void downChapterContentFinished(RZHTTPRequest& request);
    void downChapterContentFailed(RZHTTPRequest& request);
    void downVipChapterListFinished(RZHTTPRequest& request);
    void downVipChapterContentFinished(RZHTTPRequest& request);
    void downVipChapterContentFailed(RZHTTPRequest& request);
    void requestFailed(RQHTTPRequest& request) override;

    // Stage steps.
    void beginToDownChaptersContent(int64_t rzBookId, const std::string& userId);
    void processLastCntDownInQueueFinished(RZHTTPRequest& request);
    void beginToDownPurchasedVipChapterList(int64_t rzBookId, const std::string& userId);
    void processVipLastCntDownInQueueFinished(RZHTTPRequest& request);

    // Posts one whole-book notice; the success notice also carries "lost",
    // the number of chapters that could not be fetched or stored.
    void postNotificationWithName(const std::string& name, double progress, int64_t rzBookId,
                                  const std::string& userId);

private:
    using Handler = void (WholeBookDownloader::*)(RZHTTPRequest&);
    std::shared_ptr<RZHTTPRequest> makeRequest(const std::string& url, int64_t rzBookId, const std::string& userId);
    // Made dependent on the request queued last, so requests run in the order added.
    void enqueue(const std::shared_ptr<RZHTTPRequest>& request, Handler finished, Handler failed);
    void queueFreeBatch(int64_t rzBookId, const std::string& userId, const std::shared_ptr<std::vector<int64_t>>& ids,
                        size_t from);
    void queuePaidBatch(int64_t rzBookId, const std::string& userId, const std::shared_ptr<std::vector<int64_t>>& ids,
                        size_t from);
    void fail(RZHTTPRequest& request);
    // The running book's database, held open from its chapter list to its end.
    BookChapterWriter* writerFor(int64_t rzBookId);
    void listRequestFailed(RZHTTPRequest& request);

    std::shared_ptr<RQNetworkQueue> m_queue;
    std::shared_ptr<BookCoverDownloader> m_bookCoverDownloader;
    int m_currentDownloadingType = 0;
    bool m_shouldPostMessage = false;
    bool m_shouldReloadAfterGetBookInfo = false;
    std::weak_ptr<RQHTTPRequest> m_lastQueued;
    uint64_t m_generation = 0; // moves on at every cancel
    bool m_running = false;    // from a book's start to its end notice
    int64_t m_lost = 0;        // chapters of the running book that were not stored
    std::unique_ptr<BookChapterWriter> m_writer;
};

} // namespace pw
