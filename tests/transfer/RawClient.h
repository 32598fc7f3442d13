#pragma once
// A raw TCP client for the web server's tests, so the exact bytes on the wire
// can be sent and checked (a well-behaved client library would hide them).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace pw::test {

struct Raw {
    int fd = -1;
    explicit Raw(uint16_t port, int rcvbuf = 0) {
        open(rcvbuf);
        if (!connectTo(port)) {
            ::close(fd);
            fd = -1;
        }
    }
    // A socket made now and connected later (its descriptor exists already
    // when the process has no more to give).
    struct Unconnected {};
    explicit Raw(Unconnected) { open(0); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;
    bool connectTo(uint16_t port) const {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void setReceiveTimeout(int milliseconds) const {
        timeval tv{milliseconds / 1000, (milliseconds % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~Raw() {
        if (fd >= 0)
            ::close(fd);
    }
    void send(const std::string& s) const {
        size_t off = 0;
        while (off < s.size()) {
            ssize_t n = ::send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            off += static_cast<size_t>(n);
        }
    }
    // Reads until `n` bytes or the peer closes; closed tells which.
    std::string recvExactly(size_t n, bool* closed = nullptr) const {
        std::string out;
        char buf[65536];
        while (out.size() < n) {
            ssize_t r = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
            if (r <= 0) {
                if (closed)
                    *closed = r == 0;
                return out;
            }
            out.append(buf, static_cast<size_t>(r));
        }
        if (closed)
            *closed = false;
        return out;
    }
    struct Response {
        int status = 0;
        std::map<std::string, std::string> headers;
        std::string body;
        std::string rawHead;
    };
    // One response with a Content-Length (or none: no body).
    Response readResponse(bool headOnly = false) const {
        Response r;
        std::string head;
        char c;
        while (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) {
            if (::recv(fd, &c, 1, 0) != 1)
                return r;
            head.push_back(c);
        }
        r.rawHead = head;
        r.status = std::atoi(head.substr(9, 3).c_str());
        size_t pos = head.find("\r\n") + 2;
        while (pos < head.size() - 2) {
            size_t end = head.find("\r\n", pos);
            std::string line = head.substr(pos, end - pos);
            auto colon = line.find(':');
            std::string name = line.substr(0, colon);
            for (auto& ch : name)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            r.headers[name] = line.substr(colon + 2);
            pos = end + 2;
        }
        if (!headOnly && r.headers.count("content-length"))
            r.body = recvExactly(std::stoull(r.headers["content-length"]));
        return r;
    }
    // True when the server has closed the connection (nothing more arrives).
    bool closedByPeer() const {
        char c;
        ssize_t r = ::recv(fd, &c, 1, 0);
        return r == 0 || (r < 0 && errno == ECONNRESET);
    }

private:
    void open(int rcvbuf) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (rcvbuf)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        setReceiveTimeout(5000);
    }
};

} // namespace pw::test
