#pragma once
#include "network/RQCacheDelegate.h"
#include "network/RQError.h"
#include "network/RQHTTPRequestDelegate.h"
#include "network/RQHelpers.h"
#include "network/RQProxyResolver.h"
#include "platform/core/Operation.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/CredentialStorage.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/net/HttpStream.h"
#include "platform/net/Url.h"

#include <any>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

namespace core {
class OperationQueue;
}
namespace net {
class NetworkLoop;
}
class RQDataDecompressor;
class RQInputStream;
struct RQConnectionEntry;

// A credential record: user name, password and, for schemes that need one,
// the account domain. Shared, so a session store tells the very record a
// request applied from an equal one made elsewhere.
using RQCredentials = std::shared_ptr<const net::AuthenticationCredentials>;

// One side of authentication as a request sees it: the server's or a proxy's.
struct RQAuthState {
    std::optional<net::HttpAuthentication> authentication; // the last challenge
    RQCredentials credentials;                              // the last ones applied
    int retryCount = 0;
    std::string scheme;
    std::string realm;
};

// An entry of a session store: credentials that worked in this process.
// Server entries: authentication (none for Basic sent before any challenge),
// credentials, url, scheme and realm (empty when unknown). Proxy entries:
// authentication, credentials, host, port and scheme.
struct RQSessionCredentialsEntry {
    std::optional<net::HttpAuthentication> authentication;
    RQCredentials credentials;
    std::string url;
    std::string host;
    int port = 0;
    std::string scheme;
    std::string realm;
};

// A record kept for a caller; any values.
using RQUserInfo = std::map<std::string, std::any>;

// The HTTP engine's request: built by a caller, started synchronously or on
// the shared queue, carried out on the network thread over an HttpStream, and
// reporting to its delegate, its blocks and its queue on the main thread.
//
// Redirects, cookies, authentication, gzip, caching, time-outs, throttling and
// connection bookkeeping are done here; the stream only moves bytes.
//
// Threads: a caller sets a request up before starting it; every step of a
// started request runs on the network thread (threadForRequest) under the
// request's cancelledLock; reports run on the main thread (or the waiting
// caller of a synchronous request). cancel, clearDelegatesAndCancel and the
// answer getters are safe from any thread.
//
// Lock order (take only downwards): a proxy-script request's cancelledLock,
// then its main request's cancelledLock; then the prompt lock of the
// authentication flow; then the leaves, which call nothing of the engine
// while held: RQConnectionPool, RQBandwidthThrottle, the session credential
// stores (credentialStoreLock), the class-wide settings, net::CookieStorage, net::CredentialStorage,
// completionLock (only around a progress indicator's setProgress) and the
// synchronous caller's m_syncMutex. cancelledLock stays recursive: a step
// that fails calls failWithError from inside another step holding it.
class RQHTTPRequest : public core::Operation {
public:
    using Selector = std::function<void(RQHTTPRequestDelegate&, RQHTTPRequest&)>;
    using HeadersSelector = std::function<void(RQHTTPRequestDelegate&, RQHTTPRequest&, const RQHeaderMap&)>;
    // Takes the new URL (will-redirect) or the bytes (data received).
    using TextSelector = std::function<void(RQHTTPRequestDelegate&, RQHTTPRequest&, const std::string&)>;
    using Block = std::function<void()>;
    using HeadersBlock = std::function<void(const RQHeaderMap&)>;
    using DataBlock = std::function<void(const std::string&)>;
    using ProgressBlock = std::function<void(uint64_t step, uint64_t total)>;
    using SizeBlock = std::function<void(int64_t)>;

    static std::shared_ptr<RQHTTPRequest> requestWithURL(const std::string& url);
    static std::shared_ptr<RQHTTPRequest> requestWithURL(const std::string& url, RQCacheDelegate* cache,
                                                         int cachePolicy = 0);
    explicit RQHTTPRequest(const std::string& url);
    ~RQHTTPRequest() override;

    std::shared_ptr<RQHTTPRequest> self() { return std::static_pointer_cast<RQHTTPRequest>(shared_from_this()); }

    // ---- starting and stopping
    void startAsynchronous();
    void startSynchronous();
    void start() override;
    bool isAsynchronous() const override { return true; }
    bool isExecuting() const { return m_inProgress; }
    bool isRequestCancelled() const;
    void cancel() override;
    void clearDelegatesAndCancel();

    // ---- the request
    std::string url() const;
    void setURL(const std::string& url);
    std::string originalURL() const;
    std::string requestMethod() const;
    void setRequestMethod(const std::string& method);
    void addRequestHeader(const std::string& name, const std::string& value);
    std::optional<std::string> requestHeader(const std::string& name) const;
    const std::vector<std::pair<std::string, std::string>>& requestHeaders() const { return m_requestHeaders; }
    void appendPostData(const std::string& bytes);
    void appendPostDataFromFile(const std::string& path);
    void setPostBody(const std::string& body);
    const std::string& postBody() const { return m_postBody; }
    void setPostBodyFilePath(const std::string& path) { m_postBodyFilePath = path; }
    const std::string& postBodyFilePath() const { return m_postBodyFilePath; }
    void setShouldStreamPostDataFromDisk(bool v) { m_shouldStreamPostDataFromDisk = v; }
    bool shouldStreamPostDataFromDisk() const { return m_shouldStreamPostDataFromDisk; }
    void setShouldCompressRequestBody(bool v) { m_shouldCompressRequestBody = v; }
    uint64_t postLength() const { return m_postLength; }
    bool didCreateTemporaryPostDataFile() const { return m_didCreateTemporaryPostDataFile; }
    const std::string& compressedPostBodyFilePath() const { return m_compressedPostBodyFilePath; }
    // Prepares the body once: length, Content-Length, GET with a body becomes POST.
    virtual void buildPostBody();
    void addRequestCookie(const net::Cookie& cookie) { m_requestCookies.push_back(cookie); }
    const std::vector<net::Cookie>& requestCookies() const { return m_requestCookies; }

    // ---- options
    void setDelegate(std::weak_ptr<RQHTTPRequestDelegate> delegate);
    std::shared_ptr<RQHTTPRequestDelegate> delegate() const;
    void setQueue(std::weak_ptr<RQRequestQueue> queue);
    std::shared_ptr<RQRequestQueue> queue() const;
    void setUploadProgressDelegate(std::weak_ptr<RQProgressDelegate> d);
    void setDownloadProgressDelegate(std::weak_ptr<RQProgressDelegate> d);
    std::shared_ptr<RQProgressDelegate> uploadProgressDelegate() const;
    std::shared_ptr<RQProgressDelegate> downloadProgressDelegate() const;
    void setDidStartSelector(Selector s) { m_didStartSelector = std::move(s); }
    void setDidFinishSelector(Selector s) { m_didFinishSelector = std::move(s); }
    void setDidFailSelector(Selector s) { m_didFailSelector = std::move(s); }
    void setDidReceiveResponseHeadersSelector(HeadersSelector s) { m_didReceiveResponseHeadersSelector = std::move(s); }
    // Set, it makes the delegate decide each redirect, as handlesWillRedirect does.
    void setWillRedirectSelector(TextSelector s) { m_willRedirectSelector = std::move(s); }
    // Set, it makes the delegate take the body, as handlesReceivedData does.
    void setDidReceiveDataSelector(TextSelector s) { m_didReceiveDataSelector = std::move(s); }

    // Blocks, called where the callbacks go, as they are set when called.
    void setStartedBlock(Block b) { setBlock(m_blocks.started, std::move(b)); }
    void setCompletionBlock(Block b) { setBlock(m_blocks.completion, std::move(b)); }
    void setFailedBlock(Block b) { setBlock(m_blocks.failure, std::move(b)); }
    void setRequestRedirectedBlock(Block b) { setBlock(m_blocks.requestRedirected, std::move(b)); }
    // What arrives: the head, the body's bytes (instead of keeping them).
    void setHeadersReceivedBlock(HeadersBlock b) { setBlock(m_blocks.headersReceived, std::move(b)); }
    void setDataReceivedBlock(DataBlock b) { setBlock(m_blocks.dataReceived, std::move(b)); }
    // Progress: (step, total) and size changes.
    void setBytesReceivedBlock(ProgressBlock b) { setBlock(m_blocks.bytesReceived, std::move(b)); }
    void setBytesSentBlock(ProgressBlock b) { setBlock(m_blocks.bytesSent, std::move(b)); }
    void setDownloadSizeIncrementedBlock(SizeBlock b) { setBlock(m_blocks.downloadSizeIncremented, std::move(b)); }
    void setUploadSizeIncrementedBlock(SizeBlock b) { setBlock(m_blocks.uploadSizeIncremented, std::move(b)); }
    // Challenges nobody could answer from what is known.
    void setAuthenticationNeededBlock(Block b) { setBlock(m_blocks.authenticationNeeded, std::move(b)); }
    void setProxyAuthenticationNeededBlock(Block b) { setBlock(m_blocks.proxyAuthenticationNeeded, std::move(b)); }

    void setTimeOutSeconds(double s) { m_timeOutSeconds = s; }
    double timeOutSeconds() const { return m_timeOutSeconds; }
    void setNumberOfTimesToRetryOnTimeout(int n) { m_numberOfTimesToRetryOnTimeout = n; }
    int numberOfTimesToRetryOnTimeout() const { return m_numberOfTimesToRetryOnTimeout; }
    int retryCount() const { return m_retryCount; }
    void setUserAgent(const std::string& ua) { m_userAgent = ua; }
    void setUseCookiePersistence(bool v) { m_useCookiePersistence = v; }
    bool useCookiePersistence() const { return m_useCookiePersistence; }
    void setUseSessionPersistence(bool v) { m_useSessionPersistence = v; }
    void setUseKeychainPersistence(bool v) { m_useKeychainPersistence = v; }
    void setAllowCompressedResponse(bool v) { m_allowCompressedResponse = v; }
    bool allowCompressedResponse() const { return m_allowCompressedResponse; }
    void setShouldWaitToInflateCompressedResponses(bool v) { m_shouldWaitToInflateCompressedResponses = v; }
    void setDownloadDestinationPath(const std::string& p) { m_downloadDestinationPath = p; }
    const std::string& downloadDestinationPath() const { return m_downloadDestinationPath; }
    void setTemporaryFileDownloadPath(const std::string& p) { m_temporaryFileDownloadPath = p; }
    const std::string& temporaryFileDownloadPath() const { return m_temporaryFileDownloadPath; }
    void setAllowResumeForFileDownloads(bool v) { m_allowResumeForFileDownloads = v; }
    void setUsername(const std::string& u) { m_username = u; }
    void setPassword(const std::string& p) { m_password = p; }
    void setDomain(const std::string& d) { m_domain = d; }
    const std::string& username() const { return m_username; }
    const std::string& password() const { return m_password; }
    void setProxyUsername(const std::string& u) { m_proxyUsername = u; }
    void setProxyPassword(const std::string& p) { m_proxyPassword = p; }
    void setProxyDomain(const std::string& d) { m_proxyDomain = d; }
    const std::string& domain() const { return m_domain; }
    const std::string& proxyUsername() const { return m_proxyUsername; }
    const std::string& proxyPassword() const { return m_proxyPassword; }
    const std::string& proxyDomain() const { return m_proxyDomain; }
    void setProxyHost(const std::string& h) { m_proxyHost = h; }
    const std::string& proxyHost() const { return m_proxyHost; }
    void setProxyPort(int p) { m_proxyPort = p; }
    int proxyPort() const { return m_proxyPort; }
    void setProxyType(const std::string& t) { m_proxyType = t; } // "HTTP", "HTTPS", "SOCKS"
    const std::string& proxyType() const { return m_proxyType; }
    void setPACurl(const std::string& url) { m_PACurl = url; }
    const std::string& PACurl() const { return m_PACurl; }
    void setShouldPresentCredentialsBeforeChallenge(bool v) { m_shouldPresentCredentialsBeforeChallenge = v; }
    void setShouldPresentAuthenticationDialog(bool v) { m_shouldPresentAuthenticationDialog = v; }
    void setShouldPresentProxyAuthenticationDialog(bool v) { m_shouldPresentProxyAuthenticationDialog = v; }
    bool shouldPresentAuthenticationDialog() const { return m_shouldPresentAuthenticationDialog; }
    bool shouldPresentProxyAuthenticationDialog() const { return m_shouldPresentProxyAuthenticationDialog; }
    void setShouldRedirect(bool v) { m_shouldRedirect = v; }
    void setShouldUseRFC2616RedirectBehaviour(bool v) { m_shouldUseRFC2616RedirectBehaviour = v; }
    int redirectCount() const { return m_redirectCount; }
    void redirectToURL(const std::string& url);
    void setUseHTTPVersionOne(bool v) { m_useHTTPVersionOne = v; }
    void setValidatesSecureCertificate(bool v) { m_validatesSecureCertificate = v; }
    void setClientCertificateFiles(const std::string& certificate, const std::string& key);
    void setShouldAttemptPersistentConnection(bool v) { m_shouldAttemptPersistentConnection = v; }
    bool shouldAttemptPersistentConnection() const { return m_shouldAttemptPersistentConnection; }
    void setPersistentConnectionTimeoutSeconds(double s) { m_persistentConnectionTimeoutSeconds = s; }
    double persistentConnectionTimeoutSeconds() const { return m_persistentConnectionTimeoutSeconds; }
    bool connectionCanBeReused() const { return m_connectionCanBeReused; }
    // The engine's number for the connection the last attempt used; 0 none.
    int connectionID() const;
    void setShowAccurateProgress(bool v) { m_showAccurateProgress = v; }
    bool showAccurateProgress() const { return m_showAccurateProgress; }
    void setShouldResetDownloadProgress(bool v) { m_shouldResetDownloadProgress = v; }
    bool shouldResetDownloadProgress() const { return m_shouldResetDownloadProgress; }
    void setShouldResetUploadProgress(bool v) { m_shouldResetUploadProgress = v; }
    bool shouldResetUploadProgress() const { return m_shouldResetUploadProgress; }
    void setDefaultResponseEncoding(const std::string& charset) { m_defaultResponseEncoding = charset; }
    const std::string& defaultResponseEncoding() const { return m_defaultResponseEncoding; }
    const std::string& responseEncoding() const { return m_responseEncoding; }
    void setUserInfo(RQUserInfo info) { m_userInfo = std::move(info); }
    const RQUserInfo& userInfo() const { return m_userInfo; }
    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }
    void setShouldContinueWhenAppEntersBackground(bool v) { m_shouldContinueWhenAppEntersBackground = v; }
    // A cache that outlives every request (the shared one).
    void setDownloadCache(RQCacheDelegate* cache) {
        m_downloadCache = cache;
        m_weakCache.reset();
    }
    // A cache that may go first: a request started after it is gone runs
    // without one; one that found it keeps it until it has finished.
    void setDownloadCache(std::weak_ptr<RQCacheDelegate> cache) {
        m_downloadCache = nullptr;
        m_weakCache = std::move(cache);
    }
    RQCacheDelegate* downloadCache() const { return m_downloadCache; }
    void setCachePolicy(int p) { m_cachePolicy = p; }
    int cachePolicy() const { return m_cachePolicy; }
    void setCacheStoragePolicy(int p) { m_cacheStoragePolicy = p; }
    int cacheStoragePolicy() const { return m_cacheStoragePolicy; }
    void setSecondsToCache(double s) { m_secondsToCache = s; }
    bool didUseCachedResponse() const { return m_didUseCachedResponse; }

    // ---- the answer (valid after the finish callback)
    int responseStatusCode() const { return m_responseStatusCode; }
    const std::string& responseStatusMessage() const { return m_responseStatusMessage; }
    const RQHeaderMap& responseHeaders() const { return m_responseHeaders; }
    bool hasResponseHeaders() const { return m_haveResponseHeaders; }
    const std::vector<net::Cookie>& responseCookies() const { return m_responseCookies; }
    uint64_t contentLength() const { return m_contentLength; }
    uint64_t totalBytesRead() const { return m_totalBytesRead; }
    uint64_t totalBytesSent() const { return m_totalBytesSent; }
    uint64_t partialDownloadSize() const { return m_partialDownloadSize; }
    RQErrorPtr error() const;
    bool complete() const { return m_complete; }
    bool isResponseCompressed() const;
    // The body, inflated when it came gzip and was kept compressed; nullopt when it does not inflate.
    std::optional<std::string> responseData() const;
    // The body as UTF-8 text from its charset (the answer's, else the default); nullopt when it does not decode.
    std::optional<std::string> responseString() const;
    const std::string& rawResponseData() const { return m_rawResponseData; }
    int authenticationNeeded() const { return m_authenticationNeeded; }
    const std::string& authenticationRealm() const { return m_serverAuth.realm; }
    const std::string& authenticationScheme() const { return m_serverAuth.scheme; }
    const std::string& proxyAuthenticationScheme() const { return m_proxyAuth.scheme; }
    const std::string& proxyAuthenticationRealm() const { return m_proxyAuth.realm; }

    // ---- authentication answers from a delegate or the dialog
    void retryUsingSuppliedCredentials();
    void cancelAuthentication();

    // ---- where credentials come from (network thread while the request runs)
    // The first source with both a user name and a password; null when none.
    RQCredentials findCredentials();
    RQCredentials findProxyCredentials();
    // The session entry for this request; nullopt when none.
    std::optional<RQSessionCredentialsEntry> findSessionAuthenticationCredentials();
    std::optional<RQSessionCredentialsEntry> findSessionProxyAuthenticationCredentials();
    void saveCredentialsToKeychain(const RQCredentials& credentials);
    void saveProxyCredentialsToKeychain(const RQCredentials& credentials);

    // ---- queue support
    // Drops the blocks on the main thread (the destructor does this).
    void releaseBlocksOnMainThread();
    static void releaseBlocks(std::vector<std::any> blocks);
    std::shared_ptr<RQHTTPRequest> HEADRequest();
    RQHTTPRequest* mainRequest() const { return m_mainRequest; }
    virtual std::shared_ptr<RQHTTPRequest> copy() const;

    // ---- class-wide settings
    static core::OperationQueue& sharedQueue();
    static net::NetworkLoop& threadForRequest();
    static double defaultTimeOutSeconds();
    static void setDefaultTimeOutSeconds(double seconds);
    static std::optional<std::string> defaultUserAgentString();
    static void setDefaultUserAgentString(std::optional<std::string> ua);
    static RQCacheDelegate* defaultCache();
    static void setDefaultCache(RQCacheDelegate* cache);
    static net::CookieStorage& cookieStorage(); // the shared store
    static std::vector<net::Cookie> sessionCookies();
    static void setSessionCookies(std::vector<net::Cookie> cookies);
    static void addSessionCookie(const net::Cookie& cookie);
    static void clearSession();
    static bool isNetworkInUse();
    // The status bar's network activity indicator follows the streams open.
    static void setShouldUpdateNetworkActivityIndicator(bool update);
    static void showNetworkActivityIndicator();
    static void hideNetworkActivityIndicator();
    static void hideNetworkActivityIndicatorAfterDelay();
    static void hideNetworkActivityIndicatorIfNeeeded();
    static int openConnectionCount(); // pool entries, idle or busy
    static void expirePersistentConnections();

    // Progress indicators (main thread).
    static void updateProgressIndicator(const std::weak_ptr<RQProgressDelegate>& indicator, uint64_t progress,
                                        uint64_t total);

    // Bandwidth (shared by all requests).
    static bool isBandwidthThrottled();
    static unsigned long maxBandwidthPerSecond();
    static void setMaxBandwidthPerSecond(unsigned long bytes);
    static void incrementBandwidthUsedInLastSecond(unsigned long bytes);
    static unsigned long averageBandwidthUsedPerSecond();
    static void measureBandwidthUsage();
    static unsigned long maxUploadReadLength();
    static void setShouldThrottleBandwidthForWWAN(bool throttle);
    static void throttleBandwidthForWWANUsingLimit(unsigned long limit);
    static bool isNetworkReachableViaWWAN();
    static void reachabilityChanged();
    // When throttled requests may read again (monotonic clock seconds); nullopt none.
    static std::optional<double> throttleWakeUpTime();
    static void resetBandwidthMeasurement(); // tests
    void performThrottling();

    // Helpers.
    static void parseMimeType(std::string* mimeType, std::string* charset, const std::string& contentType);
    static std::optional<double> expiryDateForRequest(RQHTTPRequest& request, double maxAge);
    static std::optional<double> dateFromRFC1123String(const std::string& text);
    static std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);
    static std::string base64forData(const std::string& data);
    static bool removeFileAtPath(const std::string& path, RQErrorPtr* err);

    // Session stores: credentials that worked in this process. Storing drops
    // the entry holding the very same record first; removing drops the first
    // entry holding that very record (an equal one elsewhere stays).
    static void storeAuthenticationCredentialsInSessionStore(RQSessionCredentialsEntry entry);
    static void storeProxyAuthenticationCredentialsInSessionStore(RQSessionCredentialsEntry entry);
    static void removeAuthenticationCredentialsFromSessionStore(const RQCredentials& credentials);
    static void removeProxyAuthenticationCredentialsFromSessionStore(const RQCredentials& credentials);
    static std::vector<RQSessionCredentialsEntry> sessionCredentialsStore();
    static std::vector<RQSessionCredentialsEntry> sessionProxyCredentialsStore();
    static void clearSessionCredentials(); // both stores (the dialog's tests)

    // The platform's credential storage, one default per protection space.
    static void saveCredentialsForHost(const net::Credential& credentials, const std::string& host, int port,
                                       const std::string& protocol, const std::string& realm);
    static void saveCredentialsForProxy(const net::Credential& credentials, const std::string& proxy, int port,
                                        const std::string& realm);
    static std::optional<net::Credential> savedCredentialsForHost(const std::string& host, int port,
                                                                  const std::string& protocol,
                                                                  const std::string& realm);
    // The protocol is not part of a proxy's space.
    static std::optional<net::Credential> savedCredentialsForProxy(const std::string& proxy, int port,
                                                                   const std::string& protocol,
                                                                   const std::string& realm);
    static void removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                         const std::string& realm);
    static void removeCredentialsForProxy(const std::string& proxy, int port, const std::string& realm);

protected:
    // Steps subclasses extend.
    virtual void requestFinishedHook() {} // network thread, before the finish report
    // Network thread, when the body has ended well: a subclass that still has
    // work to do answers true and later calls finishAfterTakeOver (or fails).
    virtual bool takeOverFinish() { return false; }
    void finishAfterTakeOver();
    void failAfterTakeOver(RQErrorPtr error);
    // Gives a copy what copy() carries; subclasses add their own fields.
    void copyFieldsInto(RQHTTPRequest& copy) const;
    // Replaces the answer's body with one made here (no longer compressed).
    void replaceResponseBody(std::string body);
    void failWithError(RQErrorPtr error);
    void appendPostString(const std::string& text);
    void setupPostBody();
    void basePostBodyPreparation();
    void setHaveBuiltPostBody(bool v) { m_haveBuiltPostBody = v; }
    bool haveBuiltPostBody() const { return m_haveBuiltPostBody; }
    void requestFinished();
    void markAsFinished();
    void setDelegateCallbackRequest(RQHTTPRequest* r) { (void)r; }
    std::recursive_mutex& cancelledLock() const { return m_cancelledLock; }
    static RQErrorPtr standardError(int code);
    // Runs fn where the request's callbacks go (the main thread, or the waiting caller).
    void deliver(std::function<void()> fn);

    // What a caller set to be called back; cleared together.
    struct Blocks {
        Block started;
        HeadersBlock headersReceived;
        Block completion;
        Block failure;
        ProgressBlock bytesReceived;
        ProgressBlock bytesSent;
        SizeBlock downloadSizeIncremented;
        SizeBlock uploadSizeIncremented;
        DataBlock dataReceived;
        Block authenticationNeeded;
        Block proxyAuthenticationNeeded;
        Block requestRedirected;
    };
    // A block as it is set now (blocks may be set or cleared from any thread).
    template <typename T>
    T currentBlock(const T& field) const {
        std::lock_guard lock(m_cancelledLock);
        return field;
    }
    // Calls a block where the request's callbacks go, as it is set by then.
    template <typename T, typename... Args>
    void deliverBlock(T Blocks::*field, Args... args) {
        deliver([keep = self(), field, args...] {
            if (auto b = keep->currentBlock(keep->m_blocks.*field))
                b(args...);
        });
    }
    template <typename T>
    void setBlock(T& field, T value) {
        std::lock_guard lock(m_cancelledLock);
        field = std::move(value);
    }

private:
    class StreamClient;
    friend class StreamClient;
    friend class RQInputStream;
    friend class RQProxyResolver;

    void mainStep();
    void buildAndStart(std::unique_lock<std::recursive_mutex>& lock);
    void buildRequestHeaders();
    void applyCookieHeader();
    void updatePartialDownloadSize();
    void applyResumeRange();
    bool isResumingDownload() const;
    RQErrorPtr compressedBodyError();
    static std::string copyOfBody(const std::string& body);
    void reserveResponseBody(size_t incoming);
    bool willRedirectStatus() const;
    void applyAuthorizationHeader();
    bool configureProxies();
    void useProxy(const RQProxyResolver::Choice& choice);
    void fetchPACFile();
    // An attempt: startRequest runs these steps in turn.
    void startRequest();
    void resetForAttempt();
    net::HttpStreamRequest streamRequest() const;
    bool attachBody(net::HttpStreamRequest& sr);
    bool bookConnection(); // answers whether the connection is a fresh one
    bool openReadStream(net::HttpStreamRequest sr);
    void scheduleStatusTimer();
    void updateStatus();
    void checkRequestStatus();
    bool shouldTimeOut() const;
    void cancelLoad();
    void cancelOnRequestThread();
    void destroyReadStream();
    void setHeader(const std::string& name, const std::string& value);
    void removeHeader(const std::string& name);

    void readResponseHeaders(const net::HttpResponseHead& head);
    void takeResponseHead(const net::HttpResponseHead& head);
    void countDownloadSize();
    bool willRedirect();
    void performRedirect();
    bool willAskDelegateToConfirmRedirect();
    void handleBytes(const char* data, size_t size);
    bool openDownloadFile();
    void writeToDownloadFiles(const char* data, size_t size, const std::optional<std::string>& inflated);
    void handleStreamComplete();
    RQErrorPtr closeOutTransfer();
    RQErrorPtr moveDownloadIntoPlace();
    void handleStreamError(net::StreamError kind, const std::string& message);
    void afterEvent();
    bool retryUsingNewConnection();
    void useDataFromCache();
    bool removeTemporaryFile(std::string& path);
    bool removeTemporaryDownloadFile();
    bool removeTemporaryUncompressedDownloadFile();
    bool removeTemporaryUploadFile();
    bool removeTemporaryCompressedUploadFile();
    void decideReuse(const net::HttpResponseHead& head);

    // What Digest auth-int covers: the body as sent (empty when not needed).
    std::string entityBodyMD5(const net::HttpAuthentication& auth) const;
    void attemptToApplyCredentialsAndResume();
    void attemptToApplyProxyCredentialsAndResume();
    // The challenge just answered, read into state; false when none could be made.
    bool takeChallenge(RQAuthState& state, bool proxy);
    // What the challenge says of the credentials applied before it.
    enum class ChallengeVerdict { Valid, Rejected, Unusable };
    ChallengeVerdict judgeChallenge(const RQAuthState& state) const;
    void startAfterCredentials(std::unique_lock<std::recursive_mutex>& lock);
    bool applyCredentials(const RQCredentials& credentials);
    bool applyProxyCredentials(const RQCredentials& credentials);
    bool willAskDelegateForCredentials();
    bool willAskDelegateForProxyCredentials();
    void askDelegateForCredentials();
    void askDelegateForProxyCredentials();
    bool showAuthenticationDialog();
    bool showProxyAuthenticationDialog();
    void failAuthentication();
    void addBasicAuthenticationHeaderWithUsername(const std::string& user, const std::string& password);
    // Keeps Basic credentials a server accepted before any challenge, unless kept already.
    void storeBasicCredentialsSentBeforeChallenge();
    static void clearServerSessionCredentials(); // clearSession leaves the proxies'

    // Reports (main thread; a proxy-script request reports on the network thread).
    bool onCallbackThread() const;
    // The selector when set, else the delegate's own call; then the block; then the queue.
    void report(const Selector& selector, void (RQHTTPRequestDelegate::*call)(RQHTTPRequest&), Block Blocks::*block);
    void requestStarted();
    void requestReceivedResponseHeaders(RQHeaderMap headers);
    void requestRedirected();
    void requestWillRedirectToURL(const std::string& url);
    void reportFinished();
    void reportFailure();
    void passOnReceivedData(std::string data);
    void updateProgressIndicators();
    void updateDownloadProgress();
    void updateUploadProgress();
    void incrementDownloadSizeBy(int64_t amount);
    void incrementUploadSizeBy(int64_t amount);
    void removeUploadProgressSoFar();
    void deliverProgress(bool download, std::function<void(RQProgressDelegate&, RQHTTPRequest&)> call);
    void setIndicator(bool download, uint64_t progress, uint64_t total);

    // Held while a progress indicator is given its value.
    static std::mutex& completionLock();

    // ---- fields
    mutable std::recursive_mutex m_cancelledLock;
    std::optional<net::Url> m_url;
    std::string m_urlText;
    std::string m_originalURL;
    std::string m_redirectURL;
    std::weak_ptr<RQHTTPRequestDelegate> m_delegate;
    std::weak_ptr<RQRequestQueue> m_queue;
    std::shared_ptr<RQRequestQueue> m_queueKeepAlive; // from the start to the last report
    bool m_destroying = false;
    std::weak_ptr<RQProgressDelegate> m_uploadProgressDelegate;
    std::weak_ptr<RQProgressDelegate> m_downloadProgressDelegate;
    std::string m_requestMethod = "GET";
    std::string m_postBody;
    std::string m_compressedPostBody;
    bool m_shouldStreamPostDataFromDisk = false;
    std::string m_postBodyFilePath;
    std::string m_compressedPostBodyFilePath;
    bool m_didCreateTemporaryPostDataFile = false;
    RQFile m_postBodyWriteStream;
    std::shared_ptr<RQInputStream> m_postBodyReadStream;
    std::vector<std::pair<std::string, std::string>> m_requestHeaders;
    bool m_haveBuiltRequestHeaders = false;
    RQHeaderMap m_responseHeaders;
    bool m_haveResponseHeaders = false;
    std::vector<net::Cookie> m_requestCookies;
    std::vector<net::Cookie> m_responseCookies;
    bool m_useCookiePersistence = true;
    bool m_useKeychainPersistence = false;
    bool m_useSessionPersistence = true;
    bool m_allowCompressedResponse = true;
    bool m_shouldCompressRequestBody = false;
    std::string m_downloadDestinationPath;
    std::string m_temporaryFileDownloadPath;
    std::string m_temporaryUncompressedDataDownloadPath;
    RQFile m_fileDownloadOutputStream;
    RQFile m_inflatedFileDownloadOutputStream;
    bool m_appendToDownloadFiles = false; // this answer continues the files' earlier part
    std::atomic<bool> m_complete = false;
    std::atomic<bool> m_cancelled = false;
    RQErrorPtr m_error;
    std::string m_username;
    std::string m_password;
    std::string m_userAgent;
    std::string m_domain;
    std::string m_proxyUsername;
    std::string m_proxyPassword;
    std::string m_proxyDomain;
    std::string m_rawResponseData;
    // A compressed body kept in memory, inflated once when it ended whole;
    // responseData answers from it instead of inflating again.
    std::optional<std::string> m_inflatedResponseData;
    RQAuthState m_serverAuth;
    bool m_shouldPresentAuthenticationDialog = false;
    bool m_shouldPresentProxyAuthenticationDialog = true;
    RQAuthState m_proxyAuth;
    int m_responseStatusCode = 0;
    std::string m_responseStatusMessage;
    uint64_t m_contentLength = 0;
    uint64_t m_partialDownloadSize = 0;
    uint64_t m_postLength = 0;
    uint64_t m_totalBytesRead = 0;
    uint64_t m_totalBytesSent = 0;
    uint64_t m_lastBytesRead = 0;
    uint64_t m_lastBytesSent = 0;
    Selector m_didStartSelector;
    Selector m_didFinishSelector;
    Selector m_didFailSelector;
    HeadersSelector m_didReceiveResponseHeadersSelector;
    TextSelector m_willRedirectSelector;
    TextSelector m_didReceiveDataSelector;
    double m_lastActivityTime = 0; // monotonic seconds, 0 unset
    double m_timeOutSeconds = 10;
    bool m_shouldResetUploadProgress = true;
    bool m_shouldResetDownloadProgress = true;
    RQHTTPRequest* m_mainRequest = nullptr;
    std::shared_ptr<RQHTTPRequest> m_mainRequestKeepAlive;
    bool m_showAccurateProgress = true;
    bool m_updatedProgress = false;
    bool m_haveBuiltPostBody = false;
    uint64_t m_uploadBufferSize = 0;
    std::string m_defaultResponseEncoding = "ISO-8859-1";
    std::string m_responseEncoding;
    bool m_allowResumeForFileDownloads = false;
    RQUserInfo m_userInfo;
    int m_tag = 0;
    bool m_useHTTPVersionOne = false;
    bool m_shouldRedirect = true;
    bool m_needsRedirect = false;
    int m_redirectCount = 0;
    bool m_validatesSecureCertificate = true;
    std::string m_clientCertificateFile;
    std::string m_clientKeyFile;
    std::string m_proxyHost;
    int m_proxyPort = 0;
    std::string m_proxyType;
    std::string m_PACurl;
    int m_authenticationNeeded = 0;
    bool m_shouldPresentCredentialsBeforeChallenge = true;
    std::atomic<bool> m_inProgress = false;
    bool m_readStreamIsScheduled = false;
    int m_numberOfTimesToRetryOnTimeout = 0;
    int m_retryCount = 0;
    bool m_willRetryRequest = false;
    bool m_shouldAttemptPersistentConnection = true;
    double m_persistentConnectionTimeoutSeconds = 60;
    bool m_connectionCanBeReused = false;
    std::shared_ptr<RQConnectionEntry> m_connectionInfo;
    bool m_shouldUseRFC2616RedirectBehaviour = false;
    bool m_downloadComplete = false;
    uint64_t m_requestID = 0;
    uint64_t m_statusTimer = 0;
    RQCacheDelegate* m_downloadCache = nullptr;
    std::weak_ptr<RQCacheDelegate> m_weakCache;
    std::shared_ptr<RQCacheDelegate> m_cacheInUse; // m_weakCache's, while the request runs
    int m_cachePolicy = 0;
    int m_cacheStoragePolicy = 0;
    bool m_didUseCachedResponse = false;
    double m_secondsToCache = 0;
    bool m_shouldContinueWhenAppEntersBackground = false;
    std::unique_ptr<RQDataDecompressor> m_dataDecompressor;
    bool m_shouldWaitToInflateCompressedResponses = true;
    bool m_isPACFileRequest = false;
    RQProxyResolver m_proxyResolver;
    bool m_isSynchronous = false;
    bool m_syncCallerIsMain = false;

    Blocks m_blocks;

    std::shared_ptr<StreamClient> m_streamClient;
    std::unique_ptr<net::HttpStream> m_readStream;
    std::optional<net::HttpResponseHead> m_pendingHead;

    // Synchronous requests started on the main thread get their callbacks here.
    std::mutex m_syncMutex;
    std::condition_variable m_syncCv;
    std::deque<std::function<void()>> m_syncTasks;
    bool m_syncDone = false;
};

} // namespace pw
