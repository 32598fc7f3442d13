#pragma once
// The built-in web server: one listening socket, a connection object per
// accepted socket (all connections of a server share one queue), the list of
// live connections and WebSockets, and the optional service publishing.
#include "platform/core/DispatchQueue.h"
#include "platform/net/ServicePublisher.h"
#include "transfer/socket/AsyncTcpSocket.h"
#include "transfer/http/HTTPConfig.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace pw {

class HTTPConnection;
class WebSocket;

class HTTPServer : public AsyncTcpSocketDelegate, public std::enable_shared_from_this<HTTPServer> {
public:
    using ConnectionFactory =
        std::function<std::shared_ptr<HTTPConnection>(std::shared_ptr<AsyncTcpSocket>, std::shared_ptr<HTTPConfig>)>;
    using TxtRecord = net::ServicePublisher::TxtRecord;
    // Connections beyond this are closed as soon as they are accepted.
    static constexpr size_t kDefaultMaxConnections = 1000;

    static std::shared_ptr<HTTPServer> create();
    ~HTTPServer() override;

    // Settings: getters wait for the server queue, setters apply in order.
    std::optional<std::string> documentRoot() const;
    void setDocumentRoot(std::optional<std::string> root);
    void setConnectionClass(ConnectionFactory factory);
    std::string interface() const;
    void setInterface(std::string interface);
    uint16_t port() const;
    void setPort(uint16_t port);
    uint16_t listeningPort() const;
    std::string domain() const;
    void setDomain(std::string domain);
    std::string name() const;
    void setName(std::string name);
    std::string type() const;
    void setType(std::string type);
    std::optional<std::string> publishedName() const;
    TxtRecord TXTRecordDictionary() const;
    void setTXTRecordDictionary(TxtRecord txt);
    size_t maxConnections() const;
    void setMaxConnections(size_t n);

    bool start(SocketError* error = nullptr);
    // Publishes again (after a change of name, type or domain), asynchronously.
    void republishBonjour();
    void stop(bool keepExistingConnections = false);
    bool isRunning() const;
    // The outcome of the last publishing: nullopt while none is known.
    std::optional<std::string> lastPublishError() const;

    void addWebSocket(const std::shared_ptr<WebSocket>& ws);
    size_t numberOfHTTPConnections() const;
    size_t numberOfWebSocketConnections() const;
    std::shared_ptr<HTTPConfig> config() const;

    // From connections and WebSockets as they end.
    void connectionDidDie(HTTPConnection* connection);
    void webSocketDidDie(WebSocket* ws);

    std::shared_ptr<core::DispatchQueue> newSocketQueueForConnectionFromAddress(const std::string& address,
                                                                                AsyncTcpSocket& listener) override;
    void socketDidAcceptNewSocket(const std::shared_ptr<AsyncTcpSocket>& listener,
                                  const std::shared_ptr<AsyncTcpSocket>& newSocket) override;

private:
    HTTPServer();
    template <class F>
    auto onServerQueue(F f) const -> decltype(f());
    template <class T>
    void assignOnServerQueue(T HTTPServer::*member, std::type_identity_t<T> value);
    void publishBonjour();
    void unpublishBonjour();
    void doStop(bool keepExistingConnections);

    std::shared_ptr<core::DispatchQueue> m_serverQueue = core::DispatchQueue::create("HTTPServer");
    std::shared_ptr<core::DispatchQueue> m_connectionQueue = core::DispatchQueue::create("HTTPConnection");
    std::shared_ptr<AsyncTcpSocket> m_asyncSocket;
    std::optional<std::string> m_documentRoot;
    ConnectionFactory m_connectionClass;
    std::string m_interface;
    uint16_t m_port = 0;
    std::unique_ptr<net::ServicePublisher> m_netService;
    std::string m_domain = "local.";
    std::string m_type;
    std::string m_name;
    TxtRecord m_txtRecordDictionary;
    size_t m_maxConnections = kDefaultMaxConnections;
    mutable std::mutex m_connectionsLock;
    std::vector<std::shared_ptr<HTTPConnection>> m_connections;
    mutable std::mutex m_webSocketsLock;
    std::vector<std::shared_ptr<WebSocket>> m_webSockets;
    bool m_isRunning = false;
    mutable std::mutex m_publishLock;
    std::optional<std::string> m_lastPublishError;
};

} // namespace pw
