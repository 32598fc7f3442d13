#include "platform/net/HttpStream.h"

#include "platform/net/NetworkLoop.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace pw::net {
namespace {

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

bool hasHeader(const HeaderList& headers, const char* name) {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& h) { return strcasecmp(h.first.c_str(), name) == 0; });
}

StreamError kindFor(int code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return StreamError::NameLookup;
    case CURLE_COULDNT_CONNECT:
        return StreamError::ConnectionFailed;
    case CURLE_OPERATION_TIMEDOUT:
        return StreamError::TimedOut;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return StreamError::ConnectionLost;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return StreamError::Tls;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING:
        return StreamError::Malformed;
    case CURLE_ABORTED_BY_CALLBACK:
        return StreamError::Cancelled;
    default:
        return StreamError::Other;
    }
}

} // namespace

std::optional<std::string> HttpResponseHead::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (n.size() == name.size() && strncasecmp(n.c_str(), name.data(), name.size()) == 0)
            return v;
    return std::nullopt;
}

HttpStream::HttpStream(NetworkLoop& loop, HttpStreamRequest request, std::shared_ptr<Client> client)
    : m_loop(loop), m_request(std::move(request)), m_client(std::move(client)) {}

HttpStream::~HttpStream() {
    close();
}

void HttpStream::EasyCleanup::operator()(CURL* easy) const {
    curl_easy_cleanup(easy);
}

void HttpStream::ListFree::operator()(curl_slist* list) const {
    curl_slist_free_all(list);
}

bool HttpStream::open() {
    if (m_open || m_easy)
        return false;
    m_easy.reset(curl_easy_init());
    if (!m_easy)
        return false;
    CURL* e = m_easy.get();
    if (curl_easy_setopt(e, CURLOPT_URL, m_request.url.c_str()) != CURLE_OK) {
        m_easy.reset();
        return false;
    }
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HttpStream::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &HttpStream::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(m_request.receiveBufferSize));
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, m_request.httpVersion10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_TCP_NODELAY, 1L);
    // Whoever owns the stream follows redirects, answers challenges and reads
    // gzip; the library only carries the bytes.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);

    applyProxy(e);
    applyTls(e);
    bool hasBody = applyMethodAndBody(e);
    applyHeaders(e, hasBody);
    if (!m_request.attemptPersistentConnection)
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    if (m_request.freshConnection || !m_request.attemptPersistentConnection)
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);

    m_open = true;
    m_loop.addStream(this);
    return true;
}

void HttpStream::applyProxy(CURL* e) {
    // Proxies come from the request only, never from the environment.
    if (!m_request.proxyHost.empty() && m_request.proxyPort != 0) {
        curl_easy_setopt(e, CURLOPT_PROXY, m_request.proxyHost.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPORT, static_cast<long>(m_request.proxyPort));
        long type = CURLPROXY_HTTP;
        if (m_request.proxyType == ProxyType::Socks4)
            type = CURLPROXY_SOCKS4;
        else if (m_request.proxyType == ProxyType::Socks5)
            type = CURLPROXY_SOCKS5_HOSTNAME;
        curl_easy_setopt(e, CURLOPT_PROXYTYPE, type);
    } else {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    }
}

void HttpStream::applyTls(CURL* e) {
    if (!m_request.validatesSecureCertificate) {
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    if (!m_request.clientCertificateFile.empty()) {
        curl_easy_setopt(e, CURLOPT_SSLCERT, m_request.clientCertificateFile.c_str());
        if (!m_request.clientKeyFile.empty())
            curl_easy_setopt(e, CURLOPT_SSLKEY, m_request.clientKeyFile.c_str());
    }
}

bool HttpStream::applyMethodAndBody(CURL* e) {
    const std::string& method = m_request.method;
    bool hasBody = m_request.body.has_value() || m_request.bodyReader;
    if (method == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (hasBody) {
        int64_t length = m_request.body ? static_cast<int64_t>(m_request.body->size()) : m_request.bodyLength;
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &HttpStream::onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, this);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
        if (method != "POST")
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
    } else if (method != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    return hasBody;
}

void HttpStream::applyHeaders(CURL* e, bool hasBody) {
    for (const auto& [name, value] : m_request.headers) {
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        appendHeader(line);
    }
    // The library's own additions are left out unless asked for.
    if (hasBody && !hasHeader(m_request.headers, "Content-Type"))
        appendHeader("Content-Type:");
    if (!hasHeader(m_request.headers, "Expect"))
        appendHeader("Expect:");
    if (hasBody && m_request.bodyLength < 0 && !m_request.body && !hasHeader(m_request.headers, "Transfer-Encoding"))
        appendHeader("Transfer-Encoding: chunked");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, m_headerList.get());
}

void HttpStream::appendHeader(const std::string& line) {
    // curl_slist_append answers the list's head, a new one when it was empty.
    curl_slist* head = curl_slist_append(m_headerList.get(), line.c_str());
    if (head && !m_headerList)
        m_headerList.reset(head);
}

void HttpStream::close() {
    if (m_easy) {
        m_loop.removeStream(this);
        m_easy.reset();
    }
    m_headerList.reset();
    m_open = false;
}

void HttpStream::pauseReceiving(bool paused) {
    if (paused == m_recvPaused || !m_easy)
        return;
    m_recvPaused = paused;
    curl_easy_pause(m_easy.get(), paused ? CURLPAUSE_RECV : CURLPAUSE_CONT);
}

int HttpStream::localPort() const {
    long port = 0;
    if (m_easy)
        curl_easy_getinfo(m_easy.get(), CURLINFO_LOCAL_PORT, &port);
    return static_cast<int>(port);
}

size_t HttpStream::onHeader(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<HttpStream*>(self);
    size_t n = size * count;
    std::string line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        s->m_pendingHead = HttpResponseHead{};
        std::string status = trim(line);
        s->m_pendingHead.statusLine = status;
        auto sp = status.find(' ');
        s->m_pendingHead.httpVersion = status.substr(5, sp == std::string::npos ? std::string::npos : sp - 5);
        if (sp != std::string::npos)
            s->m_pendingHead.statusCode = std::atoi(status.c_str() + sp + 1);
        return n;
    }
    std::string t = trim(line);
    if (t.empty()) {
        int code = s->m_pendingHead.statusCode;
        if (code >= 100 && code < 200 && code != 101)
            return n; // an interim answer; the real head follows
        s->m_head = s->m_pendingHead;
        if (s->m_client)
            s->m_client->streamReceivedHead(*s, *s->m_head);
        return n;
    }
    auto colon = t.find(':');
    if (colon == std::string::npos)
        return n;
    std::string name = trim(t.substr(0, colon));
    std::string value = trim(t.substr(colon + 1));
    if (strcasecmp(name.c_str(), "Set-Cookie") == 0)
        s->m_pendingHead.setCookies.push_back(value);
    else
        s->m_pendingHead.headers.emplace_back(name, value);
    return n;
}

size_t HttpStream::onWrite(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<HttpStream*>(self);
    size_t n = size * count;
    if (!s->m_client)
        return n;
    if (!s->m_client->streamReceivedBytes(*s, data, n)) {
        s->m_stoppedByClient = true;
        return 0;
    }
    return n;
}

size_t HttpStream::onRead(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<HttpStream*>(self);
    size_t room = size * count;
    if (s->m_request.body) {
        const std::string& body = *s->m_request.body;
        size_t n = std::min(room, body.size() - s->m_bodyOffset);
        std::memcpy(data, body.data() + s->m_bodyOffset, n);
        s->m_bodyOffset += n;
        s->m_bodyBytesWritten += n;
        return n;
    }
    if (!s->m_request.bodyReader)
        return 0;
    int64_t got = s->m_request.bodyReader(data, room);
    if (got < 0)
        return CURL_READFUNC_ABORT;
    s->m_bodyBytesWritten += static_cast<uint64_t>(got);
    return static_cast<size_t>(got);
}

void HttpStream::finished(int curlCode) {
    // The loop has already taken the handle out of the multi handle.
    m_open = false;
    if (m_stoppedByClient)
        return;
    auto client = m_client;
    if (!client)
        return;
    if (curlCode == CURLE_OK) {
        if (!m_head) {
            client->streamFailed(*this, StreamError::Malformed, "no answer head");
            return;
        }
        client->streamEnded(*this);
        return;
    }
    std::string message = m_errorBuffer[0] ? m_errorBuffer : curl_easy_strerror(static_cast<CURLcode>(curlCode));
    client->streamFailed(*this, kindFor(curlCode), message);
}

} // namespace pw::net
