#include "transfer/http/HTTPConnection.h"

#include "platform/core/DispatchSource.h"
#include "platform/net/RandomId.h"
#include "transfer/http/HTTPAuthenticationRequest.h"
#include "transfer/http/HTTPFileResponse.h"
#include "transfer/http/HTTPServer.h"
#include "transfer/http/WSData.h"
#include "transfer/log/WSLog.h"
#include "transfer/http/WSNumber.h"
#include "transfer/http/WebSocket.h"

#include <openssl/crypto.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace pw {

namespace {
constexpr int kLogLevel = WSLogMessage::LevelErrorsAndWarnings;
constexpr const char* kUnit = "HTTPConnection";

enum : long {
    TagReadHeader = 10,
    TagReadBody = 11,
    TagReadChunkSize = 12,
    TagReadChunkData = 13,
    TagReadChunkTrailer = 14,
    TagReadFooter = 15,
    TagWriteHead = 21,
    TagWriteBody = 22,
    TagWriteChunkSize = 30,
    TagWriteChunkData = 31,
    TagWriteChunkCRLF = 32,
    TagWriteSingleRange = 40,
    TagWriteMultiRange = 50,
    TagFinal = 90,
    TagFinalClose = 91,
};

bool equalsIgnoringCase(const std::optional<std::string>& a, const char* b) {
    return a && ::strcasecmp(a->c_str(), b) == 0;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Decodes percent escapes; nullopt for a malformed escape.
std::optional<std::string> percentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        int h = hex(s[i + 1]), l = hex(s[i + 2]);
        if (h < 0 || l < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(h * 16 + l));
        i += 2;
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= s.size() + (n ? 0 : 1))
            return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n + 1;
    }
    return true;
}

std::optional<std::string> realPath(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (!r)
        return std::nullopt;
    std::string s(r);
    std::free(r);
    return s;
}

bool isInside(const std::string& path, const std::string& root) {
    if (path == root)
        return true;
    std::string prefix = root.back() == '/' ? root : root + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

// Recently issued digest nonces, shared by every connection of the process.
// Bounded: the oldest go first when it is full.
struct NonceList {
    std::mutex mutex;
    std::deque<std::pair<std::string, double>> entries; // nonce, issue time
    static double now() { return std::chrono::duration<double>(core::DispatchSource::now()).count(); }
    void prune(double t) {
        while (!entries.empty() && t - entries.front().second >= HTTPConnection::kNonceLifetime)
            entries.pop_front();
        while (entries.size() > HTTPConnection::kMaxRecentNonces)
            entries.pop_front();
    }
};
// Seconds on the clock the socket's time-outs run on.
double monotonicNow() {
    return std::chrono::duration<double>(core::DispatchSource::now()).count();
}

NonceList& recentNonces() {
    static auto* list = new NonceList;
    return *list;
}
} // namespace

HTTPConnection::HTTPConnection(std::shared_ptr<AsyncTcpSocket> socket, std::shared_ptr<HTTPConfig> config)
    : m_connectionQueue(config && config->queue() ? config->queue() : core::DispatchQueue::create("HTTPConnection")),
      m_asyncSocket(std::move(socket)), m_config(std::move(config)),
      m_request(std::make_unique<HTTPMessage>(HTTPMessage::emptyRequest())) {}

HTTPConnection::~HTTPConnection() {
    if (m_asyncSocket) {
        m_asyncSocket->setDelegateAndQueue({}, nullptr, true);
        m_asyncSocket->disconnect();
    }
    if (m_httpResponse)
        m_httpResponse->connectionDidClose();
}

void HTTPConnection::start() {
    auto self = shared_from_this();
    m_connectionQueue->async([self] {
        if (self->m_started)
            return;
        self->m_started = true;
        if (self->m_asyncSocket)
            self->m_asyncSocket->setDelegateAndQueue(self, self->m_connectionQueue, true);
        self->startConnection();
    });
}

void HTTPConnection::stop() {
    auto self = shared_from_this();
    m_connectionQueue->async([self] {
        if (self->m_asyncSocket)
            self->m_asyncSocket->disconnect();
    });
}

void HTTPConnection::startConnection() {
    if (isSecureServer() && m_asyncSocket) {
        if (auto settings = sslIdentityAndCertificates()) {
            settings->isServer = true;
            m_asyncSocket->startTLS(*settings);
        }
    }
    startReadingRequest();
}

bool HTTPConnection::isSecureServer() {
    return false;
}
std::optional<AsyncTcpSocket::TlsSettings> HTTPConnection::sslIdentityAndCertificates() {
    return std::nullopt;
}

void HTTPConnection::startReadingRequest() {
    // One deadline for the whole head, not one per line: a client that
    // trickles lines would otherwise hold its connection (and a place under
    // the server's connection limit) for as long as it likes.
    m_headDeadline = monotonicNow() + kReadTimeout;
    readHeadLine();
}

void HTTPConnection::readHeadLine() {
    if (!m_asyncSocket)
        return;
    double left = m_headDeadline - monotonicNow();
    if (left <= 0) {
        m_asyncSocket->disconnect();
        return;
    }
    m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), left, TagReadHeader, kMaxHeaderLineLength);
}

std::optional<std::string> HTTPConnection::requestURI() const {
    if (!m_request)
        return std::nullopt;
    return m_request->url();
}

// ----- hooks -----

bool HTTPConnection::supportsMethod(const std::string& method, const std::string&) {
    return method == "GET" || method == "HEAD";
}

bool HTTPConnection::expectsRequestBodyFromMethod(const std::string& method, const std::string&) {
    return method == "POST" || method == "PUT";
}

bool HTTPConnection::isPasswordProtected(const std::string&) {
    return false;
}
bool HTTPConnection::useDigestAccessAuthentication() {
    return true;
}
std::string HTTPConnection::realm() {
    return "pagewell";
}
std::optional<std::string> HTTPConnection::passwordForUser(const std::string&) {
    return std::nullopt;
}
std::shared_ptr<WebSocket> HTTPConnection::webSocketForURI(const std::string&) {
    return nullptr;
}
void HTTPConnection::prepareForBodyWithSize(uint64_t) {}
void HTTPConnection::processBodyData(const std::string&) {}
void HTTPConnection::finishBody() {}

std::vector<std::string> HTTPConnection::directoryIndexFileNames() {
    return {"index.html", "index.htm"};
}

std::optional<std::string> HTTPConnection::filePathForURI(const std::string& path, bool allowDirectory) {
    std::string root = m_config ? m_config->documentRoot() : std::string();
    if (root.empty()) {
        WS_LOG_WARN(kLogLevel, "%s[%p]: No configured document root", kUnit, static_cast<void*>(this));
        return std::nullopt;
    }
    if (root.front() != '/') {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Document root is invalid file path", kUnit, static_cast<void*>(this));
        return std::nullopt;
    }
    // The path part of the target: absolute form first loses its scheme and host.
    std::string_view target = path;
    if (auto q = target.find_first_of("?#"); q != std::string_view::npos)
        target = target.substr(0, q);
    if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) {
        auto slash = target.find('/', target.find("//") + 2);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    if (target.empty() || target.front() != '/')
        return std::nullopt;
    auto decoded = percentDecode(target);
    auto outside = [&] {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Request for file outside document root", kUnit, static_cast<void*>(this));
        return std::nullopt;
    };
    if (!decoded || decoded->find('\0') != std::string::npos)
        return outside();
    // Resolve "." and ".." on the decoded path: "%2e%2e" climbs like "..".
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= decoded->size()) {
        size_t j = decoded->find('/', i);
        if (j == std::string::npos)
            j = decoded->size();
        std::string part = decoded->substr(i, j - i);
        if (part == "..") {
            if (parts.empty())
                return outside();
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string result = root == "/" ? "" : root;
    for (auto& p : parts)
        result += "/" + p;
    if (parts.empty())
        result += "/";
    // Symbolic links must not lead out either.
    if (auto real = realPath(result)) {
        if (!isInside(*real, m_config->realDocumentRoot()))
            return outside();
    }
    if (allowDirectory)
        return result;
    struct stat st {};
    if (::stat(result.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::string dir = result.back() == '/' ? result : result + "/";
        for (auto& name : directoryIndexFileNames()) {
            std::string candidate = dir + name;
            struct stat cs {};
            if (::stat(candidate.c_str(), &cs) == 0 && S_ISREG(cs.st_mode)) {
                auto real = realPath(candidate);
                if (real && isInside(*real, m_config->realDocumentRoot()))
                    return candidate;
            }
        }
        return std::nullopt;
    }
    return result;
}

std::shared_ptr<HTTPResponse> HTTPConnection::httpResponseForMethod(const std::string&, const std::string& path) {
    auto filePath = filePathForURI(path, false);
    if (!filePath)
        return nullptr;
    struct stat st {};
    if (::stat(filePath->c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return nullptr;
    return HTTPFileResponse::create(filePath, weak_from_this());
}

std::map<std::string, std::optional<std::string>> HTTPConnection::parseParams(const std::string& query) {
    std::map<std::string, std::optional<std::string>> result;
    size_t i = 0;
    while (i <= query.size()) {
        size_t j = query.find('&', i);
        if (j == std::string::npos)
            j = query.size();
        std::string piece = query.substr(i, j - i);
        i = j + 1;
        auto eq = piece.find('=');
        if (piece.empty() || eq == std::string::npos || eq == 0)
            continue;
        auto key = percentDecode(std::string_view(piece).substr(0, eq));
        if (!key || !isValidUtf8(*key))
            continue;
        auto value = percentDecode(std::string_view(piece).substr(eq + 1));
        if (value && !isValidUtf8(*value))
            value.reset();
        result[*key] = value;
    }
    return result;
}

std::optional<std::map<std::string, std::optional<std::string>>> HTTPConnection::parseGetParams() const {
    if (!m_request || !m_request->isHeaderComplete())
        return std::nullopt;
    auto url = m_request->url();
    auto q = url.find('?');
    if (q == std::string::npos)
        return std::nullopt;
    auto query = url.substr(q + 1);
    if (auto h = query.find('#'); h != std::string::npos)
        query.resize(h);
    return parseParams(query);
}

// ----- reading requests -----

void HTTPConnection::socketDidReadData(const std::shared_ptr<AsyncTcpSocket>&, const std::string& data, long tag) {
    switch (tag) {
    case TagReadHeader:
        onHeadLine(data);
        break;
    case TagReadBody:
        onBodyPiece(data);
        break;
    case TagReadChunkSize:
        onChunkSizeLine(data);
        break;
    case TagReadChunkData:
        onChunkData(data);
        break;
    case TagReadChunkTrailer:
        onChunkTrailer(data);
        break;
    case TagReadFooter:
        onFooterLine(data);
        break;
    default:
        break;
    }
}

void HTTPConnection::readBody(size_t length, long tag) {
    m_bodyTagAtLastTimeout = -1;
    if (m_asyncSocket)
        m_asyncSocket->readDataToLength(length, kBodyStallTimeout, tag);
}

double HTTPConnection::socketShouldTimeoutReadWithTag(const std::shared_ptr<AsyncTcpSocket>&, long tag, double,
                                                      size_t bytesDone) {
    // Head lines have a plain time-out. A body keeps its connection while it
    // keeps arriving; one that stops arriving ends it.
    if (tag == TagReadHeader)
        return 0;
    bool progressed = tag != m_bodyTagAtLastTimeout ? bytesDone > 0 : bytesDone > m_bodyBytesAtLastTimeout;
    m_bodyTagAtLastTimeout = tag;
    m_bodyBytesAtLastTimeout = bytesDone;
    return progressed ? kBodyStallTimeout : 0;
}

void HTTPConnection::onHeadLine(const std::string& data) {
    if (!m_request->appendData(data)) {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Malformed request", kUnit, static_cast<void*>(this));
        handleInvalidRequest(data);
        return;
    }
    if (!m_request->isHeaderComplete()) {
        if (++m_numHeaderLines > kMaxHeaderLines) {
            if (m_asyncSocket)
                m_asyncSocket->disconnect();
            return;
        }
        readHeadLine();
        return;
    }

    std::string method = m_request->method();
    std::string uri = requestURI().value_or("");
    auto transferEncoding = m_request->headerField("Transfer-Encoding");
    auto contentLength = m_request->headerField("Content-Length");
    bool expectsBody = expectsRequestBodyFromMethod(method, uri);
    if (transferEncoding && contentLength) {
        // Two framings: a proxy in front may take the other one, and the rest
        // of this body would be served as a request of its own (smuggling).
        WS_LOG_WARN(kLogLevel, "%s[%p]: Malformed request", kUnit, static_cast<void*>(this));
        handleInvalidRequest({});
        return;
    }

    uint64_t length = 0;
    if (expectsBody) {
        if (equalsIgnoringCase(transferEncoding, "chunked")) {
            length = UINT64_MAX;
        } else if (transferEncoding) {
            // A coding we cannot undo leaves the body's end unknown.
            WS_LOG_WARN(kLogLevel, "%s[%p]: Method expects chunk size, but received something else", kUnit,
                        static_cast<void*>(this));
            handleInvalidRequest({});
            return;
        } else if (!contentLength) {
            WS_LOG_WARN(kLogLevel, "%s[%p]: Method expects request body, but had no specified Content-Length", kUnit,
                        static_cast<void*>(this));
            handleInvalidRequest({});
            return;
        } else if (!WSNumber::parseDigitsIntoUInt64(*contentLength, &length)) {
            WS_LOG_WARN(kLogLevel, "%s[%p]: Unable to parse Content-Length header into a valid number", kUnit,
                        static_cast<void*>(this));
            handleInvalidRequest({});
            return;
        }
        m_requestContentLength = length;
    } else {
        if (contentLength) {
            if (!WSNumber::parseDigitsIntoUInt64(*contentLength, &length)) {
                WS_LOG_WARN(kLogLevel, "%s[%p]: Unable to parse Content-Length header into a valid number", kUnit,
                            static_cast<void*>(this));
                handleInvalidRequest({});
                return;
            }
            if (length > 0) {
                WS_LOG_WARN(kLogLevel, "%s[%p]: Method not expecting request body had non-zero Content-Length", kUnit,
                            static_cast<void*>(this));
                handleInvalidRequest({});
                return;
            }
        }
        if (transferEncoding) {
            // A body we would not read would be taken for the next request.
            WS_LOG_WARN(kLogLevel, "%s[%p]: Method not expecting request body had non-zero Content-Length", kUnit,
                        static_cast<void*>(this));
            handleInvalidRequest({});
            return;
        }
        m_requestContentLength = 0;
        m_requestContentLengthReceived = 0;
    }

    if (!supportsMethod(method, uri)) {
        handleUnknownMethod(method);
        return;
    }
    if (!expectsBody) {
        replyToHTTPRequest();
        return;
    }
    m_requestContentLengthReceived = 0;
    prepareForBodyWithSize(m_requestContentLength);
    if (m_requestContentLength == 0) {
        finishBody();
        replyToHTTPRequest();
    } else if (m_requestContentLength == UINT64_MAX) {
        if (m_asyncSocket)
            m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), kBodyStallTimeout, TagReadChunkSize,
                                          kMaxChunkLineLength);
    } else {
        readBody(static_cast<size_t>(std::min(m_requestContentLength, kMaxBodyPiece)), TagReadBody);
    }
}

void HTTPConnection::onBodyPiece(const std::string& data) {
    m_requestContentLengthReceived += data.size();
    processBodyData(data);
    if (m_requestContentLengthReceived < m_requestContentLength) {
        uint64_t left = m_requestContentLength - m_requestContentLengthReceived;
        readBody(static_cast<size_t>(std::min(left, kMaxBodyPiece)), TagReadBody);
    } else {
        finishBody();
        replyToHTTPRequest();
    }
}

void HTTPConnection::onChunkSizeLine(const std::string& data) {
    // Hexadecimal digits only, then optionally a chunk extension after ";".
    std::string_view line(data);
    if (line.size() >= 2)
        line.remove_suffix(2);
    size_t digits = 0;
    uint64_t size = 0;
    bool ok = true;
    while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) {
        char c = line[digits];
        unsigned v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
        if (size > (UINT64_MAX >> 4))
            ok = false;
        size = (size << 4) | v;
        ++digits;
    }
    if (digits == 0)
        ok = false;
    if (ok && digits < line.size()) {
        std::string_view rest = trim(line.substr(digits));
        if (!rest.empty() && rest.front() != ';')
            ok = false;
    }
    if (!ok) {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Method expects chunk size, but received something else", kUnit,
                    static_cast<void*>(this));
        handleInvalidRequest(data);
        return;
    }
    m_requestChunkSize = size;
    m_requestChunkSizeReceived = 0;
    if (size > 0) {
        readBody(static_cast<size_t>(std::min(size, kMaxBodyPiece)), TagReadChunkData);
    } else if (m_asyncSocket) {
        m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), kBodyStallTimeout, TagReadFooter,
                                      kMaxHeaderLineLength);
    }
}

void HTTPConnection::onChunkData(const std::string& data) {
    m_requestContentLengthReceived += data.size();
    m_requestChunkSizeReceived += data.size();
    processBodyData(data);
    if (m_requestChunkSizeReceived < m_requestChunkSize) {
        uint64_t left = m_requestChunkSize - m_requestChunkSizeReceived;
        readBody(static_cast<size_t>(std::min(left, kMaxBodyPiece)), TagReadChunkData);
    } else {
        readBody(2, TagReadChunkTrailer);
    }
}

void HTTPConnection::onChunkTrailer(const std::string& data) {
    if (data != "\r\n") {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Method expects chunk trailer, but is missing", kUnit, static_cast<void*>(this));
        handleInvalidRequest({});
        return;
    }
    if (m_asyncSocket)
        m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), kBodyStallTimeout, TagReadChunkSize,
                                      kMaxChunkLineLength);
}

void HTTPConnection::onFooterLine(const std::string& data) {
    if (++m_numHeaderLines > kMaxHeaderLines) {
        if (m_asyncSocket)
            m_asyncSocket->disconnect();
        return;
    }
    if (data.size() > 2) {
        if (m_asyncSocket)
            m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), kBodyStallTimeout, TagReadFooter,
                                          kMaxHeaderLineLength);
        return;
    }
    finishBody();
    replyToHTTPRequest();
}

// ----- replying -----

void HTTPConnection::replyToHTTPRequest() {
    std::string version = m_request->version();
    if (version != HTTPMessage::kVersion11 && version != HTTPMessage::kVersion10) {
        handleVersionNotSupported(version);
        return;
    }
    std::string uri = requestURI().value_or("");
    if (WebSocket::isWebSocketRequest(*m_request)) {
        auto ws = webSocketForURI(uri);
        if (!ws) {
            handleResourceNotFound();
            return;
        }
        ws->start();
        if (auto server = m_config ? m_config->server() : nullptr)
            server->addWebSocket(ws);
        if (m_asyncSocket && m_asyncSocket->delegate().get() == static_cast<AsyncTcpSocketDelegate*>(this)) {
            WS_LOG_WARN(kLogLevel, "%s[%p]: WebSocket forgot to set itself as socket delegate", kUnit,
                        static_cast<void*>(this));
            m_asyncSocket->disconnect();
            return;
        }
        // The WebSocket owns the socket from here.
        m_asyncSocket.reset();
        die();
        return;
    }
    if (isPasswordProtected(uri) && !isAuthenticated()) {
        handleAuthenticationFailed();
        return;
    }
    m_httpResponse = httpResponseForMethod(m_request->method(), uri);
    if (!m_httpResponse) {
        handleResourceNotFound();
        return;
    }
    sendResponseHeadersAndBody();
}

uint32_t HTTPConnection::writeQueueSize() const {
    uint64_t sum = 0;
    for (auto s : m_responseDataSizes)
        sum += s;
    return static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
}

void HTTPConnection::writeBodyPiece(std::string data, long tag) {
    m_responseDataSizes.push_back(static_cast<uint32_t>(data.size()));
    if (m_asyncSocket)
        m_asyncSocket->writeData(std::move(data), -1, tag);
}

void HTTPConnection::writePlainPiece(std::string data, bool chunked) {
    if (chunked) {
        m_asyncSocket->writeData(chunkedTransferSizeLineForLength(static_cast<uint32_t>(data.size())), kWriteTimeout,
                                 TagWriteChunkSize);
        writeBodyPiece(std::move(data), TagWriteChunkData);
        if (m_httpResponse->isDone()) {
            m_finalChunkSent = true;
            m_asyncSocket->writeData(chunkedTransferFooter(), kWriteTimeout, TagFinal);
        } else
            m_asyncSocket->writeData("\r\n", kWriteTimeout, TagWriteChunkCRLF);
    } else {
        writeBodyPiece(std::move(data), m_httpResponse->isDone() ? TagFinal : TagWriteBody);
    }
}

void HTTPConnection::sendResponseHeadersAndBody() {
    if (!m_httpResponse || !m_asyncSocket)
        return;
    if (m_httpResponse->delayResponeHeaders())
        return;
    bool chunked = m_httpResponse->isChunked();
    uint64_t contentLength = chunked ? 0 : m_httpResponse->contentLength();
    bool isRangeRequest = false;
    if (!chunked) {
        if (auto range = m_request->headerField("Range"))
            isRangeRequest = parseRangeRequest(*range, contentLength);
    }
    std::optional<HTTPMessage> head;
    if (isRangeRequest) {
        head = m_ranges.size() == 1 ? newUniRangeResponse(contentLength) : newMultiRangeResponse(contentLength);
    } else {
        head = HTTPMessage::response(m_httpResponse->status(), {}, HTTPMessage::kVersion11);
        if (chunked)
            head->setHeaderField("Transfer-Encoding", "chunked");
        else
            head->setHeaderField("Content-Length", std::to_string(contentLength));
    }
    bool isHead = m_request->method() == "HEAD";
    if (isHead || (!chunked && contentLength == 0)) {
        m_asyncSocket->writeData(preprocessResponse(*head), kWriteTimeout, TagFinal);
        m_sentResponseHeaders = true;
        return;
    }
    m_asyncSocket->writeData(preprocessResponse(*head), kWriteTimeout, TagWriteHead);
    m_sentResponseHeaders = true;
    if (!isRangeRequest) {
        std::string data = m_httpResponse->readDataOfLength(kMaxResponsePiece);
        if (!data.empty())
            writePlainPiece(std::move(data), chunked);
        else if (chunked && m_httpResponse->isDone())
            m_asyncSocket->writeData("0\r\n\r\n", kWriteTimeout, TagFinal); // an empty chunked body
    } else if (m_ranges.size() == 1) {
        const WSRange& r = m_ranges[0];
        m_httpResponse->setOffset(r.location);
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(r.length, kMaxResponsePiece));
        std::string data = m_httpResponse->readDataOfLength(n);
        if (!data.empty()) {
            bool whole = data.size() == r.length;
            writeBodyPiece(std::move(data), whole ? TagFinal : TagWriteSingleRange);
        }
    } else {
        m_asyncSocket->writeData(m_rangesHeaders[0], kWriteTimeout, TagWriteHead);
        const WSRange& r = m_ranges[0];
        m_httpResponse->setOffset(r.location);
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(r.length, kMaxResponsePiece));
        std::string data = m_httpResponse->readDataOfLength(n);
        if (!data.empty())
            writeBodyPiece(std::move(data), TagWriteMultiRange);
    }
}

bool HTTPConnection::parseRangeRequest(const std::string& rangeHeader, uint64_t contentLength) {
    auto ranges = parseRanges(rangeHeader, contentLength);
    if (!ranges)
        return false;
    m_ranges = std::move(*ranges);
    m_rangeIndex = 0;
    return true;
}

std::optional<std::vector<WSRange>> HTTPConnection::parseRanges(const std::string& rangeHeader,
                                                                uint64_t contentLength) {
    auto eq = rangeHeader.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    auto unit = trim(std::string_view(rangeHeader).substr(0, eq));
    auto set = trim(std::string_view(rangeHeader).substr(eq + 1));
    if (unit.size() != 5 || ::strncasecmp(unit.data(), "bytes", 5) != 0)
        return std::nullopt;
    std::vector<WSRange> ranges;
    size_t i = 0;
    while (i <= set.size()) {
        size_t j = set.find(',', i);
        if (j == std::string_view::npos)
            j = set.size();
        auto piece = trim(set.substr(i, j - i));
        i = j + 1;
        if (ranges.size() >= kMaxRanges)
            return std::nullopt; // a flood of ranges is served whole
        auto dash = piece.find('-');
        uint64_t a = 0, b = 0;
        if (dash == std::string_view::npos) {
            if (!WSNumber::parseDigitsIntoUInt64(piece, &a) || a >= contentLength)
                return std::nullopt;
            ranges.push_back({a, 1});
            continue;
        }
        auto textA = trim(piece.substr(0, dash));
        auto textB = trim(piece.substr(dash + 1));
        bool haveA = WSNumber::parseDigitsIntoUInt64(textA, &a);
        bool haveB = WSNumber::parseDigitsIntoUInt64(textB, &b);
        // A number that is not plain digits makes the whole field void.
        if ((!textA.empty() && !haveA) || (!textB.empty() && !haveB))
            return std::nullopt;
        if (haveA && haveB) {
            if (a > b || b >= contentLength)
                return std::nullopt;
            ranges.push_back({a, b - a + 1});
        } else if (haveA) {
            if (a >= contentLength)
                return std::nullopt;
            ranges.push_back({a, contentLength - a});
        } else if (haveB) {
            if (b < 1 || b > contentLength)
                return std::nullopt;
            ranges.push_back({contentLength - b, b});
        } else {
            return std::nullopt;
        }
    }
    if (ranges.empty())
        return std::nullopt;
    for (size_t x = 0; x < ranges.size(); ++x)
        for (size_t y = x + 1; y < ranges.size(); ++y)
            if (WSIntersectionRange(ranges[x], ranges[y]).length > 0)
                return std::nullopt;
    std::sort(ranges.begin(), ranges.end(), [](const WSRange& l, const WSRange& r) { return l.wsrangeCompare(r) < 0; });
    return ranges;
}

namespace {
std::string contentRange(const WSRange& r, uint64_t total) {
    return "bytes " + std::to_string(r.location) + "-" + std::to_string(r.end() - 1) + "/" + std::to_string(total);
}
} // namespace

HTTPMessage HTTPConnection::newUniRangeResponse(uint64_t contentLength) {
    auto head = HTTPMessage::response(206, {}, HTTPMessage::kVersion11);
    const WSRange& r = m_ranges[0];
    head.setHeaderField("Content-Length", std::to_string(r.length));
    head.setHeaderField("Content-Range", contentRange(r, contentLength));
    return head;
}

HTTPMessage HTTPConnection::newMultiRangeResponse(uint64_t contentLength) {
    auto head = HTTPMessage::response(206, {}, HTTPMessage::kVersion11);
    m_rangesBoundry = net::RandomId::uuidString();
    m_rangesHeaders.clear();
    uint64_t total = 0;
    for (auto& r : m_ranges) {
        std::string part =
            "\r\n--" + m_rangesBoundry + "\r\nContent-Range: " + contentRange(r, contentLength) + "\r\n\r\n";
        total += part.size() + r.length;
        m_rangesHeaders.push_back(std::move(part));
    }
    total += ("\r\n--" + m_rangesBoundry + "--\r\n").size();
    head.setHeaderField("Content-Length", std::to_string(total));
    head.setHeaderField("Content-Type", "multipart/byteranges; boundary=" + m_rangesBoundry);
    return head;
}

void HTTPConnection::continueSendingStandardResponseBody() {
    if (!m_httpResponse || !m_asyncSocket)
        return;
    uint32_t queued = writeQueueSize();
    if (queued >= kMaxResponsePiece)
        return;
    std::string data = m_httpResponse->readDataOfLength(kMaxResponsePiece - queued);
    if (data.empty()) {
        // A chunked body whose end came without more data still needs its last chunk.
        if (m_httpResponse->isChunked() && m_httpResponse->isDone() && !m_finalChunkSent) {
            m_finalChunkSent = true;
            m_asyncSocket->writeData("0\r\n\r\n", kWriteTimeout, TagFinal);
        }
        return;
    }
    writePlainPiece(std::move(data), m_httpResponse->isChunked());
}

void HTTPConnection::continueSendingSingleRangeResponseBody() {
    if (!m_httpResponse || !m_asyncSocket || m_ranges.empty())
        return;
    uint32_t queued = writeQueueSize();
    if (queued >= kMaxResponsePiece)
        return;
    const WSRange& r = m_ranges[0];
    uint64_t offset = m_httpResponse->offset();
    if (offset >= r.end())
        return;
    uint64_t left = r.end() - offset;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, kMaxResponsePiece - queued));
    std::string data = m_httpResponse->readDataOfLength(n);
    if (data.empty())
        return;
    bool last = data.size() == left;
    writeBodyPiece(std::move(data), last ? TagFinal : TagWriteSingleRange);
}

void HTTPConnection::continueSendingMultiRangeResponseBody() {
    if (!m_httpResponse || !m_asyncSocket)
        return;
    uint32_t queued = writeQueueSize();
    if (queued >= kMaxResponsePiece)
        return;
    uint32_t budget = kMaxResponsePiece - queued;
    const WSRange* r = &m_ranges[static_cast<size_t>(m_rangeIndex)];
    uint64_t offset = m_httpResponse->offset();
    uint64_t left = r->end() > offset ? r->end() - offset : 0;
    uint32_t n;
    if (left > 0) {
        n = static_cast<uint32_t>(std::min<uint64_t>(left, budget));
    } else {
        if (++m_rangeIndex >= static_cast<int>(m_ranges.size())) {
            m_asyncSocket->writeData("\r\n--" + m_rangesBoundry + "--\r\n", kWriteTimeout, TagFinal);
            return;
        }
        m_asyncSocket->writeData(m_rangesHeaders[static_cast<size_t>(m_rangeIndex)], kWriteTimeout, TagWriteHead);
        r = &m_ranges[static_cast<size_t>(m_rangeIndex)];
        m_httpResponse->setOffset(r->location);
        n = static_cast<uint32_t>(std::min<uint64_t>(r->length, budget));
    }
    std::string data = m_httpResponse->readDataOfLength(n);
    if (!data.empty())
        writeBodyPiece(std::move(data), TagWriteMultiRange);
}

void HTTPConnection::socketDidWriteDataWithTag(const std::shared_ptr<AsyncTcpSocket>&, long tag) {
    auto dropOldest = [this] {
        if (!m_responseDataSizes.empty())
            m_responseDataSizes.pop_front();
    };
    switch (tag) {
    case TagWriteBody:
        dropOldest();
        continueSendingStandardResponseBody();
        return;
    case TagWriteChunkData:
        dropOldest();
        return;
    case TagWriteChunkCRLF:
        continueSendingStandardResponseBody();
        return;
    case TagWriteSingleRange:
        dropOldest();
        continueSendingSingleRangeResponseBody();
        return;
    case TagWriteMultiRange:
        dropOldest();
        continueSendingMultiRangeResponseBody();
        return;
    case TagFinal:
    case TagFinalClose:
        break;
    default:
        return;
    }
    dropOldest();
    if (m_httpResponse)
        m_httpResponse->connectionDidClose();
    if (tag == TagFinalClose) {
        finishResponse();
        if (m_asyncSocket)
            m_asyncSocket->disconnect();
        return;
    }
    bool die = shouldDie();
    finishResponse();
    if (die) {
        if (m_asyncSocket)
            m_asyncSocket->disconnect();
        return;
    }
    m_request = std::make_unique<HTTPMessage>(HTTPMessage::emptyRequest());
    m_numHeaderLines = 0;
    m_sentResponseHeaders = false;
    m_responseDataSizes.clear();
    startReadingRequest();
}

bool HTTPConnection::shouldDie() const {
    if (!m_request)
        return true;
    auto connection = m_request->headerField("Connection");
    std::string version = m_request->version();
    if (version == HTTPMessage::kVersion11)
        return equalsIgnoringCase(connection, "close");
    if (version == HTTPMessage::kVersion10)
        return !equalsIgnoringCase(connection, "Keep-Alive");
    return false;
}

void HTTPConnection::finishResponse() {
    m_finalChunkSent = false;
    m_httpResponse.reset();
    m_ranges.clear();
    m_rangesHeaders.clear();
    m_rangesBoundry.clear();
}

void HTTPConnection::responseHasAvailableData(HTTPResponse* sender) {
    auto self = shared_from_this();
    m_connectionQueue->async([self, sender] {
        if (!self->m_httpResponse || sender != self->m_httpResponse.get()) {
            WS_LOG_WARN(kLogLevel, "%s[%p]: %s - Sender is not current httpResponse", kUnit,
                        static_cast<void*>(self.get()), "responseHasAvailableData");
            return;
        }
        if (!self->m_sentResponseHeaders)
            self->sendResponseHeadersAndBody();
        else if (self->m_ranges.empty())
            self->continueSendingStandardResponseBody();
        else if (self->m_ranges.size() == 1)
            self->continueSendingSingleRangeResponseBody();
        else
            self->continueSendingMultiRangeResponseBody();
    });
}

void HTTPConnection::responseDidAbort(HTTPResponse* sender) {
    auto self = weak_from_this().lock();
    if (!self)
        return;
    m_connectionQueue->async([self, sender] {
        if (!self->m_httpResponse || sender != self->m_httpResponse.get()) {
            WS_LOG_WARN(kLogLevel, "%s[%p]: %s - Sender is not current httpResponse", kUnit,
                        static_cast<void*>(self.get()), "responseDidAbort");
            return;
        }
        if (self->m_asyncSocket)
            self->m_asyncSocket->disconnectAfterWriting();
    });
}

// ----- error replies and heads -----

std::string HTTPConnection::dateAsString(double seconds) {
    time_t t = static_cast<time_t>(seconds);
    tm g{};
    ::gmtime_r(&t, &g);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %d %02d:%02d:%02d GMT", days[g.tm_wday], g.tm_mday, months[g.tm_mon],
                  g.tm_year + 1900, g.tm_hour, g.tm_min, g.tm_sec);
    return buf;
}

std::string HTTPConnection::chunkedTransferSizeLineForLength(uint32_t length) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lx\r\n", static_cast<unsigned long>(length));
    return buf;
}

std::string HTTPConnection::chunkedTransferFooter() {
    return "\r\n0\r\n\r\n";
}

std::string HTTPConnection::preprocessResponse(HTTPMessage& response) {
    double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    response.setHeaderField("Date", dateAsString(now));
    response.setHeaderField("Accept-Ranges", "bytes");
    if (m_httpResponse)
        for (auto& [name, value] : m_httpResponse->httpHeaders())
            response.setHeaderField(name, value);
    return response.messageData();
}

std::string HTTPConnection::preprocessErrorResponse(HTTPMessage& response) {
    return preprocessResponse(response);
}

void HTTPConnection::sendErrorResponse(int status, long tag,
                                       const std::vector<std::pair<std::string, std::string>>& fields) {
    if (!m_asyncSocket)
        return;
    auto response = HTTPMessage::response(status, {}, HTTPMessage::kVersion11);
    response.setHeaderField("Content-Length", "0");
    for (auto& [n, v] : fields)
        response.setHeaderField(n, v);
    m_asyncSocket->writeData(preprocessErrorResponse(response), kWriteTimeout, tag);
}

void HTTPConnection::handleVersionNotSupported(const std::string& version) {
    WS_LOG_WARN(kLogLevel, "HTTP Server: Error 505 - Version Not Supported: %s (%s)", version.c_str(),
                requestURI().value_or("").c_str());
    sendErrorResponse(505, TagFinal);
}

void HTTPConnection::handleAuthenticationFailed() {
    if (!m_asyncSocket)
        return;
    auto response = HTTPMessage::response(401, {}, HTTPMessage::kVersion11);
    response.setHeaderField("Content-Length", "0");
    if (useDigestAccessAuthentication())
        addDigestAuthChallenge(response);
    else
        addBasicAuthChallenge(response);
    m_asyncSocket->writeData(preprocessErrorResponse(response), kWriteTimeout, TagFinal);
}

void HTTPConnection::handleInvalidRequest(const std::string&) {
    WS_LOG_WARN(kLogLevel, "HTTP Server: Error 400 - Bad Request (%s)", requestURI().value_or("").c_str());
    sendErrorResponse(400, TagFinalClose, {{"Connection", "close"}});
}

void HTTPConnection::handleUnknownMethod(const std::string& method) {
    WS_LOG_WARN(kLogLevel, "HTTP Server: Error 405 - Method Not Allowed: %s (%s)", method.c_str(),
                requestURI().value_or("").c_str());
    sendErrorResponse(405, TagFinalClose, {{"Connection", "close"}});
}

void HTTPConnection::handleResourceNotFound() {
    sendErrorResponse(404, TagFinal);
}

// ----- authentication -----

std::string HTTPConnection::generateNonce() {
    std::string nonce = net::RandomId::uuidString();
    auto& list = recentNonces();
    std::lock_guard lock(list.mutex);
    double t = NonceList::now();
    list.entries.emplace_back(nonce, t);
    list.prune(t);
    return nonce;
}

bool HTTPConnection::isRecentNonce(const std::string& nonce) {
    auto& list = recentNonces();
    std::lock_guard lock(list.mutex);
    list.prune(NonceList::now());
    for (auto& [n, t] : list.entries)
        if (n == nonce)
            return true;
    return false;
}

void HTTPConnection::addDigestAuthChallenge(HTTPMessage& response) {
    response.setHeaderField("WWW-Authenticate",
                            "Digest realm=\"" + realm() + "\", qop=\"auth\", nonce=\"" + generateNonce() + "\"");
}

void HTTPConnection::addBasicAuthChallenge(HTTPMessage& response) {
    response.setHeaderField("WWW-Authenticate", "Basic realm=\"" + realm() + "\"");
}

namespace {
bool constantTimeEquals(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}
std::string md5Hex(const std::string& s) {
    return WSData::hexStringValue(WSData::md5Digest(s));
}
} // namespace

bool HTTPConnection::isAuthenticated() {
    HTTPAuthenticationRequest auth(*m_request);
    if (useDigestAccessAuthentication()) {
        if (!auth.isDigest() || !auth.username())
            return false;
        auto password = passwordForUser(*auth.username());
        if (!password)
            return false;
        if (!auth.uri() || *auth.uri() != requestURI().value_or(""))
            return false;
        if (!auth.nonce())
            return false;
        if (*auth.nonce() != m_nonce) {
            if (!isRecentNonce(*auth.nonce()))
                return false;
            m_nonce = *auth.nonce();
            m_lastNC = 0;
        }
        if (!auth.nc())
            return false;
        char* end = nullptr;
        long nc = std::strtol(auth.nc()->c_str(), &end, 16);
        if (end == auth.nc()->c_str() || nc <= m_lastNC)
            return false;
        m_lastNC = nc;
        // The server's own realm: a client cannot pick the one it hashes with.
        std::string ha1 = md5Hex(*auth.username() + ":" + realm() + ":" + *password);
        std::string ha2 = md5Hex(m_request->method() + ":" + *auth.uri());
        std::string expected = md5Hex(ha1 + ":" + *auth.nonce() + ":" + *auth.nc() + ":" + auth.cnonce().value_or("") +
                                      ":" + auth.qop().value_or("") + ":" + ha2);
        return auth.response() && constantTimeEquals(expected, *auth.response());
    }
    if (!auth.isBasic())
        return false;
    std::string decoded = WSData::base64Decoded(auth.base64Credentials());
    if (!isValidUtf8(decoded))
        return false;
    auto colon = decoded.find(':');
    if (colon == std::string::npos)
        return false;
    auto password = passwordForUser(decoded.substr(0, colon));
    if (!password)
        return false;
    return constantTimeEquals(*password, decoded.substr(colon + 1));
}

// ----- the end -----

void HTTPConnection::socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>&, const std::optional<SocketError>&) {
    m_asyncSocket.reset();
    die();
}

void HTTPConnection::die() {
    if (m_dead)
        return;
    m_dead = true;
    if (m_httpResponse) {
        m_httpResponse->connectionDidClose();
        m_httpResponse.reset();
    }
    if (auto server = m_config ? m_config->server() : nullptr)
        server->connectionDidDie(this);
}

} // namespace pw
