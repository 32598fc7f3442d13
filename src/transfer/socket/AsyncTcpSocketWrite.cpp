// Queued writes.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include <sys/socket.h>

#include <cerrno>

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

// ----- writing -----

void AsyncTcpSocket::writeData(std::string data, double timeout, long tag) {
    if (data.empty())
        return;
    auto* p = new WritePacket{std::move(data), 0, tag, timeout, nullptr};
    auto self = shared_from_this();
    m_socketQueue->async([self, p] {
        std::unique_ptr<WritePacket> packet(p);
        if ((self->m_flags & kStarted) && !(self->m_flags & kNoNewReadsWrites)) {
            self->m_writeQueue.push_back(std::move(packet));
            self->maybeDequeueWrite();
        }
    });
}

void AsyncTcpSocket::maybeDequeueWrite() {
    assertOnSocketQueue();
    if (m_currentWrite || !(m_flags & kConnected))
        return;
    if (!m_writeQueue.empty()) {
        m_currentWrite = std::move(m_writeQueue.front());
        m_writeQueue.pop_front();
        if (m_currentWrite->tlsSettings) {
            m_flags |= kWriteSideAwaitingTLS;
            maybeStartTLS();
            return;
        }
        setupWriteTimer(m_currentWrite->timeout);
        doWriteData();
    } else if (m_flags & kCloseAfterWrites) {
        if (!(m_flags & kCloseAfterReads) || (m_readQueue.empty() && !m_currentRead))
            closeWithError(std::nullopt);
    }
}

void AsyncTcpSocket::doWriteData() {
    assertOnSocketQueue();
    if (!m_currentWrite || (m_flags & kWritesPaused)) {
        if (m_flags & kCanWrite)
            suspendWriteSource(); // it would fire without end
        return;
    }
    if (!(m_flags & kCanWrite)) {
        resumeWriteSource();
        return;
    }
    WritePacket& pkt = *m_currentWrite;
    if (pkt.tlsSettings) {
        // Waiting for the read side to reach the TLS start too.
        if (!(m_flags & kReadSideAwaitingTLS))
            suspendWriteSource();
        return;
    }
    std::optional<SocketError> error;
    ssize_t r = send(pkt.buffer.data() + pkt.bytesDone, pkt.buffer.size() - pkt.bytesDone, &error);
    if (error) {
        closeWithError(error);
        return;
    }
    size_t written = r > 0 ? static_cast<size_t>(r) : 0;
    pkt.bytesDone += written;
    if (pkt.bytesDone == pkt.buffer.size()) {
        completeCurrentWrite();
        maybeDequeueWrite();
        return;
    }
    // Not all taken: wait until the connection can take more.
    m_flags &= ~kCanWrite;
    resumeWriteSource();
    if (written > 0) {
        long tag = pkt.tag;
        notifyDelegate([written, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
            d.socketDidWritePartialDataOfLength(s, written, tag);
        });
    }
}

// One send to the descriptor or the TLS session: bytes taken, or -1 with
// errno EAGAIN when the connection can take nothing now, or -1 with `error`.
ssize_t AsyncTcpSocket::send(const char* from, size_t length, std::optional<SocketError>* error) {
    if (!(m_flags & kSecure) || !m_tls) {
        ssize_t r = ::send(connectedFD(), from, length, MSG_NOSIGNAL);
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            *error = SocketError::errnoErrorWithReason("Error in write() function");
        return r;
    }
    size_t n = 0;
    switch (m_tls->write(from, length, &n)) {
    case net::TlsSession::Result::Done:
        return static_cast<ssize_t>(n);
    case net::TlsSession::Result::WantRead:
    case net::TlsSession::Result::WantWrite:
        errno = EAGAIN;
        return -1;
    default: {
        auto e = SocketError::sslError(m_tls->lastErrorCode());
        e.description = m_tls->lastError();
        *error = e;
        return -1;
    }
    }
}

void AsyncTcpSocket::completeCurrentWrite() {
    assertOnSocketQueue();
    long tag = m_currentWrite->tag;
    notifyDelegate([tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
        d.socketDidWriteDataWithTag(s, tag);
    });
    endCurrentWrite();
}

void AsyncTcpSocket::endCurrentWrite() {
    assertOnSocketQueue();
    // The timer stays for the next write: disarming is cheaper than a new one.
    if (m_writeTimer)
        m_writeTimer->clearTimer();
    m_currentWrite.reset();
}

} // namespace pw
