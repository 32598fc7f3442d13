#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pw::fakesite {

// One request as it arrived, byte for byte, and the connection that carried it
// (connections are numbered from 1 in the order they were accepted).
struct RawRequest {
    int connection = 0;
    std::string raw;  // head and body exactly as received
    std::string head; // up to and including the blank line
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::optional<std::string> header(const std::string& name) const;
    // Header names in the order they were sent.
    std::vector<std::string> headerNames() const;
};

// What to send back: pieces written with a pause before each, then optionally
// close the connection; or nothing at all while the connection stays open.
struct RawReply {
    std::vector<std::pair<double, std::string>> pieces; // (seconds to wait first, bytes)
    bool close = false;
    bool silent = false;

    static RawReply bytes(std::string b, bool close = false) { return RawReply{{{0.0, std::move(b)}}, close, false}; }
    static RawReply nothing() { return RawReply{{}, false, true}; }
};

// Builds an answer: status line, the headers given, Content-Length unless one
// is given or chunked is asked for, the body.
std::string httpResponse(int status, const std::string& reason,
                         std::vector<std::pair<std::string, std::string>> headers, const std::string& body);
std::string gzipBytes(const std::string& data);

// A scripted HTTP/1.1 server on 127.0.0.1 built on plain sockets.
class RawServer {
public:
    using Handler = std::function<RawReply(const RawRequest&)>;

    explicit RawServer(Handler handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;
    std::vector<RawRequest> requests() const;
    size_t requestCount() const;
    int connectionCount() const { return m_connections; }
    // Closes each connection right after its first answer (a server dropping
    // idle kept-alive connections without saying so).
    void setCloseAfterEachReply(bool v) { m_closeAfterEachReply = v; }
    void setHandler(Handler handler);

private:
    void acceptLoop();
    void serve(int fd, int id);

    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_connections = 0;
    std::atomic<bool> m_closeAfterEachReply = false;
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<RawRequest> m_requests;
    std::vector<std::thread> m_threads;
    std::vector<int> m_fds;
    std::thread m_acceptThread;
};

} // namespace pw::fakesite
