// Reading a request: its head line by line under one deadline, then its body by
// length or in chunks.
#include "transfer/http/HTTPConnectionInternal.h"

#include "transfer/http/WSNumber.h"

namespace pw {

using namespace http_detail;

void HTTPConnection::startReadingRequest() {
    // One deadline for the whole head, not one per line: a client that
    // trickles lines would otherwise hold its connection (and a place under
    // the server's connection limit) for as long as it likes.
    m_headDeadline = monotonicNow() + kReadTimeout;
    readHead();
}

// The head comes in one read up to its blank line, which costs one round
// through the socket instead of one per line; its lines are held to the same
// limits as when they came one by one.
void HTTPConnection::readHead() {
    if (!m_asyncSocket)
        return;
    double left = m_headDeadline - monotonicNow();
    if (left <= 0) {
        m_asyncSocket->disconnect();
        return;
    }
    static const std::string blankLine = "\r\n\r\n";
    m_asyncSocket->readDataToData(blankLine, left, TagReadHeader, kMaxHeaderLines * kMaxHeaderLineLength);
}

// Lines (with their line ends) of at most kMaxHeaderLineLength bytes, and at
// most kMaxHeaderLines of them in one head.
bool HTTPConnection::headLinesWithinLimits(std::string_view head) {
    size_t start = 0;
    while (start < head.size()) {
        size_t end = head.find('\n', start);
        end = end == std::string_view::npos ? head.size() : end + 1;
        if (end - start > kMaxHeaderLineLength || ++m_numHeaderLines > kMaxHeaderLines)
            return false;
        start = end;
    }
    return true;
}

// ----- reading requests -----

void HTTPConnection::socketDidReadData(const std::shared_ptr<AsyncTcpSocket>&, const std::string& data, long tag) {
    switch (tag) {
    case TagReadHeader:
        onHead(data);
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

// Asks for the next piece of a body (or chunk) of `wanted` bytes; false once
// all of it is in.
bool HTTPConnection::readRestOf(uint64_t received, uint64_t wanted, long tag) {
    if (received >= wanted)
        return false;
    readBody(static_cast<size_t>(std::min(wanted - received, kMaxBodyPiece)), tag);
    return true;
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

void HTTPConnection::onHead(const std::string& data) {
    if (!headLinesWithinLimits(data)) {
        if (m_asyncSocket)
            m_asyncSocket->disconnect();
        return;
    }
    if (!m_request->appendData(data)) {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Malformed request", kUnit, static_cast<void*>(this));
        handleInvalidRequest(data);
        return;
    }
    if (!m_request->isHeaderComplete()) {
        readHead(); // blank lines before the request line
        return;
    }
    std::string method = m_request->method();
    std::string uri = requestURI().value_or("");
    bool expectsBody = expectsRequestBodyFromMethod(method, uri);
    if (!takeBodyFraming(expectsBody))
        return;
    if (!supportsMethod(method, uri)) {
        handleUnknownMethod(method);
        return;
    }
    if (!expectsBody) {
        replyToHTTPRequest();
        return;
    }
    startBody();
}

// Works out how the body ends (its length, chunks, or none) and refuses,
// with 400, every head whose body's end cannot be told for sure.
bool HTTPConnection::takeBodyFraming(bool expectsBody) {
    auto transferEncoding = m_request->headerField("Transfer-Encoding");
    auto contentLength = m_request->headerField("Content-Length");
    auto refuse = [this](const char* format) {
        WS_LOG_WARN(kLogLevel, format, kUnit, static_cast<void*>(this));
        handleInvalidRequest({});
        return false;
    };
    // Two framings: a proxy in front may take the other one, and the rest of
    // this body would be served as a request of its own (smuggling).
    if (transferEncoding && contentLength)
        return refuse("%s[%p]: Malformed request");
    uint64_t length = 0;
    if (contentLength && !WSNumber::parseDigitsIntoUInt64(*contentLength, &length))
        return refuse("%s[%p]: Unable to parse Content-Length header into a valid number");
    m_requestContentLengthReceived = 0;
    if (!expectsBody) {
        // A body we would not read would be taken for the next request.
        if (length > 0 || transferEncoding)
            return refuse("%s[%p]: Method not expecting request body had non-zero Content-Length");
        m_requestContentLength = 0;
        return true;
    }
    if (equalsIgnoringCase(transferEncoding, "chunked")) {
        m_requestContentLength = UINT64_MAX;
        return true;
    }
    // A coding we cannot undo leaves the body's end unknown.
    if (transferEncoding)
        return refuse("%s[%p]: Method expects chunk size, but received something else");
    if (!contentLength)
        return refuse("%s[%p]: Method expects request body, but had no specified Content-Length");
    m_requestContentLength = length;
    return true;
}

void HTTPConnection::startBody() {
    prepareForBodyWithSize(m_requestContentLength);
    if (m_requestContentLength == 0) {
        finishBody();
        replyToHTTPRequest();
    } else if (m_requestContentLength == UINT64_MAX) {
        readChunkSizeLine();
    } else {
        readBody(static_cast<size_t>(std::min(m_requestContentLength, kMaxBodyPiece)), TagReadBody);
    }
}

void HTTPConnection::readChunkSizeLine() {
    if (m_asyncSocket)
        m_asyncSocket->readDataToData(AsyncTcpSocket::CRLFData(), kBodyStallTimeout, TagReadChunkSize,
                                      kMaxChunkLineLength);
}

void HTTPConnection::onBodyPiece(const std::string& data) {
    m_requestContentLengthReceived += data.size();
    processBodyData(data);
    if (!readRestOf(m_requestContentLengthReceived, m_requestContentLength, TagReadBody)) {
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
    if (!readRestOf(m_requestChunkSizeReceived, m_requestChunkSize, TagReadChunkData))
        readBody(2, TagReadChunkTrailer);
}

void HTTPConnection::onChunkTrailer(const std::string& data) {
    if (data != "\r\n") {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Method expects chunk trailer, but is missing", kUnit, static_cast<void*>(this));
        handleInvalidRequest({});
        return;
    }
    readChunkSizeLine();
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

} // namespace pw
