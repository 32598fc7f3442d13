#include "network/RQNetworkQueue.h"

#include "platform/core/OperationQueue.h"
#include "platform/core/RunLoop.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace pw {

std::shared_ptr<RQNetworkQueue> RQNetworkQueue::queue() {
    return std::make_shared<RQNetworkQueue>();
}

RQNetworkQueue::RQNetworkQueue() : m_queue(std::make_unique<core::OperationQueue>(4, "RQNetworkQueue")) {
    m_queue->setSuspended(true);
}

RQNetworkQueue::~RQNetworkQueue() {
    std::vector<std::weak_ptr<RQHTTPRequest>> added;
    {
        std::lock_guard lock(m_mutex);
        added.swap(m_added);
    }
    for (auto& w : added)
        if (auto r = w.lock())
            r->setQueue({});
    // The requests go on without the queue, each reporting to its own
    // delegate. A queue that runs is kept until what it holds has finished;
    // one never set going would run nothing, so what it holds ends cancelled.
    if (!m_queue->isSuspended() && m_queue->operationCount() > 0) {
        std::shared_ptr<core::OperationQueue> left(std::move(m_queue));
        std::thread([left] { left->waitUntilAllOperationsAreFinished(); }).detach();
    }
}

void RQNetworkQueue::go() {
    m_queue->setSuspended(false);
}

bool RQNetworkQueue::isSuspended() const {
    return m_queue->isSuspended();
}

void RQNetworkQueue::reset() {
    cancelAllOperations();
    {
        std::lock_guard lock(m_mutex);
        m_delegate.reset();
        m_uploadProgressDelegate.reset();
        m_downloadProgressDelegate.reset();
        m_requestDidStartSelector = nullptr;
        m_requestDidReceiveResponseHeadersSelector = nullptr;
        m_requestDidFailSelector = nullptr;
        m_requestDidFinishSelector = nullptr;
        m_queueDidFinishSelector = nullptr;
    }
    m_queue->setSuspended(true);
}

void RQNetworkQueue::cancelAllOperations() {
    m_bytesUploadedSoFar = 0;
    m_totalBytesToUpload = 0;
    m_bytesDownloadedSoFar = 0;
    m_totalBytesToDownload = 0;
    m_queue->cancelAllOperations();
}

size_t RQNetworkQueue::operationCount() const {
    return m_queue->operationCount();
}

void RQNetworkQueue::setMaxConcurrentOperationCount(int count) {
    m_queue->setMaxConcurrentOperationCount(count);
}

int RQNetworkQueue::maxConcurrentOperationCount() const {
    return m_queue->maxConcurrentOperationCount();
}

void RQNetworkQueue::setDelegate(std::weak_ptr<RQHTTPRequestDelegate> delegate) {
    storeLocked(m_delegate, std::move(delegate));
}

void RQNetworkQueue::setRequestDidStartSelector(RequestSelector s) {
    storeLocked(m_requestDidStartSelector, std::move(s));
}

void RQNetworkQueue::setRequestDidReceiveResponseHeadersSelector(HeadersSelector s) {
    storeLocked(m_requestDidReceiveResponseHeadersSelector, std::move(s));
}

void RQNetworkQueue::setRequestWillRedirectSelector(RedirectSelector s) {
    storeLocked(m_requestWillRedirectSelector, std::move(s));
}

void RQNetworkQueue::setRequestDidFinishSelector(RequestSelector s) {
    storeLocked(m_requestDidFinishSelector, std::move(s));
}

void RQNetworkQueue::setRequestDidFailSelector(RequestSelector s) {
    storeLocked(m_requestDidFailSelector, std::move(s));
}

void RQNetworkQueue::setQueueDidFinishSelector(QueueSelector s) {
    storeLocked(m_queueDidFinishSelector, std::move(s));
}

void RQNetworkQueue::setUploadProgressDelegate(std::weak_ptr<RQProgressDelegate> d) {
    storeLocked(m_uploadProgressDelegate, d);
    resetProgressDelegate(d);
}

void RQNetworkQueue::setDownloadProgressDelegate(std::weak_ptr<RQProgressDelegate> d) {
    storeLocked(m_downloadProgressDelegate, d);
    resetProgressDelegate(d);
}

void RQNetworkQueue::resetProgressDelegate(const std::weak_ptr<RQProgressDelegate>& d) {
    core::RunLoop::runOnMain(
        [d] {
            if (auto p = d.lock(); p && p->handlesSetProgress())
                p->setProgress(0);
        },
        false);
}

void RQNetworkQueue::setUserInfo(RQUserInfo info) {
    storeLocked(m_userInfo, std::move(info));
}

RQUserInfo RQNetworkQueue::userInfo() const {
    std::lock_guard lock(m_mutex);
    return m_userInfo;
}

std::shared_ptr<RQHTTPRequestDelegate> RQNetworkQueue::liveDelegate() const {
    std::lock_guard lock(m_mutex);
    return m_delegate.lock();
}

void RQNetworkQueue::addHEADOperation(const std::shared_ptr<RQHTTPRequest>& head) {
    head->setShowAccurateProgress(true);
    // Above every named priority: sizes are known before any download runs.
    head->setQueuePriority(static_cast<core::Operation::Priority>(10));
    head->setQueue(weak_from_this());
    m_queue->addOperation(head);
}

void RQNetworkQueue::addOperation(const std::shared_ptr<RQHTTPRequest>& request) {
    if (!request)
        throw std::invalid_argument("Attempted to add an object that was not an RQHTTPRequest to an RQNetworkQueue");
    ++m_requestsCount;
    if (m_showAccurateProgress) {
        request->buildPostBody();
        if (request->requestMethod() == "GET" && m_queue->isSuspended()) {
            auto head = request->HEADRequest();
            addHEADOperation(head);
            request->addDependency(head);
            if (request->shouldResetDownloadProgress()) {
                std::weak_ptr<RQProgressDelegate> d;
                {
                    std::lock_guard lock(m_mutex);
                    d = m_downloadProgressDelegate;
                }
                resetProgressDelegate(d);
                request->setShouldResetDownloadProgress(false);
            }
        }
        m_totalBytesToUpload += request->postLength();
    } else {
        m_totalBytesToDownload += 1;
        m_totalBytesToUpload += 1;
    }
    if (request->shouldResetUploadProgress()) {
        std::weak_ptr<RQProgressDelegate> d;
        {
            std::lock_guard lock(m_mutex);
            d = m_uploadProgressDelegate;
        }
        resetProgressDelegate(d);
        request->setShouldResetUploadProgress(false);
    }
    request->setShowAccurateProgress(m_showAccurateProgress);
    request->setQueue(weak_from_this());
    {
        std::lock_guard lock(m_mutex);
        // Requests long gone leave only expired entries: drop them whenever
        // the list has doubled, so a queue that serves thousands of requests
        // keeps a list as long as what is alive, at a constant cost per add.
        if (m_added.size() >= m_addedPruneAt) {
            std::erase_if(m_added, [](const std::weak_ptr<RQHTTPRequest>& w) { return w.expired(); });
            m_addedPruneAt = std::max<size_t>(64, m_added.size() * 2);
        }
        m_added.push_back(request);
    }
    m_queue->addOperation(request);
}

void RQNetworkQueue::requestStarted(RQHTTPRequest& r) {
    RequestSelector s;
    {
        std::lock_guard lock(m_mutex);
        s = m_requestDidStartSelector;
    }
    if (s && liveDelegate())
        s(r);
}

void RQNetworkQueue::requestDidReceiveResponseHeaders(RQHTTPRequest& r, const RQHeaderMap& h) {
    HeadersSelector s;
    {
        std::lock_guard lock(m_mutex);
        s = m_requestDidReceiveResponseHeadersSelector;
    }
    if (s && liveDelegate())
        s(r, h);
}

bool RQNetworkQueue::handlesWillRedirect() const {
    std::lock_guard lock(m_mutex);
    return m_requestWillRedirectSelector && m_delegate.lock();
}

void RQNetworkQueue::requestWillRedirectToURL(RQHTTPRequest& r, const std::string& url) {
    RedirectSelector s;
    {
        std::lock_guard lock(m_mutex);
        s = m_requestWillRedirectSelector;
    }
    if (s && liveDelegate())
        s(r, url);
}

void RQNetworkQueue::requestFinished(RQHTTPRequest& r) {
    requestEnded(r, &RQNetworkQueue::m_requestDidFinishSelector);
}

void RQNetworkQueue::requestFailed(RQHTTPRequest& r) {
    auto keepAlive = shared_from_this(); // through the cancelling below as well
    requestEnded(r, &RQNetworkQueue::m_requestDidFailSelector);
    if (m_shouldCancelAllRequestsOnFailure && m_requestsCount > 0)
        cancelAllOperations();
}

// A request has left the queue either way: tell the delegate, and when it was
// the last one, say the queue is done. The queue keeps itself alive meanwhile
// since a selector may drop the last outside reference.
void RQNetworkQueue::requestEnded(RQHTTPRequest& r, RequestSelector RQNetworkQueue::*which) {
    int left = --m_requestsCount;
    RequestSelector s;
    QueueSelector q;
    {
        std::lock_guard lock(m_mutex);
        s = this->*which;
        q = m_queueDidFinishSelector;
    }
    auto keepAlive = shared_from_this();
    bool alive = static_cast<bool>(liveDelegate());
    if (s && alive)
        s(r);
    if (left == 0 && q && alive)
        q(*this);
}

bool RQNetworkQueue::handlesAuthenticationNeeded() const {
    auto d = liveDelegate();
    return d && d->handlesAuthenticationNeeded();
}

void RQNetworkQueue::authenticationNeededForRequest(RQHTTPRequest& r) {
    if (auto d = liveDelegate(); d && d->handlesAuthenticationNeeded())
        d->authenticationNeededForRequest(r);
}

bool RQNetworkQueue::handlesProxyAuthenticationNeeded() const {
    auto d = liveDelegate();
    return d && d->handlesProxyAuthenticationNeeded();
}

void RQNetworkQueue::proxyAuthenticationNeededForRequest(RQHTTPRequest& r) {
    if (auto d = liveDelegate(); d && d->handlesProxyAuthenticationNeeded())
        d->proxyAuthenticationNeededForRequest(r);
}

void RQNetworkQueue::requestDidReceiveBytes(RQHTTPRequest&, int64_t bytes) {
    uint64_t soFar = (m_bytesDownloadedSoFar += static_cast<uint64_t>(bytes));
    std::weak_ptr<RQProgressDelegate> d;
    {
        std::lock_guard lock(m_mutex);
        d = m_downloadProgressDelegate;
    }
    if (!d.expired())
        RQHTTPRequest::updateProgressIndicator(d, soFar, m_totalBytesToDownload);
}

void RQNetworkQueue::requestDidSendBytes(RQHTTPRequest&, int64_t bytes) {
    uint64_t soFar = (m_bytesUploadedSoFar += static_cast<uint64_t>(bytes));
    std::weak_ptr<RQProgressDelegate> d;
    {
        std::lock_guard lock(m_mutex);
        d = m_uploadProgressDelegate;
    }
    if (!d.expired())
        RQHTTPRequest::updateProgressIndicator(d, soFar, m_totalBytesToUpload);
}

void RQNetworkQueue::requestIncrementDownloadSizeBy(RQHTTPRequest&, int64_t bytes) {
    m_totalBytesToDownload += static_cast<uint64_t>(bytes);
}

void RQNetworkQueue::requestIncrementUploadSizeBy(RQHTTPRequest&, int64_t bytes) {
    m_totalBytesToUpload += static_cast<uint64_t>(bytes);
}

std::shared_ptr<RQNetworkQueue> RQNetworkQueue::copy() const {
    auto q = queue();
    std::lock_guard lock(m_mutex);
    q->m_delegate = m_delegate;
    q->m_requestDidStartSelector = m_requestDidStartSelector;
    q->m_requestDidReceiveResponseHeadersSelector = m_requestDidReceiveResponseHeadersSelector;
    q->m_requestWillRedirectSelector = m_requestWillRedirectSelector;
    q->m_requestDidFinishSelector = m_requestDidFinishSelector;
    q->m_requestDidFailSelector = m_requestDidFailSelector;
    q->m_queueDidFinishSelector = m_queueDidFinishSelector;
    q->m_uploadProgressDelegate = m_uploadProgressDelegate;
    q->m_downloadProgressDelegate = m_downloadProgressDelegate;
    q->m_shouldCancelAllRequestsOnFailure = m_shouldCancelAllRequestsOnFailure.load();
    q->m_showAccurateProgress = m_showAccurateProgress.load();
    q->m_userInfo = m_userInfo;
    return q;
}

} // namespace pw
