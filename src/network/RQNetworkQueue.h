#pragma once
#include "network/RQHTTPRequest.h"
#include "network/RQHTTPRequestDelegate.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace pw {

namespace core {
class OperationQueue;
}

// A queue of HTTP requests with one delegate that hears of every request's
// start, headers, redirect, success and failure, a callback when the queue has
// drained, progress summed over its requests, and optionally the cancelling of
// all requests when one fails. Created suspended: nothing runs before go().
class RQNetworkQueue : public RQRequestQueue, public std::enable_shared_from_this<RQNetworkQueue> {
public:
    using RequestSelector = std::function<void(RQHTTPRequest&)>;
    using HeadersSelector = std::function<void(RQHTTPRequest&, const RQHeaderMap&)>;
    using RedirectSelector = std::function<void(RQHTTPRequest&, const std::string&)>;
    using QueueSelector = std::function<void(RQNetworkQueue&)>;

    static std::shared_ptr<RQNetworkQueue> queue();
    RQNetworkQueue();
    ~RQNetworkQueue() override;

    void go();
    void reset();
    void cancelAllOperations();
    // Throws std::invalid_argument ("AttemptToAddInvalidRequest") for no request.
    void addOperation(const std::shared_ptr<RQHTTPRequest>& request);
    // A HEAD request learning a size for the queue's progress, run first.
    void addHEADOperation(const std::shared_ptr<RQHTTPRequest>& head);
    size_t operationCount() const;
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;
    bool isSuspended() const;

    // The delegate: selectors run only while it is alive.
    void setDelegate(std::weak_ptr<RQHTTPRequestDelegate> delegate);
    void setRequestDidStartSelector(RequestSelector s);
    void setRequestDidReceiveResponseHeadersSelector(HeadersSelector s);
    void setRequestWillRedirectSelector(RedirectSelector s);
    void setRequestDidFinishSelector(RequestSelector s);
    void setRequestDidFailSelector(RequestSelector s);
    void setQueueDidFinishSelector(QueueSelector s);
    void setUploadProgressDelegate(std::weak_ptr<RQProgressDelegate> d);
    void setDownloadProgressDelegate(std::weak_ptr<RQProgressDelegate> d);
    void setShouldCancelAllRequestsOnFailure(bool v) { m_shouldCancelAllRequestsOnFailure = v; }
    bool shouldCancelAllRequestsOnFailure() const { return m_shouldCancelAllRequestsOnFailure; }
    void setShowAccurateProgress(bool v) { m_showAccurateProgress = v; }
    bool showAccurateProgress() const { return m_showAccurateProgress; }
    void setUserInfo(RQUserInfo info);
    RQUserInfo userInfo() const;

    int requestsCount() const { return m_requestsCount; }
    uint64_t bytesUploadedSoFar() const { return m_bytesUploadedSoFar; }
    uint64_t totalBytesToUpload() const { return m_totalBytesToUpload; }
    uint64_t bytesDownloadedSoFar() const { return m_bytesDownloadedSoFar; }
    uint64_t totalBytesToDownload() const { return m_totalBytesToDownload; }

    std::shared_ptr<RQNetworkQueue> copy() const;

    // Reports from the requests.
    void requestStarted(RQHTTPRequest& r) override;
    void requestDidReceiveResponseHeaders(RQHTTPRequest& r, const RQHeaderMap& h) override;
    bool handlesWillRedirect() const override;
    void requestWillRedirectToURL(RQHTTPRequest& r, const std::string& url) override;
    void requestFinished(RQHTTPRequest& r) override;
    void requestFailed(RQHTTPRequest& r) override;
    bool handlesAuthenticationNeeded() const override;
    void authenticationNeededForRequest(RQHTTPRequest& r) override;
    bool handlesProxyAuthenticationNeeded() const override;
    void proxyAuthenticationNeededForRequest(RQHTTPRequest& r) override;
    void requestDidReceiveBytes(RQHTTPRequest& r, int64_t bytes) override;
    void requestDidSendBytes(RQHTTPRequest& r, int64_t bytes) override;
    void requestIncrementDownloadSizeBy(RQHTTPRequest& r, int64_t bytes) override;
    void requestIncrementUploadSizeBy(RQHTTPRequest& r, int64_t bytes) override;

private:
    // Setters of what other threads read under the queue's lock.
    template <class T>
    void storeLocked(T& slot, T value) {
        std::lock_guard lock(m_mutex);
        slot = std::move(value);
    }
    void resetProgressDelegate(const std::weak_ptr<RQProgressDelegate>& d);
    std::shared_ptr<RQHTTPRequestDelegate> liveDelegate() const;
    void requestEnded(RQHTTPRequest& r, RequestSelector RQNetworkQueue::*which);

    std::unique_ptr<core::OperationQueue> m_queue;
    mutable std::mutex m_mutex;
    std::weak_ptr<RQHTTPRequestDelegate> m_delegate;
    RequestSelector m_requestDidStartSelector;
    HeadersSelector m_requestDidReceiveResponseHeadersSelector;
    RedirectSelector m_requestWillRedirectSelector;
    RequestSelector m_requestDidFinishSelector;
    RequestSelector m_requestDidFailSelector;
    QueueSelector m_queueDidFinishSelector;
    std::weak_ptr<RQProgressDelegate> m_uploadProgressDelegate;
    std::weak_ptr<RQProgressDelegate> m_downloadProgressDelegate;
    std::atomic<uint64_t> m_bytesUploadedSoFar = 0;
    std::atomic<uint64_t> m_totalBytesToUpload = 0;
    std::atomic<uint64_t> m_bytesDownloadedSoFar = 0;
    std::atomic<uint64_t> m_totalBytesToDownload = 0;
    std::atomic<bool> m_shouldCancelAllRequestsOnFailure = true;
    std::atomic<int> m_requestsCount = 0;
    std::atomic<bool> m_showAccurateProgress = false;
    RQUserInfo m_userInfo;
    std::vector<std::weak_ptr<RQHTTPRequest>> m_added;
    size_t m_addedPruneAt = 64;
};

} // namespace pw
