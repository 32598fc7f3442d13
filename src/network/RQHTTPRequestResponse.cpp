#include "network/RQHTTPRequest.h"

#include "network/RQConnectionPool.h"
#include "network/RQDataDecompressor.h"
#include "network/RQHelpers.h"
#include "network/RQInputStream.h"
#include "platform/core/Assert.h"
#include "platform/core/Clock.h"
#include "platform/core/HeapPolicy.h"
#include "platform/net/HeaderText.h"
#include "platform/net/NetworkLoop.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <strings.h>

// The answer, on the network thread: its head (redirects, cookies, sizes,
// reuse), its body (into memory or files, inflated now or later), its end,
// stream errors, the one silent retry, failure and completion from the cache.

namespace pw {

void RQHTTPRequest::readResponseHeaders(const net::HttpResponseHead& head) {
    m_authenticationNeeded = 0;
    m_pendingHead = head;
    takeResponseHead(head);
    if (m_downloadCache && m_downloadCache->canUseCachedDataForRequest(*this)) {
        m_downloadCache->updateExpiryForRequest(*this, m_secondsToCache);
        useDataFromCache();
        return;
    }
    if (m_responseStatusCode == 401)
        m_authenticationNeeded = 1;
    else if (m_responseStatusCode == 407)
        m_authenticationNeeded = 2;
    if (m_authenticationNeeded == 0 && !willRedirectStatus() && isResumingDownload() &&
        (m_responseStatusCode < 200 || m_responseStatusCode > 299)) {
        // Only a partial answer continues the file, and a whole one restarts it;
        // an error page must neither be appended nor replace what is there.
        failWithError(RQError::make(RQFileManagementError, "The server did not resume the download (status " +
                                                               std::to_string(m_responseStatusCode) +
                                                               "); the partial file at '" +
                                                               m_temporaryFileDownloadPath + "' is kept"));
        return;
    }
    if (m_authenticationNeeded == 0 && !m_serverAuth.authentication &&
        m_serverAuth.scheme == net::kAuthenticationSchemeBasic && !m_username.empty() && !m_password.empty() &&
        m_useSessionPersistence)
        storeBasicCredentialsSentBeforeChallenge();
    std::string mime, charset;
    auto ct = m_responseHeaders.find("Content-Type");
    if (ct != m_responseHeaders.end())
        parseMimeType(&mime, &charset, ct->second);
    m_responseEncoding = charset.empty() ? m_defaultResponseEncoding : charset;
    double now = core::Clock::shared().now();
    m_responseCookies = net::CookieStorage::cookiesWithResponseHeaderFields(head.setCookies, *m_url, now);
    if (m_useCookiePersistence) {
        cookieStorage().setCookies(m_responseCookies);
        for (const auto& c : m_responseCookies)
            addSessionCookie(c);
    }
    if (!willRedirect())
        countDownloadSize();
    if (m_shouldAttemptPersistentConnection)
        decideReuse(head);
    deliver([keep = self(), headers = m_responseHeaders] { keep->requestReceivedResponseHeaders(headers); });
}

void RQHTTPRequest::takeResponseHead(const net::HttpResponseHead& head) {
    m_responseHeaders.clear();
    auto add = [&](const std::string& name, const std::string& value) {
        auto it = m_responseHeaders.find(name);
        if (it == m_responseHeaders.end())
            m_responseHeaders.emplace(name, value);
        else
            it->second += ", " + value;
    };
    for (const auto& [n, v] : head.headers)
        add(n, v);
    for (const auto& c : head.setCookies)
        add("Set-Cookie", c);
    m_haveResponseHeaders = true;
    m_responseStatusCode = head.statusCode;
    m_responseStatusMessage = head.statusLine;
}

void RQHTTPRequest::countDownloadSize() {
    RQHTTPRequest* target = m_mainRequest ? m_mainRequest : this;
    auto cl = m_responseHeaders.find("Content-Length");
    if (cl != m_responseHeaders.end()) {
        uint64_t length = std::strtoull(cl->second.c_str(), nullptr, 0);
        // The flags are this request's own: a HEAD request made for a queue
        // counts the size for its main request, which does not count it again.
        if (m_mainRequest && m_allowCompressedResponse && length == 20 && m_showAccurateProgress &&
            m_shouldResetDownloadProgress) {
            target->m_showAccurateProgress = false;
            target->incrementDownloadSizeBy(1);
        } else {
            target->m_contentLength = length;
            if (m_showAccurateProgress && m_shouldResetDownloadProgress)
                target->incrementDownloadSizeBy(static_cast<int64_t>(length + target->m_partialDownloadSize));
        }
    } else if (m_showAccurateProgress && m_shouldResetDownloadProgress) {
        target->m_showAccurateProgress = false;
        target->incrementDownloadSizeBy(1);
    }
}

void RQHTTPRequest::decideReuse(const net::HttpResponseHead& head) {
    std::string c = net::asciiLower(head.header("Connection").value_or(""));
    if ((head.httpVersion != "1.0" || c == "keep-alive") && c != "close") {
        auto ka = head.header("Keep-Alive");
        if (ka) {
            int timeout = 0, max = 0;
            std::string v = net::asciiLower(*ka);
            auto t = v.find("timeout=");
            if (t != std::string::npos)
                timeout = std::atoi(v.c_str() + t + 8);
            auto m = v.find("max=");
            if (m != std::string::npos)
                max = std::atoi(v.c_str() + m + 4);
            if (max > 5) {
                m_connectionCanBeReused = true;
                m_persistentConnectionTimeoutSeconds = timeout;
            } else {
                m_connectionCanBeReused = false;
            }
        } else {
            m_connectionCanBeReused = true;
        }
    } else {
        m_connectionCanBeReused = false;
    }
}

bool RQHTTPRequest::willRedirectStatus() const {
    int code = m_responseStatusCode;
    return m_shouldRedirect && (code == 301 || code == 302 || code == 303 || code == 307) &&
           m_responseHeaders.count("Location") != 0;
}

bool RQHTTPRequest::willRedirect() {
    if (!willRedirectStatus())
        return false;
    auto loc = m_responseHeaders.find("Location");
    int code = m_responseStatusCode;
    auto target = m_url->resolve(net::trimBlanks(loc->second));
    if (!target)
        return false; // an unusable Location: the answer is reported as it is
    deliver([keep = self()] { keep->requestRedirected(); });

    bool crossOrigin = !RQHelpers::sameOrigin(*target, *m_url);
    if (code == 307 || (m_shouldUseRFC2616RedirectBehaviour && code != 303)) {
        // Method, body and headers stay.
    } else {
        setRequestMethod("GET");
        m_postBody.clear();
        m_compressedPostBody.clear();
        m_postLength = 0;
        m_shouldStreamPostDataFromDisk = false;
        std::vector<std::pair<std::string, std::string>> kept;
        for (const auto& h : m_requestHeaders)
            if (strcasecmp(h.first.c_str(), "User-Agent") == 0 || strcasecmp(h.first.c_str(), "Accept") == 0)
                kept.push_back(h);
        m_requestHeaders = kept;
        m_haveBuiltRequestHeaders = false;
    }
    // The old address's cookies and credentials are not the new one's business.
    removeHeader("Cookie");
    if (crossOrigin) {
        removeHeader("Authorization");
        m_serverAuth.scheme.clear();
        m_serverAuth.credentials.reset();
    }
    m_redirectURL = target->absoluteString();
    m_needsRedirect = true;
    m_requestCookies.clear();
    return true;
}

void RQHTTPRequest::performRedirect() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled)
        return;
    setURL(m_redirectURL);
    m_complete = true;
    m_needsRedirect = false;
    ++m_redirectCount;
    if (m_redirectCount > 5) {
        failWithError(standardError(RQTooMuchRedirectionErrorType));
        m_complete = true;
        return;
    }
    if (m_haveBuiltRequestHeaders)
        applyCookieHeader(); // headers kept: send the new address's cookies
    lock.unlock();
    mainStep();
}

void RQHTTPRequest::redirectToURL(const std::string& url) {
    auto keep = self();
    threadForRequest().post([keep, url] {
        {
            std::lock_guard lock(keep->m_cancelledLock);
            auto resolved = keep->m_url ? keep->m_url->resolve(url) : net::Url::parse(url);
            keep->m_redirectURL = resolved ? resolved->absoluteString() : url;
        }
        keep->performRedirect();
    });
}

bool RQHTTPRequest::willAskDelegateToConfirmRedirect() {
    std::lock_guard lock(m_cancelledLock);
    auto d = m_delegate.lock();
    auto q = m_queue.lock();
    if (!(d && (m_willRedirectSelector || d->handlesWillRedirect())) && !(q && q->handlesWillRedirect()))
        return false;
    std::string target = m_redirectURL;
    m_redirectURL.clear();
    deliver([keep = self(), target] { keep->requestWillRedirectToURL(target); });
    return true;
}

void RQHTTPRequest::handleBytes(const char* data, size_t size) {
    if (size == 0)
        return;
    std::optional<std::string> inflated;
    if (isResponseCompressed() && !m_shouldWaitToInflateCompressedResponses) {
        if (!m_dataDecompressor)
            m_dataDecompressor = RQDataDecompressor::decompressor();
        RQErrorPtr err;
        inflated = m_dataDecompressor->uncompressBytes(data, size, &err);
        if (!inflated) {
            failWithError(err);
            return;
        }
    }
    m_totalBytesRead += size;
    m_lastActivityTime = core::Clock::shared().monotonic();
    incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(size));
    // A redirect's body never goes into a file the next hop resumes.
    if (m_needsRedirect && m_shouldRedirect && m_allowResumeForFileDownloads)
        return;
    // Nor does a challenge's page: the next attempt would take it for the
    // start of the answer.
    if (m_authenticationNeeded && m_allowResumeForFileDownloads && !m_downloadDestinationPath.empty())
        return;
    bool delegateWantsData = false;
    {
        auto d = m_delegate.lock();
        delegateWantsData = (d && (m_didReceiveDataSelector || d->handlesReceivedData())) || m_blocks.dataReceived;
    }
    if (delegateWantsData) {
        // A delegate taking the body keeps what it is given: a redirect's or
        // a challenge's page would be mixed into the answer it waits for.
        if (m_needsRedirect || m_authenticationNeeded)
            return;
        std::string chunk = inflated ? std::move(*inflated) : std::string(data, size);
        deliver([keep = self(), chunk = std::move(chunk)]() mutable { keep->passOnReceivedData(std::move(chunk)); });
    } else if (!m_downloadDestinationPath.empty()) {
        writeToDownloadFiles(data, size, inflated);
    } else {
        reserveResponseBody(inflated ? inflated->size() : size);
        if (inflated)
            m_rawResponseData += *inflated;
        else
            m_rawResponseData.append(data, size);
    }
}

void RQHTTPRequest::reserveResponseBody(size_t incoming) {
    // A body of declared length gets its room with its first bytes: grown
    // piece by piece it would be copied over at every doubling. A length past
    // what is worth setting aside at once, an inflated body or one of unknown
    // length doubles its room as it comes, in huge pages once it is large.
    constexpr uint64_t kMaxRoom = uint64_t(512) << 20;
    const size_t needed = m_rawResponseData.size() + incoming;
    if (needed <= m_rawResponseData.capacity())
        return;
    size_t room = std::max(needed, 2 * m_rawResponseData.capacity());
    if (m_rawResponseData.empty())
        room = std::max(room, static_cast<size_t>(std::min(m_contentLength, kMaxRoom)));
    core::HeapPolicy::reserveWithHugePages(m_rawResponseData, room);
}

bool RQHTTPRequest::openDownloadFile() {
    bool append = false;
    if (!m_temporaryFileDownloadPath.empty() && isResumingDownload()) {
        // (Only successful answers get here: a refused resume failed at its head.)
        if (m_responseStatusCode != 206 && m_responseHeaders.count("Content-Range") == 0) {
            // The server sent the whole body again.
            incrementDownloadSizeBy(-static_cast<int64_t>(m_partialDownloadSize));
            m_partialDownloadSize = 0;
        } else {
            append = true;
        }
    }
    if (m_temporaryFileDownloadPath.empty())
        m_temporaryFileDownloadPath = RQHelpers::temporaryPath();
    m_appendToDownloadFiles = append;
    m_fileDownloadOutputStream = RQHelpers::openFile(m_temporaryFileDownloadPath, append ? "ab" : "wb");
    if (!m_fileDownloadOutputStream) {
        failWithError(RQHelpers::fileError("Failed to write to file at path", m_temporaryFileDownloadPath));
        return false;
    }
    return true;
}

void RQHTTPRequest::writeToDownloadFiles(const char* data, size_t size, const std::optional<std::string>& inflated) {
    if (!m_fileDownloadOutputStream && !openDownloadFile())
        return;
    if (std::fwrite(data, 1, size, m_fileDownloadOutputStream.get()) != size) {
        failWithError(RQHelpers::fileError("Failed to write to file at path", m_temporaryFileDownloadPath));
        return;
    }
    if (!inflated)
        return;
    if (!m_inflatedFileDownloadOutputStream) {
        if (m_temporaryUncompressedDataDownloadPath.empty())
            m_temporaryUncompressedDataDownloadPath = RQHelpers::temporaryPath();
        m_inflatedFileDownloadOutputStream =
            RQHelpers::openFile(m_temporaryUncompressedDataDownloadPath, m_appendToDownloadFiles ? "ab" : "wb");
    }
    if (m_inflatedFileDownloadOutputStream && !inflated->empty())
        std::fwrite(inflated->data(), 1, inflated->size(), m_inflatedFileDownloadOutputStream.get());
}

void RQHTTPRequest::handleStreamComplete() {
    if (m_statusTimer) {
        threadForRequest().cancelTimer(m_statusTimer);
        m_statusTimer = 0;
    }
    m_downloadComplete = true;
    RQErrorPtr fileError = closeOutTransfer();
    RQConnectionPool::shared().release(m_connectionInfo, m_persistentConnectionTimeoutSeconds, m_connectionCanBeReused);
    destroyReadStream();
    if (m_needsRedirect || m_authenticationNeeded || m_didUseCachedResponse)
        return; // the redirect or the credentials step follows
    if (fileError) {
        failWithError(fileError);
        markAsFinished();
        return;
    }
    if (takeOverFinish()) {
        m_complete = false; // still open to a cancel while the subclass works
        return;
    }
    requestFinished();
    markAsFinished();
}

RQErrorPtr RQHTTPRequest::closeOutTransfer() {
    m_lastBytesSent = m_totalBytesSent;
    if (m_readStream)
        m_totalBytesSent = m_readStream->bodyBytesWritten();
    m_complete = true;
    if (m_contentLength == 0)
        m_contentLength = m_totalBytesRead;
    updateProgressIndicators();
    if (m_postBodyReadStream) {
        m_postBodyReadStream->close();
        m_postBodyReadStream.reset();
    }
    bool isTheAnswer = !m_needsRedirect && m_authenticationNeeded == 0;
    RQErrorPtr fileError = isTheAnswer ? compressedBodyError() : nullptr;
    m_dataDecompressor.reset();
    if (m_didCreateTemporaryPostDataFile && m_authenticationNeeded == 0) {
        removeTemporaryUploadFile();
        removeTemporaryCompressedUploadFile();
    }
    if (!m_temporaryFileDownloadPath.empty()) {
        m_fileDownloadOutputStream.reset();
        m_inflatedFileDownloadOutputStream.reset();
        if (fileError) {
            removeTemporaryDownloadFile();
            removeTemporaryUncompressedDownloadFile();
        } else if (isTheAnswer) {
            fileError = moveDownloadIntoPlace();
        }
    } else if (!m_downloadDestinationPath.empty() && isTheAnswer && m_totalBytesRead == 0 && !m_didUseCachedResponse) {
        // An empty answer still leaves an (empty) file where the caller looks.
        RQHelpers::openFile(m_downloadDestinationPath, "wb");
    }
    if (m_downloadCache && !m_didUseCachedResponse && isTheAnswer && !fileError)
        m_downloadCache->storeResponseForRequest(*this, m_secondsToCache);
    return fileError;
}

RQErrorPtr RQHTTPRequest::moveDownloadIntoPlace() {
    auto moveError = [&](int err) {
        return RQError::make(RQFileManagementError,
                             "Failed to move file from '" + m_temporaryFileDownloadPath + "' to '" +
                                 m_downloadDestinationPath + "'",
                             RQHelpers::posixError(err));
    };
    RQErrorPtr error;
    if (isResponseCompressed()) {
        if (m_shouldWaitToInflateCompressedResponses) {
            RQDataDecompressor::uncompressDataFromFile(m_temporaryFileDownloadPath, m_downloadDestinationPath, &error);
        } else if (std::rename(m_temporaryUncompressedDataDownloadPath.c_str(), m_downloadDestinationPath.c_str()) !=
                   0) {
            error = moveError(errno);
        }
        m_temporaryUncompressedDataDownloadPath.clear();
        removeTemporaryDownloadFile();
    } else if (!removeFileAtPath(m_downloadDestinationPath, &error)) {
        // error set
    } else if (std::rename(m_temporaryFileDownloadPath.c_str(), m_downloadDestinationPath.c_str()) != 0) {
        error = moveError(errno);
    } else {
        m_temporaryFileDownloadPath.clear();
    }
    return error;
}

RQErrorPtr RQHTTPRequest::compressedBodyError() {
    if (!isResponseCompressed() || m_totalBytesRead == 0)
        return nullptr;
    if (!m_shouldWaitToInflateCompressedResponses) {
        bool ended = m_dataDecompressor && m_dataDecompressor->streamEnded();
        return ended ? nullptr : RQDataDecompressor::truncatedStreamError();
    }
    // Kept compressed in memory: it must inflate whole before it counts as
    // received. (Into a file, inflating it is that check.) What it inflates
    // to is kept for the caller, so the body is inflated once.
    if (!m_downloadDestinationPath.empty() || m_rawResponseData.empty())
        return nullptr;
    RQErrorPtr err;
    m_inflatedResponseData = RQDataDecompressor::uncompressData(m_rawResponseData, &err);
    return m_inflatedResponseData ? nullptr : err;
}

void RQHTTPRequest::finishAfterTakeOver() {
    auto keep = self();
    threadForRequest().post([keep] {
        std::unique_lock lock(keep->m_cancelledLock);
        if (keep->m_cancelled || keep->m_error)
            return;
        keep->m_complete = true;
        keep->requestFinished();
        lock.unlock();
        keep->markAsFinished();
    });
}

void RQHTTPRequest::failAfterTakeOver(RQErrorPtr error) {
    auto keep = self();
    threadForRequest().post([keep, error] {
        keep->failWithError(error);
        keep->markAsFinished();
    });
}

void RQHTTPRequest::replaceResponseBody(std::string body) {
    std::lock_guard lock(m_cancelledLock);
    m_rawResponseData = std::move(body);
    m_inflatedResponseData.reset();
    m_responseHeaders.erase("Content-Encoding");
    m_responseHeaders["Content-Length"] = std::to_string(m_rawResponseData.size());
}

void RQHTTPRequest::afterEvent() {
    if (m_downloadComplete && m_needsRedirect) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
    } else if (m_downloadComplete && m_authenticationNeeded != 0) {
        attemptToApplyCredentialsAndResume();
    }
}

void RQHTTPRequest::handleStreamError(net::StreamError kind, const std::string& message) {
    if (m_error) {
        cancelLoad();
        return;
    }
    if (kind == net::StreamError::ConnectionLost && retryUsingNewConnection())
        return;
    std::string description = "A connection failure occurred";
    if (kind == net::StreamError::Tls)
        description += ": SSL problem (Possible causes may include a bad/expired/self-signed certificate, clock set to "
                       "wrong date)";
    cancelLoad();
    auto underlying = RQError::foreign("HttpStream", static_cast<int>(kind), message);
    failWithError(RQError::make(RQConnectionFailureErrorType, description, underlying));
}

bool RQHTTPRequest::retryUsingNewConnection() {
    if (m_retryCount != 0)
        return false;
    m_willRetryRequest = true;
    cancelLoad();
    m_willRetryRequest = false;
    RQConnectionPool::shared().drop(m_connectionInfo);
    m_connectionInfo.reset();
    ++m_retryCount;
    startRequest();
    return true;
}

void RQHTTPRequest::failWithError(RQErrorPtr error) {
    if (m_destroying)
        return; // a file clean-up failing while the request goes: nobody to tell
    std::unique_lock lock(m_cancelledLock);
    m_complete = true;
    if (error && error->code != RQAuthenticationErrorType && error->code != RQTooMuchRedirectionErrorType) {
        RQConnectionPool::shared().drop(m_connectionInfo);
        m_connectionInfo.reset();
        destroyReadStream();
    }
    if (m_connectionCanBeReused)
        RQConnectionPool::shared().setIdleFor(m_connectionInfo, m_persistentConnectionTimeoutSeconds);
    if (m_statusTimer) {
        threadForRequest().cancelTimer(m_statusTimer);
        m_statusTimer = 0;
    }
    if (m_cancelled || m_error)
        return;
    if (m_downloadCache && (m_cachePolicy & RQFallbackToCacheIfLoadFailsCachePolicy) &&
        m_downloadCache->canUseCachedDataForRequest(*this)) {
        useDataFromCache();
        return;
    }
    m_error = error;
    RQHTTPRequest* target = this;
    if (m_mainRequest) {
        target = m_mainRequest;
        target->m_error = error;
    }
    auto keep = target->self();
    if (target->m_isPACFileRequest)
        target->reportFailure();
    else
        target->deliver([keep] { keep->reportFailure(); });
    if (m_inProgress) {
        lock.unlock();
        markAsFinished();
    }
}

void RQHTTPRequest::requestFinished() {
    if (m_error || m_mainRequest)
        return;
    requestFinishedHook();
    if (m_isPACFileRequest)
        reportFinished();
    else
        deliver([keep = self()] { keep->reportFinished(); });
}

void RQHTTPRequest::useDataFromCache() {
    RQHTTPRequest* target = m_mainRequest ? m_mainRequest : this;
    auto headers = m_downloadCache->cachedResponseHeadersForURL(m_urlText);
    auto dataPath = m_downloadCache->pathToCachedResponseDataForURL(m_urlText);
    if (!headers || !dataPath) {
        // A cache entry without its headers or its body is no answer at all.
        m_downloadCache = nullptr;
        RQErrorPtr err = RQError::make(RQInternalErrorWhileBuildingRequestType, "The cached response is incomplete");
        m_didUseCachedResponse = false;
        failWithError(err);
        return;
    }
    m_responseStatusCode = std::atoi((*headers)["X-RQHTTPRequest-Response-Status-Code"].c_str());
    target->m_responseStatusCode = m_responseStatusCode;
    m_didUseCachedResponse = true;
    target->m_didUseCachedResponse = true;
    target->m_responseHeaders = *headers;
    target->m_haveResponseHeaders = true;
    if (!target->m_downloadDestinationPath.empty()) {
        target->m_downloadDestinationPath = *dataPath;
    } else {
        target->m_rawResponseData = m_downloadCache->cachedResponseDataForURL(m_urlText).value_or("");
        target->m_inflatedResponseData.reset();
    }
    auto cl = headers->find("Content-Length");
    uint64_t length = cl != headers->end() ? std::strtoull(cl->second.c_str(), nullptr, 10)
                                           : static_cast<uint64_t>(target->m_rawResponseData.size());
    target->m_contentLength = length;
    target->m_totalBytesRead = length;
    std::string mime, charset;
    auto ct = headers->find("Content-Type");
    if (ct != headers->end())
        parseMimeType(&mime, &charset, ct->second);
    target->m_responseEncoding = charset.empty() ? target->m_defaultResponseEncoding : charset;
    std::vector<std::string> setCookies;
    auto sc = headers->find("Set-Cookie");
    if (sc != headers->end())
        setCookies.push_back(sc->second);
    double now = core::Clock::shared().now();
    target->m_responseCookies = net::CookieStorage::cookiesWithResponseHeaderFields(setCookies, *m_url, now);
    if (willRedirect()) {
        if (!willAskDelegateToConfirmRedirect()) {
            auto keep = self();
            threadForRequest().post([keep] { keep->performRedirect(); });
        }
        return;
    }
    target->m_complete = true;
    target->m_downloadComplete = true;
    if (target->m_redirectCount == 0)
        target->m_originalURL = target->m_urlText;
    target->updateProgressIndicators();
    target->requestFinished();
    target->markAsFinished();
    if (m_mainRequest)
        markAsFinished();
}

// A temporary file that cannot be removed fails the request; its path is
// forgotten either way so that no later clean-up tries it again.
bool RQHTTPRequest::removeTemporaryFile(std::string& path) {
    if (path.empty())
        return true;
    RQErrorPtr e;
    bool ok = removeFileAtPath(path, &e);
    if (!ok)
        failWithError(e);
    path.clear();
    return ok;
}

bool RQHTTPRequest::removeTemporaryDownloadFile() {
    return removeTemporaryFile(m_temporaryFileDownloadPath);
}

bool RQHTTPRequest::removeTemporaryUncompressedDownloadFile() {
    return removeTemporaryFile(m_temporaryUncompressedDataDownloadPath);
}

bool RQHTTPRequest::removeTemporaryUploadFile() {
    return removeTemporaryFile(m_postBodyFilePath);
}

bool RQHTTPRequest::removeTemporaryCompressedUploadFile() {
    return removeTemporaryFile(m_compressedPostBodyFilePath);
}

} // namespace pw
