#include "network/RQHTTPRequest.h"

#include "network/RQDataDecompressor.h"
#include "platform/core/Assert.h"
#include "platform/core/RunLoop.h"

#include <algorithm>

// What a request tells its delegate, blocks, queue and progress receivers.
// Each report runs where the request's callbacks go (deliver) and reads its
// receivers then, so one cleared meanwhile is not called.

namespace pw {

bool RQHTTPRequest::onCallbackThread() const {
    return m_isPACFileRequest || core::RunLoop::isMainThread();
}

std::mutex& RQHTTPRequest::completionLock() {
    static std::mutex* lock = new std::mutex(); // lives to the end of the process
    return *lock;
}

void RQHTTPRequest::report(const Selector& selector, void (RQHTTPRequestDelegate::*call)(RQHTTPRequest&),
                           Block Blocks::*block) {
    PW_ASSERT_MSG(onCallbackThread(), "reports run on the main thread");
    if (auto d = delegate()) {
        if (selector)
            selector(*d, *this);
        else
            ((*d).*call)(*this);
    }
    if (auto b = currentBlock(m_blocks.*block))
        b();
    if (auto q = queue())
        ((*q).*call)(*this);
}

void RQHTTPRequest::requestStarted() {
    if (m_error || m_mainRequest)
        return;
    report(m_didStartSelector, &RQHTTPRequestDelegate::requestStarted, &Blocks::started);
}

void RQHTTPRequest::requestReceivedResponseHeaders(RQHeaderMap headers) {
    PW_ASSERT_MSG(onCallbackThread(), "reports run on the main thread");
    if (m_error || m_mainRequest)
        return;
    if (auto d = delegate()) {
        if (m_didReceiveResponseHeadersSelector)
            m_didReceiveResponseHeadersSelector(*d, *this, headers);
        else
            d->requestDidReceiveResponseHeaders(*this, headers);
    }
    if (auto b = currentBlock(m_blocks.headersReceived))
        b(headers);
    if (auto q = queue())
        q->requestDidReceiveResponseHeaders(*this, headers);
}

void RQHTTPRequest::requestRedirected() {
    PW_ASSERT_MSG(onCallbackThread(), "reports run on the main thread");
    if (m_error || m_mainRequest)
        return;
    if (auto d = delegate())
        d->requestRedirected(*this);
    if (auto b = currentBlock(m_blocks.requestRedirected))
        b();
}

void RQHTTPRequest::requestWillRedirectToURL(const std::string& url) {
    PW_ASSERT_MSG(onCallbackThread(), "reports run on the main thread");
    if (m_error || m_mainRequest)
        return;
    if (auto d = delegate(); d && m_willRedirectSelector)
        m_willRedirectSelector(*d, *this, url);
    else if (d && d->handlesWillRedirect())
        d->requestWillRedirectToURL(*this, url);
    if (auto q = queue(); q && q->handlesWillRedirect())
        q->requestWillRedirectToURL(*this, url);
}

void RQHTTPRequest::reportFinished() {
    if (m_mainRequest || m_error)
        return;
    report(m_didFinishSelector, &RQHTTPRequestDelegate::requestFinished, &Blocks::completion);
}

void RQHTTPRequest::reportFailure() {
    report(m_didFailSelector, &RQHTTPRequestDelegate::requestFailed, &Blocks::failure);
}

void RQHTTPRequest::passOnReceivedData(std::string data) {
    PW_ASSERT_MSG(onCallbackThread(), "reports run on the main thread");
    if (auto d = delegate(); d && m_didReceiveDataSelector)
        m_didReceiveDataSelector(*d, *this, data);
    else if (d && d->handlesReceivedData())
        d->requestDidReceiveData(*this, data);
    if (auto b = currentBlock(m_blocks.dataReceived))
        b(data);
}

void RQHTTPRequest::deliverProgress(bool download, std::function<void(RQProgressDelegate&, RQHTTPRequest&)> call) {
    // Receivers are read when the call runs, so one cleared meanwhile is not called.
    deliver([keep = self(), download, call] {
        std::shared_ptr<RQRequestQueue> q;
        std::shared_ptr<RQProgressDelegate> p;
        {
            std::lock_guard lock(keep->m_cancelledLock);
            q = keep->m_queue.lock();
            p = download ? keep->m_downloadProgressDelegate.lock() : keep->m_uploadProgressDelegate.lock();
        }
        if (q)
            call(*q, *keep);
        if (p)
            call(*p, *keep);
    });
}

void RQHTTPRequest::updateProgressIndicator(const std::weak_ptr<RQProgressDelegate>& indicator, uint64_t progress,
                                            uint64_t total) {
    double value = total == 0 ? 0.0 : static_cast<double>(progress) / static_cast<double>(total);
    core::RunLoop::runOnMain(
        [indicator, value] {
            if (auto p = indicator.lock(); p && p->handlesSetProgress()) {
                std::lock_guard lock(completionLock());
                p->setProgress(static_cast<float>(value));
            }
        },
        false);
}

void RQHTTPRequest::setIndicator(bool download, uint64_t progress, uint64_t total) {
    double value = total == 0 ? 0.0 : static_cast<double>(progress) / static_cast<double>(total);
    deliver([keep = self(), download, value] {
        std::shared_ptr<RQProgressDelegate> p;
        {
            std::lock_guard lock(keep->m_cancelledLock);
            p = download ? keep->m_downloadProgressDelegate.lock() : keep->m_uploadProgressDelegate.lock();
        }
        if (p && p->handlesSetProgress()) {
            std::lock_guard lock(completionLock());
            p->setProgress(static_cast<float>(value));
        }
    });
}

void RQHTTPRequest::updateProgressIndicators() {
    if (m_mainRequest)
        return;
    if (!m_showAccurateProgress && !(m_complete && !m_updatedProgress))
        return;
    updateUploadProgress();
    updateDownloadProgress();
}

void RQHTTPRequest::updateDownloadProgress() {
    if (!m_haveResponseHeaders || m_needsRedirect || (m_contentLength == 0 && !m_complete))
        return;
    uint64_t soFar = m_totalBytesRead + m_partialDownloadSize;
    int64_t step;
    if (m_showAccurateProgress && m_contentLength) {
        step = static_cast<int64_t>(soFar) - static_cast<int64_t>(m_lastBytesRead);
        if (step == 0)
            return;
    } else {
        step = 1;
        m_updatedProgress = true;
    }
    deliverProgress(true, [step](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestDidReceiveBytes(r, step); });
    setIndicator(true, soFar, m_contentLength + m_partialDownloadSize);
    if (m_blocks.bytesReceived)
        deliverBlock(&Blocks::bytesReceived, static_cast<uint64_t>(step),
                     static_cast<uint64_t>(m_contentLength + m_partialDownloadSize));
    m_lastBytesRead = soFar;
}

void RQHTTPRequest::updateUploadProgress() {
    if (m_cancelled || m_totalBytesSent == 0)
        return;
    if (m_uploadBufferSize == 0 && m_totalBytesSent != m_postLength) {
        m_uploadBufferSize = m_totalBytesSent;
        incrementUploadSizeBy(-static_cast<int64_t>(m_uploadBufferSize));
    }
    int64_t step;
    if (m_showAccurateProgress) {
        if (m_totalBytesSent == m_postLength || m_lastBytesSent > 0)
            step = static_cast<int64_t>(m_totalBytesSent) - static_cast<int64_t>(m_lastBytesSent);
        else
            return;
    } else {
        step = 1;
        m_updatedProgress = true;
    }
    if (step == 0)
        return;
    deliverProgress(false, [step](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestDidSendBytes(r, step); });
    setIndicator(false, m_totalBytesSent - std::min(m_uploadBufferSize, m_totalBytesSent),
                 m_postLength - std::min(m_uploadBufferSize, m_postLength));
    if (m_blocks.bytesSent)
        deliverBlock(&Blocks::bytesSent, static_cast<uint64_t>(step), static_cast<uint64_t>(m_postLength));
}

void RQHTTPRequest::incrementDownloadSizeBy(int64_t amount) {
    deliverProgress(true,
                    [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestIncrementDownloadSizeBy(r, amount); });
    if (m_blocks.downloadSizeIncremented)
        deliverBlock(&Blocks::downloadSizeIncremented, amount);
}

void RQHTTPRequest::incrementUploadSizeBy(int64_t amount) {
    deliverProgress(false,
                    [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestIncrementUploadSizeBy(r, amount); });
    if (m_blocks.uploadSizeIncremented)
        deliverBlock(&Blocks::uploadSizeIncremented, amount);
}

void RQHTTPRequest::removeUploadProgressSoFar() {
    int64_t amount = -static_cast<int64_t>(m_totalBytesSent);
    deliverProgress(false, [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestDidSendBytes(r, amount); });
    setIndicator(false, 0, m_postLength);
    if (m_blocks.bytesSent)
        deliverBlock(&Blocks::bytesSent, static_cast<uint64_t>(amount), static_cast<uint64_t>(m_postLength));
}

} // namespace pw
