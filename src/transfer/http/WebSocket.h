#pragma once
// Takes over a connection's socket after an upgrade request and speaks the
// early WebSocket protocol (the draft-75 handshake, or draft-76 with its two
// keys and eight-byte challenge) with text frames 0x00 ... 0xFF.
#include "transfer/socket/AsyncTcpSocket.h"
#include "transfer/http/HTTPMessage.h"

#include <memory>
#include <optional>
#include <string>

namespace pw {

class WebSocket;

class WebSocketDelegate {
public:
    virtual ~WebSocketDelegate() = default;
    virtual void webSocketDidOpen(WebSocket&) {}
    virtual void webSocketDidReceiveMessage(WebSocket&, const std::string& /*message*/) {}
    virtual void webSocketDidClose(WebSocket&) {}
};

class WebSocket : public AsyncTcpSocketDelegate, public std::enable_shared_from_this<WebSocket> {
public:
    static bool isWebSocketRequest(const HTTPMessage& request);
    static bool isVersion76Request(const HTTPMessage& request);
    // The number of a draft-76 key: its digits divided by its blanks, as 4 big-endian bytes.
    static std::optional<std::string> processKey(const std::string& key);

    // nullptr without a request.
    static std::shared_ptr<WebSocket> create(std::optional<HTTPMessage> request,
                                             std::shared_ptr<AsyncTcpSocket> socket);
    ~WebSocket() override;

    std::shared_ptr<WebSocketDelegate> delegate() const;
    void setDelegate(std::weak_ptr<WebSocketDelegate> delegate);
    void start();
    void stop();
    void sendMessage(const std::string& message);
    const std::shared_ptr<core::DispatchQueue>& websocketQueue() const { return m_websocketQueue; }
    // Told once the conversation is over (the server drops the WebSocket then).
    void setDidDieHandler(std::function<void(WebSocket*)> handler);

    void socketDidReadData(const std::shared_ptr<AsyncTcpSocket>& sock, const std::string& data, long tag) override;
    void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& sock,
                             const std::optional<SocketError>& error) override;

private:
    WebSocket(HTTPMessage request, std::shared_ptr<AsyncTcpSocket> socket);
    void sendResponseHeaders();
    void sendResponseBody(const std::string& challenge);
    void didOpen();
    void didReceiveMessage(const std::string& message);
    void didClose();

    std::shared_ptr<core::DispatchQueue> m_websocketQueue = core::DispatchQueue::create("WebSocket");
    HTTPMessage m_request;
    std::shared_ptr<AsyncTcpSocket> m_asyncSocket;
    bool m_isStarted = false;
    bool m_isOpen = false;
    bool m_isVersion76 = false;
    bool m_closed = false;
    std::weak_ptr<WebSocketDelegate> m_delegate;
    std::function<void(WebSocket*)> m_didDie;
};

} // namespace pw
