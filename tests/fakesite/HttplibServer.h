#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace pw::fakesite {

struct RecordedRequest {
    std::string method;
    std::string path; // with the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int remotePort = 0; // tells the client's connections apart
    std::string header(const std::string& name) const;
};

// A cpp-httplib server on 127.0.0.1 that records every request and the
// connection (client port) it came on. Routes are added on server() before start().
class HttplibServer {
public:
    HttplibServer();
    ~HttplibServer();
    httplib::Server& server() { return *m_server; }
    void start();
    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;
    std::vector<RecordedRequest> requests() const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<RecordedRequest> m_requests;
};

} // namespace pw::fakesite
