#include "platform/net/TlsSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace pw::net {

struct TlsSession::Handles {
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;
    ~Handles() {
        if (ssl)
            SSL_free(ssl);
        if (ctx)
            SSL_CTX_free(ctx);
    }
};

namespace {
std::string opensslError() {
    unsigned long e = ERR_get_error();
    if (!e)
        return "TLS failure";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    ERR_clear_error();
    return buf;
}
} // namespace

std::unique_ptr<TlsSession> TlsSession::create(int fd, const Settings& s, std::string* error) {
    std::unique_ptr<TlsSession> session(new TlsSession);
    session->m_handles = std::make_unique<Handles>();
    auto& h = *session->m_handles;
    auto fail = [&](std::string why) {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    h.ctx = SSL_CTX_new(s.isServer ? TLS_server_method() : TLS_client_method());
    if (!h.ctx)
        return fail(opensslError());
    SSL_CTX_set_min_proto_version(h.ctx, TLS1_2_VERSION);
    SSL_CTX_set_mode(h.ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (!s.certificateFile.empty() && SSL_CTX_use_certificate_chain_file(h.ctx, s.certificateFile.c_str()) != 1)
        return fail(opensslError());
    if (!s.privateKeyFile.empty() &&
        SSL_CTX_use_PrivateKey_file(h.ctx, s.privateKeyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        return fail(opensslError());
    if (s.isServer && s.certificateFile.empty())
        return fail("A server needs a certificate");
    if (!s.isServer && s.verifyPeer) {
        bool ok = s.caFile.empty() ? SSL_CTX_set_default_verify_paths(h.ctx) == 1
                                   : SSL_CTX_load_verify_locations(h.ctx, s.caFile.c_str(), nullptr) == 1;
        if (!ok)
            return fail(opensslError());
        SSL_CTX_set_verify(h.ctx, SSL_VERIFY_PEER, nullptr);
    }
    h.ssl = SSL_new(h.ctx);
    if (!h.ssl || SSL_set_fd(h.ssl, fd) != 1)
        return fail(opensslError());
    if (s.isServer) {
        SSL_set_accept_state(h.ssl);
    } else {
        SSL_set_connect_state(h.ssl);
        if (!s.peerName.empty()) {
            SSL_set_tlsext_host_name(h.ssl, s.peerName.c_str());
            if (s.verifyPeer)
                SSL_set1_host(h.ssl, s.peerName.c_str());
        }
    }
    return session;
}

TlsSession::~TlsSession() {
    if (m_handles && m_handles->ssl)
        SSL_set_quiet_shutdown(m_handles->ssl, 1);
}

TlsSession::Result TlsSession::resultOf(int ret) {
    int err = SSL_get_error(m_handles->ssl, ret);
    switch (err) {
    case SSL_ERROR_WANT_READ:
        return Result::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Result::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        return Result::Closed;
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0) {
            m_lastError = "Socket closed by remote peer";
            m_lastErrorCode = err;
            return Result::Closed;
        }
        [[fallthrough]];
    default:
        m_lastErrorCode = err;
        m_lastError = opensslError();
        return Result::Error;
    }
}

TlsSession::Result TlsSession::handshake() {
    ERR_clear_error();
    int r = SSL_do_handshake(m_handles->ssl);
    return r == 1 ? Result::Done : resultOf(r);
}

TlsSession::Result TlsSession::read(char* buffer, size_t length, size_t* got) {
    ERR_clear_error();
    *got = 0;
    int r = SSL_read_ex(m_handles->ssl, buffer, length, got);
    return r == 1 ? Result::Done : resultOf(r);
}

TlsSession::Result TlsSession::write(const char* buffer, size_t length, size_t* written) {
    ERR_clear_error();
    *written = 0;
    int r = SSL_write_ex(m_handles->ssl, buffer, length, written);
    return r == 1 ? Result::Done : resultOf(r);
}

size_t TlsSession::pending() const {
    return static_cast<size_t>(SSL_pending(m_handles->ssl));
}

} // namespace pw::net
