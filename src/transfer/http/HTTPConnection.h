#pragma once
// Serves one accepted TCP connection: reads each request head (in one read,
// under one deadline), reads its body by length or in chunks, replies (files,
// byte ranges, chunked bodies, error replies) and, when the reply allows it,
// starts over with the next request on the same connection. All connections
// of a server share one queue for this work; each socket has its own.
// Subclasses override the hooks.
#include "transfer/socket/AsyncTcpSocket.h"
#include "transfer/http/HTTPConfig.h"
#include "transfer/http/HTTPMessage.h"
#include "transfer/http/HTTPResponse.h"
#include "transfer/http/WSRange.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class WebSocket;

class HTTPConnection : public AsyncTcpSocketDelegate, public std::enable_shared_from_this<HTTPConnection> {
public:
    static constexpr size_t kMaxHeaderLineLength = 8190;
    static constexpr size_t kMaxChunkLineLength = 200;
    static constexpr unsigned kMaxHeaderLines = 100;
    static constexpr uint64_t kMaxBodyPiece = 32768;
    static constexpr uint32_t kMaxResponsePiece = 131072;
    static constexpr size_t kMaxRanges = 32;
    // For the whole request head, however many lines it has.
    static constexpr double kReadTimeout = 30;
    static constexpr double kWriteTimeout = 30;
    // The byte ranges a Range field asks of a body of contentLength bytes,
    // sorted; nullopt when the field is void, unsatisfiable, overlapping or
    // a flood, and the body is then served whole.
    static std::optional<std::vector<WSRange>> parseRanges(const std::string& rangeHeader, uint64_t contentLength);
    // A body read that makes no progress for this long ends the connection.
    static constexpr double kBodyStallTimeout = 30;
    static constexpr size_t kMaxRecentNonces = 1000;
    static constexpr double kNonceLifetime = 300;

    HTTPConnection(std::shared_ptr<AsyncTcpSocket> socket, std::shared_ptr<HTTPConfig> config);
    ~HTTPConnection() override;

    void start();
    void stop();

    // --- hooks ---
    virtual bool supportsMethod(const std::string& method, const std::string& path);
    virtual bool expectsRequestBodyFromMethod(const std::string& method, const std::string& path);
    // TLS for the whole connection: on when this answers yes and settings are given.
    virtual bool isSecureServer();
    virtual std::optional<AsyncTcpSocket::TlsSettings> sslIdentityAndCertificates();
    virtual bool isPasswordProtected(const std::string& path);
    virtual bool useDigestAccessAuthentication();
    virtual std::string realm();
    virtual std::optional<std::string> passwordForUser(const std::string& username);
    virtual std::shared_ptr<HTTPResponse> httpResponseForMethod(const std::string& method, const std::string& path);
    virtual std::shared_ptr<WebSocket> webSocketForURI(const std::string& path);
    virtual void prepareForBodyWithSize(uint64_t contentLength);
    virtual void processBodyData(const std::string& data);
    virtual void finishBody();
    virtual std::optional<std::string> filePathForURI(const std::string& path, bool allowDirectory = false);
    virtual std::vector<std::string> directoryIndexFileNames();
    virtual std::string preprocessResponse(HTTPMessage& response);
    virtual std::string preprocessErrorResponse(HTTPMessage& response);

    bool isAuthenticated();
    std::optional<std::string> requestURI() const;
    const HTTPMessage* request() const { return m_request.get(); }
    const std::shared_ptr<HTTPConfig>& config() const { return m_config; }
    const std::shared_ptr<core::DispatchQueue>& connectionQueue() const { return m_connectionQueue; }
    static std::map<std::string, std::optional<std::string>> parseParams(const std::string& query);
    std::optional<std::map<std::string, std::optional<std::string>>> parseGetParams() const;

    // From a response, any thread.
    void responseHasAvailableData(HTTPResponse* sender);
    void responseDidAbort(HTTPResponse* sender);

    static std::string dateAsString(double secondsSince1970);
    static std::string chunkedTransferSizeLineForLength(uint32_t length);
    static std::string chunkedTransferFooter();
    // Issues a nonce and remembers it for a while.
    static std::string generateNonce();
    static bool isRecentNonce(const std::string& nonce);
    // Takes a nonce off the recent list (its time is up).
    static void removeRecentNonce(const std::string& nonce);

    // Socket delegate.
    void socketDidReadData(const std::shared_ptr<AsyncTcpSocket>& sock, const std::string& data, long tag) override;
    void socketDidWriteDataWithTag(const std::shared_ptr<AsyncTcpSocket>& sock, long tag) override;
    double socketShouldTimeoutReadWithTag(const std::shared_ptr<AsyncTcpSocket>& sock, long tag, double elapsed,
                                          size_t bytesDone) override;
    void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& sock,
                             const std::optional<SocketError>& error) override;

protected:
    // The accepted socket, for a subclass that hands it to a WebSocket.
    const std::shared_ptr<AsyncTcpSocket>& asyncSocket() const { return m_asyncSocket; }
    void handleVersionNotSupported(const std::string& version);
    void handleAuthenticationFailed();
    void handleInvalidRequest(const std::string& data);
    void handleUnknownMethod(const std::string& method);
    void handleResourceNotFound();

private:
    void startConnection();
    void startReadingRequest();
    void readHead();
    bool headLinesWithinLimits(std::string_view head);
    void onHead(const std::string& data);
    bool takeBodyFraming(bool expectsBody);
    void startBody();
    void readChunkSizeLine();
    void onBodyPiece(const std::string& data);
    void onChunkSizeLine(const std::string& data);
    void onChunkData(const std::string& data);
    void onChunkTrailer(const std::string& data);
    void onFooterLine(const std::string& data);
    void readBody(size_t length, long tag);
    bool readRestOf(uint64_t received, uint64_t wanted, long tag);

    void replyToHTTPRequest();
    void sendResponseHeadersAndBody();
    void writeWholeReply(std::string data);
    void readNextRequest();
    bool sendBodyFromFile(std::string& head, bool isRangeRequest, uint64_t contentLength);
    void startSendingRanges();
    bool parseRangeRequest(const std::string& rangeHeader, uint64_t contentLength);
    HTTPMessage newUniRangeResponse(uint64_t contentLength);
    HTTPMessage newMultiRangeResponse(uint64_t contentLength);
    uint32_t writeQueueSize() const;
    uint32_t pieceBudget() const;
    void writeBodyPiece(std::string data, long tag);
    void writePlainPiece(std::string data, bool chunked);
    void continueSendingStandardResponseBody();
    void continueSendingSingleRangeResponseBody();
    void continueSendingMultiRangeResponseBody();
    void sendErrorResponse(int status, long tag, const std::vector<std::pair<std::string, std::string>>& fields = {});
    void finishResponse();
    bool shouldDie() const;
    void die();
    void addDigestAuthChallenge(HTTPMessage& response);
    void addBasicAuthChallenge(HTTPMessage& response);

    std::shared_ptr<core::DispatchQueue> m_connectionQueue;
    std::shared_ptr<AsyncTcpSocket> m_asyncSocket;
    std::shared_ptr<HTTPConfig> m_config;
    bool m_started = false;
    bool m_dead = false;
    bool m_secure = false; // TLS was asked for: bodies cannot go straight from files
    std::unique_ptr<HTTPMessage> m_request;
    unsigned m_numHeaderLines = 0;
    bool m_sentResponseHeaders = false;
    bool m_finalChunkSent = false;
    std::shared_ptr<HTTPResponse> m_httpResponse;
    std::vector<WSRange> m_ranges;
    std::vector<std::string> m_rangesHeaders;
    std::string m_rangesBoundry;
    int m_rangeIndex = 0;
    std::deque<uint32_t> m_responseDataSizes;
    std::string m_nonce;
    long m_lastNC = 0;
    uint64_t m_requestContentLength = 0;
    uint64_t m_requestContentLengthReceived = 0;
    uint64_t m_requestChunkSize = 0;
    uint64_t m_requestChunkSizeReceived = 0;
    double m_headDeadline = 0; // on the socket's clock
    size_t m_bodyBytesAtLastTimeout = 0;
    long m_bodyTagAtLastTimeout = -1;
    // The size of the file filePathForURI last found, looked up on its way:
    // the default response needs it and need not ask the file system again.
    // Cleared before each lookup, so an override that finds its own files
    // leaves it empty.
    struct FoundFile {
        std::string path;
        uint64_t length = 0;
    };
    std::optional<FoundFile> m_foundFile;
};

} // namespace pw
