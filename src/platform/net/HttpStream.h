#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef void CURL;
struct curl_slist;

namespace pw::net {

class NetworkLoop;

using HeaderList = std::vector<std::pair<std::string, std::string>>;

enum class StreamError {
    None,
    NameLookup,       // the host (or the proxy) name did not resolve
    ConnectionFailed, // nobody answered
    ConnectionLost,   // the connection dropped before the answer ended
    TimedOut,
    Tls, // handshake or certificate
    Proxy,
    Malformed, // the answer is not HTTP
    Cancelled,
    Other,
};

enum class ProxyType { Http, Socks4, Socks5 };

struct HttpStreamRequest {
    std::string method = "GET";
    std::string url;
    bool httpVersion10 = false;
    // Sent as given, in order; Host comes first from the URL.
    HeaderList headers;
    // The body: bytes, or a pull function (count read, 0 at the end, negative on error).
    std::optional<std::string> body;
    std::function<int64_t(char* buffer, size_t size)> bodyReader;
    int64_t bodyLength = -1;
    // Proxy, when proxyHost is set.
    std::string proxyHost;
    int proxyPort = 0;
    ProxyType proxyType = ProxyType::Http;
    // TLS.
    bool validatesSecureCertificate = true;
    std::string clientCertificateFile; // PEM holding certificate (and key unless given apart)
    std::string clientKeyFile;
    // Connections: reuse an idle one to the same origin, and keep this one open after.
    bool attemptPersistentConnection = true;
    bool freshConnection = false;
    // Kept under the allocator's mapping threshold: a buffer that big is
    // mapped and unmapped for every stream, which costs more on short answers
    // than its size gains on long ones.
    size_t receiveBufferSize = 100 * 1024;
};

struct HttpResponseHead {
    int statusCode = 0;
    std::string statusLine;  // the whole first line without its line break
    std::string httpVersion; // "1.0", "1.1"
    HeaderList headers;      // as received, Set-Cookie excluded
    std::vector<std::string> setCookies;

    std::optional<std::string> header(std::string_view name) const; // first, case-insensitive
};

// One HTTP exchange: sends a request and hands on the answer's head, the body
// (de-chunked, still compressed) and the end or the error. It moves bytes
// only; whoever owns it decides about redirects, authentication and so on.
// Everything but construction runs on the loop's thread; events arrive there.
class HttpStream {
public:
    struct Client {
        virtual ~Client() = default;
        virtual void streamReceivedHead(HttpStream&, const HttpResponseHead&) {}
        // Returns false to stop the transfer (it then ends with Cancelled, reported nowhere).
        virtual bool streamReceivedBytes(HttpStream&, const char* data, size_t size) = 0;
        virtual void streamEnded(HttpStream&) = 0;
        virtual void streamFailed(HttpStream&, StreamError kind, const std::string& message) = 0;
    };

    HttpStream(NetworkLoop& loop, HttpStreamRequest request, std::shared_ptr<Client> client);
    ~HttpStream(); // loop thread; closes the transfer without events
    HttpStream(const HttpStream&) = delete;
    HttpStream& operator=(const HttpStream&) = delete;

    // Starts the exchange. False when the request cannot be made (bad URL, no handle).
    bool open();
    void close();
    bool isOpen() const { return m_open; }
    // Holds back reading the answer (bandwidth) and lets it go on.
    void pauseReceiving(bool paused);
    bool isReceivingPaused() const { return m_recvPaused; }

    uint64_t bodyBytesWritten() const { return m_bodyBytesWritten; }
    const std::optional<HttpResponseHead>& responseHead() const { return m_head; }
    const HttpStreamRequest& request() const { return m_request; }
    // Local port of the connection used (tells connections apart), 0 unknown.
    int localPort() const;

    // Called by the loop.
    void finished(int curlCode);
    CURL* handle() const { return m_easy.get(); }

private:
    // The steps of open: proxy, TLS, method and body (answers whether there
    // is a body), headers.
    void applyProxy(CURL* e);
    void applyTls(CURL* e);
    bool applyMethodAndBody(CURL* e);
    void applyHeaders(CURL* e, bool hasBody);
    void appendHeader(const std::string& line);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onRead(char* data, size_t size, size_t count, void* self);

    NetworkLoop& m_loop;
    HttpStreamRequest m_request;
    std::shared_ptr<Client> m_client;
    struct EasyCleanup {
        void operator()(CURL* easy) const;
    };
    struct ListFree {
        void operator()(curl_slist* list) const;
    };
    std::unique_ptr<CURL, EasyCleanup> m_easy;
    std::unique_ptr<curl_slist, ListFree> m_headerList;
    bool m_open = false;
    bool m_recvPaused = false;
    bool m_stoppedByClient = false;
    uint64_t m_bodyBytesWritten = 0;
    size_t m_bodyOffset = 0;
    HttpResponseHead m_pendingHead;
    std::optional<HttpResponseHead> m_head;
    char m_errorBuffer[256] = {};
};

} // namespace pw::net
