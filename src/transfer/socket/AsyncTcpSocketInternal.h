#pragma once
// What the files of AsyncTcpSocket share: the state bits, the queued read and
// write packets, and the helpers that hop onto the socket or delegate queue.
// Not for use outside the socket.
#include "platform/core/Assert.h"
#include "transfer/socket/AsyncTcpSocket.h"

#include <fcntl.h>

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

inline std::chrono::nanoseconds toNanos(double seconds) {
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9));
}

inline bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace pw::socket_detail

namespace pw {

struct AsyncTcpSocket::ReadPacket {
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
    std::string buffer;
    size_t bytesDone = 0;
    long tag = 0;
    double timeout = -1;
    std::shared_ptr<net::TlsSession::Settings> tlsSettings; // set: the TLS start marker
};

template <class F>
auto AsyncTcpSocket::onSocketQueue(F f) const -> decltype(f()) {
    if (m_socketQueue->isCurrent())
        return f();
    if constexpr (std::is_void_v<decltype(f())>) {
        m_socketQueue->sync(f);
    } else {
        decltype(f()) result{};
        m_socketQueue->sync([&] { result = f(); });
        return result;
    }
}

template <class F>
void AsyncTcpSocket::notifyDelegate(F f) {
    auto self = weak_from_this().lock();
    if (!self || !m_delegateQueue)
        return;
    auto delegate = m_delegate;
    m_delegateQueue->async([self, delegate, f = std::move(f)] {
        if (auto d = delegate.lock())
            f(*d, self);
    });
}

} // namespace pw
