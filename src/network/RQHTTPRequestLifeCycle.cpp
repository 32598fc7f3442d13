#include "network/RQHTTPRequest.h"

#include "network/RQBandwidthThrottle.h"
#include "network/RQConnectionPool.h"
#include "network/RQDataDecompressor.h"
#include "network/RQHelpers.h"
#include "network/RQInputStream.h"
#include "platform/core/Assert.h"
#include "platform/core/Clock.h"
#include "platform/core/MainPostBatch.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/RunLoop.h"
#include "platform/net/HeaderText.h"
#include "platform/net/NetworkLoop.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>
#include <cinttypes>
#include <cstdio>

// A request's life: starting (synchronously or on the shared queue), the
// steps of an attempt on the network thread, the status check that times it
// out, throttling, cancelling and finishing.

namespace pw {

namespace {

// The name of an exception's type as written in the source.
std::string exceptionName(const std::exception& e) {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
    std::string text = status == 0 && name ? name : typeid(e).name();
    std::free(name);
    return text;
}

} // namespace

// ---- the stream's events, handed to the request on the network thread

class RQHTTPRequest::StreamClient final : public net::HttpStream::Client {
public:
    explicit StreamClient(std::weak_ptr<RQHTTPRequest> r) : m_request(std::move(r)) {}
    void streamReceivedHead(net::HttpStream& stream, const net::HttpResponseHead& head) override {
        handle(stream, [&](RQHTTPRequest& r) { r.readResponseHeaders(head); });
    }
    bool streamReceivedBytes(net::HttpStream& stream, const char* data, size_t size) override {
        bool more = false;
        handle(stream, [&](RQHTTPRequest& r) {
            r.handleBytes(data, size);
            r.performThrottling();
            more = !r.m_complete;
        });
        return more;
    }
    void streamEnded(net::HttpStream& stream) override {
        if (auto r = handle(stream, [](RQHTTPRequest& r) { r.handleStreamComplete(); }))
            r->afterEvent(); // outside the lock: it may wait for the delegate or start again
    }
    void streamFailed(net::HttpStream& stream, net::StreamError kind, const std::string& message) override {
        handle(stream, [&](RQHTTPRequest& r) { r.handleStreamError(kind, message); });
    }

private:
    // Runs step under the request's lock. Events of a stream the request has
    // let go of, or of a request that is gone, complete or cancelled, are
    // dropped: the stream may outlive both until it is closed.
    template <typename Step>
    std::shared_ptr<RQHTTPRequest> handle(net::HttpStream& stream, Step step) {
        auto r = m_request.lock();
        if (!r || &stream != r->m_readStream.get())
            return nullptr;
        PW_ASSERT_MSG(threadForRequest().isCurrent(), "stream events arrive on the network thread");
        std::lock_guard lock(r->m_cancelledLock);
        if (r->m_complete || r->m_cancelled)
            return nullptr;
        step(*r);
        return r;
    }

    std::weak_ptr<RQHTTPRequest> m_request;
};

core::OperationQueue& RQHTTPRequest::sharedQueue() {
    static core::OperationQueue* q = new core::OperationQueue(4, "RQHTTPRequest shared queue");
    return *q;
}

net::NetworkLoop& RQHTTPRequest::threadForRequest() {
    return net::NetworkLoop::shared();
}

void RQHTTPRequest::startAsynchronous() {
    sharedQueue().addOperation(self());
}

void RQHTTPRequest::start() {
    if (isCancelled() || isFinished()) {
        finish();
        return;
    }
    setExecuting();
    m_inProgress = true;
    {
        // The queue hears of this request until its last report, even when
        // its owner lets it go meanwhile.
        std::lock_guard lock(m_cancelledLock);
        m_queueKeepAlive = m_queue.lock();
    }
    auto keep = self();
    threadForRequest().post([keep] { keep->mainStep(); });
}

void RQHTTPRequest::startSynchronous() {
    {
        std::lock_guard lock(m_cancelledLock);
        m_isSynchronous = true;
        m_syncCallerIsMain = core::RunLoop::isMainThread();
        if (m_cancelled || m_complete)
            return;
    }
    setExecuting();
    m_inProgress = true;
    auto keep = self();
    threadForRequest().post([keep] { keep->mainStep(); });
    std::unique_lock lock(m_syncMutex);
    for (;;) {
        m_syncCv.wait(lock, [&] { return m_syncDone || !m_syncTasks.empty(); });
        while (!m_syncTasks.empty()) {
            auto task = std::move(m_syncTasks.front());
            m_syncTasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
        if (m_syncDone && m_syncTasks.empty())
            break;
    }
}

void RQHTTPRequest::deliver(std::function<void()> fn) {
    if (m_isPACFileRequest) {
        fn();
        return;
    }
    if (m_isSynchronous && m_syncCallerIsMain) {
        std::lock_guard lock(m_syncMutex);
        m_syncTasks.push_back(std::move(fn));
        m_syncCv.notify_all();
        return;
    }
    core::RunLoop::runOnMain(std::move(fn), false);
}

void RQHTTPRequest::mainStep() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    auto keep = self();
    std::unique_lock lock(m_cancelledLock);
    try {
        buildAndStart(lock);
    } catch (const std::exception& e) {
        // Whatever a step throws ends this request, not the network thread
        // every other request runs on.
        auto underlying = RQError::make(RQUnhandledExceptionError, e.what());
        auto err = RQError::make(RQUnhandledExceptionError, exceptionName(e), underlying);
        err->failureReason = e.what();
        failWithError(err);
    }
}

void RQHTTPRequest::buildAndStart(std::unique_lock<std::recursive_mutex>& lock) {
    if (m_error) {
        m_complete = true;
        lock.unlock();
        markAsFinished();
        return;
    }
    m_complete = false;
    m_didUseCachedResponse = false;
    if (!m_weakCache.expired() || m_cacheInUse) {
        m_cacheInUse = m_weakCache.lock();
        m_downloadCache = m_cacheInUse.get();
    }
    if (!m_url) {
        failWithError(standardError(RQUnableToCreateRequestErrorType));
        return;
    }
    if (!m_mainRequest) {
        buildPostBody();
        if (m_error)
            return;
    }
    if (m_requestMethod != "GET")
        m_downloadCache = nullptr;
    if (m_mainRequest) {
        // The twin sends what its main request will send: the main request's
        // cookies, User-Agent and Accept-Encoding are made now.
        std::lock_guard mainLock(m_mainRequest->m_cancelledLock);
        m_mainRequest->buildRequestHeaders();
    }
    buildRequestHeaders();
    if (m_error)
        return;
    if (m_downloadCache) {
        if (m_cachePolicy == 0)
            m_cachePolicy = m_downloadCache->defaultCachePolicy();
        if (m_downloadCache->canUseCachedDataForRequest(*this)) {
            useDataFromCache();
            return;
        }
        if (m_cachePolicy & (RQAskServerIfModifiedWhenStaleCachePolicy | RQAskServerIfModifiedCachePolicy)) {
            if (auto headers = m_downloadCache->cachedResponseHeadersForURL(m_urlText)) {
                auto etag = headers->find("Etag");
                if (etag != headers->end())
                    setHeader("If-None-Match", etag->second);
                auto lm = headers->find("Last-Modified");
                if (lm != headers->end())
                    setHeader("If-Modified-Since", lm->second);
            }
        }
    }
    applyAuthorizationHeader();
    if (configureProxies())
        startRequest();
}

void RQHTTPRequest::buildRequestHeaders() {
    if (m_haveBuiltRequestHeaders)
        return;
    m_haveBuiltRequestHeaders = true;
    if (m_mainRequest) {
        for (const auto& [n, v] : m_mainRequest->m_requestHeaders)
            setHeader(n, v);
        return;
    }
    applyCookieHeader();
    if (!requestHeader("User-Agent")) {
        std::optional<std::string> ua;
        if (!m_userAgent.empty())
            ua = m_userAgent;
        else
            ua = defaultUserAgentString();
        if (ua)
            setHeader("User-Agent", *ua);
    }
    if (m_allowCompressedResponse)
        setHeader("Accept-Encoding", "gzip");
    if (m_shouldCompressRequestBody)
        setHeader("Content-Encoding", "gzip");
}

void RQHTTPRequest::applyCookieHeader() {
    auto& list = m_mainRequest ? m_mainRequest->m_requestCookies : m_requestCookies;
    if (m_useCookiePersistence && m_url) {
        for (const auto& c : cookieStorage().cookiesForURL(*m_url)) {
            bool present =
                std::any_of(list.begin(), list.end(), [&](const net::Cookie& o) { return o.sameIdentity(c); });
            if (!present)
                list.push_back(c);
        }
    }
    if (list.empty())
        return;
    std::string value;
    for (const auto& c : list) {
        if (!value.empty())
            value += "; ";
        value += c.name + "=" + c.value;
    }
    setHeader("Cookie", value);
}

void RQHTTPRequest::applyResumeRange() {
    // Every attempt asks from what the partial file holds now: an attempt cut
    // short has added to it since the last Range was made.
    updatePartialDownloadSize();
    if (m_partialDownloadSize > 0) {
        char range[48];
        std::snprintf(range, sizeof range, "bytes=%" PRIu64 "-", m_partialDownloadSize);
        setHeader("Range", range);
    }
}

bool RQHTTPRequest::isResumingDownload() const {
    return m_allowResumeForFileDownloads && !m_downloadDestinationPath.empty() && m_partialDownloadSize > 0;
}

void RQHTTPRequest::updatePartialDownloadSize() {
    if (!m_allowResumeForFileDownloads || m_downloadDestinationPath.empty() || m_temporaryFileDownloadPath.empty())
        return;
    if (!RQHelpers::fileExists(m_temporaryFileDownloadPath)) {
        m_partialDownloadSize = 0;
        return;
    }
    auto size = RQHelpers::fileSize(m_temporaryFileDownloadPath);
    if (!size) {
        failWithError(RQHelpers::fileError("Failed to get attributes for file at path", m_temporaryFileDownloadPath));
        return;
    }
    m_partialDownloadSize = *size;
}

bool RQHTTPRequest::configureProxies() {
    if (m_isPACFileRequest || !m_proxyHost.empty() || m_proxyPort != 0)
        return true;
    if (m_PACurl.empty()) {
        if (auto choice = RQProxyResolver::fromSettings(*m_url, m_PACurl)) {
            useProxy(*choice);
            return true;
        }
        if (m_PACurl.empty())
            return true;
    }
    fetchPACFile();
    return false;
}

void RQHTTPRequest::useProxy(const RQProxyResolver::Choice& choice) {
    m_proxyHost = choice.host;
    m_proxyPort = choice.port;
    m_proxyType = choice.type;
}

void RQHTTPRequest::fetchPACFile() {
    std::weak_ptr<RQHTTPRequest> weakSelf = self();
    // A script from a file answers at once; one over HTTP later, on the network thread.
    m_proxyResolver.resolve(m_PACurl, *m_url, m_timeOutSeconds, [weakSelf](std::optional<RQProxyResolver::Choice> c) {
        auto me = weakSelf.lock();
        if (!me)
            return;
        std::unique_lock lock(me->m_cancelledLock);
        me->m_proxyResolver.fetchAnswered();
        if (c)
            me->useProxy(*c);
        if (!me->m_cancelled && !me->m_complete)
            me->startRequest();
    });
}

void RQHTTPRequest::startRequest() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled)
        return;
    deliver([keep = self()] { keep->requestStarted(); });
    resetForAttempt();
    if (m_error)
        return;
    net::HttpStreamRequest sr = streamRequest();
    if (!attachBody(sr))
        return;
    sr.freshConnection = bookConnection();
    sr.attemptPersistentConnection = m_shouldAttemptPersistentConnection;
    if (!openReadStream(std::move(sr)))
        return;
    if (!m_mainRequest) {
        if (m_shouldResetUploadProgress) {
            incrementUploadSizeBy(m_showAccurateProgress ? static_cast<int64_t>(m_postLength) : 1);
            setIndicator(false, 0, 1);
        }
        if (m_shouldResetDownloadProgress && m_partialDownloadSize == 0)
            setIndicator(true, 0, 1);
    }
    m_lastActivityTime = core::Clock::shared().monotonic();
    scheduleStatusTimer();
}

void RQHTTPRequest::resetForAttempt() {
    m_downloadComplete = false;
    m_complete = false;
    m_totalBytesRead = 0;
    m_lastBytesRead = 0;
    if (m_redirectCount == 0)
        m_originalURL = m_urlText;
    if (m_lastBytesSent > 0)
        removeUploadProgressSoFar();
    m_lastBytesSent = 0;
    m_totalBytesSent = 0;
    m_contentLength = 0;
    m_responseHeaders.clear();
    m_haveResponseHeaders = false;
    m_pendingHead.reset();
    if (m_downloadDestinationPath.empty())
        m_rawResponseData.clear();
    m_inflatedResponseData.reset();
    m_readStreamIsScheduled = false;
    // Each attempt's body is a stream of its own: what an attempt cut short
    // left in the inflater must not meet the next one's bytes.
    m_dataDecompressor.reset();
    if (!m_proxyHost.empty() && m_proxyPort != 0 && m_proxyType.empty())
        m_proxyType = "HTTP";
    applyResumeRange();
}

net::HttpStreamRequest RQHTTPRequest::streamRequest() const {
    net::HttpStreamRequest sr;
    sr.method = m_requestMethod;
    sr.url = m_urlText;
    sr.httpVersion10 = m_useHTTPVersionOne;
    sr.headers = m_requestHeaders;
    sr.validatesSecureCertificate = m_validatesSecureCertificate;
    sr.clientCertificateFile = m_clientCertificateFile;
    sr.clientKeyFile = m_clientKeyFile;
    if (!m_proxyHost.empty() && m_proxyPort != 0) {
        sr.proxyHost = m_proxyHost;
        sr.proxyPort = m_proxyPort;
        bool socks = net::asciiLower(m_proxyType).rfind("socks", 0) == 0;
        sr.proxyType = socks ? net::ProxyType::Socks5 : net::ProxyType::Http;
    }
    return sr;
}

bool RQHTTPRequest::attachBody(net::HttpStreamRequest& sr) {
    if (m_shouldStreamPostDataFromDisk && !m_postBodyFilePath.empty() && RQHelpers::fileExists(m_postBodyFilePath)) {
        bool compressed = !m_compressedPostBodyFilePath.empty() && RQHelpers::fileExists(m_compressedPostBodyFilePath);
        m_postBodyReadStream = RQInputStream::inputStreamWithFileAtPath(
            compressed ? m_compressedPostBodyFilePath : m_postBodyFilePath, this);
    } else if (!m_postBody.empty() && m_postLength > 0) {
        bool compressed = m_shouldCompressRequestBody && !m_compressedPostBody.empty();
        m_postBodyReadStream = RQInputStream::inputStreamWithData(compressed ? m_compressedPostBody : m_postBody, this);
    } else {
        m_postBodyReadStream.reset();
    }
    if (!m_postBodyReadStream)
        return true;
    if (!m_postBodyReadStream->open()) {
        failWithError(RQError::make(RQInternalErrorWhileBuildingRequestType, "Unable to create read stream"));
        return false;
    }
    auto body = m_postBodyReadStream;
    sr.bodyLength = static_cast<int64_t>(m_postLength);
    sr.bodyReader = [body](char* buf, size_t size) { return body->read(buf, size); };
    return true;
}

bool RQHTTPRequest::bookConnection() {
    auto& pool = RQConnectionPool::shared();
    pool.expire();
    if (m_url->host().empty() || m_url->scheme().empty()) {
        // Not an address a connection can be kept for: one of its own.
        m_connectionInfo.reset();
        m_shouldAttemptPersistentConnection = false;
    }
    if (!m_shouldAttemptPersistentConnection) {
        m_connectionInfo.reset();
        return false;
    }
    RQConnectionPool::Origin origin{m_url->host(), m_url->scheme(), m_url->port().value_or(0)};
    auto booking = pool.book(origin, m_connectionInfo, m_requestID);
    m_connectionInfo = booking.entry;
    return booking.fresh;
}

bool RQHTTPRequest::openReadStream(net::HttpStreamRequest sr) {
    destroyReadStream();
    if (!m_streamClient)
        m_streamClient = std::make_shared<StreamClient>(self());
    m_readStream = std::make_unique<net::HttpStream>(threadForRequest(), std::move(sr), m_streamClient);
    bool heldBack = RQBandwidthThrottle::shared().holdsBackNow();
    if (!m_readStream->open()) {
        m_connectionCanBeReused = false;
        m_readStream.reset();
        failWithError(RQError::make(RQInternalErrorWhileBuildingRequestType, "Unable to start HTTP connection"));
        return false;
    }
    if (RQConnectionPool::shared().streamOpened())
        core::RunLoop::runOnMain([] { showNetworkActivityIndicator(); }, false);
    m_readStreamIsScheduled = true;
    if (heldBack) {
        m_readStream->pauseReceiving(true);
        m_readStreamIsScheduled = false;
    }
    return true;
}

void RQHTTPRequest::scheduleStatusTimer() {
    if (m_statusTimer)
        threadForRequest().cancelTimer(m_statusTimer);
    std::weak_ptr<RQHTTPRequest> weakSelf = self();
    m_statusTimer = threadForRequest().postAfter(0.25, [weakSelf] {
        if (auto me = weakSelf.lock())
            me->updateStatus();
    });
}

void RQHTTPRequest::updateStatus() {
    m_statusTimer = 0;
    auto keep = self();
    checkRequestStatus();
    if (m_inProgress && !m_complete)
        scheduleStatusTimer();
}

void RQHTTPRequest::checkRequestStatus() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    performThrottling();
    if (shouldTimeOut()) {
        if (m_retryCount < m_numberOfTimesToRetryOnTimeout) {
            ++m_retryCount;
            m_connectionCanBeReused = false;
            RQConnectionPool::shared().drop(m_connectionInfo);
            m_connectionInfo.reset();
            destroyReadStream();
            lock.unlock();
            startRequest();
            return;
        }
        failWithError(standardError(RQRequestTimedOutErrorType));
        cancelLoad();
        m_complete = true;
        return;
    }
    if (m_readStream) {
        if (m_postLength > 0) {
            m_lastBytesSent = m_totalBytesSent;
            m_totalBytesSent = m_readStream->bodyBytesWritten();
            if (m_totalBytesSent > m_lastBytesSent)
                m_lastActivityTime = core::Clock::shared().monotonic();
        }
        updateProgressIndicators();
    }
}

bool RQHTTPRequest::shouldTimeOut() const {
    if (!m_readStream || !m_readStreamIsScheduled || m_lastActivityTime == 0 || m_timeOutSeconds <= 0)
        return false;
    double idle = core::Clock::shared().monotonic() - m_lastActivityTime;
    if (idle <= m_timeOutSeconds)
        return false;
    if (m_postLength == 0 || (m_uploadBufferSize > 0 && m_totalBytesSent > m_uploadBufferSize))
        return true;
    // A body still inside the first upload buffer gets half as long again.
    return idle > 1.5 * m_timeOutSeconds;
}

void RQHTTPRequest::performThrottling() {
    if (!m_readStream)
        return;
    bool holdBack = RQBandwidthThrottle::shared().shouldHoldBack();
    if (holdBack && !m_readStream->isReceivingPaused()) {
        m_readStream->pauseReceiving(true);
        m_readStreamIsScheduled = false;
    } else if (!holdBack && m_readStream->isReceivingPaused()) {
        m_readStream->pauseReceiving(false);
        m_readStreamIsScheduled = true;
        m_lastActivityTime = core::Clock::shared().monotonic();
    }
}

void RQHTTPRequest::destroyReadStream() {
    if (!m_readStream)
        return;
    if (m_readStreamIsScheduled || m_readStream->isReceivingPaused()) {
        if (RQConnectionPool::shared().streamClosed())
            core::RunLoop::runOnMain([] { hideNetworkActivityIndicatorAfterDelay(); }, false);
    }
    m_readStreamIsScheduled = false;
    // The stream may be the one whose event is being handled: close it later,
    // on the network thread, outside of its own callback.
    std::shared_ptr<net::HttpStream> stream(m_readStream.release());
    threadForRequest().post([stream] { stream->close(); });
}

void RQHTTPRequest::cancelLoad() {
    m_proxyResolver.cancel();
    destroyReadStream();
    if (m_postBodyReadStream) {
        m_postBodyReadStream->close();
        m_postBodyReadStream.reset();
    }
    if (m_downloadDestinationPath.empty()) {
        if (!m_complete) {
            m_rawResponseData.clear();
            m_inflatedResponseData.reset();
        }
    } else if (!m_temporaryFileDownloadPath.empty()) {
        m_fileDownloadOutputStream.reset();
        m_inflatedFileDownloadOutputStream.reset();
        if (!m_complete) {
            if (!m_allowResumeForFileDownloads)
                removeTemporaryDownloadFile();
            removeTemporaryUncompressedDownloadFile();
        }
    }
    if (m_authenticationNeeded == 0 && !m_willRetryRequest && m_didCreateTemporaryPostDataFile) {
        removeTemporaryUploadFile();
        removeTemporaryCompressedUploadFile();
        m_didCreateTemporaryPostDataFile = false;
    }
}

void RQHTTPRequest::cancel() {
    auto keep = self();
    threadForRequest().post([keep] { keep->cancelOnRequestThread(); });
}

void RQHTTPRequest::cancelOnRequestThread() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    failWithError(standardError(RQRequestCancelledErrorType));
    m_complete = true;
    cancelLoad();
    m_cancelled = true;
    lock.unlock();
    // One never started is dropped by its queue when it comes up.
    core::Operation::cancel();
}

void RQHTTPRequest::clearDelegatesAndCancel() {
    {
        std::lock_guard lock(m_cancelledLock);
        m_delegate.reset();
        m_queue.reset();
        m_downloadProgressDelegate.reset();
        m_uploadProgressDelegate.reset();
        m_blocks = {};
    }
    cancel();
}

void RQHTTPRequest::markAsFinished() {
    auto keep = self();
    {
        std::lock_guard lock(m_cancelledLock);
        m_serverAuth.authentication.reset();
        m_proxyAuth.authentication.reset();
        if (m_statusTimer) {
            threadForRequest().cancelTimer(m_statusTimer);
            m_statusTimer = 0;
        }
    }
    bool wasInProgress = m_inProgress.exchange(false);
    {
        std::lock_guard lock(m_cancelledLock);
        if (m_cacheInUse) {
            m_downloadCache = nullptr;
            m_cacheInUse.reset(); // the caller's again, to keep or let go
        }
    }
    if (m_isSynchronous) {
        // The caller returns only after every callback queued for it has run.
        std::lock_guard lock(m_syncMutex);
        m_syncDone = true;
        m_syncCv.notify_all();
    }
    // After every report queued so far (they go the same way, in order):
    // the queue has heard the end and may go.
    deliver([keep] {
        std::shared_ptr<RQRequestQueue> queue;
        std::lock_guard lock(keep->m_cancelledLock);
        queue.swap(keep->m_queueKeepAlive);
    });
    // Whoever sees the request finished finds its reports already queued on
    // the main loop: a batch open on this thread would otherwise hold them
    // until its turn ends, after the flag below is up.
    core::MainPostBatch::flushCurrent();
    if (wasInProgress || isExecuting())
        finish();
}

} // namespace pw
