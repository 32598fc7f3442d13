#include "transfer/socket/AsyncTcpSocket.h"
#include "transfer/http/HTTPConnection.h"
#include "transfer/http/HTTPServer.h"

#include "Notifier.h"

#include <fstream>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

using namespace pw;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A self-signed certificate for "localhost", written as PEM files.
struct Certificate {
    fs::path dir;
    std::string cert, key;
    Certificate() {
        char tmpl[] = "/tmp/pw-tls-XXXXXX";
        dir = ::mkdtemp(tmpl);
        cert = (dir / "cert.pem").string();
        key = (dir / "key.pem").string();
        EVP_PKEY* pkey = EVP_EC_gen("P-256");
        X509* x = X509_new();
        X509_set_version(x, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
        X509_gmtime_adj(X509_getm_notBefore(x), -3600);
        X509_gmtime_adj(X509_getm_notAfter(x), 3600);
        X509_set_pubkey(x, pkey);
        X509_NAME* name = X509_get_subject_name(x);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1,
                                   -1, 0);
        X509_set_issuer_name(x, name);
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "DNS:localhost");
        X509_add_ext(x, ext, -1);
        X509_EXTENSION_free(ext);
        X509_sign(x, pkey, EVP_sha256());
        FILE* f = std::fopen(cert.c_str(), "w");
        PEM_write_X509(f, x);
        std::fclose(f);
        f = std::fopen(key.c_str(), "w");
        PEM_write_PrivateKey(f, pkey, nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(f);
        X509_free(x);
        EVP_PKEY_free(pkey);
    }
    ~Certificate() { fs::remove_all(dir); }
};

struct Recorder : AsyncTcpSocketDelegate, test::Notifier {
    std::vector<std::shared_ptr<AsyncTcpSocket>> accepted;
    std::map<AsyncTcpSocket*, std::vector<std::string>> reads;
    std::map<AsyncTcpSocket*, int> secured;
    std::map<AsyncTcpSocket*, std::optional<SocketError>> disconnects;
    void socketDidAcceptNewSocket(const std::shared_ptr<AsyncTcpSocket>&,
                                  const std::shared_ptr<AsyncTcpSocket>& s) override {
        record([&] { accepted.push_back(s); });
    }
    void socketDidReadData(const std::shared_ptr<AsyncTcpSocket>& s, const std::string& d, long) override {
        record([&] { reads[s.get()].push_back(d); });
    }
    void socketDidSecure(const std::shared_ptr<AsyncTcpSocket>& s) override {
        record([&] { ++secured[s.get()]; });
    }
    void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& s, const std::optional<SocketError>& e) override {
        record([&] { disconnects[s.get()] = e; });
    }
};

} // namespace

TEST(AsyncTcpSocketTLS, ServesAnIndependentClientAndTalksToItself) {
    Certificate certificate;
    auto rec = std::make_shared<Recorder>();
    auto dq = core::DispatchQueue::create("delegate");
    auto listener = AsyncTcpSocket::create(rec, dq);
    ASSERT_TRUE(listener->acceptOnInterface("127.0.0.1", 0));
    uint16_t port = listener->localPort();
    AsyncTcpSocket::TlsSettings serverSettings;
    serverSettings.isServer = true;
    serverSettings.certificateFile = certificate.cert;
    serverSettings.privateKeyFile = certificate.key;

    // An independent client: blocking OpenSSL on a plain socket.
    std::string clientGot;
    std::thread client([&] {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            return;
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_load_verify_locations(ctx, certificate.cert.c_str(), nullptr);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        SSL_set1_host(ssl, "localhost");
        if (SSL_connect(ssl) == 1) {
            SSL_write(ssl, "ping\r\n", 6);
            char buf[64];
            int n = SSL_read(ssl, buf, sizeof buf);
            if (n > 0)
                clientGot.assign(buf, static_cast<size_t>(n));
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        SSL_CTX_free(ctx);
        ::close(fd);
    });
    ASSERT_TRUE(rec->waitFor([&] { return rec->accepted.size() == 1; }));
    auto server = rec->accepted[0];
    server->startTLS(serverSettings);
    server->readDataToData(AsyncTcpSocket::CRLFData(), 5, 1);
    server->writeData("hello\r\n", 5, 2);
    ASSERT_TRUE(rec->waitFor([&] { return rec->reads[server.get()].size() == 1; }));
    EXPECT_EQ(rec->reads[server.get()][0], "ping\r\n");
    EXPECT_EQ(rec->secured[server.get()], 1);
    EXPECT_TRUE(server->isSecure());
    client.join();
    EXPECT_EQ(clientGot, "hello\r\n");
    server->disconnect();

    // Our own client: outgoing connection, then TLS checked against the certificate.
    auto outgoing = AsyncTcpSocket::create(rec, dq);
    ASSERT_TRUE(outgoing->connectToHost("localhost", port, 5));
    AsyncTcpSocket::TlsSettings clientSettings;
    clientSettings.caFile = certificate.cert;
    clientSettings.peerName = "localhost";
    outgoing->startTLS(clientSettings);
    outgoing->writeData(std::string(100000, 'z') + "\r\n", 5, 3);
    ASSERT_TRUE(rec->waitFor([&] { return rec->accepted.size() == 2; }));
    auto second = rec->accepted[1];
    second->startTLS(serverSettings);
    second->readDataToData(AsyncTcpSocket::CRLFData(), 5, 4);
    ASSERT_TRUE(rec->waitFor([&] { return rec->reads[second.get()].size() == 1; }));
    EXPECT_EQ(rec->reads[second.get()][0].size(), 100002u);
    second->writeData("pong\r\n", 5, 5);
    outgoing->readDataToData(AsyncTcpSocket::CRLFData(), 5, 6);
    ASSERT_TRUE(rec->waitFor([&] { return rec->reads[outgoing.get()].size() == 1; }));
    EXPECT_EQ(rec->reads[outgoing.get()][0], "pong\r\n");
    outgoing->setDelegateAndQueue({}, nullptr, true);
    outgoing->disconnect();
    second->disconnect();

    // A client that expects another name refuses the certificate.
    auto wrongName = AsyncTcpSocket::create(rec, dq);
    ASSERT_TRUE(wrongName->connectToHost("127.0.0.1", port, 5));
    clientSettings.peerName = "example.invalid";
    wrongName->startTLS(clientSettings);
    ASSERT_TRUE(rec->waitFor([&] { return rec->accepted.size() == 3; }));
    rec->accepted[2]->startTLS(serverSettings);
    ASSERT_TRUE(rec->waitFor([&] { return rec->disconnects.count(wrongName.get()) > 0; }));
    ASSERT_TRUE(rec->disconnects[wrongName.get()].has_value());
    EXPECT_EQ(rec->disconnects[wrongName.get()]->domain, "kCFStreamErrorDomainSSL");
    EXPECT_EQ(rec->secured.count(wrongName.get()), 0u);
    for (auto& s : rec->accepted) {
        s->setDelegateAndQueue({}, nullptr, true);
        s->disconnect();
    }
    listener->disconnect();
}

namespace {
struct SecureConnection : HTTPConnection {
    const Certificate* certificate;
    SecureConnection(std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c, const Certificate* cert)
        : HTTPConnection(std::move(s), std::move(c)), certificate(cert) {}
    bool isSecureServer() override { return true; }
    std::optional<AsyncTcpSocket::TlsSettings> sslIdentityAndCertificates() override {
        AsyncTcpSocket::TlsSettings t;
        t.certificateFile = certificate->cert;
        t.privateKeyFile = certificate->key;
        return t;
    }
};
} // namespace

TEST(AsyncTcpSocketTLS, ASecureServerAnswersOverHttps) {
    Certificate certificate;
    std::ofstream(certificate.dir / "page.txt") << "secure page";
    auto server = HTTPServer::create();
    server->setInterface("localhost");
    server->setDocumentRoot(certificate.dir.string());
    server->setConnectionClass([&](std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c) {
        return std::make_shared<SecureConnection>(std::move(s), std::move(c), &certificate);
    });
    ASSERT_TRUE(server->start());
    std::string cmd = "curl -s -S --max-time 10 --cacert " + certificate.cert +
                      " https://localhost:" + std::to_string(server->listeningPort()) +
                      "/page.txt https://localhost:" + std::to_string(server->listeningPort()) + "/page.txt 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    EXPECT_EQ(out, "secure pagesecure page"); // two requests on one kept-alive TLS connection
    server->stop();
}
