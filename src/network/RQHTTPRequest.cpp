#include "network/RQHTTPRequest.h"

#include "network/RQBandwidthThrottle.h"
#include "network/RQConnectionPool.h"
#include "network/RQDataCompressor.h"
#include "network/RQDataDecompressor.h"
#include "network/RQHelpers.h"
#include "network/RQInputStream.h"
#include "network/Reachability.h"
#include "platform/core/HeapPolicy.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "platform/net/NetworkLoop.h"
#include "platform/ui/Application.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <utility>

// What a request is and what is shared by all: creation, the request's
// fields, its body, copies, and the class-wide settings. Starting and
// stopping are in RQHTTPRequestLifeCycle.cpp, the answer in
// RQHTTPRequestResponse.cpp, callbacks in RQHTTPRequestReports.cpp and
// challenges in RQHTTPRequestAuthentication.cpp.

namespace pw {

RQErrorPtr RQHTTPRequest::standardError(int code) {
    switch (code) {
    case RQRequestTimedOutErrorType:
        return RQError::make(code, "The request timed out");
    case RQAuthenticationErrorType:
        return RQError::make(code, "Authentication needed");
    case RQRequestCancelledErrorType:
        return RQError::make(code, "The request was cancelled");
    case RQUnableToCreateRequestErrorType:
        return RQError::make(code, "Unable to create request (bad url?)");
    case RQTooMuchRedirectionErrorType:
        return RQError::make(code, "The request failed because it redirected too many times");
    default:
        return RQError::make(code, "");
    }
}

RQHTTPRequest::RQHTTPRequest(const std::string& url) {
    m_timeOutSeconds = defaultTimeOutSeconds();
    m_downloadCache = defaultCache();
    setURL(url);
}

RQHTTPRequest::~RQHTTPRequest() {
    m_destroying = true; // nothing is reported from here on
    m_authenticationNeeded = 0;
    if (m_statusTimer)
        threadForRequest().cancelTimer(m_statusTimer);
    m_statusTimer = 0;
    cancelLoad(); // the stream is closed on its own thread; the open files close themselves
    if (m_didCreateTemporaryPostDataFile) {
        if (!m_postBodyFilePath.empty())
            ::unlink(m_postBodyFilePath.c_str());
        if (!m_compressedPostBodyFilePath.empty())
            ::unlink(m_compressedPostBodyFilePath.c_str());
    }
    releaseBlocksOnMainThread();
}

void RQHTTPRequest::releaseBlocksOnMainThread() {
    // A block may hold the last reference to what only the main thread may
    // destroy (a screen, a view): the blocks go there to be dropped.
    auto blocks = std::make_shared<std::vector<std::any>>();
    {
        std::lock_guard lock(m_cancelledLock);
        auto take = [&](auto& field) {
            if (field)
                blocks->emplace_back(std::move(field));
            field = nullptr;
        };
        take(m_blocks.completion);
        take(m_blocks.failure);
        take(m_blocks.started);
        take(m_blocks.headersReceived);
        take(m_blocks.bytesReceived);
        take(m_blocks.bytesSent);
        take(m_blocks.downloadSizeIncremented);
        take(m_blocks.uploadSizeIncremented);
        take(m_blocks.dataReceived);
        take(m_blocks.proxyAuthenticationNeeded);
        take(m_blocks.authenticationNeeded);
    }
    if (blocks->empty())
        return;
    if (core::RunLoop::isMainThread()) {
        releaseBlocks(std::move(*blocks));
        return;
    }
    core::RunLoop::runOnMain([blocks] { releaseBlocks(std::move(*blocks)); }, false);
}

void RQHTTPRequest::releaseBlocks(std::vector<std::any> blocks) {
    blocks.clear(); // the last references go here, on the main thread
}

std::shared_ptr<RQHTTPRequest> RQHTTPRequest::requestWithURL(const std::string& url) {
    return std::make_shared<RQHTTPRequest>(url);
}

std::shared_ptr<RQHTTPRequest> RQHTTPRequest::requestWithURL(const std::string& url, RQCacheDelegate* cache,
                                                             int cachePolicy) {
    auto r = std::make_shared<RQHTTPRequest>(url);
    r->m_downloadCache = cache;
    r->m_cachePolicy = cachePolicy;
    return r;
}

std::string RQHTTPRequest::url() const {
    std::lock_guard lock(m_cancelledLock);
    return m_urlText;
}

void RQHTTPRequest::setURL(const std::string& url) {
    std::lock_guard lock(m_cancelledLock);
    if (url == m_urlText && (m_url || url.empty()))
        return;
    m_urlText = url;
    m_url = net::Url::parse(url);
    if (m_url)
        m_urlText = m_url->absoluteString();
    m_serverAuth.authentication.reset();
    m_proxyAuth.authentication.reset();
    m_redirectURL.clear();
}

std::string RQHTTPRequest::originalURL() const {
    std::lock_guard lock(m_cancelledLock);
    return m_originalURL;
}

std::string RQHTTPRequest::requestMethod() const {
    std::lock_guard lock(m_cancelledLock);
    return m_requestMethod;
}

void RQHTTPRequest::setRequestMethod(const std::string& method) {
    std::lock_guard lock(m_cancelledLock);
    m_requestMethod = method;
    // Requests that change things on the server, or carry a body, never go over
    // a pooled connection: a dropped connection must not send them twice.
    if (method == "POST" || method == "PUT" || !m_postBody.empty() || !m_postBodyFilePath.empty())
        m_shouldAttemptPersistentConnection = false;
}

void RQHTTPRequest::setDelegate(std::weak_ptr<RQHTTPRequestDelegate> delegate) {
    std::lock_guard lock(m_cancelledLock);
    m_delegate = std::move(delegate);
}

std::shared_ptr<RQHTTPRequestDelegate> RQHTTPRequest::delegate() const {
    std::lock_guard lock(m_cancelledLock);
    return m_delegate.lock();
}

void RQHTTPRequest::setQueue(std::weak_ptr<RQRequestQueue> queue) {
    std::lock_guard lock(m_cancelledLock);
    m_queue = std::move(queue);
    if (m_inProgress)
        m_queueKeepAlive = m_queue.lock();
}

std::shared_ptr<RQRequestQueue> RQHTTPRequest::queue() const {
    std::lock_guard lock(m_cancelledLock);
    return m_queue.lock();
}

void RQHTTPRequest::setUploadProgressDelegate(std::weak_ptr<RQProgressDelegate> d) {
    std::lock_guard lock(m_cancelledLock);
    m_uploadProgressDelegate = std::move(d);
}

void RQHTTPRequest::setDownloadProgressDelegate(std::weak_ptr<RQProgressDelegate> d) {
    std::lock_guard lock(m_cancelledLock);
    m_downloadProgressDelegate = std::move(d);
}

std::shared_ptr<RQProgressDelegate> RQHTTPRequest::uploadProgressDelegate() const {
    std::lock_guard lock(m_cancelledLock);
    return m_uploadProgressDelegate.lock();
}

std::shared_ptr<RQProgressDelegate> RQHTTPRequest::downloadProgressDelegate() const {
    std::lock_guard lock(m_cancelledLock);
    return m_downloadProgressDelegate.lock();
}

void RQHTTPRequest::setClientCertificateFiles(const std::string& certificate, const std::string& key) {
    m_clientCertificateFile = certificate;
    m_clientKeyFile = key;
}

bool RQHTTPRequest::isRequestCancelled() const {
    std::lock_guard lock(m_cancelledLock);
    return m_cancelled;
}

RQErrorPtr RQHTTPRequest::error() const {
    std::lock_guard lock(m_cancelledLock);
    return m_error;
}

int RQHTTPRequest::connectionID() const {
    std::lock_guard lock(m_cancelledLock);
    return RQConnectionPool::shared().connectionID(m_connectionInfo);
}

void RQHTTPRequest::addRequestHeader(const std::string& name, const std::string& value) {
    std::lock_guard lock(m_cancelledLock);
    setHeader(name, value);
}

std::optional<std::string> RQHTTPRequest::requestHeader(const std::string& name) const {
    std::lock_guard lock(m_cancelledLock);
    for (const auto& [n, v] : m_requestHeaders)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return v;
    return std::nullopt;
}

void RQHTTPRequest::setHeader(const std::string& name, const std::string& value) {
    for (auto& [n, v] : m_requestHeaders)
        if (strcasecmp(n.c_str(), name.c_str()) == 0) {
            v = value;
            return;
        }
    m_requestHeaders.emplace_back(name, value);
}

void RQHTTPRequest::removeHeader(const std::string& name) {
    m_requestHeaders.erase(
        std::remove_if(m_requestHeaders.begin(), m_requestHeaders.end(),
                       [&](const auto& h) { return strcasecmp(h.first.c_str(), name.c_str()) == 0; }),
        m_requestHeaders.end());
}

void RQHTTPRequest::setupPostBody() {
    if (!m_shouldStreamPostDataFromDisk)
        return;
    if (m_postBodyFilePath.empty()) {
        m_postBodyFilePath = RQHelpers::temporaryPath();
        m_didCreateTemporaryPostDataFile = true;
    }
    if (!m_postBodyWriteStream)
        m_postBodyWriteStream = RQHelpers::openFile(m_postBodyFilePath, "wb");
}

void RQHTTPRequest::appendPostData(const std::string& bytes) {
    std::lock_guard lock(m_cancelledLock);
    setupPostBody();
    if (bytes.empty())
        return;
    if (m_shouldStreamPostDataFromDisk) {
        if (m_postBodyWriteStream)
            std::fwrite(bytes.data(), 1, bytes.size(), m_postBodyWriteStream.get());
    } else {
        m_postBody += bytes;
    }
}

void RQHTTPRequest::appendPostString(const std::string& text) {
    appendPostData(text);
}

void RQHTTPRequest::appendPostDataFromFile(const std::string& path) {
    std::lock_guard lock(m_cancelledLock);
    setupPostBody();
    RQFile in = RQHelpers::openFile(path, "rb");
    if (!in)
        return;
    std::string chunk(262144, '\0');
    for (;;) {
        size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
        if (n == 0)
            break;
        if (m_shouldStreamPostDataFromDisk) {
            if (m_postBodyWriteStream)
                std::fwrite(chunk.data(), 1, n, m_postBodyWriteStream.get());
        } else {
            m_postBody.append(chunk.data(), n);
        }
    }
}

void RQHTTPRequest::setPostBody(const std::string& body) {
    std::lock_guard lock(m_cancelledLock);
    m_postBody = body;
}

void RQHTTPRequest::buildPostBody() {
    basePostBodyPreparation();
}

void RQHTTPRequest::basePostBodyPreparation() {
    std::lock_guard lock(m_cancelledLock);
    if (m_haveBuiltPostBody)
        return;
    uint64_t length = 0;
    if (!m_postBodyFilePath.empty()) {
        m_postBodyWriteStream.reset();
        std::string path = m_postBodyFilePath;
        if (m_shouldCompressRequestBody) {
            if (m_compressedPostBodyFilePath.empty()) {
                m_compressedPostBodyFilePath = RQHelpers::temporaryPath();
                RQErrorPtr e;
                if (!RQDataCompressor::compressDataFromFile(m_postBodyFilePath, m_compressedPostBodyFilePath, &e)) {
                    failWithError(e);
                    return;
                }
            }
            path = m_compressedPostBodyFilePath;
        }
        auto size = RQHelpers::fileSize(path);
        if (!size) {
            failWithError(RQHelpers::fileError("Failed to get attributes for file at path", path));
            return;
        }
        length = *size;
    } else if (m_shouldCompressRequestBody && !m_postBody.empty()) {
        RQErrorPtr e;
        auto c = RQDataCompressor::compressData(m_postBody, &e);
        if (!c) {
            failWithError(e);
            return;
        }
        m_compressedPostBody = *c;
        length = m_compressedPostBody.size();
    } else {
        length = m_postBody.size();
    }
    m_postLength = length;
    if (length > 0) {
        if (m_requestMethod == "GET" || m_requestMethod == "DELETE" || m_requestMethod == "HEAD")
            setRequestMethod("POST");
        char text[32];
        std::snprintf(text, sizeof text, "%" PRIu64, length);
        setHeader("Content-Length", text);
    }
    m_haveBuiltPostBody = true;
}

std::optional<std::string> RQHTTPRequest::responseData() const {
    std::lock_guard lock(m_cancelledLock);
    if (isResponseCompressed() && m_shouldWaitToInflateCompressedResponses && !m_didUseCachedResponse) {
        if (m_rawResponseData.empty())
            return std::string();
        if (m_inflatedResponseData)
            return copyOfBody(*m_inflatedResponseData);
        return RQDataDecompressor::uncompressData(m_rawResponseData);
    }
    return copyOfBody(m_rawResponseData);
}

std::string RQHTTPRequest::copyOfBody(const std::string& body) {
    // A copy of a large body made into fresh room page by page spent more
    // time in page faults than the whole transfer took.
    std::string copy;
    core::HeapPolicy::reserveWithHugePages(copy, body.size());
    copy.append(body);
    return copy;
}

std::optional<std::string> RQHTTPRequest::responseString() const {
    auto data = responseData();
    if (!data)
        return std::nullopt;
    std::string charset = m_responseEncoding.empty() ? m_defaultResponseEncoding : m_responseEncoding;
    return core::text::decodeToUtf8(*data, charset);
}

bool RQHTTPRequest::isResponseCompressed() const {
    auto it = m_responseHeaders.find("Content-Encoding");
    return it != m_responseHeaders.end() && it->second.find("gzip") != std::string::npos;
}

std::shared_ptr<RQHTTPRequest> RQHTTPRequest::HEADRequest() {
    auto r = std::make_shared<RQHTTPRequest>(url());
    std::lock_guard lock(m_cancelledLock);
    r->m_requestHeaders = m_requestHeaders;
    r->m_requestCookies = m_requestCookies;
    r->m_useCookiePersistence = m_useCookiePersistence;
    r->m_useKeychainPersistence = m_useKeychainPersistence;
    r->m_useSessionPersistence = m_useSessionPersistence;
    r->m_allowCompressedResponse = m_allowCompressedResponse;
    r->m_username = m_username;
    r->m_password = m_password;
    r->m_domain = m_domain;
    r->m_proxyUsername = m_proxyUsername;
    r->m_proxyPassword = m_proxyPassword;
    r->m_proxyDomain = m_proxyDomain;
    r->m_proxyHost = m_proxyHost;
    r->m_proxyPort = m_proxyPort;
    r->m_proxyType = m_proxyType;
    r->m_shouldPresentAuthenticationDialog = m_shouldPresentAuthenticationDialog;
    r->m_shouldPresentProxyAuthenticationDialog = m_shouldPresentProxyAuthenticationDialog;
    r->m_timeOutSeconds = m_timeOutSeconds;
    r->m_useHTTPVersionOne = m_useHTTPVersionOne;
    r->m_validatesSecureCertificate = m_validatesSecureCertificate;
    r->m_clientCertificateFile = m_clientCertificateFile;
    r->m_clientKeyFile = m_clientKeyFile;
    r->m_PACurl = m_PACurl;
    r->m_shouldPresentCredentialsBeforeChallenge = m_shouldPresentCredentialsBeforeChallenge;
    r->m_numberOfTimesToRetryOnTimeout = m_numberOfTimesToRetryOnTimeout;
    r->m_shouldUseRFC2616RedirectBehaviour = m_shouldUseRFC2616RedirectBehaviour;
    r->m_shouldAttemptPersistentConnection = m_shouldAttemptPersistentConnection;
    r->m_persistentConnectionTimeoutSeconds = m_persistentConnectionTimeoutSeconds;
    r->m_mainRequest = this;
    // The twin writes sizes and failures into its main request: the main
    // request lives as long as the twin runs, even when its queue and
    // caller let it go. The twin lets go when it has finished, however it
    // finishes (also when a queue that goes finishes it unstarted).
    r->m_mainRequestKeepAlive = self();
    std::weak_ptr<RQHTTPRequest> twin = r;
    r->setCompletion([twin] {
        if (auto t = twin.lock()) {
            std::shared_ptr<RQHTTPRequest> main;
            {
                std::lock_guard twinLock(t->m_cancelledLock);
                main.swap(t->m_mainRequestKeepAlive);
            }
        }
    });
    r->m_requestMethod = "HEAD";
    r->m_downloadCache = nullptr;
    return r;
}

std::shared_ptr<RQHTTPRequest> RQHTTPRequest::copy() const {
    auto r = std::make_shared<RQHTTPRequest>(url());
    copyFieldsInto(*r);
    return r;
}

// What a copy carries: the caller's setup, never what a run found (the
// answer, the queue, blocks, cache settings, the connection).
void RQHTTPRequest::copyFieldsInto(RQHTTPRequest& copy) const {
    RQHTTPRequest* r = &copy;
    std::lock_guard lock(m_cancelledLock);
    r->m_delegate = m_delegate;
    r->m_requestMethod = m_requestMethod;
    r->m_postBody = m_postBody;
    r->m_shouldStreamPostDataFromDisk = m_shouldStreamPostDataFromDisk;
    r->m_postBodyFilePath = m_postBodyFilePath;
    r->m_requestHeaders = m_requestHeaders;
    r->m_requestCookies = m_requestCookies;
    r->m_useCookiePersistence = m_useCookiePersistence;
    r->m_useKeychainPersistence = m_useKeychainPersistence;
    r->m_useSessionPersistence = m_useSessionPersistence;
    r->m_allowCompressedResponse = m_allowCompressedResponse;
    r->m_downloadDestinationPath = m_downloadDestinationPath;
    r->m_temporaryFileDownloadPath = m_temporaryFileDownloadPath;
    r->m_username = m_username;
    r->m_password = m_password;
    r->m_domain = m_domain;
    r->m_proxyUsername = m_proxyUsername;
    r->m_proxyPassword = m_proxyPassword;
    r->m_proxyDomain = m_proxyDomain;
    r->m_proxyHost = m_proxyHost;
    r->m_proxyPort = m_proxyPort;
    r->m_proxyType = m_proxyType;
    r->m_uploadProgressDelegate = m_uploadProgressDelegate;
    r->m_downloadProgressDelegate = m_downloadProgressDelegate;
    r->m_shouldPresentAuthenticationDialog = m_shouldPresentAuthenticationDialog;
    r->m_shouldPresentProxyAuthenticationDialog = m_shouldPresentProxyAuthenticationDialog;
    r->m_postLength = m_postLength;
    r->m_haveBuiltPostBody = m_haveBuiltPostBody;
    r->m_didStartSelector = m_didStartSelector;
    r->m_didFinishSelector = m_didFinishSelector;
    r->m_didFailSelector = m_didFailSelector;
    r->m_timeOutSeconds = m_timeOutSeconds;
    r->m_shouldResetDownloadProgress = m_shouldResetDownloadProgress;
    r->m_shouldResetUploadProgress = m_shouldResetUploadProgress;
    r->m_showAccurateProgress = m_showAccurateProgress;
    r->m_defaultResponseEncoding = m_defaultResponseEncoding;
    r->m_allowResumeForFileDownloads = m_allowResumeForFileDownloads;
    r->m_userInfo = m_userInfo;
    r->m_tag = m_tag;
    r->m_useHTTPVersionOne = m_useHTTPVersionOne;
    r->m_shouldRedirect = m_shouldRedirect;
    r->m_validatesSecureCertificate = m_validatesSecureCertificate;
    r->m_clientCertificateFile = m_clientCertificateFile;
    r->m_clientKeyFile = m_clientKeyFile;
    r->m_PACurl = m_PACurl;
    r->m_shouldPresentCredentialsBeforeChallenge = m_shouldPresentCredentialsBeforeChallenge;
    r->m_numberOfTimesToRetryOnTimeout = m_numberOfTimesToRetryOnTimeout;
    r->m_shouldUseRFC2616RedirectBehaviour = m_shouldUseRFC2616RedirectBehaviour;
    r->m_shouldAttemptPersistentConnection = m_shouldAttemptPersistentConnection;
    r->m_persistentConnectionTimeoutSeconds = m_persistentConnectionTimeoutSeconds;
    r->m_serverAuth.scheme = m_serverAuth.scheme;
}

// ---- class-wide settings

namespace {

// Settings every new request starts from, and the session's cookies.
struct Settings {
    std::mutex mutex;
    double defaultTimeOut = 10.0;
    std::optional<std::string> defaultUserAgent;
    bool userAgentBuilt = false;
    RQCacheDelegate* defaultCache = nullptr;
    std::vector<net::Cookie> sessionCookies;
};

Settings& settings() {
    static Settings* s = new Settings(); // lives to the end of the process
    return *s;
}

} // namespace

double RQHTTPRequest::defaultTimeOutSeconds() {
    std::lock_guard lock(settings().mutex);
    return settings().defaultTimeOut;
}

void RQHTTPRequest::setDefaultTimeOutSeconds(double seconds) {
    std::lock_guard lock(settings().mutex);
    settings().defaultTimeOut = seconds;
}

std::optional<std::string> RQHTTPRequest::defaultUserAgentString() {
    auto& s = settings();
    std::lock_guard lock(s.mutex);
    if (!s.userAgentBuilt) {
        // "Name version (model; system version; locale)" in Latin-1 only.
        utsname u{};
        ::uname(&u);
        const char* lang = std::getenv("LANG");
        std::string locale = lang && *lang ? lang : "en_US";
        auto dot = locale.find('.');
        if (dot != std::string::npos)
            locale = locale.substr(0, dot);
        s.defaultUserAgent =
            std::string("Pagewell 1.0 (") + u.machine + "; " + u.sysname + " " + u.release + "; " + locale + ")";
        s.userAgentBuilt = true;
    }
    return s.defaultUserAgent;
}

void RQHTTPRequest::setDefaultUserAgentString(std::optional<std::string> ua) {
    auto& s = settings();
    std::lock_guard lock(s.mutex);
    s.defaultUserAgent = std::move(ua);
    s.userAgentBuilt = true;
}

RQCacheDelegate* RQHTTPRequest::defaultCache() {
    std::lock_guard lock(settings().mutex);
    return settings().defaultCache;
}

void RQHTTPRequest::setDefaultCache(RQCacheDelegate* cache) {
    std::lock_guard lock(settings().mutex);
    settings().defaultCache = cache;
}

net::CookieStorage& RQHTTPRequest::cookieStorage() {
    return net::CookieStorage::shared();
}

std::vector<net::Cookie> RQHTTPRequest::sessionCookies() {
    std::lock_guard lock(settings().mutex);
    return settings().sessionCookies;
}

void RQHTTPRequest::setSessionCookies(std::vector<net::Cookie> cookies) {
    std::vector<net::Cookie> old;
    {
        auto& s = settings();
        std::lock_guard lock(s.mutex);
        old = std::exchange(s.sessionCookies, std::move(cookies));
    }
    for (const auto& c : old)
        cookieStorage().deleteCookie(c);
}

void RQHTTPRequest::addSessionCookie(const net::Cookie& cookie) {
    auto& s = settings();
    std::lock_guard lock(s.mutex);
    auto it = std::find_if(s.sessionCookies.begin(), s.sessionCookies.end(),
                           [&](const auto& c) { return c.sameIdentity(cookie); });
    if (it != s.sessionCookies.end())
        s.sessionCookies.erase(it);
    s.sessionCookies.push_back(cookie);
}

void RQHTTPRequest::clearSession() {
    clearServerSessionCredentials();
    setSessionCookies({});
    if (auto* cache = defaultCache())
        cache->clearCachedResponsesForStoragePolicy(RQCacheForSessionDurationCacheStoragePolicy);
}

// ---- the network activity indicator and the connection pool

void RQHTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update) {
    RQConnectionPool::shared().setShouldUpdateNetworkActivityIndicator(update);
}

void RQHTTPRequest::showNetworkActivityIndicator() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(true);
}

void RQHTTPRequest::hideNetworkActivityIndicator() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(false);
}

namespace {
// The waiting check of the activity indicator (main thread only).
struct IndicatorCheck {
    uint64_t asked = 0;                // closings that asked for a check so far
    std::weak_ptr<uint64_t> armed;     // alive while a check waits on its loop
    const core::Clock* clock = nullptr; // the clock its time is on
};
IndicatorCheck& indicatorCheck() {
    static IndicatorCheck check;
    return check;
}
} // namespace

void RQHTTPRequest::hideNetworkActivityIndicatorAfterDelay() {
    // A stream opened within half a second keeps the indicator from flickering.
    // Requests that follow one another close their last stream hundreds of
    // times a second: one waiting check stands for all of them, and looks
    // again half a second later when more closings asked meanwhile, so the
    // loop never holds a pile of timers.
    auto& check = indicatorCheck();
    auto& loop = core::RunLoop::current();
    ++check.asked;
    if (!check.armed.expired() && check.clock == &loop.clock())
        return;
    auto token = std::make_shared<uint64_t>(check.asked);
    check.armed = token;
    check.clock = &loop.clock();
    loop.postAfter(0.5, [token] {
        hideNetworkActivityIndicatorIfNeeeded();
        auto& check = indicatorCheck();
        if (check.armed.lock() != token)
            return; // a check armed on another clock took over
        check.armed.reset();
        if (check.asked != *token) {
            --check.asked; // counted again by the call below
            hideNetworkActivityIndicatorAfterDelay();
        }
    });
}

void RQHTTPRequest::hideNetworkActivityIndicatorIfNeeeded() {
    if (!isNetworkInUse())
        hideNetworkActivityIndicator();
}

bool RQHTTPRequest::isNetworkInUse() {
    return RQConnectionPool::shared().isNetworkInUse();
}

int RQHTTPRequest::openConnectionCount() {
    return RQConnectionPool::shared().count();
}

void RQHTTPRequest::expirePersistentConnections() {
    RQConnectionPool::shared().expire();
}

// ---- bandwidth

bool RQHTTPRequest::isBandwidthThrottled() {
    return RQBandwidthThrottle::shared().isThrottled();
}

unsigned long RQHTTPRequest::maxBandwidthPerSecond() {
    return RQBandwidthThrottle::shared().maxBandwidthPerSecond();
}

void RQHTTPRequest::setMaxBandwidthPerSecond(unsigned long bytes) {
    RQBandwidthThrottle::shared().setMaxBandwidthPerSecond(bytes);
}

void RQHTTPRequest::incrementBandwidthUsedInLastSecond(unsigned long bytes) {
    RQBandwidthThrottle::shared().addBytesUsed(bytes);
}

unsigned long RQHTTPRequest::averageBandwidthUsedPerSecond() {
    return RQBandwidthThrottle::shared().averageBandwidthUsedPerSecond();
}

void RQHTTPRequest::measureBandwidthUsage() {
    RQBandwidthThrottle::shared().measure();
}

std::optional<double> RQHTTPRequest::throttleWakeUpTime() {
    return RQBandwidthThrottle::shared().wakeUpTime();
}

void RQHTTPRequest::resetBandwidthMeasurement() {
    RQBandwidthThrottle::shared().reset();
}

unsigned long RQHTTPRequest::maxUploadReadLength() {
    return RQBandwidthThrottle::shared().maxUploadReadLength();
}

void RQHTTPRequest::setShouldThrottleBandwidthForWWAN(bool throttle) {
    if (throttle)
        throttleBandwidthForWWANUsingLimit(14800);
    else
        RQBandwidthThrottle::shared().stopThrottlingForMobile();
}

void RQHTTPRequest::throttleBandwidthForWWANUsingLimit(unsigned long limit) {
    RQBandwidthThrottle::shared().throttleForMobileUsingLimit(limit);
    reachabilityChanged();
}

bool RQHTTPRequest::isNetworkReachableViaWWAN() {
    auto r = Reachability::reachabilityForInternetConnection();
    return r && r->currentReachabilityStatus() == ReachableViaWWAN;
}

void RQHTTPRequest::reachabilityChanged() {
    RQBandwidthThrottle::shared().reachabilityChanged(isNetworkReachableViaWWAN());
}

// ---- helpers

void RQHTTPRequest::parseMimeType(std::string* mimeType, std::string* charset, const std::string& contentType) {
    RQHelpers::parseMimeType(mimeType, charset, contentType);
}

std::optional<double> RQHTTPRequest::expiryDateForRequest(RQHTTPRequest& request, double maxAge) {
    return RQHelpers::expiryDate(request.responseHeaders(), maxAge);
}

std::optional<double> RQHTTPRequest::dateFromRFC1123String(const std::string& text) {
    return RQHelpers::dateFromRFC1123String(text);
}

std::optional<std::string> RQHTTPRequest::mimeTypeForFileAtPath(const std::string& path) {
    return RQHelpers::mimeTypeForFileAtPath(path);
}

std::string RQHTTPRequest::base64forData(const std::string& data) {
    return RQHelpers::base64forData(data);
}

bool RQHTTPRequest::removeFileAtPath(const std::string& path, RQErrorPtr* err) {
    return RQHelpers::removeFileAtPath(path, err);
}

} // namespace pw
