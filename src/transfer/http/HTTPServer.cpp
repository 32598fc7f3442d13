#include "transfer/http/HTTPServer.h"

#include "transfer/http/HTTPConnection.h"
#include "transfer/log/WSLog.h"
#include "transfer/http/WebSocket.h"

namespace pw {

namespace {
constexpr int kServerLogLevel = WSLogMessage::LevelWithInfo;
constexpr const char* kServerUnit = "HTTPServer";
} // namespace

std::shared_ptr<HTTPServer> HTTPServer::create() {
    auto server = std::shared_ptr<HTTPServer>(new HTTPServer);
    server->m_asyncSocket = AsyncTcpSocket::create(server, server->m_serverQueue);
    return server;
}

HTTPServer::HTTPServer() {
    m_connectionClass = [](std::shared_ptr<AsyncTcpSocket> socket, std::shared_ptr<HTTPConfig> config) {
        return std::make_shared<HTTPConnection>(std::move(socket), std::move(config));
    };
}

HTTPServer::~HTTPServer() {
    m_serverQueue->sync([this] { doStop(false); });
    if (m_asyncSocket)
        m_asyncSocket->setDelegateAndQueue({}, nullptr, true);
}

template <class F>
auto HTTPServer::onServerQueue(F f) const -> decltype(f()) {
    return m_serverQueue->syncResult(std::move(f));
}

// Settings change in the queue's order with the reads above; the caller does
// not wait for it.
template <class T>
void HTTPServer::assignOnServerQueue(T HTTPServer::*member, std::type_identity_t<T> value) {
    auto self = shared_from_this();
    m_serverQueue->async([self, member, value = std::move(value)] { (*self).*member = value; });
}

std::optional<std::string> HTTPServer::documentRoot() const {
    return onServerQueue([this] { return m_documentRoot; });
}
void HTTPServer::setDocumentRoot(std::optional<std::string> root) {
    assignOnServerQueue(&HTTPServer::m_documentRoot, std::move(root));
}
void HTTPServer::setConnectionClass(ConnectionFactory factory) {
    assignOnServerQueue(&HTTPServer::m_connectionClass, std::move(factory));
}
std::string HTTPServer::interface() const {
    return onServerQueue([this] { return m_interface; });
}
void HTTPServer::setInterface(std::string interface) {
    assignOnServerQueue(&HTTPServer::m_interface, std::move(interface));
}
uint16_t HTTPServer::port() const {
    return onServerQueue([this] { return m_port; });
}
void HTTPServer::setPort(uint16_t port) {
    assignOnServerQueue(&HTTPServer::m_port, std::move(port));
}
uint16_t HTTPServer::listeningPort() const {
    return onServerQueue([this]() -> uint16_t { return m_isRunning ? m_asyncSocket->localPort() : 0; });
}
std::string HTTPServer::domain() const {
    return onServerQueue([this] { return m_domain; });
}
void HTTPServer::setDomain(std::string domain) {
    assignOnServerQueue(&HTTPServer::m_domain, std::move(domain));
}
std::string HTTPServer::name() const {
    return onServerQueue([this] { return m_name; });
}
void HTTPServer::setName(std::string name) {
    assignOnServerQueue(&HTTPServer::m_name, std::move(name));
}
std::string HTTPServer::type() const {
    return onServerQueue([this] { return m_type; });
}
void HTTPServer::setType(std::string type) {
    assignOnServerQueue(&HTTPServer::m_type, std::move(type));
}
std::optional<std::string> HTTPServer::publishedName() const {
    return onServerQueue([this]() -> std::optional<std::string> {
        if (!m_netService)
            return std::nullopt;
        return m_netService->publishedName();
    });
}
HTTPServer::TxtRecord HTTPServer::TXTRecordDictionary() const {
    return onServerQueue([this] { return m_txtRecordDictionary; });
}
void HTTPServer::setTXTRecordDictionary(TxtRecord txt) {
    auto self = shared_from_this();
    m_serverQueue->async([self, txt] {
        self->m_txtRecordDictionary = txt;
        if (self->m_netService)
            self->m_netService->setTxtRecord(txt);
    });
}
size_t HTTPServer::maxConnections() const {
    return onServerQueue([this] { return m_maxConnections; });
}
void HTTPServer::setMaxConnections(size_t n) {
    assignOnServerQueue(&HTTPServer::m_maxConnections, std::move(n));
}

bool HTTPServer::start(SocketError* error) {
    SocketError err;
    bool ok = onServerQueue([&] {
        bool success = m_asyncSocket->acceptOnInterface(m_interface, m_port, &err);
        if (success) {
            WS_LOG_INFO(kServerLogLevel, "%s: Started HTTP server on port %hu", kServerUnit, m_asyncSocket->localPort());
            m_isRunning = true;
            publishBonjour();
        } else {
            WS_LOG_ERROR(kServerLogLevel, "%s: Failed to start HTTP Server: %s", kServerUnit, err.description.c_str());
        }
        return success;
    });
    if (error)
        *error = ok ? SocketError{} : err;
    return ok;
}

void HTTPServer::stop(bool keepExistingConnections) {
    onServerQueue([&] { doStop(keepExistingConnections); });
}

void HTTPServer::doStop(bool keepExistingConnections) {
    unpublishBonjour();
    if (m_asyncSocket)
        m_asyncSocket->disconnect();
    m_isRunning = false;
    if (!keepExistingConnections) {
        std::vector<std::shared_ptr<HTTPConnection>> connections;
        {
            std::lock_guard lock(m_connectionsLock);
            connections.swap(m_connections);
        }
        for (auto& c : connections)
            c->stop();
        std::vector<std::shared_ptr<WebSocket>> sockets;
        {
            std::lock_guard lock(m_webSocketsLock);
            sockets.swap(m_webSockets);
        }
        for (auto& w : sockets)
            w->stop();
    }
}

bool HTTPServer::isRunning() const {
    return onServerQueue([this] { return m_isRunning; });
}

std::optional<std::string> HTTPServer::lastPublishError() const {
    std::lock_guard lock(m_publishLock);
    return m_lastPublishError;
}

void HTTPServer::publishBonjour() {
    if (m_type.empty())
        return;
    m_netService = std::make_unique<net::ServicePublisher>();
    std::string domain = m_domain, type = m_type, name = m_name;
    std::weak_ptr<HTTPServer> weak = weak_from_this();
    auto onResult = [weak, domain, type](bool published, const std::string& error) {
        auto self = weak.lock();
        if (!self)
            return;
        {
            std::lock_guard lock(self->m_publishLock);
            self->m_lastPublishError = published ? std::string() : error;
        }
        if (published) {
            WS_LOG_INFO(kServerLogLevel, "Bonjour Service Published: domain(%s) type(%s) name(%s)", domain.c_str(),
                        type.c_str(), self->m_netService ? self->m_netService->publishedName().c_str() : "");
        } else {
            WS_LOG_WARN(kServerLogLevel, "Failed to Publish Service: domain(%s) type(%s) name(%s) - %s", domain.c_str(),
                        type.c_str(), "", error.c_str());
        }
    };
    std::string error;
    if (!m_netService->publish(name, type, domain, m_asyncSocket->localPort(), m_txtRecordDictionary, onResult,
                               &error)) {
        // No publishing here (no daemon, for one): the server serves on.
        {
            std::lock_guard lock(m_publishLock);
            m_lastPublishError = error;
        }
        WS_LOG_WARN(kServerLogLevel, "Failed to Publish Service: domain(%s) type(%s) name(%s) - %s", domain.c_str(),
                    type.c_str(), name.c_str(), error.c_str());
    }
}

void HTTPServer::republishBonjour() {
    auto self = shared_from_this();
    m_serverQueue->async([self] {
        self->unpublishBonjour();
        if (self->m_isRunning)
            self->publishBonjour();
    });
}

void HTTPServer::unpublishBonjour() {
    if (m_netService) {
        m_netService->stop();
        m_netService.reset();
    }
}

void HTTPServer::addWebSocket(const std::shared_ptr<WebSocket>& ws) {
    std::weak_ptr<HTTPServer> weak = weak_from_this();
    ws->setDidDieHandler([weak](WebSocket* w) {
        if (auto self = weak.lock())
            self->webSocketDidDie(w);
    });
    std::lock_guard lock(m_webSocketsLock);
    m_webSockets.push_back(ws);
}

size_t HTTPServer::numberOfHTTPConnections() const {
    std::lock_guard lock(m_connectionsLock);
    return m_connections.size();
}

size_t HTTPServer::numberOfWebSocketConnections() const {
    std::lock_guard lock(m_webSocketsLock);
    return m_webSockets.size();
}

std::shared_ptr<HTTPConfig> HTTPServer::config() const {
    return std::make_shared<HTTPConfig>(std::const_pointer_cast<HTTPServer>(shared_from_this()),
                                        m_documentRoot.value_or(""), m_connectionQueue);
}

std::shared_ptr<core::DispatchQueue> HTTPServer::newSocketQueueForConnectionFromAddress(const std::string&,
                                                                                        AsyncTcpSocket&) {
    // Each accepted socket gets a queue of its own (nullptr): its reads, writes
    // and sends from files run beside those of other sockets, while the HTTP
    // work of all connections stays on the one connection queue.
    return nullptr;
}

void HTTPServer::socketDidAcceptNewSocket(const std::shared_ptr<AsyncTcpSocket>&,
                                          const std::shared_ptr<AsyncTcpSocket>& newSocket) {
    {
        std::lock_guard lock(m_connectionsLock);
        if (m_connections.size() >= m_maxConnections) {
            newSocket->setDelegateAndQueue({}, nullptr, true);
            newSocket->disconnect();
            return;
        }
    }
    auto connection = m_connectionClass(newSocket, config());
    if (!connection)
        return;
    {
        std::lock_guard lock(m_connectionsLock);
        m_connections.push_back(connection);
    }
    connection->start();
}

void HTTPServer::connectionDidDie(HTTPConnection* connection) {
    std::shared_ptr<HTTPConnection> dropped; // released outside the lock
    std::lock_guard lock(m_connectionsLock);
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->get() == connection) {
            dropped = std::move(*it);
            m_connections.erase(it);
            break;
        }
    }
}

void HTTPServer::webSocketDidDie(WebSocket* ws) {
    std::shared_ptr<WebSocket> dropped;
    std::lock_guard lock(m_webSocketsLock);
    for (auto it = m_webSockets.begin(); it != m_webSockets.end(); ++it) {
        if (it->get() == ws) {
            dropped = std::move(*it);
            m_webSockets.erase(it);
            break;
        }
    }
}

} // namespace pw
