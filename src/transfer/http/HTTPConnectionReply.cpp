// Replies: choosing the response, the head, the body piece by piece as the socket
// takes it, error replies, and what follows the last byte.
#include "transfer/http/HTTPConnectionInternal.h"

#include "transfer/http/HTTPServer.h"
#include "transfer/http/WebSocket.h"

#include <cstdio>
#include <ctime>
#include <utility>

namespace pw {

using namespace http_detail;

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
    m_sentResponseHeaders = true;
    std::string headData = preprocessResponse(*head);
    if (m_request->method() == "HEAD" || (!chunked && contentLength == 0)) {
        writeWholeReply(std::move(headData));
        return;
    }
    if (!chunked && sendBodyFromFile(headData, isRangeRequest, contentLength))
        return;
    if (isRangeRequest) {
        m_asyncSocket->writeData(std::move(headData), kWriteTimeout, TagWriteHead);
        startSendingRanges();
        return;
    }
    std::string data = m_httpResponse->readDataOfLength(kMaxResponsePiece);
    if (!chunked && !data.empty() && data.size() == contentLength) {
        // The whole reply in one write: one send, one completion.
        writeWholeReply(std::move(headData) + data);
        return;
    }
    m_asyncSocket->writeData(std::move(headData), kWriteTimeout, TagWriteHead);
    if (!data.empty())
        writePlainPiece(std::move(data), chunked);
    else if (chunked && m_httpResponse->isDone())
        m_asyncSocket->writeData("0\r\n\r\n", kWriteTimeout, TagFinal); // an empty chunked body
}

// A reply that goes out in one write, head and body together: its completion
// ends the reply like any last write.
void HTTPConnection::writeWholeReply(std::string data) {
    m_asyncSocket->writeData(std::move(data), kWriteTimeout, TagFinal);
}

// A body of more than one piece that lies in a file goes from the file to the
// socket in the kernel: this queue queues it whole and is free for others.
bool HTTPConnection::sendBodyFromFile(std::string& head, bool isRangeRequest, uint64_t contentLength) {
    if (m_secure || contentLength <= kMaxResponsePiece)
        return false;
    auto file = m_httpResponse->fileForSending();
    if (!file)
        return false;
    m_asyncSocket->writeData(std::move(head), kWriteTimeout, TagWriteHead);
    if (!isRangeRequest) {
        m_asyncSocket->writeFile(file, 0, contentLength, -1, TagFinal);
        return true;
    }
    bool multi = m_ranges.size() > 1;
    for (size_t i = 0; i < m_ranges.size(); ++i) {
        if (multi)
            m_asyncSocket->writeData(m_rangesHeaders[i], kWriteTimeout, TagWriteHead);
        m_asyncSocket->writeFile(file, m_ranges[i].location, m_ranges[i].length, -1, multi ? TagWriteFile : TagFinal);
    }
    if (multi)
        m_asyncSocket->writeData("\r\n--" + m_rangesBoundry + "--\r\n", kWriteTimeout, TagFinal);
    return true;
}

// Room in the reply's write queue for the next piece; 0 when it is full or
// there is nothing to send or nowhere to send it.
uint32_t HTTPConnection::pieceBudget() const {
    if (!m_httpResponse || !m_asyncSocket)
        return 0;
    uint32_t queued = writeQueueSize();
    return queued >= kMaxResponsePiece ? 0 : kMaxResponsePiece - queued;
}

void HTTPConnection::continueSendingStandardResponseBody() {
    uint32_t budget = pieceBudget();
    if (budget == 0)
        return;
    std::string data = m_httpResponse->readDataOfLength(budget);
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
    readNextRequest();
}

void HTTPConnection::readNextRequest() {
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
    m_request.reset();
    m_httpResponse.reset();
    m_ranges.clear();
    m_rangesHeaders.clear();
    m_rangesBoundry.clear();
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

} // namespace pw
