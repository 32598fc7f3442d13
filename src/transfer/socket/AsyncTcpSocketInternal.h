#pragma once
// What the files of AsyncTcpSocket share: the state bits, the queued read and
// write packets, and the helpers that hop onto the socket or delegate queue.
// Not for use outside the socket.
#include "platform/core/Assert.h"
#include "transfer/socket/AsyncTcpSocket.h"

#include <fcntl.h>

#include <cerrno>

#include <chrono>
#include <type_traits>

namespace pw::socket_detail {

enum : uint32_t {
    kStarted = 1 << 0,
    kConnected = 1 << 1,
    kNoNewReadsWrites = 1 << 2,
    kReadsPaused = 1 << 3,
    kWritesPaused = 1 << 4,
    kCloseAfterReads = 1 << 5,
    kCloseAfterWrites = 1 << 6,
    kCanWrite = 1 << 7,
    kReadSourceSuspended = 1 << 8,
    kWriteSourceSuspended = 1 << 9,
    kTLSQueued = 1 << 10,
    kReadSideAwaitingTLS = 1 << 11,
    kWriteSideAwaitingTLS = 1 << 12,
    kSecure = 1 << 13,
    kReadEOF = 1 << 14,
    kReadStreamClosed = 1 << 15,
};
enum : uint16_t {
    kIPv4Disabled = 1 << 0,
    kIPv6Disabled = 1 << 1,
    kPreferIPv6 = 1 << 2,
    kKeepOpenOnReadEOF = 1 << 3,
};

constexpr std::chrono::milliseconds kAcceptRetryDelay{100};
// One sendfile(2) at most: the socket's queue stays free for its reads.
constexpr uint64_t kMaxFileSend = 1 << 20;

inline std::chrono::nanoseconds toNanos(double seconds) {
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9));
}

inline bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// A TLS read or write in the terms of recv(2) and send(2): the bytes moved,
// or -1 with errno EAGAIN while the session waits for the connection, or -1
// with `error` set.
inline ssize_t tlsOutcome(const net::TlsSession& tls, net::TlsSession::Result result, size_t moved,
                          std::optional<SocketError>* error) {
    switch (result) {
    case net::TlsSession::Result::Done:
        return static_cast<ssize_t>(moved);
    case net::TlsSession::Result::WantRead:
    case net::TlsSession::Result::WantWrite:
        errno = EAGAIN;
        return -1;
    default: {
        auto e = SocketError::sslError(tls.lastErrorCode());
        e.description = tls.lastError();
        *error = e;
        return -1;
    }
    }
}

} // namespace pw::socket_detail

namespace pw {

using namespace socket_detail;

struct AsyncTcpSocket::ReadPacket {
    ReadPacket() = default;
    ReadPacket(double timeout, long tag) : timeout(timeout), tag(tag) {}

    std::string buffer; // holds exactly bytesDone bytes
    size_t bytesDone = 0;
    size_t maxLength = 0;
    double timeout = -1;
    size_t readLength = 0;
    std::string term;
    long tag = 0;
    std::shared_ptr<net::TlsSession::Settings> tlsSettings; // set: the TLS start marker
    // A caller's buffer, filled from startOffset on when the read completes.
    std::shared_ptr<std::string> callerBuffer;
    size_t startOffset = 0;

    // The caller's bytes beyond the read stay; the buffer grows only as far
    // as the read reaches.
    void copyIntoCallerBuffer() const {
        if (!callerBuffer)
            return;
        size_t end = startOffset + buffer.size();
        if (callerBuffer->size() < end)
            callerBuffer->resize(end);
        callerBuffer->replace(startOffset, buffer.size(), buffer);
    }

    // Bytes a read that is not a terminator read may take of `hint`.
    size_t readLengthForNonTermWithHint(size_t hint) const {
        size_t limit = readLength > 0 ? readLength : maxLength;
        if (limit == 0)
            return hint;
        return std::min(hint, limit - bytesDone);
    }
};

struct AsyncTcpSocket::WritePacket {
    WritePacket() = default;
    WritePacket(double timeout, long tag) : tag(tag), timeout(timeout) {}

    std::string buffer;
    size_t bytesDone = 0;
    long tag = 0;
    double timeout = -1;
    std::shared_ptr<net::TlsSession::Settings> tlsSettings; // set: the TLS start marker
    // Set: the bytes come from this file instead of `buffer`.
    std::shared_ptr<const core::UniqueFd> file;
    uint64_t fileOffset = 0;
    uint64_t fileLength = 0;

    uint64_t length() const { return file ? fileLength : buffer.size(); }
};

template <class F>
auto AsyncTcpSocket::onSocketQueue(F f) const -> decltype(f()) {
    return m_socketQueue->syncResult(std::move(f));
}

// Reads and writes queue alike: a packet joins its queue on the socket queue
// while the socket takes new work, and is dropped without a word otherwise.
template <class Packet>
void AsyncTcpSocket::enqueue(std::unique_ptr<Packet> packet,
                             std::deque<std::unique_ptr<Packet>> AsyncTcpSocket::*queue) {
    auto self = shared_from_this();
    auto* raw = packet.release();
    // The socket's work never waits for its caller's queue, so an idle socket
    // queue may run it on the caller's thread at once.
    m_socketQueue->runOrAsync([self, raw, queue] {
        std::unique_ptr<Packet> p(raw);
        if ((self->m_flags & kStarted) && !(self->m_flags & kNoNewReadsWrites)) {
            ((*self).*queue).push_back(std::move(p));
            if constexpr (std::is_same_v<Packet, ReadPacket>)
                self->maybeDequeueRead();
            else
                self->maybeDequeueWrite();
        }
    });
}

// The next packet of one side becomes current: a TLS marker waits for the
// other side to reach it too; the rest starts its timer and runs. An empty
// queue closes the socket when a close after it was asked for.
template <class Packet>
void AsyncTcpSocket::serveQueue(std::unique_ptr<Packet>& current, std::deque<std::unique_ptr<Packet>>& queue,
                                bool reading, bool otherSideIdle) {
    assertOnSocketQueue();
    if (current || !(m_flags & kConnected))
        return;
    uint32_t closeAfterThis = reading ? kCloseAfterReads : kCloseAfterWrites;
    uint32_t closeAfterOther = reading ? kCloseAfterWrites : kCloseAfterReads;
    if (queue.empty()) {
        if ((m_flags & closeAfterThis) && (!(m_flags & closeAfterOther) || otherSideIdle))
            closeWithError(std::nullopt);
        return;
    }
    current = std::move(queue.front());
    queue.pop_front();
    if (current->tlsSettings) {
        m_flags |= reading ? kReadSideAwaitingTLS : kWriteSideAwaitingTLS;
        maybeStartTLS();
        return;
    }
    armTimer(reading ? m_readTimer : m_writeTimer, current->timeout, reading);
    if (reading)
        doReadData();
    else
        doWriteData();
}

// The timer stays for the next packet: disarming is cheaper than a new one.
template <class Packet>
void AsyncTcpSocket::endCurrent(std::unique_ptr<Packet>& current, const std::shared_ptr<core::DispatchSource>& timer) {
    assertOnSocketQueue();
    if (timer)
        timer->clearTimer();
    current.reset();
}

template <class F>
void AsyncTcpSocket::notifyDelegate(F f) {
    auto self = weak_from_this().lock();
    if (!self || !m_delegateQueue)
        return;
    auto delegate = m_delegate;
    // Handed off: when the reactor read or wrote for this socket on its own
    // thread, the delegate's work follows there if its queue is idle.
    m_delegateQueue->handOff([self, delegate, f = std::move(f)] {
        if (auto d = delegate.lock())
            f(*d, self);
    });
}

} // namespace pw
