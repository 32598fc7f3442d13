#include "transfer/http/WebSocket.h"

#include "platform/core/Text.h"

#include "transfer/http/WSData.h"

#include <strings.h>

#include <cstdlib>

namespace pw {

namespace {
enum : long {
    TagChallenge = 100,
    TagHandshakeHead = 200,
    TagHandshakeBody = 201,
    TagFrameStart = 300,
    TagFrameRest = 301,
    TagMessage = 0,
};
const std::string kTerm(1, '\xFF');
} // namespace

bool WebSocket::isWebSocketRequest(const HTTPMessage& request) {
    auto upgrade = request.headerField("Upgrade");
    auto connection = request.headerField("Connection");
    return upgrade && connection && ::strcasecmp(upgrade->c_str(), "WebSocket") == 0 &&
           ::strcasecmp(connection->c_str(), "Upgrade") == 0;
}

bool WebSocket::isVersion76Request(const HTTPMessage& request) {
    return request.headerField("Sec-WebSocket-Key1") && request.headerField("Sec-WebSocket-Key2");
}

std::optional<std::string> WebSocket::processKey(const std::string& key) {
    std::string digits;
    long long spaces = 0;
    for (char c : key) {
        if (c >= '0' && c <= '9')
            digits.push_back(c);
        if (c == ' ')
            ++spaces;
    }
    long long number = std::strtoll(digits.c_str(), nullptr, 10);
    uint32_t quotient = spaces > 0 ? static_cast<uint32_t>(number / spaces) : 0;
    std::string out(4, '\0');
    out[0] = static_cast<char>(quotient >> 24);
    out[1] = static_cast<char>(quotient >> 16);
    out[2] = static_cast<char>(quotient >> 8);
    out[3] = static_cast<char>(quotient);
    return out;
}

std::shared_ptr<WebSocket> WebSocket::create(std::optional<HTTPMessage> request,
                                             std::shared_ptr<AsyncTcpSocket> socket) {
    if (!request)
        return nullptr;
    auto ws = std::shared_ptr<WebSocket>(new WebSocket(std::move(*request), std::move(socket)));
    if (ws->m_asyncSocket)
        ws->m_asyncSocket->setDelegateAndQueue(ws, ws->m_websocketQueue, true);
    return ws;
}

WebSocket::WebSocket(HTTPMessage request, std::shared_ptr<AsyncTcpSocket> socket)
    : m_request(std::move(request)), m_asyncSocket(std::move(socket)), m_isVersion76(isVersion76Request(m_request)) {}

WebSocket::~WebSocket() {
    if (m_asyncSocket) {
        m_asyncSocket->setDelegateAndQueue({}, nullptr, true);
        m_asyncSocket->disconnect();
    }
}

std::shared_ptr<WebSocketDelegate> WebSocket::delegate() const {
    std::shared_ptr<WebSocketDelegate> d;
    m_websocketQueue->sync([&] { d = m_delegate.lock(); });
    return d;
}

void WebSocket::setDelegate(std::weak_ptr<WebSocketDelegate> delegate) {
    auto self = shared_from_this();
    m_websocketQueue->async([self, delegate] { self->m_delegate = delegate; });
}

void WebSocket::setDidDieHandler(std::function<void(WebSocket*)> handler) {
    auto self = shared_from_this();
    m_websocketQueue->async([self, handler] { self->m_didDie = handler; });
}

void WebSocket::start() {
    auto self = shared_from_this();
    m_websocketQueue->async([self] {
        if (self->m_isStarted)
            return;
        self->m_isStarted = true;
        if (self->m_isVersion76) {
            self->m_asyncSocket->readDataToLength(8, -1, TagChallenge);
        } else {
            self->sendResponseHeaders();
            self->didOpen();
        }
    });
}

void WebSocket::stop() {
    auto self = shared_from_this();
    m_websocketQueue->async([self] {
        if (self->m_asyncSocket)
            self->m_asyncSocket->disconnect();
    });
}

void WebSocket::sendResponseHeaders() {
    auto head = HTTPMessage::response(101, "Web Socket Protocol Handshake", HTTPMessage::kVersion11);
    head.setHeaderField("Upgrade", "WebSocket");
    head.setHeaderField("Connection", "Upgrade");
    std::string hostAndPort = "localhost:" + std::to_string(m_asyncSocket->localPort());
    auto origin = m_request.headerField("Origin");
    head.setHeaderField(m_isVersion76 ? "Sec-WebSocket-Origin" : "WebSocket-Origin",
                        origin ? *origin : "http://" + hostAndPort);
    std::string scheme = m_asyncSocket->isSecure() ? "wss" : "ws";
    auto host = m_request.headerField("Host");
    head.setHeaderField(m_isVersion76 ? "Sec-WebSocket-Location" : "WebSocket-Location",
                        scheme + "://" + (host ? *host : hostAndPort) + m_request.url());
    m_asyncSocket->writeData(head.messageData(), -1, TagHandshakeHead);
}

void WebSocket::sendResponseBody(const std::string& challenge) {
    auto k1 = processKey(m_request.headerField("Sec-WebSocket-Key1").value_or(""));
    auto k2 = processKey(m_request.headerField("Sec-WebSocket-Key2").value_or(""));
    m_asyncSocket->writeData(WSData::md5Digest(*k1 + *k2 + challenge), -1, TagHandshakeBody);
}

void WebSocket::didOpen() {
    m_isOpen = true;
    m_asyncSocket->readDataToLength(1, -1, TagFrameStart);
    if (auto d = m_delegate.lock())
        d->webSocketDidOpen(*this);
}

void WebSocket::didReceiveMessage(const std::string& message) {
    if (auto d = m_delegate.lock())
        d->webSocketDidReceiveMessage(*this, message);
}

void WebSocket::didClose() {
    if (m_closed)
        return;
    m_closed = true;
    m_isOpen = false;
    if (auto d = m_delegate.lock())
        d->webSocketDidClose(*this);
    if (m_didDie)
        m_didDie(this);
}

void WebSocket::sendMessage(const std::string& message) {
    auto self = shared_from_this();
    std::string frame;
    frame.reserve(message.size() + 2);
    frame.push_back('\0');
    frame.append(message);
    frame.push_back('\xFF');
    m_websocketQueue->async([self, frame = std::move(frame)]() mutable {
        if (self->m_asyncSocket)
            self->m_asyncSocket->writeData(std::move(frame), -1, TagMessage);
    });
}

void WebSocket::socketDidReadData(const std::shared_ptr<AsyncTcpSocket>&, const std::string& data, long tag) {
    if (tag == TagChallenge) {
        sendResponseHeaders();
        sendResponseBody(data);
        didOpen();
    } else if (tag == TagFrameStart) {
        if (!data.empty() && (static_cast<unsigned char>(data[0]) & 0x80)) {
            didClose();
        } else {
            m_asyncSocket->readDataToData(kTerm, -1, TagFrameRest);
        }
    } else if (tag == TagFrameRest) {
        // The frame's bytes are read as UTF-8; what is not UTF-8 becomes U+FFFD.
        didReceiveMessage(core::text::toUtf8Lenient(
            core::text::toUtf16Lenient(std::string_view(data).substr(0, data.empty() ? 0 : data.size() - 1))));
        m_asyncSocket->readDataToLength(1, -1, TagFrameStart);
    }
}

void WebSocket::socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>&, const std::optional<SocketError>&) {
    didClose();
}

} // namespace pw
