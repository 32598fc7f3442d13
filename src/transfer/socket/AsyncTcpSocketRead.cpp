// Queued reads: what is available, an exact length, or up to a terminator.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include <poll.h>

#include <sys/socket.h>

#include <cerrno>

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

// ----- reading -----

void AsyncTcpSocket::readDataWithTimeout(double timeout, long tag, size_t maxLength) {
    queueRead(nullptr, 0, 0, {}, timeout, tag, maxLength);
}

void AsyncTcpSocket::readDataToLength(size_t length, double timeout, long tag) {
    if (length > 0)
        queueRead(nullptr, 0, length, {}, timeout, tag, 0);
}

void AsyncTcpSocket::readDataToData(std::string terminator, double timeout, long tag, size_t maxLength) {
    if (!terminator.empty())
        queueRead(nullptr, 0, 0, std::move(terminator), timeout, tag, maxLength);
}

void AsyncTcpSocket::readDataWithTimeout(double timeout, Buffer buffer, size_t offset, long tag, size_t maxLength) {
    queueRead(std::move(buffer), offset, 0, {}, timeout, tag, maxLength);
}

void AsyncTcpSocket::readDataToLength(size_t length, double timeout, Buffer buffer, size_t offset, long tag) {
    if (length > 0)
        queueRead(std::move(buffer), offset, length, {}, timeout, tag, 0);
}

void AsyncTcpSocket::readDataToData(std::string terminator, double timeout, Buffer buffer, size_t offset, long tag,
                                    size_t maxLength) {
    if (!terminator.empty())
        queueRead(std::move(buffer), offset, 0, std::move(terminator), timeout, tag, maxLength);
}

// A terminator read needs a terminator that fits its limit; a caller's buffer
// must reach the offset. Requests that do not are dropped without a word.
void AsyncTcpSocket::queueRead(Buffer buffer, size_t offset, size_t readLength, std::string terminator, double timeout,
                               long tag, size_t maxLength) {
    if (buffer && offset > buffer->size())
        return;
    if (!terminator.empty() && maxLength > 0 && maxLength < terminator.size())
        return;
    auto p = std::make_unique<ReadPacket>(timeout, tag);
    p->callerBuffer = std::move(buffer);
    p->startOffset = offset;
    p->readLength = readLength;
    p->term = std::move(terminator);
    p->maxLength = maxLength;
    enqueue(std::move(p), &AsyncTcpSocket::m_readQueue);
}

void AsyncTcpSocket::maybeDequeueRead() {
    serveQueue(m_currentRead, m_readQueue, true, m_writeQueue.empty() && !m_currentWrite);
}

// For a terminator read: how many prebuffer bytes to move into the packet,
// up to and including the terminator when it is found.
size_t AsyncTcpSocket::takeFromPreBuffer(ReadPacket& packet, bool* done) {
    assertOnSocketQueue();
    const std::string& term = packet.term;
    size_t p = m_partialReadBuffer.size();
    size_t t = term.size();
    if (packet.bytesDone + p < t)
        return p;
    size_t m = p;
    if (packet.maxLength > 0 && packet.maxLength > packet.bytesDone)
        m = std::min(m, packet.maxLength - packet.bytesDone);
    // A terminator that began in the bytes already stored.
    size_t b = std::min(packet.bytesDone, t - 1);
    if (b > 0) {
        std::string edge = packet.buffer.substr(packet.buffer.size() - b);
        edge.append(m_partialReadBuffer, 0, std::min(m, t - 1));
        auto pos = edge.find(term);
        if (pos != std::string::npos) {
            *done = true;
            return pos + t - b;
        }
    }
    auto pos = std::string_view(m_partialReadBuffer).substr(0, m).find(term);
    if (pos != std::string_view::npos) {
        *done = true;
        return pos + t;
    }
    return p;
}

// What one read step found out, from the prebuffer and from the connection.
struct AsyncTcpSocket::ReadStep {
    size_t total = 0; // bytes the packet took in this step
    bool done = false;
    bool waiting = false; // the connection has nothing more for now
    bool socketEOF = false;
    std::optional<SocketError> error;
};

void AsyncTcpSocket::doReadData() {
    assertOnSocketQueue();
    if (!m_currentRead || (m_flags & kReadsPaused)) {
        if (m_socketFDBytesAvailable > 0)
            suspendReadSource(); // it would fire without end
        return;
    }
    if (m_currentRead->tlsSettings) {
        // Waiting for the write side to reach the TLS start too.
        if (!(m_flags & kWriteSideAwaitingTLS))
            suspendReadSource();
        return;
    }
    size_t tlsPending = (m_flags & kSecure) && m_tls ? m_tls->pending() : 0;
    bool hasBytesAvailable = m_socketFDBytesAvailable > 0 || tlsPending > 0;
    if (!hasBytesAvailable && m_partialReadBuffer.empty()) {
        resumeReadSource();
        return;
    }
    ReadStep step;
    step.socketEOF = m_flags & kReadEOF;
    if (!m_partialReadBuffer.empty())
        readFromPreBuffer(step);
    if (!step.done && !step.error && !step.socketEOF && hasBytesAvailable)
        readFromConnection(step, std::max<size_t>(m_socketFDBytesAvailable, tlsPending));
    ReadPacket& pkt = *m_currentRead;
    if (pkt.term.empty() && pkt.readLength == 0 && step.total > 0)
        step.done = true; // a read of what is available takes what there is
    finishReadStep(step);
}

void AsyncTcpSocket::moveFromPreBuffer(ReadStep& step, size_t n) {
    ReadPacket& pkt = *m_currentRead;
    pkt.buffer.append(m_partialReadBuffer, 0, n);
    m_partialReadBuffer.erase(0, n);
    pkt.bytesDone += n;
    step.total += n;
}

void AsyncTcpSocket::readFromPreBuffer(ReadStep& step) {
    ReadPacket& pkt = *m_currentRead;
    bool isTerm = !pkt.term.empty();
    size_t n =
        isTerm ? takeFromPreBuffer(pkt, &step.done) : pkt.readLengthForNonTermWithHint(m_partialReadBuffer.size());
    moveFromPreBuffer(step, n);
    if (pkt.readLength > 0) {
        step.done = pkt.bytesDone == pkt.readLength;
    } else if (isTerm) {
        if (!step.done && pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength)
            step.error = SocketError::readMaxedOutError();
    } else {
        step.done = pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength;
    }
}

// One receive from the descriptor or the TLS session: bytes read, 0 at the
// end of input, -1 with errno EAGAIN when nothing is there yet, or -1 with
// `error` set.
ssize_t AsyncTcpSocket::receive(char* into, size_t length, std::optional<SocketError>* error) {
    if (!(m_flags & kSecure) || !m_tls) {
        ssize_t r = ::recv(connectedFD(), into, length, 0);
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            *error = SocketError::errnoErrorWithReason("Error in read() function");
        return r;
    }
    size_t got = 0;
    auto result = m_tls->read(into, length, &got);
    if (result == net::TlsSession::Result::Closed)
        return 0;
    return tlsOutcome(*m_tls, result, got, error);
}

void AsyncTcpSocket::readFromConnection(ReadStep& step, size_t estimate) {
    ReadPacket& pkt = *m_currentRead;
    bool isTerm = !pkt.term.empty();
    size_t toRead;
    if (isTerm) {
        toRead = estimate;
        if (pkt.maxLength > 0)
            toRead = std::min(toRead, pkt.maxLength - pkt.bytesDone);
    } else {
        toRead = pkt.readLengthForNonTermWithHint(estimate);
    }
    toRead = std::max<size_t>(toRead, 1);
    // Terminator reads go through the prebuffer so bytes beyond the
    // terminator stay for the next read; the others go straight in.
    std::string& target = isTerm ? m_partialReadBuffer : pkt.buffer;
    size_t old = target.size();
    target.resize(old + toRead);
    ssize_t r = receive(target.data() + old, toRead, &step.error);
    if (r <= 0) {
        target.resize(old);
        m_socketFDBytesAvailable = 0;
        if (r == 0)
            step.socketEOF = true;
        else if (!step.error)
            step.waiting = true;
        return;
    }
    size_t got = static_cast<size_t>(r);
    target.resize(old + got);
    if ((m_flags & kSecure) && m_tls) {
        // Raw and decrypted counts differ: what is left is what the session
        // holds; the source tells of the rest.
        m_socketFDBytesAvailable = m_tls->pending();
    } else {
        m_socketFDBytesAvailable = m_socketFDBytesAvailable > got ? m_socketFDBytesAvailable - got : 0;
    }
    if (m_socketFDBytesAvailable == 0)
        step.waiting = true;
    if (isTerm) {
        moveFromPreBuffer(step, takeFromPreBuffer(pkt, &step.done));
        if (!step.done && pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength)
            step.error = SocketError::readMaxedOutError();
    } else {
        pkt.bytesDone += got;
        step.total += got;
        step.done = pkt.readLength > 0 ? pkt.bytesDone == pkt.readLength : true;
    }
}

void AsyncTcpSocket::finishReadStep(const ReadStep& step) {
    if (step.done && !step.error) {
        completeCurrentRead();
        if (!step.socketEOF || !m_partialReadBuffer.empty())
            maybeDequeueRead();
    } else if (step.total > 0 && !step.error) {
        long tag = m_currentRead->tag;
        size_t total = step.total;
        notifyDelegate([total, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
            d.socketDidReadPartialDataOfLength(s, total, tag);
        });
    }
    if (step.error) {
        closeWithError(step.error);
    } else if (step.socketEOF) {
        if (m_flags & kStarted)
            doReadEOF();
    } else if (step.waiting) {
        resumeReadSource();
    }
}

void AsyncTcpSocket::doReadEOF() {
    assertOnSocketQueue();
    m_flags |= kReadEOF;
    bool shouldDisconnect;
    if (m_flags & (kReadSideAwaitingTLS | kWriteSideAwaitingTLS)) {
        // The handshake can never finish now.
        shouldDisconnect = true;
    } else if (m_flags & kReadStreamClosed) {
        shouldDisconnect = false;
    } else if (!m_partialReadBuffer.empty()) {
        shouldDisconnect = false; // queued reads can still take these bytes
    } else if (m_config & kKeepOpenOnReadEOF) {
        // Half-closed: stay open only while the peer still takes writes.
        pollfd pfd{connectedFD(), POLLOUT, 0};
        bool writable = ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLOUT) && !(pfd.revents & (POLLERR | POLLHUP));
        shouldDisconnect = !writable;
        if (writable) {
            m_flags |= kReadStreamClosed;
            notifyDelegate([](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
                d.socketDidCloseReadStream(s);
            });
        }
    } else {
        shouldDisconnect = true;
    }
    if (shouldDisconnect)
        closeWithError(SocketError::connectionClosedError());
    else
        suspendReadSource();
}

void AsyncTcpSocket::completeCurrentRead() {
    assertOnSocketQueue();
    m_currentRead->copyIntoCallerBuffer();
    auto data = std::make_shared<std::string>(std::move(m_currentRead->buffer));
    long tag = m_currentRead->tag;
    notifyDelegate([data, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
        d.socketDidReadData(s, *data, tag);
    });
    endCurrentRead();
}

void AsyncTcpSocket::endCurrentRead() {
    endCurrent(m_currentRead, m_readTimer);
}

} // namespace pw
