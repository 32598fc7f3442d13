// A connection's life: start, hooks with their defaults, the end. Reading requests,
// replies, ranges, authentication and paths live in HTTPConnection<Concern>.cpp.
#include "transfer/http/HTTPConnectionInternal.h"

#include "transfer/http/HTTPServer.h"

namespace pw {

using namespace http_detail;

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
            m_secure = true;
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
