#include "fakesite/RawServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <strings.h>

namespace pw::fakesite {

std::optional<std::string> RawRequest::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0)
            return v;
    return std::nullopt;
}

std::vector<std::string> RawRequest::headerNames() const {
    std::vector<std::string> names;
    for (const auto& h : headers)
        names.push_back(h.first);
    return names;
}

std::string httpResponse(int status, const std::string& reason,
                         std::vector<std::pair<std::string, std::string>> headers, const std::string& body) {
    bool hasLength = false, chunked = false;
    for (const auto& [n, v] : headers) {
        if (strcasecmp(n.c_str(), "Content-Length") == 0)
            hasLength = true;
        if (strcasecmp(n.c_str(), "Transfer-Encoding") == 0)
            chunked = true;
    }
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [n, v] : headers)
        out += n + ": " + v + "\r\n";
    if (!hasLength && !chunked)
        out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "\r\n";
    if (chunked) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", body.size());
        if (!body.empty())
            out += size + body + "\r\n";
        out += "0\r\n\r\n";
    } else {
        out += body;
    }
    return out;
}

std::string gzipBytes(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

RawServer::RawServer(Handler handler) : m_handler(std::move(handler)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listenFd, 64);
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        m_wakePipe[0] = m_wakePipe[1] = -1;
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

RawServer::~RawServer() {
    m_stop = true;
    char c = 1;
    [[maybe_unused]] auto w = ::write(m_wakePipe[1], &c, 1);
    m_acceptThread.join();
    {
        std::lock_guard lock(m_mutex);
        for (int fd : m_fds)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (auto& t : m_threads)
        t.join();
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string RawServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<RawRequest> RawServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

size_t RawServer::requestCount() const {
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

void RawServer::setHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void RawServer::acceptLoop() {
    while (!m_stop) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0)
            continue;
        if (fds[1].revents)
            break;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int id = ++m_connections;
        std::lock_guard lock(m_mutex);
        m_fds.push_back(fd);
        m_threads.emplace_back([this, fd, id] { serve(fd, id); });
    }
}

namespace {

// Waits up to `seconds` unless the server stops; true when stopping.
bool pause(int wakeFd, double seconds) {
    if (seconds <= 0)
        return false;
    pollfd p{wakeFd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(seconds * 1000)) > 0;
}

bool sendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void RawServer::serve(int fd, int id) {
    std::string buffer;
    char chunk[65536];
    auto readMore = [&]() -> bool {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    };
    while (!m_stop) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!readMore())
                goto done;
        {
            RawRequest req;
            req.connection = id;
            req.head = buffer.substr(0, headEnd + 4);
            size_t lineEnd = req.head.find("\r\n");
            std::string requestLine = req.head.substr(0, lineEnd);
            auto s1 = requestLine.find(' '), s2 = requestLine.rfind(' ');
            req.method = requestLine.substr(0, s1);
            req.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
            req.version = requestLine.substr(s2 + 1);
            size_t pos = lineEnd + 2;
            while (pos < headEnd) {
                size_t e = req.head.find("\r\n", pos);
                std::string line = req.head.substr(pos, e - pos);
                auto colon = line.find(':');
                if (colon != std::string::npos) {
                    std::string v = line.substr(colon + 1);
                    while (!v.empty() && v.front() == ' ')
                        v.erase(v.begin());
                    req.headers.emplace_back(line.substr(0, colon), v);
                }
                pos = e + 2;
            }
            buffer.erase(0, headEnd + 4);
            if (auto cl = req.header("Content-Length")) {
                size_t length = std::stoul(*cl);
                while (buffer.size() < length)
                    if (!readMore())
                        goto done;
                req.body = buffer.substr(0, length);
                buffer.erase(0, length);
            } else if (auto te = req.header("Transfer-Encoding"); te && strcasecmp(te->c_str(), "chunked") == 0) {
                std::string rawBody;
                for (;;) {
                    size_t le;
                    while ((le = buffer.find("\r\n")) == std::string::npos)
                        if (!readMore())
                            goto done;
                    size_t size = std::stoul(buffer.substr(0, le), nullptr, 16);
                    while (buffer.size() < le + 2 + size + 2)
                        if (!readMore())
                            goto done;
                    rawBody += buffer.substr(0, le + 2 + size + 2);
                    req.body += buffer.substr(le + 2, size);
                    buffer.erase(0, le + 2 + size + 2);
                    if (size == 0)
                        break;
                }
                req.raw = req.head + rawBody;
            }
            if (req.raw.empty())
                req.raw = req.head + req.body;
            Handler handler;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(req);
                handler = m_handler;
            }
            RawReply reply = handler ? handler(req) : RawReply::bytes(httpResponse(404, "Not Found", {}, ""));
            if (reply.silent) {
                pause(m_wakePipe[0], 3600);
                goto done;
            }
            for (const auto& [delay, bytes] : reply.pieces) {
                if (pause(m_wakePipe[0], delay))
                    goto done;
                if (!sendAll(fd, bytes))
                    goto done;
            }
            if (reply.close || m_closeAfterEachReply)
                goto done;
        }
    }
done:
    ::shutdown(fd, SHUT_RDWR);
    std::lock_guard lock(m_mutex);
    // The descriptor stays in m_fds until destruction so it is not reused under us.
    ::close(fd);
    for (auto& f : m_fds)
        if (f == fd)
            f = -1;
}

} // namespace pw::fakesite
