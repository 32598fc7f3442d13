#include "fakesite/TlsServer.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <chrono>

namespace pw::fakesite {

TlsServer::TlsServer() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
    m_server = std::make_unique<httplib::SSLServer>(cert, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    // Short waits: a client that gives up in the handshake must not hold the server for long.
    m_server->set_read_timeout(0, 200000);
    m_server->set_keep_alive_max_count(1);
    m_server->Get(".*",
                  [](const httplib::Request&, httplib::Response& res) { res.set_content("secure", "text/plain"); });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TlsServer::~TlsServer() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string TlsServer::url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(m_port) + path;
}

} // namespace pw::fakesite
