#include "network/RQHTTPRequest.h"

#include "network/MainThread.h"
#include "network/RQAuthenticationDialog.h"
#include "network/RQDataCompressor.h"
#include "network/RQDataDecompressor.h"
#include "network/RQInputStream.h"
#include "network/Reachability.h"
#include "platform/core/Clock.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "platform/core/Uuid.h"
#include "platform/net/CredentialStorage.h"
#include "platform/net/HeaderText.h"
#include "platform/net/MimeTypes.h"
#include "platform/net/NetworkLoop.h"
#include "platform/net/ProxySettings.h"
#include "platform/ui/Application.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace pw {

// One TCP connection as the engine books it: which origin, who uses it, until
// when an idle one may be reused.
struct RQConnectionEntry {
    int id = 0;
    std::string host;
    int port = 0;
    std::string scheme;
    uint64_t request = 0; // 0: idle
    double expires = 0;   // monotonic seconds
};

namespace {

double monotonicNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double wallNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

RQErrorPtr posixError(int err) {
    return RQError::foreign("NSPOSIXErrorDomain", err, std::strerror(err));
}

// ---- class-wide state

struct Shared {
    std::recursive_mutex connectionPoolLock;
    std::vector<std::shared_ptr<RQConnectionEntry>> connectionPool;
    int nextConnectionNumber = 0;
    uint64_t nextRequestNumber = 0;
    int activeStreamCount = 0;
    bool shouldUpdateNetworkActivityIndicator = true;

    std::recursive_mutex completionLock;
    std::recursive_mutex cookieStoreLock;
    std::vector<net::Cookie> sessionCookies;

    std::recursive_mutex credentialStoreLock;
    struct SessionEntry {
        std::optional<net::HttpAuthentication> authentication;
        net::AuthenticationCredentials credentials;
        std::string url;
        std::string scheme;
        std::string realm;
        std::string proxyHost;
        int proxyPort = 0;
        uint64_t id = 0;
    };
    std::vector<SessionEntry> sessionCredentials;
    std::vector<SessionEntry> sessionProxyCredentials;
    std::recursive_mutex authenticationPromptLock;

    std::mutex settingsMutex;
    double defaultTimeOut = 10.0;
    std::optional<std::string> defaultUserAgent;
    bool userAgentBuilt = false;
    RQCacheDelegate* defaultCache = nullptr;

    // bandwidth
    std::mutex throttleLock;
    unsigned long maxBandwidth = 0;
    unsigned long bytesUsedThisSecond = 0;
    std::optional<double> measurementWindowEnd;
    std::vector<unsigned long> usageHistory;
    unsigned long averageUsage = 0;
    std::optional<double> resumeReadingAt;
    bool mobileThrottleActive = false;
    bool throttleOnlyOnMobile = false;
    std::unique_ptr<Reachability> reachability;
    Reachability::ObserverId reachabilityObserver = 0;
};

Shared& shared() {
    static Shared* s = new Shared(); // lives to the end of the process
    return *s;
}

double throttleNow() {
    return core::Clock::shared().monotonic();
}

bool throttledLocked(Shared& s) {
    return s.mobileThrottleActive || (!s.throttleOnlyOnMobile && s.maxBandwidth > 0);
}

RQErrorPtr sharedError(int code) {
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

bool sameOrigin(const net::Url& a, const net::Url& b) {
    return a.scheme() == b.scheme() && net::asciiLower(a.host()) == net::asciiLower(b.host()) &&
           a.portOrDefault() == b.portOrDefault();
}

} // namespace

// ---- the stream's events, handed to the request on the network thread

class RQHTTPRequest::StreamClient final : public net::HttpStream::Client {
public:
    explicit StreamClient(std::weak_ptr<RQHTTPRequest> r) : m_request(std::move(r)) {}
    // Events of a stream the request has let go of, or of a request that is
    // gone, are dropped: the stream may outlive both until it is closed.
    void streamReceivedHead(net::HttpStream& stream, const net::HttpResponseHead& head) override {
        auto r = m_request.lock();
        if (!r || &stream != r->m_readStream.get())
            return;
        std::lock_guard lock(r->m_cancelledLock);
        if (r->m_complete || r->m_cancelled)
            return;
        r->readResponseHeaders(head);
    }
    bool streamReceivedBytes(net::HttpStream& stream, const char* data, size_t size) override {
        auto r = m_request.lock();
        if (!r || &stream != r->m_readStream.get())
            return false;
        std::lock_guard lock(r->m_cancelledLock);
        if (r->m_complete || r->m_cancelled)
            return false;
        r->handleBytes(data, size);
        r->performThrottling();
        return !r->m_complete;
    }
    void streamEnded(net::HttpStream& stream) override {
        auto r = m_request.lock();
        if (!r || &stream != r->m_readStream.get())
            return;
        {
            std::lock_guard lock(r->m_cancelledLock);
            if (r->m_complete || r->m_cancelled)
                return;
            r->handleStreamComplete();
        }
        r->afterEvent();
    }
    void streamFailed(net::HttpStream& stream, net::StreamError kind, const std::string& message) override {
        auto r = m_request.lock();
        if (!r || &stream != r->m_readStream.get())
            return;
        std::lock_guard lock(r->m_cancelledLock);
        if (r->m_complete || r->m_cancelled)
            return;
        r->handleStreamError(kind, message);
    }

private:
    std::weak_ptr<RQHTTPRequest> m_request;
};

// ---- creation

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

RQHTTPRequest::RQHTTPRequest(const std::string& url) {
    m_timeOutSeconds = defaultTimeOutSeconds();
    m_downloadCache = defaultCache();
    setURL(url);
}

RQHTTPRequest::~RQHTTPRequest() {
    if (m_statusTimer)
        threadForRequest().cancelTimer(m_statusTimer);
    if (m_readStream) {
        // A stream is only touched on its loop's thread.
        auto stream = std::shared_ptr<net::HttpStream>(m_readStream.release());
        threadForRequest().post([stream] { stream->close(); });
    }
    if (m_postBodyWriteStream)
        std::fclose(m_postBodyWriteStream);
    if (m_fileDownloadOutputStream)
        std::fclose(m_fileDownloadOutputStream);
    if (m_inflatedFileDownloadOutputStream)
        std::fclose(m_inflatedFileDownloadOutputStream);
    if (!m_complete && !m_temporaryFileDownloadPath.empty() && !m_allowResumeForFileDownloads)
        ::unlink(m_temporaryFileDownloadPath.c_str());
    if (m_didCreateTemporaryPostDataFile) {
        if (!m_postBodyFilePath.empty())
            ::unlink(m_postBodyFilePath.c_str());
        if (!m_compressedPostBodyFilePath.empty())
            ::unlink(m_compressedPostBodyFilePath.c_str());
    }
}

// ---- accessors under the lock

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
    m_requestAuthentication.reset();
    m_proxyAuthentication.reset();
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
    std::lock_guard lock(shared().connectionPoolLock);
    return m_connectionInfo ? m_connectionInfo->id : 0;
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

// ---- the body

std::string RQHTTPRequest::temporaryPath() {
    std::string dir = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t && *t)
        dir = t;
    return dir + "/" + core::Uuid::generate();
}

void RQHTTPRequest::setupPostBody() {
    if (!m_shouldStreamPostDataFromDisk)
        return;
    if (m_postBodyFilePath.empty()) {
        m_postBodyFilePath = temporaryPath();
        m_didCreateTemporaryPostDataFile = true;
    }
    if (!m_postBodyWriteStream)
        m_postBodyWriteStream = std::fopen(m_postBodyFilePath.c_str(), "wb");
}

void RQHTTPRequest::appendPostData(const std::string& bytes) {
    std::lock_guard lock(m_cancelledLock);
    setupPostBody();
    if (bytes.empty())
        return;
    if (m_shouldStreamPostDataFromDisk) {
        if (m_postBodyWriteStream)
            std::fwrite(bytes.data(), 1, bytes.size(), m_postBodyWriteStream);
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
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return;
    std::string chunk(262144, '\0');
    for (;;) {
        size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
        if (n == 0)
            break;
        if (m_shouldStreamPostDataFromDisk) {
            if (m_postBodyWriteStream)
                std::fwrite(chunk.data(), 1, n, m_postBodyWriteStream);
        } else {
            m_postBody.append(chunk.data(), n);
        }
    }
    std::fclose(in);
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
        if (m_postBodyWriteStream) {
            std::fclose(m_postBodyWriteStream);
            m_postBodyWriteStream = nullptr;
        }
        std::string path = m_postBodyFilePath;
        if (m_shouldCompressRequestBody) {
            if (m_compressedPostBodyFilePath.empty()) {
                m_compressedPostBodyFilePath = temporaryPath();
                RQErrorPtr e;
                if (!RQDataCompressor::compressDataFromFile(m_postBodyFilePath, m_compressedPostBodyFilePath, &e)) {
                    failWithError(e);
                    return;
                }
            }
            path = m_compressedPostBodyFilePath;
        }
        auto size = fileSize(path);
        if (!size) {
            failWithError(RQError::make(RQFileManagementError,
                                        "Failed to get attributes for file at path '" + path + "'", posixError(errno)));
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

// ---- starting

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
    auto keep = self();
    threadForRequest().post([keep] { keep->mainStep(); });
}

void RQHTTPRequest::startSynchronous() {
    {
        std::lock_guard lock(m_cancelledLock);
        m_isSynchronous = true;
        m_syncCallerIsMain = MainThread::isMainThread();
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
    MainThread::perform(std::move(fn));
}

void RQHTTPRequest::mainStep() {
    auto keep = self();
    std::unique_lock lock(m_cancelledLock);
    if (m_error) {
        m_complete = true;
        lock.unlock();
        markAsFinished();
        return;
    }
    m_complete = false;
    m_didUseCachedResponse = false;
    if (!m_url) {
        failWithError(sharedError(RQUnableToCreateRequestErrorType));
        return;
    }
    if (!m_mainRequest) {
        buildPostBody();
        if (m_error)
            return;
    }
    if (m_requestMethod != "GET")
        m_downloadCache = nullptr;
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

void RQHTTPRequest::updatePartialDownloadSize() {
    if (!m_allowResumeForFileDownloads || m_downloadDestinationPath.empty() || m_temporaryFileDownloadPath.empty())
        return;
    if (!fileExists(m_temporaryFileDownloadPath)) {
        m_partialDownloadSize = 0;
        return;
    }
    auto size = fileSize(m_temporaryFileDownloadPath);
    if (!size) {
        failWithError(RQError::make(RQFileManagementError,
                                    "Failed to get attributes for file at path '" + m_temporaryFileDownloadPath + "'",
                                    posixError(errno)));
        return;
    }
    m_partialDownloadSize = *size;
}

void RQHTTPRequest::addBasicAuthenticationHeader(const std::string& user, const std::string& password) {
    setHeader("Authorization", net::HttpAuthentication::basicValue(user, password));
    m_authenticationScheme = net::kAuthenticationSchemeBasic;
}

void RQHTTPRequest::applyAuthorizationHeader() {
    if (!m_shouldPresentCredentialsBeforeChallenge || !m_url)
        return;
    auto& s = shared();
    if (!requestHeader("Authorization")) {
        if (!m_username.empty() && !m_password.empty() && m_authenticationScheme == net::kAuthenticationSchemeBasic) {
            addBasicAuthenticationHeader(m_username, m_password);
        } else if (m_useSessionPersistence) {
            std::lock_guard lock(s.credentialStoreLock);
            // Session entry for this server: exact URL first, else the first of the same origin.
            const Shared::SessionEntry* found = nullptr;
            const Shared::SessionEntry* close = nullptr;
            for (const auto& e : s.sessionCredentials) {
                if (!m_username.empty() && !m_password.empty() &&
                    (e.credentials.user != m_username || e.credentials.password != m_password))
                    continue;
                if (!m_authenticationRealm.empty() && !e.realm.empty() && e.realm != m_authenticationRealm)
                    continue;
                if (e.url == m_urlText) {
                    found = &e;
                    break;
                }
                auto u = net::Url::parse(e.url);
                if (!close && u && sameOrigin(*u, *m_url))
                    close = &e;
            }
            if (!found)
                found = close;
            if (found) {
                if (found->authentication) {
                    auto auth = *found->authentication;
                    if (auto v = auth.authorizationValue(found->credentials, m_requestMethod, *m_url)) {
                        setHeader("Authorization", *v);
                        m_authenticationScheme = found->scheme;
                    }
                } else {
                    addBasicAuthenticationHeader(found->credentials.user, found->credentials.password);
                }
            }
        }
    }
    if (m_useSessionPersistence && !m_proxyHost.empty()) {
        std::lock_guard lock(s.credentialStoreLock);
        for (const auto& e : s.sessionProxyCredentials) {
            if (e.proxyHost == m_proxyHost && e.proxyPort == m_proxyPort && e.authentication) {
                auto auth = *e.authentication;
                if (auto v = auth.authorizationValue(e.credentials, m_requestMethod, *m_url))
                    setHeader("Proxy-Authorization", *v);
                break;
            }
        }
    }
}

bool RQHTTPRequest::configureProxies() {
    if (m_isPACFileRequest || !m_proxyHost.empty() || m_proxyPort != 0)
        return true;
    if (m_PACurl.empty()) {
        auto list = net::ProxySettings::proxiesForURL(*m_url, net::ProxySettings::systemSettings());
        if (list.empty())
            return true;
        const auto& first = list.front();
        if (first.type == net::ProxyEntry::Type::AutoConfigurationUrl) {
            m_PACurl = first.autoConfigurationUrl;
        } else {
            m_proxyHost = first.host;
            m_proxyPort = first.port;
            m_proxyType = first.type == net::ProxyEntry::Type::Socks   ? "SOCKS"
                          : first.type == net::ProxyEntry::Type::Https ? "HTTPS"
                                                                       : "HTTP";
            return true;
        }
    }
    fetchPACFile();
    return false;
}

void RQHTTPRequest::fetchPACFile() {
    auto pac = net::Url::parse(m_PACurl);
    if (pac && pac->isFileUrl()) {
        // A local script; a read that fails or never ends leaves the request without a proxy.
        std::string script;
        FILE* f = std::fopen(net::Url::percentUnescape(pac->path()).c_str(), "rb");
        if (f) {
            char buf[16384];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && script.size() < (16u << 20))
                script.append(buf, n);
            std::fclose(f);
            runPACScript(script);
        }
        startRequest();
        return;
    }
    if (!pac || (pac->scheme() != "http" && pac->scheme() != "https")) {
        startRequest();
        return;
    }
    auto pacRequest = RQHTTPRequest::requestWithURL(m_PACurl);
    pacRequest->m_isPACFileRequest = true;
    pacRequest->m_timeOutSeconds = m_timeOutSeconds;
    pacRequest->setQueuePriority(core::Operation::Priority::High);
    m_PACFileRequest = pacRequest;
    std::weak_ptr<RQHTTPRequest> weakSelf = self();
    auto done = [weakSelf] {
        auto me = weakSelf.lock();
        if (!me)
            return;
        // Runs on the network thread: PAC requests report directly.
        std::unique_lock lock(me->m_cancelledLock);
        auto req = me->m_PACFileRequest;
        me->m_PACFileRequest.reset();
        if (req && !req->error()) {
            if (auto text = req->responseString())
                me->runPACScript(*text);
        }
        sharedQueue().setMaxConcurrentOperationCount(sharedQueue().maxConcurrentOperationCount() - 1);
        if (!me->m_cancelled && !me->m_complete)
            me->startRequest();
    };
    pacRequest->setCompletionBlock(done);
    pacRequest->setFailedBlock(done);
    {
        std::lock_guard lock(shared().connectionPoolLock);
        sharedQueue().setMaxConcurrentOperationCount(sharedQueue().maxConcurrentOperationCount() + 1);
    }
    pacRequest->startAsynchronous();
}

void RQHTTPRequest::runPACScript(const std::string& script) {
    if (script.empty() || !m_url)
        return;
    double limit = m_timeOutSeconds > 0 ? std::min(m_timeOutSeconds, 5.0) : 5.0;
    auto list = net::ProxySettings::proxiesForURLFromScript(script, *m_url, limit);
    if (!list || list->empty())
        return;
    const auto& first = list->front();
    if (first.type == net::ProxyEntry::Type::None)
        return;
    m_proxyHost = first.host;
    m_proxyPort = first.port;
    m_proxyType = first.type == net::ProxyEntry::Type::Socks ? "SOCKS" : "HTTP";
}

void RQHTTPRequest::startRequest() {
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled)
        return;
    deliver([keep = self()] { keep->requestStarted(); });

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
    m_readStreamIsScheduled = false;
    // Each attempt's body is a stream of its own: what an attempt cut short
    // left in the inflater must not meet the next one's bytes.
    m_dataDecompressor.reset();
    applyResumeRange();
    if (m_error)
        return;

    net::HttpStreamRequest sr;
    sr.method = m_requestMethod;
    sr.url = m_urlText;
    sr.httpVersion10 = m_useHTTPVersionOne;
    sr.headers = m_requestHeaders;
    if (m_shouldStreamPostDataFromDisk && !m_postBodyFilePath.empty() && fileExists(m_postBodyFilePath)) {
        std::string path = (!m_compressedPostBodyFilePath.empty() && fileExists(m_compressedPostBodyFilePath))
                               ? m_compressedPostBodyFilePath
                               : m_postBodyFilePath;
        m_postBodyReadStream = RQInputStream::inputStreamWithFileAtPath(path, this);
    } else if (!m_postBody.empty() && m_postLength > 0) {
        m_postBodyReadStream = RQInputStream::inputStreamWithData(
            (m_shouldCompressRequestBody && !m_compressedPostBody.empty()) ? m_compressedPostBody : m_postBody, this);
    } else {
        m_postBodyReadStream.reset();
    }
    if (m_postBodyReadStream) {
        if (!m_postBodyReadStream->open()) {
            failWithError(RQError::make(RQInternalErrorWhileBuildingRequestType, "Unable to create read stream"));
            return;
        }
        auto body = m_postBodyReadStream;
        sr.bodyLength = static_cast<int64_t>(m_postLength);
        sr.bodyReader = [body](char* buf, size_t size) { return body->read(buf, size); };
    }
    sr.validatesSecureCertificate = m_validatesSecureCertificate;
    sr.clientCertificateFile = m_clientCertificateFile;
    sr.clientKeyFile = m_clientKeyFile;
    if (!m_proxyHost.empty() && m_proxyPort != 0) {
        if (m_proxyType.empty())
            m_proxyType = "HTTP";
        sr.proxyHost = m_proxyHost;
        sr.proxyPort = m_proxyPort;
        sr.proxyType =
            net::asciiLower(m_proxyType).rfind("socks", 0) == 0 ? net::ProxyType::Socks5 : net::ProxyType::Http;
    }

    // Book the connection: reuse an idle one to the same origin, else a new one.
    expirePersistentConnections();
    bool fresh = false;
    {
        auto& s = shared();
        std::lock_guard poolLock(s.connectionPoolLock);
        if (m_url->host().empty() || m_url->scheme().empty()) {
            m_connectionInfo.reset();
            m_shouldAttemptPersistentConnection = false;
        }
        int port = m_url->port().value_or(0);
        if (m_shouldAttemptPersistentConnection) {
            if (m_connectionInfo) {
                auto& e = *m_connectionInfo;
                if (e.host == m_url->host() && e.scheme == m_url->scheme() && e.port == port) {
                    if (e.expires != 0 && e.expires <= monotonicNow() && e.request == 0) {
                        s.connectionPool.erase(
                            std::remove(s.connectionPool.begin(), s.connectionPool.end(), m_connectionInfo),
                            s.connectionPool.end());
                        m_connectionInfo.reset();
                    } else if (e.request != 0 && e.request != m_requestID) {
                        m_connectionInfo.reset();
                    }
                } else {
                    m_connectionInfo.reset();
                }
            }
            if (!m_connectionInfo) {
                for (auto& e : s.connectionPool)
                    if (e->request == 0 && e->host == m_url->host() && e->scheme == m_url->scheme() && e->port == port)
                        m_connectionInfo = e;
            }
            if (!m_connectionInfo) {
                auto e = std::make_shared<RQConnectionEntry>();
                e->id = ++s.nextConnectionNumber;
                e->host = m_url->host();
                e->port = port;
                e->scheme = m_url->scheme();
                s.connectionPool.push_back(e);
                m_connectionInfo = e;
                fresh = true;
            }
            if (m_requestID == 0)
                m_requestID = ++s.nextRequestNumber;
            m_connectionInfo->request = m_requestID;
        } else {
            m_connectionInfo.reset();
        }
    }
    sr.attemptPersistentConnection = m_shouldAttemptPersistentConnection;
    sr.freshConnection = fresh;

    destroyReadStream();
    if (!m_streamClient)
        m_streamClient = std::make_shared<StreamClient>(self());
    m_readStream = std::make_unique<net::HttpStream>(threadForRequest(), std::move(sr), m_streamClient);
    bool heldBack = false;
    {
        auto& s = shared();
        std::lock_guard t(s.throttleLock);
        heldBack = throttledLocked(s) && s.resumeReadingAt && *s.resumeReadingAt > throttleNow();
    }
    if (!m_readStream->open()) {
        m_connectionCanBeReused = false;
        m_readStream.reset();
        failWithError(RQError::make(RQInternalErrorWhileBuildingRequestType, "Unable to start HTTP connection"));
        return;
    }
    bool showIndicator = false;
    {
        std::lock_guard poolLock(shared().connectionPoolLock);
        ++shared().activeStreamCount;
        showIndicator = shared().shouldUpdateNetworkActivityIndicator;
    }
    if (showIndicator)
        MainThread::perform([] { showNetworkActivityIndicator(); });
    m_readStreamIsScheduled = true;
    if (heldBack) {
        m_readStream->pauseReceiving(true);
        m_readStreamIsScheduled = false;
    }

    if (!m_mainRequest) {
        if (m_shouldResetUploadProgress) {
            incrementUploadSizeBy(m_showAccurateProgress ? static_cast<int64_t>(m_postLength) : 1);
            setIndicator(false, 0, 1);
        }
        if (m_shouldResetDownloadProgress && m_partialDownloadSize == 0)
            setIndicator(true, 0, 1);
    }
    m_lastActivityTime = monotonicNow();
    scheduleStatusTimer();
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
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    performThrottling();
    if (shouldTimeOut()) {
        if (m_retryCount < m_numberOfTimesToRetryOnTimeout) {
            ++m_retryCount;
            m_connectionCanBeReused = false;
            {
                std::lock_guard poolLock(shared().connectionPoolLock);
                if (m_connectionInfo) {
                    auto& pool = shared().connectionPool;
                    pool.erase(std::remove(pool.begin(), pool.end(), m_connectionInfo), pool.end());
                    m_connectionInfo.reset();
                }
            }
            destroyReadStream();
            lock.unlock();
            startRequest();
            return;
        }
        failWithError(sharedError(RQRequestTimedOutErrorType));
        cancelLoad();
        m_complete = true;
        return;
    }
    if (m_readStream) {
        if (m_postLength > 0) {
            m_lastBytesSent = m_totalBytesSent;
            m_totalBytesSent = m_readStream->bodyBytesWritten();
            if (m_totalBytesSent > m_lastBytesSent)
                m_lastActivityTime = monotonicNow();
        }
        updateProgressIndicators();
    }
}

bool RQHTTPRequest::shouldTimeOut() const {
    if (!m_readStream || !m_readStreamIsScheduled || m_lastActivityTime == 0 || m_timeOutSeconds <= 0)
        return false;
    double idle = monotonicNow() - m_lastActivityTime;
    if (idle <= m_timeOutSeconds)
        return false;
    if (m_postLength == 0 || (m_uploadBufferSize > 0 && m_totalBytesSent > m_uploadBufferSize))
        return true;
    // A body still inside the first upload buffer gets half as long again.
    return idle > 1.5 * m_timeOutSeconds;
}

void RQHTTPRequest::destroyReadStream() {
    if (!m_readStream)
        return;
    if (m_readStreamIsScheduled || m_readStream->isReceivingPaused()) {
        bool hide = false;
        {
            std::lock_guard poolLock(shared().connectionPoolLock);
            if (shared().activeStreamCount > 0 && --shared().activeStreamCount == 0)
                hide = shared().shouldUpdateNetworkActivityIndicator;
        }
        if (hide)
            MainThread::perform([] { hideNetworkActivityIndicatorAfterDelay(); });
    }
    m_readStreamIsScheduled = false;
    // The stream may be the one whose event is being handled: close it later,
    // on the network thread, outside of its own callback.
    std::shared_ptr<net::HttpStream> stream(m_readStream.release());
    threadForRequest().post([stream] { stream->close(); });
}

void RQHTTPRequest::cancelLoad() {
    if (m_PACFileRequest) {
        auto pac = m_PACFileRequest;
        m_PACFileRequest.reset();
        pac->clearDelegatesAndCancel();
        sharedQueue().setMaxConcurrentOperationCount(sharedQueue().maxConcurrentOperationCount() - 1);
    }
    destroyReadStream();
    if (m_postBodyReadStream) {
        m_postBodyReadStream->close();
        m_postBodyReadStream.reset();
    }
    if (m_downloadDestinationPath.empty()) {
        if (!m_complete)
            m_rawResponseData.clear();
    } else if (!m_temporaryFileDownloadPath.empty()) {
        if (m_fileDownloadOutputStream) {
            std::fclose(m_fileDownloadOutputStream);
            m_fileDownloadOutputStream = nullptr;
        }
        if (m_inflatedFileDownloadOutputStream) {
            std::fclose(m_inflatedFileDownloadOutputStream);
            m_inflatedFileDownloadOutputStream = nullptr;
        }
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

// ---- stopping

void RQHTTPRequest::cancel() {
    auto keep = self();
    threadForRequest().post([keep] { keep->cancelOnRequestThread(); });
}

void RQHTTPRequest::cancelOnRequestThread() {
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    failWithError(sharedError(RQRequestCancelledErrorType));
    m_complete = true;
    cancelLoad();
    m_cancelled = true;
    lock.unlock();
    core::Operation::cancel();
    if (!m_inProgress && !isFinished() && !isExecuting()) {
        // Never started: the queue drops it when it comes up.
    }
}

void RQHTTPRequest::clearDelegatesAndCancel() {
    {
        std::lock_guard lock(m_cancelledLock);
        m_delegate.reset();
        m_queue.reset();
        m_downloadProgressDelegate.reset();
        m_uploadProgressDelegate.reset();
        m_completionBlock = nullptr;
        m_failureBlock = nullptr;
        m_startedBlock = nullptr;
        m_headersReceivedBlock = nullptr;
        m_bytesReceivedBlock = nullptr;
        m_bytesSentBlock = nullptr;
        m_downloadSizeIncrementedBlock = nullptr;
        m_uploadSizeIncrementedBlock = nullptr;
        m_dataReceivedBlock = nullptr;
        m_proxyAuthenticationNeededBlock = nullptr;
        m_authenticationNeededBlock = nullptr;
    }
    cancel();
}

// ---- the answer's head

void RQHTTPRequest::readResponseHeaders(const net::HttpResponseHead& head) {
    m_authenticationNeeded = 0;
    m_pendingHead = head;
    m_responseHeaders.clear();
    for (const auto& [n, v] : head.headers) {
        auto it = m_responseHeaders.find(n);
        if (it == m_responseHeaders.end())
            m_responseHeaders.emplace(n, v);
        else
            it->second += ", " + v;
    }
    for (const auto& c : head.setCookies) {
        auto it = m_responseHeaders.find("Set-Cookie");
        if (it == m_responseHeaders.end())
            m_responseHeaders.emplace("Set-Cookie", c);
        else
            it->second += ", " + c;
    }
    m_haveResponseHeaders = true;
    m_responseStatusCode = head.statusCode;
    m_responseStatusMessage = head.statusLine;

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

    if (m_authenticationNeeded == 0 && !m_requestAuthentication &&
        m_authenticationScheme == net::kAuthenticationSchemeBasic && !m_username.empty() && !m_password.empty() &&
        m_useSessionPersistence) {
        auto& s = shared();
        std::lock_guard lock(s.credentialStoreLock);
        Shared::SessionEntry e;
        e.credentials = {m_username, m_password, {}};
        e.url = m_urlText;
        e.scheme = net::kAuthenticationSchemeBasic;
        bool present = std::any_of(s.sessionCredentials.begin(), s.sessionCredentials.end(), [&](const auto& o) {
            return o.url == e.url && o.credentials.user == e.credentials.user &&
                   o.credentials.password == e.credentials.password;
        });
        if (!present)
            s.sessionCredentials.push_back(e);
    }

    std::string mime, charset;
    auto ct = m_responseHeaders.find("Content-Type");
    if (ct != m_responseHeaders.end())
        parseMimeType(&mime, &charset, ct->second);
    m_responseEncoding = charset.empty() ? m_defaultResponseEncoding : charset;

    m_responseCookies = net::CookieStorage::cookiesWithResponseHeaderFields(head.setCookies, *m_url, wallNow());
    if (m_useCookiePersistence) {
        cookieStorage().setCookies(m_responseCookies);
        for (const auto& c : m_responseCookies)
            addSessionCookie(c);
    }

    if (!willRedirect()) {
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
    if (m_shouldAttemptPersistentConnection)
        decideReuse(head);
    deliver([keep = self(), headers = m_responseHeaders] { keep->requestReceivedResponseHeaders(headers); });
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

bool RQHTTPRequest::isResponseCompressed() const {
    auto it = m_responseHeaders.find("Content-Encoding");
    return it != m_responseHeaders.end() && it->second.find("gzip") != std::string::npos;
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

    bool crossOrigin = !sameOrigin(*target, *m_url);
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
        m_authenticationScheme.clear();
        m_requestCredentials.reset();
    }
    m_redirectURL = target->absoluteString();
    m_needsRedirect = true;
    m_requestCookies.clear();
    return true;
}

void RQHTTPRequest::performRedirect() {
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled)
        return;
    setURL(m_redirectURL);
    m_complete = true;
    m_needsRedirect = false;
    ++m_redirectCount;
    if (m_redirectCount > 5) {
        failWithError(sharedError(RQTooMuchRedirectionErrorType));
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

// ---- the body

void RQHTTPRequest::handleBytes(const char* data, size_t size) {
    if (size == 0)
        return;
    std::string inflated;
    bool inflating = isResponseCompressed() && !m_shouldWaitToInflateCompressedResponses;
    if (inflating) {
        if (!m_dataDecompressor)
            m_dataDecompressor = RQDataDecompressor::decompressor();
        RQErrorPtr err;
        auto out = m_dataDecompressor->uncompressBytes(data, size, &err);
        if (!out) {
            failWithError(err);
            return;
        }
        inflated = std::move(*out);
    }
    m_totalBytesRead += size;
    m_lastActivityTime = monotonicNow();
    incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(size));

    if (m_needsRedirect && m_shouldRedirect && m_allowResumeForFileDownloads)
        return;
    if (m_needsRedirect || m_authenticationNeeded) {
        // A redirect's or a challenge's body is not the answer the caller waits for.
        return;
    }
    bool delegateWantsData = false;
    {
        auto d = m_delegate.lock();
        delegateWantsData = (d && (m_didReceiveDataSelector || d->handlesReceivedData())) || m_dataReceivedBlock;
    }
    if (delegateWantsData) {
        std::string chunk = inflating ? inflated : std::string(data, size);
        deliver([keep = self(), chunk = std::move(chunk)]() mutable { keep->passOnReceivedData(std::move(chunk)); });
        return;
    }
    if (!m_downloadDestinationPath.empty()) {
        if (!m_fileDownloadOutputStream) {
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
                m_temporaryFileDownloadPath = temporaryPath();
            m_fileDownloadOutputStream = std::fopen(m_temporaryFileDownloadPath.c_str(), append ? "ab" : "wb");
            if (!m_fileDownloadOutputStream) {
                failWithError(RQError::make(RQFileManagementError,
                                            "Failed to write to file at path '" + m_temporaryFileDownloadPath + "'",
                                            posixError(errno)));
                return;
            }
        }
        if (std::fwrite(data, 1, size, m_fileDownloadOutputStream) != size) {
            failWithError(RQError::make(RQFileManagementError,
                                        "Failed to write to file at path '" + m_temporaryFileDownloadPath + "'",
                                        posixError(errno)));
            return;
        }
        if (inflating) {
            if (!m_inflatedFileDownloadOutputStream) {
                if (m_temporaryUncompressedDataDownloadPath.empty())
                    m_temporaryUncompressedDataDownloadPath = temporaryPath();
                m_inflatedFileDownloadOutputStream = std::fopen(m_temporaryUncompressedDataDownloadPath.c_str(), "wb");
            }
            if (m_inflatedFileDownloadOutputStream && !inflated.empty())
                std::fwrite(inflated.data(), 1, inflated.size(), m_inflatedFileDownloadOutputStream);
        }
        return;
    }
    if (inflating)
        m_rawResponseData += inflated;
    else
        m_rawResponseData.append(data, size);
}

void RQHTTPRequest::handleStreamComplete() {
    if (m_statusTimer) {
        threadForRequest().cancelTimer(m_statusTimer);
        m_statusTimer = 0;
    }
    m_downloadComplete = true;
    RQErrorPtr fileError;
    {
        std::lock_guard c(shared().completionLock);
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
        if (!m_needsRedirect && m_authenticationNeeded == 0)
            fileError = compressedBodyError();
        m_dataDecompressor.reset();
        if (m_didCreateTemporaryPostDataFile && m_authenticationNeeded == 0) {
            removeTemporaryUploadFile();
            removeTemporaryCompressedUploadFile();
        }
        if (!m_temporaryFileDownloadPath.empty()) {
            if (m_fileDownloadOutputStream) {
                std::fclose(m_fileDownloadOutputStream);
                m_fileDownloadOutputStream = nullptr;
            }
            if (m_inflatedFileDownloadOutputStream) {
                std::fclose(m_inflatedFileDownloadOutputStream);
                m_inflatedFileDownloadOutputStream = nullptr;
            }
            bool keepForNextHop = m_shouldRedirect && m_needsRedirect && m_allowResumeForFileDownloads;
            if (fileError) {
                removeTemporaryDownloadFile();
                removeTemporaryUncompressedDownloadFile();
            } else if (!keepForNextHop && !m_needsRedirect && m_authenticationNeeded == 0) {
                auto moveError = [&](const std::string& from, const std::string& to, int err) {
                    return RQError::make(RQFileManagementError,
                                         "Failed to move file from '" + from + "' to '" + to + "'", posixError(err));
                };
                if (isResponseCompressed()) {
                    if (m_shouldWaitToInflateCompressedResponses) {
                        RQErrorPtr e;
                        if (!RQDataDecompressor::uncompressDataFromFile(m_temporaryFileDownloadPath,
                                                                        m_downloadDestinationPath, &e))
                            fileError = e;
                    } else if (std::rename(m_temporaryUncompressedDataDownloadPath.c_str(),
                                           m_downloadDestinationPath.c_str()) != 0) {
                        fileError = moveError(m_temporaryFileDownloadPath, m_downloadDestinationPath, errno);
                    }
                    m_temporaryUncompressedDataDownloadPath.clear();
                    removeTemporaryDownloadFile();
                } else {
                    RQErrorPtr e;
                    if (!removeFileAtPath(m_downloadDestinationPath, &e)) {
                        fileError = e;
                    } else if (std::rename(m_temporaryFileDownloadPath.c_str(), m_downloadDestinationPath.c_str()) !=
                               0) {
                        fileError = moveError(m_temporaryFileDownloadPath, m_downloadDestinationPath, errno);
                    } else {
                        m_temporaryFileDownloadPath.clear();
                    }
                }
            }
        } else if (!m_downloadDestinationPath.empty() && !m_needsRedirect && m_authenticationNeeded == 0 &&
                   m_totalBytesRead == 0 && !m_didUseCachedResponse) {
            // An empty answer still leaves an (empty) file where the caller looks.
            FILE* f = std::fopen(m_downloadDestinationPath.c_str(), "wb");
            if (f)
                std::fclose(f);
        }
        if (m_downloadCache && !m_didUseCachedResponse && !m_needsRedirect && m_authenticationNeeded == 0 && !fileError)
            m_downloadCache->storeResponseForRequest(*this, m_secondsToCache);
    }
    {
        std::lock_guard poolLock(shared().connectionPoolLock);
        if (m_connectionInfo) {
            m_connectionInfo->request = 0;
            m_connectionInfo->expires = monotonicNow() + m_persistentConnectionTimeoutSeconds;
            if (!m_connectionCanBeReused) {
                auto& pool = shared().connectionPool;
                pool.erase(std::remove(pool.begin(), pool.end(), m_connectionInfo), pool.end());
            }
        }
    }
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

RQErrorPtr RQHTTPRequest::compressedBodyError() const {
    if (!isResponseCompressed() || m_totalBytesRead == 0)
        return nullptr;
    if (!m_shouldWaitToInflateCompressedResponses) {
        bool ended = m_dataDecompressor && m_dataDecompressor->streamEnded();
        return ended ? nullptr : RQDataDecompressor::truncatedStreamError();
    }
    // Kept compressed in memory: it must inflate whole before it counts as
    // received. (Into a file, inflating it is that check.)
    if (!m_downloadDestinationPath.empty() || m_rawResponseData.empty())
        return nullptr;
    RQErrorPtr err;
    if (!RQDataDecompressor::uncompressData(m_rawResponseData, &err))
        return err;
    return nullptr;
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
    {
        std::lock_guard poolLock(shared().connectionPoolLock);
        if (m_connectionInfo) {
            m_connectionInfo->request = 0;
            auto& pool = shared().connectionPool;
            pool.erase(std::remove(pool.begin(), pool.end(), m_connectionInfo), pool.end());
            m_connectionInfo.reset();
        }
    }
    ++m_retryCount;
    startRequest();
    return true;
}

void RQHTTPRequest::failWithError(RQErrorPtr error) {
    std::unique_lock lock(m_cancelledLock);
    m_complete = true;
    if (error && error->code != RQAuthenticationErrorType && error->code != RQTooMuchRedirectionErrorType) {
        {
            std::lock_guard poolLock(shared().connectionPoolLock);
            if (m_connectionInfo) {
                m_connectionInfo->request = 0;
                auto& pool = shared().connectionPool;
                pool.erase(std::remove(pool.begin(), pool.end(), m_connectionInfo), pool.end());
                m_connectionInfo.reset();
            }
        }
        destroyReadStream();
    }
    if (m_connectionCanBeReused && m_connectionInfo)
        m_connectionInfo->expires = monotonicNow() + m_persistentConnectionTimeoutSeconds;
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

void RQHTTPRequest::markAsFinished() {
    auto keep = self();
    {
        std::lock_guard lock(m_cancelledLock);
        m_requestAuthentication.reset();
        m_proxyAuthentication.reset();
        if (m_statusTimer) {
            threadForRequest().cancelTimer(m_statusTimer);
            m_statusTimer = 0;
        }
    }
    bool wasInProgress = m_inProgress.exchange(false);
    if (m_isSynchronous) {
        // The caller returns only after every callback queued for it has run.
        std::lock_guard lock(m_syncMutex);
        m_syncDone = true;
        m_syncCv.notify_all();
    }
    if (wasInProgress || isExecuting())
        finish();
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
    target->m_responseCookies = net::CookieStorage::cookiesWithResponseHeaderFields(setCookies, *m_url, wallNow());
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

bool RQHTTPRequest::removeFileAtPath(const std::string& path, RQErrorPtr* err) {
    if (!fileExists(path))
        return true;
    if (::unlink(path.c_str()) != 0) {
        if (err)
            *err =
                RQError::make(RQFileManagementError, "Failed to delete file at path '" + path + "'", posixError(errno));
        return false;
    }
    return true;
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

void RQHTTPRequest::expirePersistentConnections() {
    auto& s = shared();
    std::lock_guard lock(s.connectionPoolLock);
    double now = monotonicNow();
    s.connectionPool.erase(
        std::remove_if(s.connectionPool.begin(), s.connectionPool.end(),
                       [&](const auto& e) { return e->request == 0 && e->expires != 0 && e->expires <= now; }),
        s.connectionPool.end());
}

int RQHTTPRequest::openConnectionCount() {
    std::lock_guard lock(shared().connectionPoolLock);
    return static_cast<int>(shared().connectionPool.size());
}

// ---- reading the answer

std::optional<std::string> RQHTTPRequest::responseData() const {
    std::lock_guard lock(m_cancelledLock);
    if (isResponseCompressed() && m_shouldWaitToInflateCompressedResponses && !m_didUseCachedResponse) {
        if (m_rawResponseData.empty())
            return std::string();
        return RQDataDecompressor::uncompressData(m_rawResponseData);
    }
    return m_rawResponseData;
}

std::optional<std::string> RQHTTPRequest::responseString() const {
    auto data = responseData();
    if (!data)
        return std::nullopt;
    std::string charset = m_responseEncoding.empty() ? m_defaultResponseEncoding : m_responseEncoding;
    return core::text::decodeToUtf8(*data, charset);
}

// ---- reports, on the main thread (or the synchronous caller)

void RQHTTPRequest::requestStarted() {
    if (m_error || m_mainRequest)
        return;
    auto d = delegate();
    if (d) {
        if (m_didStartSelector)
            m_didStartSelector(*d, *this);
        else
            d->requestStarted(*this);
    }
    Block b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_startedBlock;
    }
    if (b)
        b();
    if (auto q = queue())
        q->requestStarted(*this);
}

void RQHTTPRequest::requestReceivedResponseHeaders(RQHeaderMap headers) {
    if (m_error || m_mainRequest)
        return;
    if (auto d = delegate()) {
        if (m_didReceiveResponseHeadersSelector)
            m_didReceiveResponseHeadersSelector(*d, *this, headers);
        else
            d->requestReceivedResponseHeaders(*this, headers);
    }
    HeadersBlock b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_headersReceivedBlock;
    }
    if (b)
        b(headers);
    if (auto q = queue())
        q->requestReceivedResponseHeaders(*this, headers);
}

void RQHTTPRequest::requestRedirected() {
    if (m_error || m_mainRequest)
        return;
    if (auto d = delegate())
        d->requestRedirected(*this);
    Block b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_requestRedirectedBlock;
    }
    if (b)
        b();
}

void RQHTTPRequest::requestWillRedirectToURL(const std::string& url) {
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
    if (auto d = delegate()) {
        if (m_didFinishSelector)
            m_didFinishSelector(*d, *this);
        else
            d->requestFinished(*this);
    }
    Block b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_completionBlock;
    }
    if (b)
        b();
    if (auto q = queue())
        q->requestFinished(*this);
}

void RQHTTPRequest::reportFailure() {
    if (auto d = delegate()) {
        if (m_didFailSelector)
            m_didFailSelector(*d, *this);
        else
            d->requestFailed(*this);
    }
    Block b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_failureBlock;
    }
    if (b)
        b();
    if (auto q = queue())
        q->requestFailed(*this);
}

void RQHTTPRequest::passOnReceivedData(std::string data) {
    if (auto d = delegate(); d && m_didReceiveDataSelector)
        m_didReceiveDataSelector(*d, *this, data);
    else if (d && d->handlesReceivedData())
        d->requestDidReceiveData(*this, data);
    DataBlock b;
    {
        std::lock_guard lock(m_cancelledLock);
        b = m_dataReceivedBlock;
    }
    if (b)
        b(data);
}

// ---- progress

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
    MainThread::perform([indicator, value] {
        std::lock_guard lock(shared().completionLock);
        if (auto p = indicator.lock(); p && p->handlesSetProgress())
            p->setProgress(static_cast<float>(value));
    });
}

void RQHTTPRequest::setIndicator(bool download, uint64_t progress, uint64_t total) {
    double value = total == 0 ? 0.0 : static_cast<double>(progress) / static_cast<double>(total);
    deliver([keep = self(), download, value] {
        std::shared_ptr<RQProgressDelegate> p;
        {
            std::lock_guard lock(keep->m_cancelledLock);
            p = download ? keep->m_downloadProgressDelegate.lock() : keep->m_uploadProgressDelegate.lock();
        }
        std::lock_guard lock(shared().completionLock);
        if (p && p->handlesSetProgress())
            p->setProgress(static_cast<float>(value));
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
    if (m_bytesReceivedBlock) {
        uint64_t total = m_contentLength + m_partialDownloadSize;
        deliver([keep = self(), step, total] {
            ProgressBlock b;
            {
                std::lock_guard lock(keep->m_cancelledLock);
                b = keep->m_bytesReceivedBlock;
            }
            if (b)
                b(static_cast<uint64_t>(step), total);
        });
    }
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
    if (m_bytesSentBlock) {
        uint64_t total = m_postLength;
        deliver([keep = self(), step, total] {
            ProgressBlock b;
            {
                std::lock_guard lock(keep->m_cancelledLock);
                b = keep->m_bytesSentBlock;
            }
            if (b)
                b(static_cast<uint64_t>(step), total);
        });
    }
}

void RQHTTPRequest::incrementDownloadSizeBy(int64_t amount) {
    deliverProgress(true,
                    [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestIncrementDownloadSizeBy(r, amount); });
    if (m_downloadSizeIncrementedBlock)
        deliver([keep = self(), amount] {
            SizeBlock b;
            {
                std::lock_guard lock(keep->m_cancelledLock);
                b = keep->m_downloadSizeIncrementedBlock;
            }
            if (b)
                b(amount);
        });
}

void RQHTTPRequest::incrementUploadSizeBy(int64_t amount) {
    deliverProgress(false,
                    [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestIncrementUploadSizeBy(r, amount); });
    if (m_uploadSizeIncrementedBlock)
        deliver([keep = self(), amount] {
            SizeBlock b;
            {
                std::lock_guard lock(keep->m_cancelledLock);
                b = keep->m_uploadSizeIncrementedBlock;
            }
            if (b)
                b(amount);
        });
}

void RQHTTPRequest::removeUploadProgressSoFar() {
    int64_t amount = -static_cast<int64_t>(m_totalBytesSent);
    deliverProgress(false, [amount](RQProgressDelegate& p, RQHTTPRequest& r) { p.requestDidSendBytes(r, amount); });
    setIndicator(false, 0, m_postLength);
    if (m_bytesSentBlock) {
        uint64_t total = m_postLength;
        deliver([keep = self(), amount, total] {
            ProgressBlock b;
            {
                std::lock_guard lock(keep->m_cancelledLock);
                b = keep->m_bytesSentBlock;
            }
            if (b)
                b(static_cast<uint64_t>(amount), total);
        });
    }
}

// ---- authentication

std::optional<net::AuthenticationCredentials> RQHTTPRequest::findCredentials() {
    net::AuthenticationCredentials c;
    if (!m_url->user().empty() && !m_url->password().empty()) {
        c.user = m_url->user();
        c.password = m_url->password();
    } else if (m_mainRequest && !m_mainRequest->m_username.empty() && !m_mainRequest->m_password.empty()) {
        c.user = m_mainRequest->m_username;
        c.password = m_mainRequest->m_password;
    } else if (!m_username.empty() && !m_password.empty()) {
        c.user = m_username;
        c.password = m_password;
    } else if (m_useKeychainPersistence) {
        net::ProtectionSpace space{m_url->host(), m_url->port().value_or(0), m_url->scheme(), m_authenticationRealm};
        auto saved = net::CredentialStorage::shared().defaultCredential(space);
        if (!saved)
            return std::nullopt;
        c.user = saved->user;
        c.password = saved->password;
    } else {
        return std::nullopt;
    }
    if (m_requestAuthentication && m_requestAuthentication->requiresAccountDomain()) {
        c.accountDomain = m_domain;
        auto slash = c.user.find('\\');
        if (m_domain.empty() && slash != std::string::npos && c.user.find('\\', slash + 1) == std::string::npos) {
            c.accountDomain = c.user.substr(0, slash);
            c.user = c.user.substr(slash + 1);
        }
    }
    return c;
}

std::optional<net::AuthenticationCredentials> RQHTTPRequest::findProxyCredentials() {
    net::AuthenticationCredentials c;
    RQHTTPRequest* src = m_mainRequest ? m_mainRequest : this;
    if (!src->m_proxyUsername.empty() && !src->m_proxyPassword.empty()) {
        c.user = src->m_proxyUsername;
        c.password = src->m_proxyPassword;
    } else if (m_proxyAuthenticationScheme == net::kAuthenticationSchemeNTLM && !m_username.empty() &&
               !m_password.empty()) {
        c.user = m_username;
        c.password = m_password;
    } else {
        net::ProtectionSpace space{m_proxyHost, m_proxyPort, "http-proxy", m_proxyAuthenticationRealm};
        auto saved = net::CredentialStorage::shared().defaultCredential(space);
        if (!saved)
            return std::nullopt;
        c.user = saved->user;
        c.password = saved->password;
    }
    c.accountDomain = m_proxyDomain.empty() ? m_domain : m_proxyDomain;
    return c;
}

bool RQHTTPRequest::applyCredentials(const net::AuthenticationCredentials& c) {
    ++m_authenticationRetryCount;
    if (!m_requestAuthentication)
        return false;
    auto value = m_requestAuthentication->authorizationValue(c, m_requestMethod, *m_url);
    if (!value)
        return false;
    setHeader("Authorization", *value);
    if (m_useKeychainPersistence) {
        net::ProtectionSpace space{m_url->host(), m_url->port().value_or(0), m_url->scheme(), m_authenticationRealm};
        net::CredentialStorage::shared().setDefaultCredential({c.user, c.password}, space);
    }
    if (m_useSessionPersistence) {
        auto& s = shared();
        std::lock_guard lock(s.credentialStoreLock);
        s.sessionCredentials.erase(std::remove_if(s.sessionCredentials.begin(), s.sessionCredentials.end(),
                                                  [&](const auto& e) { return e.url == m_urlText; }),
                                   s.sessionCredentials.end());
        Shared::SessionEntry e;
        e.authentication = m_requestAuthentication;
        e.credentials = c;
        e.url = m_urlText;
        e.scheme = m_requestAuthentication->scheme();
        e.realm = m_authenticationRealm;
        s.sessionCredentials.push_back(e);
    }
    m_requestCredentials = c;
    return true;
}

bool RQHTTPRequest::applyProxyCredentials(const net::AuthenticationCredentials& c) {
    ++m_proxyAuthenticationRetryCount;
    if (!m_proxyAuthentication)
        return false;
    auto value = m_proxyAuthentication->authorizationValue(c, m_requestMethod, *m_url);
    if (!value)
        return false;
    setHeader("Proxy-Authorization", *value);
    if (m_useSessionPersistence) {
        auto& s = shared();
        std::lock_guard lock(s.credentialStoreLock);
        s.sessionProxyCredentials.erase(
            std::remove_if(s.sessionProxyCredentials.begin(), s.sessionProxyCredentials.end(),
                           [&](const auto& e) { return e.proxyHost == m_proxyHost && e.proxyPort == m_proxyPort; }),
            s.sessionProxyCredentials.end());
        Shared::SessionEntry e;
        e.authentication = m_proxyAuthentication;
        e.credentials = c;
        e.proxyHost = m_proxyHost;
        e.proxyPort = m_proxyPort;
        e.scheme = m_proxyAuthentication->scheme();
        s.sessionProxyCredentials.push_back(e);
    }
    m_proxyCredentials = c;
    return true;
}

bool RQHTTPRequest::willAskDelegateForCredentials() {
    if (m_isSynchronous)
        return false;
    auto d = delegate();
    auto q = queue();
    bool handles = (d && d->handlesAuthenticationNeeded()) || (!d && q && q->handlesAuthenticationNeeded()) ||
                   m_authenticationNeededBlock;
    if (!handles)
        return false;
    deliver([keep = self()] {
        auto d = keep->delegate();
        auto q = keep->queue();
        if (d && d->handlesAuthenticationNeeded())
            d->authenticationNeededForRequest(*keep);
        else if (q && q->handlesAuthenticationNeeded())
            q->authenticationNeededForRequest(*keep);
        else if (keep->m_authenticationNeededBlock)
            keep->m_authenticationNeededBlock();
    });
    return true;
}

bool RQHTTPRequest::willAskDelegateForProxyCredentials() {
    if (m_isSynchronous)
        return false;
    auto d = delegate();
    auto q = queue();
    bool handles = (d && d->handlesProxyAuthenticationNeeded()) || (!d && q && q->handlesProxyAuthenticationNeeded()) ||
                   m_proxyAuthenticationNeededBlock;
    if (!handles)
        return false;
    deliver([keep = self()] {
        auto d = keep->delegate();
        auto q = keep->queue();
        if (d && d->handlesProxyAuthenticationNeeded())
            d->proxyAuthenticationNeededForRequest(*keep);
        else if (q && q->handlesProxyAuthenticationNeeded())
            q->proxyAuthenticationNeededForRequest(*keep);
        else if (keep->m_proxyAuthenticationNeededBlock)
            keep->m_proxyAuthenticationNeededBlock();
    });
    return true;
}

bool RQHTTPRequest::showAuthenticationDialog() {
    if (m_isSynchronous || !m_shouldPresentAuthenticationDialog || !RQAuthenticationDialog::presentationEnabled())
        return false;
    deliver([keep = self()] { RQAuthenticationDialog::presentAuthenticationDialogForRequest(keep); });
    return true;
}

bool RQHTTPRequest::showProxyAuthenticationDialog() {
    if (m_isSynchronous || !m_shouldPresentProxyAuthenticationDialog || !RQAuthenticationDialog::presentationEnabled())
        return false;
    deliver([keep = self()] { RQAuthenticationDialog::presentAuthenticationDialogForRequest(keep); });
    return true;
}

void RQHTTPRequest::attemptToApplyCredentialsAndResume() {
    std::unique_lock lock(m_cancelledLock);
    if (m_error || m_cancelled)
        return;
    if (m_authenticationNeeded == 2) {
        lock.unlock();
        attemptToApplyProxyCredentialsAndResume();
        return;
    }
    // A second challenge after credentials were applied: they were turned down
    // (a stale Digest nonce is only a new round with the same credentials).
    auto challenge = m_pendingHead ? net::HttpAuthentication::fromResponse(*m_pendingHead, false) : std::nullopt;
    if (!challenge) {
        cancelLoad();
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
        return;
    }
    bool rejected = m_requestCredentials.has_value() && !challenge->isStale();
    m_requestAuthentication = challenge;
    m_authenticationScheme = challenge->scheme();
    m_authenticationRealm = challenge->requiresAccountDomain() ? std::string() : challenge->realm();
    if (!challenge->canAnswer()) {
        // A scheme the engine cannot answer fails at once instead of waiting forever.
        cancelLoad();
        failWithError(sharedError(RQAuthenticationErrorType));
        return;
    }
    cancelLoad();
    if (m_requestCredentials && !rejected) {
        if (applyCredentials(*m_requestCredentials)) {
            lock.unlock();
            startRequest();
            return;
        }
        failWithError(
            RQError::make(RQInternalErrorWhileApplyingCredentialsType, "Failed to apply credentials to request"));
        return;
    }
    auto& s = shared();
    std::unique_lock prompt(s.authenticationPromptLock);
    if (rejected) {
        // Turned down: forget them everywhere they came from.
        {
            std::lock_guard c(s.credentialStoreLock);
            auto rc = *m_requestCredentials;
            s.sessionCredentials.erase(std::remove_if(s.sessionCredentials.begin(), s.sessionCredentials.end(),
                                                      [&](const auto& e) {
                                                          return e.credentials.user == rc.user &&
                                                                 e.credentials.password == rc.password;
                                                      }),
                                       s.sessionCredentials.end());
        }
        m_requestCredentials.reset();
        removeHeader("Authorization");
        // What the caller set was turned down too: only someone asked anew can help.
        m_username.clear();
        m_password.clear();
        m_lastActivityTime = 0;
        if (willAskDelegateForCredentials())
            return;
        if (showAuthenticationDialog())
            return;
        failWithError(sharedError(RQAuthenticationErrorType));
        return;
    }
    if (auto found = findCredentials()) {
        bool ok = applyCredentials(*found);
        prompt.unlock();
        if (ok) {
            lock.unlock();
            startRequest();
        } else {
            failWithError(
                RQError::make(RQInternalErrorWhileApplyingCredentialsType, "Failed to apply credentials to request"));
        }
        return;
    }
    if (willAskDelegateForCredentials())
        return;
    if (showAuthenticationDialog())
        return;
    failWithError(sharedError(RQAuthenticationErrorType));
}

void RQHTTPRequest::attemptToApplyProxyCredentialsAndResume() {
    std::unique_lock lock(m_cancelledLock);
    if (m_error || m_cancelled)
        return;
    auto challenge = m_pendingHead ? net::HttpAuthentication::fromResponse(*m_pendingHead, true) : std::nullopt;
    if (!challenge) {
        cancelLoad();
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
        return;
    }
    bool rejected = m_proxyCredentials.has_value() && !challenge->isStale();
    m_proxyAuthentication = challenge;
    m_proxyAuthenticationScheme = challenge->scheme();
    m_proxyAuthenticationRealm = challenge->requiresAccountDomain() ? std::string() : challenge->realm();
    cancelLoad();
    if (!challenge->canAnswer()) {
        failWithError(sharedError(RQAuthenticationErrorType));
        return;
    }
    if (m_proxyCredentials && !rejected) {
        if (applyProxyCredentials(*m_proxyCredentials)) {
            lock.unlock();
            startRequest();
            return;
        }
        failWithError(
            RQError::make(RQInternalErrorWhileApplyingCredentialsType, "Failed to apply proxy credentials to request"));
        return;
    }
    auto& s = shared();
    std::unique_lock prompt(s.authenticationPromptLock);
    if (rejected) {
        {
            std::lock_guard c(s.credentialStoreLock);
            s.sessionProxyCredentials.erase(
                std::remove_if(s.sessionProxyCredentials.begin(), s.sessionProxyCredentials.end(),
                               [&](const auto& e) { return e.proxyHost == m_proxyHost && e.proxyPort == m_proxyPort; }),
                s.sessionProxyCredentials.end());
        }
        m_proxyCredentials.reset();
        removeHeader("Proxy-Authorization");
        m_proxyUsername.clear();
        m_proxyPassword.clear();
        m_lastActivityTime = 0;
        if (willAskDelegateForProxyCredentials())
            return;
        if (showProxyAuthenticationDialog())
            return;
        failWithError(sharedError(RQAuthenticationErrorType));
        return;
    }
    if (auto found = findProxyCredentials()) {
        bool ok = applyProxyCredentials(*found);
        prompt.unlock();
        if (ok) {
            lock.unlock();
            startRequest();
        } else {
            failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                        "Failed to apply proxy credentials to request"));
        }
        return;
    }
    if (willAskDelegateForProxyCredentials())
        return;
    if (showProxyAuthenticationDialog())
        return;
    failWithError(sharedError(RQAuthenticationErrorType));
}

void RQHTTPRequest::retryUsingSuppliedCredentials() {
    auto keep = self();
    threadForRequest().post([keep] {
        if (keep->m_pendingHead)
            keep->attemptToApplyCredentialsAndResume();
        else
            keep->mainStep();
    });
}

void RQHTTPRequest::cancelAuthentication() {
    auto keep = self();
    threadForRequest().post([keep] { keep->failAuthentication(); });
}

void RQHTTPRequest::failAuthentication() {
    failWithError(sharedError(RQAuthenticationErrorType));
}

void RQHTTPRequest::clearSessionCredentials() {
    auto& s = shared();
    std::lock_guard lock(s.credentialStoreLock);
    s.sessionCredentials.clear();
    s.sessionProxyCredentials.clear();
}

// ---- copies

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
    r->m_requestMethod = "HEAD";
    r->m_downloadCache = nullptr;
    return r;
}

std::shared_ptr<RQHTTPRequest> RQHTTPRequest::copy() const {
    auto r = std::make_shared<RQHTTPRequest>(url());
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
    r->m_didReceiveResponseHeadersSelector = m_didReceiveResponseHeadersSelector;
    r->m_willRedirectSelector = m_willRedirectSelector;
    r->m_didReceiveDataSelector = m_didReceiveDataSelector;
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
    r->m_authenticationScheme = m_authenticationScheme;
    return r;
}

// ---- class-wide settings

double RQHTTPRequest::defaultTimeOutSeconds() {
    std::lock_guard lock(shared().settingsMutex);
    return shared().defaultTimeOut;
}

void RQHTTPRequest::setDefaultTimeOutSeconds(double seconds) {
    std::lock_guard lock(shared().settingsMutex);
    shared().defaultTimeOut = seconds;
}

std::optional<std::string> RQHTTPRequest::defaultUserAgentString() {
    auto& s = shared();
    std::lock_guard lock(s.settingsMutex);
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
    auto& s = shared();
    std::lock_guard lock(s.settingsMutex);
    s.defaultUserAgent = std::move(ua);
    s.userAgentBuilt = true;
}

RQCacheDelegate* RQHTTPRequest::defaultCache() {
    std::lock_guard lock(shared().settingsMutex);
    return shared().defaultCache;
}

void RQHTTPRequest::setDefaultCache(RQCacheDelegate* cache) {
    std::lock_guard lock(shared().settingsMutex);
    shared().defaultCache = cache;
}

net::CookieStorage& RQHTTPRequest::cookieStorage() {
    return net::CookieStorage::shared();
}

std::vector<net::Cookie> RQHTTPRequest::sessionCookies() {
    std::lock_guard lock(shared().cookieStoreLock);
    return shared().sessionCookies;
}

void RQHTTPRequest::setSessionCookies(std::vector<net::Cookie> cookies) {
    auto& s = shared();
    std::lock_guard lock(s.cookieStoreLock);
    for (const auto& c : s.sessionCookies)
        cookieStorage().deleteCookie(c);
    s.sessionCookies = std::move(cookies);
}

void RQHTTPRequest::addSessionCookie(const net::Cookie& cookie) {
    auto& s = shared();
    std::lock_guard lock(s.cookieStoreLock);
    auto it = std::find_if(s.sessionCookies.begin(), s.sessionCookies.end(),
                           [&](const auto& c) { return c.sameIdentity(cookie); });
    if (it != s.sessionCookies.end())
        s.sessionCookies.erase(it);
    s.sessionCookies.push_back(cookie);
}

void RQHTTPRequest::clearSession() {
    {
        auto& s = shared();
        std::lock_guard lock(s.credentialStoreLock);
        s.sessionCredentials.clear();
    }
    setSessionCookies({});
    if (auto* cache = defaultCache())
        cache->clearCachedResponsesForStoragePolicy(RQCacheForSessionDurationCacheStoragePolicy);
}

void RQHTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update) {
    std::lock_guard lock(shared().connectionPoolLock);
    shared().shouldUpdateNetworkActivityIndicator = update;
}

void RQHTTPRequest::showNetworkActivityIndicator() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(true);
}

void RQHTTPRequest::hideNetworkActivityIndicator() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(false);
}

void RQHTTPRequest::hideNetworkActivityIndicatorAfterDelay() {
    // A stream opened within half a second keeps the indicator from flickering.
    core::RunLoop::current().postAfter(0.5, [] { hideNetworkActivityIndicatorIfNeeeded(); });
}

void RQHTTPRequest::hideNetworkActivityIndicatorIfNeeeded() {
    bool idle;
    {
        std::lock_guard lock(shared().connectionPoolLock);
        idle = shared().activeStreamCount == 0;
    }
    if (idle)
        hideNetworkActivityIndicator();
}

bool RQHTTPRequest::isNetworkInUse() {
    std::lock_guard lock(shared().connectionPoolLock);
    return shared().activeStreamCount != 0;
}

// ---- bandwidth

namespace {

void recordBandwidthUsageLocked(Shared& s) {
    double now = throttleNow();
    if (s.bytesUsedThisSecond == 0) {
        s.usageHistory.clear();
    } else {
        double t = s.measurementWindowEnd ? *s.measurementWindowEnd - now : 0;
        while (!s.usageHistory.empty() && (t < 0 || s.usageHistory.size() > 5)) {
            s.usageHistory.erase(s.usageHistory.begin());
            t += 1;
        }
    }
    s.usageHistory.push_back(s.bytesUsedThisSecond);
    s.measurementWindowEnd = now + 1;
    s.bytesUsedThisSecond = 0;
    unsigned long sum = 0;
    for (auto v : s.usageHistory)
        sum += v;
    s.averageUsage = s.usageHistory.empty() ? 0 : sum / s.usageHistory.size();
}

void measureLocked(Shared& s) {
    if (!s.measurementWindowEnd || *s.measurementWindowEnd < throttleNow())
        recordBandwidthUsageLocked(s);
    if (throttledLocked(s) && s.maxBandwidth > 0 && s.bytesUsedThisSecond > s.maxBandwidth) {
        double excess =
            static_cast<double>(s.bytesUsedThisSecond - s.maxBandwidth) / static_cast<double>(s.maxBandwidth);
        s.resumeReadingAt = *s.measurementWindowEnd + excess;
    }
}

} // namespace

bool RQHTTPRequest::isBandwidthThrottled() {
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    return throttledLocked(s);
}

unsigned long RQHTTPRequest::maxBandwidthPerSecond() {
    std::lock_guard lock(shared().throttleLock);
    return shared().maxBandwidth;
}

void RQHTTPRequest::setMaxBandwidthPerSecond(unsigned long bytes) {
    std::lock_guard lock(shared().throttleLock);
    shared().maxBandwidth = bytes;
}

void RQHTTPRequest::incrementBandwidthUsedInLastSecond(unsigned long bytes) {
    std::lock_guard lock(shared().throttleLock);
    shared().bytesUsedThisSecond += bytes;
}

unsigned long RQHTTPRequest::averageBandwidthUsedPerSecond() {
    std::lock_guard lock(shared().throttleLock);
    return shared().averageUsage;
}

void RQHTTPRequest::measureBandwidthUsage() {
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    measureLocked(s);
}

std::optional<double> RQHTTPRequest::throttleWakeUpTime() {
    std::lock_guard lock(shared().throttleLock);
    return shared().resumeReadingAt;
}

void RQHTTPRequest::resetBandwidthMeasurement() {
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    s.bytesUsedThisSecond = 0;
    s.measurementWindowEnd.reset();
    s.usageHistory.clear();
    s.averageUsage = 0;
    s.resumeReadingAt.reset();
}

unsigned long RQHTTPRequest::maxUploadReadLength() {
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    unsigned long n = s.maxBandwidth / 4;
    if (s.maxBandwidth > 0 && s.bytesUsedThisSecond + n > s.maxBandwidth)
        n = s.bytesUsedThisSecond >= s.maxBandwidth ? 0 : s.maxBandwidth - s.bytesUsedThisSecond;
    if (n == 0 || !s.measurementWindowEnd || *s.measurementWindowEnd < throttleNow())
        s.resumeReadingAt = s.measurementWindowEnd;
    return n;
}

void RQHTTPRequest::performThrottling() {
    if (!m_readStream)
        return;
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    measureLocked(s);
    bool throttled = throttledLocked(s);
    if (throttled) {
        if (s.resumeReadingAt && *s.resumeReadingAt > throttleNow()) {
            if (!m_readStream->isReceivingPaused()) {
                m_readStream->pauseReceiving(true);
                m_readStreamIsScheduled = false;
            }
        } else if (s.resumeReadingAt && m_readStream->isReceivingPaused()) {
            m_readStream->pauseReceiving(false);
            m_readStreamIsScheduled = true;
            m_lastActivityTime = monotonicNow();
        }
    } else if (m_readStream->isReceivingPaused()) {
        m_readStream->pauseReceiving(false);
        m_readStreamIsScheduled = true;
        m_lastActivityTime = monotonicNow();
    }
}

void RQHTTPRequest::setShouldThrottleBandwidthForWWAN(bool throttle) {
    if (throttle) {
        throttleBandwidthForWWANUsingLimit(14800);
        return;
    }
    auto& s = shared();
    std::unique_ptr<Reachability> old;
    {
        std::lock_guard lock(s.throttleLock);
        if (s.reachabilityObserver)
            Reachability::removeObserver(s.reachabilityObserver);
        s.reachabilityObserver = 0;
        old = std::move(s.reachability);
        s.maxBandwidth = 0;
        s.mobileThrottleActive = false;
        s.throttleOnlyOnMobile = false;
    }
}

void RQHTTPRequest::throttleBandwidthForWWANUsingLimit(unsigned long limit) {
    auto& s = shared();
    {
        std::lock_guard lock(s.throttleLock);
        s.throttleOnlyOnMobile = true;
        s.maxBandwidth = limit;
        if (!s.reachability) {
            s.reachability = Reachability::reachabilityForInternetConnection();
            if (s.reachability)
                s.reachability->startNotifier();
            s.reachabilityObserver = Reachability::observeChanges([](Reachability&) { reachabilityChanged(); });
        }
    }
    reachabilityChanged();
}

bool RQHTTPRequest::isNetworkReachableViaWWAN() {
    auto r = Reachability::reachabilityForInternetConnection();
    return r && r->currentReachabilityStatus() == ReachableViaWWAN;
}

void RQHTTPRequest::reachabilityChanged() {
    bool wwan = isNetworkReachableViaWWAN();
    auto& s = shared();
    std::lock_guard lock(s.throttleLock);
    s.mobileThrottleActive = s.throttleOnlyOnMobile && wwan;
}

// ---- helpers

void RQHTTPRequest::parseMimeType(std::string* mimeType, std::string* charset, const std::string& contentType) {
    if (contentType.empty())
        return;
    auto semi = contentType.find(';');
    if (semi == std::string::npos || semi == 0) {
        if (mimeType)
            *mimeType = net::trimBlanks(contentType);
        return;
    }
    if (mimeType)
        *mimeType = net::trimBlanks(contentType.substr(0, semi));
    std::string rest = net::asciiLower(contentType.substr(semi));
    auto cs = rest.find("charset=");
    if (cs == std::string::npos)
        return;
    std::string name = contentType.substr(semi + cs + 8);
    auto end = name.find(';');
    if (end != std::string::npos)
        name = name.substr(0, end);
    name = net::trimBlanks(name);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    if (!name.empty() && core::text::isCharsetKnown(name) && charset)
        *charset = name;
}

std::optional<double> RQHTTPRequest::expiryDateForRequest(RQHTTPRequest& request, double maxAge) {
    const auto& headers = request.responseHeaders();
    if (maxAge == 0) {
        auto cc = headers.find("Cache-Control");
        if (cc != headers.end()) {
            std::string v = net::asciiLower(cc->second);
            auto p = v.find("max-age");
            if (p != std::string::npos) {
                p += 7;
                while (p < v.size() && (v[p] == ' ' || v[p] == '='))
                    ++p;
                maxAge = std::strtod(v.c_str() + p, nullptr);
            }
        }
    }
    if (maxAge != 0)
        return wallNow() + maxAge;
    auto ex = headers.find("Expires");
    if (ex != headers.end())
        return dateFromRFC1123String(ex->second);
    return std::nullopt;
}

std::optional<double> RQHTTPRequest::dateFromRFC1123String(const std::string& text) {
    // "Sun, 06 Nov 1994 08:49:37 GMT", also without the weekday or the seconds.
    std::string pattern = std::string(text.find(',') != std::string::npos ? "%a, " : "") + "%d %b %Y %H:%M";
    size_t colons = std::count(text.begin(), text.end(), ':');
    if (colons == 2)
        pattern += ":%S";
    tm t{};
    const char* end = ::strptime(text.c_str(), pattern.c_str(), &t);
    if (!end)
        return std::nullopt;
    std::string zone = net::trimBlanks(end);
    long offset = 0;
    if (zone.empty())
        return std::nullopt;
    if (zone == "GMT" || zone == "UTC" || zone == "UT" || zone == "Z") {
        offset = 0;
    } else if ((zone[0] == '+' || zone[0] == '-') && zone.size() == 5) {
        long hh = std::atol(zone.substr(1, 2).c_str()), mm = std::atol(zone.substr(3, 2).c_str());
        offset = (hh * 3600 + mm * 60) * (zone[0] == '-' ? -1 : 1);
    } else if (zone == "EST" || zone == "EDT" || zone == "CST" || zone == "CDT" || zone == "MST" || zone == "MDT" ||
               zone == "PST" || zone == "PDT") {
        static const std::map<std::string, long> zones = {{"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
                                                          {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
        offset = zones.at(zone) * 3600;
    } else {
        return std::nullopt;
    }
    return static_cast<double>(::timegm(&t) - offset);
}

std::optional<std::string> RQHTTPRequest::mimeTypeForFileAtPath(const std::string& path) {
    return net::mimeTypeForFileAtPath(path);
}

std::string RQHTTPRequest::base64forData(const std::string& data) {
    return net::base64Encode(data);
}

} // namespace pw
