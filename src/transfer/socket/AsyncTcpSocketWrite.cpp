// Queued writes.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include <sys/sendfile.h>
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
    auto p = std::make_unique<WritePacket>(timeout, tag);
    p->buffer = std::move(data);
    enqueue(std::move(p), &AsyncTcpSocket::m_writeQueue);
}

void AsyncTcpSocket::writeFile(std::shared_ptr<const core::UniqueFd> file, uint64_t offset, uint64_t length,
                               double timeout, long tag) {
    if (!file || !file->isValid() || length == 0)
        return;
    auto p = std::make_unique<WritePacket>(timeout, tag);
    p->file = std::move(file);
    p->fileOffset = offset;
    p->fileLength = length;
    enqueue(std::move(p), &AsyncTcpSocket::m_writeQueue);
}

void AsyncTcpSocket::maybeDequeueWrite() {
    serveQueue(m_currentWrite, m_writeQueue, false, m_readQueue.empty() && !m_currentRead);
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
    ssize_t r = pkt.file ? sendFromFile(pkt, &error)
                         : send(pkt.buffer.data() + pkt.bytesDone, pkt.buffer.size() - pkt.bytesDone, &error);
    if (error) {
        closeWithError(error);
        return;
    }
    size_t written = r > 0 ? static_cast<size_t>(r) : 0;
    pkt.bytesDone += written;
    if (pkt.bytesDone == pkt.length()) {
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

// The kernel copies from the file to the connection: the bytes never pass
// through this process. A plain connection only; TLS needs them in hand.
ssize_t AsyncTcpSocket::sendFromFile(const WritePacket& pkt, std::optional<SocketError>* error) {
    if (m_flags & kSecure) {
        *error = SocketError::otherError("File writes need a connection without TLS");
        return -1;
    }
    off_t offset = static_cast<off_t>(pkt.fileOffset + pkt.bytesDone);
    size_t left = static_cast<size_t>(std::min<uint64_t>(pkt.fileLength - pkt.bytesDone, kMaxFileSend));
    ssize_t r = ::sendfile(connectedFD(), pkt.file->get(), &offset, left);
    if (r == 0) {
        *error = SocketError::otherError("The file ended before the bytes queued from it");
        return -1;
    }
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
        *error = SocketError::errnoErrorWithReason("Error in sendfile() function");
    return r;
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
    auto result = m_tls->write(from, length, &n);
    return tlsOutcome(*m_tls, result, n, error);
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
    endCurrent(m_currentWrite, m_writeTimer);
}

} // namespace pw
