#pragma once
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class SSLServer;
}

namespace pw::fakesite {

// An HTTPS server on 127.0.0.1 with a self-signed certificate made when it
// starts; every GET answers "secure".
class TlsServer {
public:
    TlsServer();
    ~TlsServer();
    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;

private:
    std::unique_ptr<httplib::SSLServer> m_server;
    std::thread m_thread;
    int m_port = 0;
};

} // namespace pw::fakesite
