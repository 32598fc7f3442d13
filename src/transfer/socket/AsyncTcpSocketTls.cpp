// Switching a connection to TLS once every read and write queued before has finished.
#include "transfer/socket/AsyncTcpSocketInternal.h"

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

// ----- TLS -----

void AsyncTcpSocket::startTLS(TlsSettings settings) {
    auto shared = std::make_shared<TlsSettings>(std::move(settings));
    auto self = shared_from_this();
    m_socketQueue->async([self, shared] {
        uint32_t f = self->m_flags;
        if (!(f & kStarted) || (f & kNoNewReadsWrites) || (f & kTLSQueued))
            return;
        auto r = std::make_unique<ReadPacket>();
        r->tlsSettings = shared;
        auto w = std::make_unique<WritePacket>();
        w->tlsSettings = shared;
        self->m_readQueue.push_back(std::move(r));
        self->m_writeQueue.push_back(std::move(w));
        self->m_flags |= kTLSQueued;
        self->maybeDequeueRead();
        self->maybeDequeueWrite();
    });
}

bool AsyncTcpSocket::handshakeInProgress() const {
    return (m_flags & kReadSideAwaitingTLS) && (m_flags & kWriteSideAwaitingTLS) && m_tls;
}

void AsyncTcpSocket::maybeStartTLS() {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    if (!m_partialReadBuffer.empty()) {
        closeWithError(SocketError::otherError("Invalid TLS transition. Handshake has already been read from socket."));
        return;
    }
    suspendReadSource();
    suspendWriteSource();
    m_socketFDBytesAvailable = 0;
    m_flags &= ~kCanWrite;
    std::string error;
    m_tls = net::TlsSession::create(connectedFD(), *m_currentRead->tlsSettings, &error);
    if (!m_tls) {
        closeWithError(SocketError::otherError(error));
        return;
    }
    continueHandshake();
}

void AsyncTcpSocket::continueHandshake() {
    assertOnSocketQueue();
    switch (m_tls->handshake()) {
    case net::TlsSession::Result::Done:
        finishSSLHandshake();
        break;
    case net::TlsSession::Result::WantRead:
        suspendWriteSource();
        resumeReadSource();
        break;
    case net::TlsSession::Result::WantWrite:
        suspendReadSource();
        resumeWriteSource();
        break;
    default: {
        auto e = SocketError::sslError(m_tls->lastErrorCode());
        e.description = m_tls->lastError().empty() ? "TLS handshake failed" : m_tls->lastError();
        abortSSLHandshake(e);
    }
    }
}

void AsyncTcpSocket::finishSSLHandshake() {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    m_flags &= ~(kReadSideAwaitingTLS | kWriteSideAwaitingTLS);
    m_flags |= kSecure | kCanWrite;
    notifyDelegate([](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) { d.socketDidSecure(s); });
    endCurrentRead();
    endCurrentWrite();
    maybeDequeueRead();
    maybeDequeueWrite();
    if (!m_currentRead)
        resumeReadSource();
}

void AsyncTcpSocket::abortSSLHandshake(const SocketError& error) {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    m_flags &= ~(kReadSideAwaitingTLS | kWriteSideAwaitingTLS);
    closeWithError(error);
}

} // namespace pw
