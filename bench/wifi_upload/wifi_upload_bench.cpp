// A book upload through the Wi-Fi transfer's pages against nginx receiving
// the same multipart body into a file (client_body_in_file_only), both on
// loopback in the same run. Prints each time, the ratio (ours / nginx), and
// the process's resident memory while our server takes the body: its peak
// above the idle level for a small and a large upload, which must stay
// bounded (the body is streamed, never held whole).
//
// Options: --megabytes N (default 200), --small-megabytes N (default 20),
//          --runs N (default 3).
#include "platform/core/Paths.h"
#include "support/Loopback.h"
#include "support/Nginx.h"
#include "transfer/http/HTTPServer.h"
#include "transfer/wifi/RZHTTPConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using pw::bench::connectTo;
using pw::bench::freePort;
using pw::bench::waitForPort;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kBoundary = "----pwBenchBoundary3f9a7c";

// Resident set of this process in kB.
long residentKB() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// The form as a browser sends it, written to a file: the file part and the button.
fs::path makeBody(const fs::path& dir, long megabytes) {
    const fs::path path = dir / ("body-" + std::to_string(megabytes) + ".bin");
    std::ofstream out(path, std::ios::binary);
    out << "--" << kBoundary << "\r\nContent-Disposition: form-data; name=\"sfile\"; filename=\"book-" << megabytes
        << ".txt\"\r\nContent-Type: text/plain\r\n\r\n";
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(0x80 + (i * 7 + (i >> 10)) % 0x7E); // GB18030-like high bytes, no CR
    for (long i = 0; i < megabytes; ++i)
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out << "\r\n--" << kBoundary << "\r\nContent-Disposition: form-data; name=\"btn\"\r\n\r\nupload\r\n--" << kBoundary
        << "--\r\n";
    return path;
}

// Sends the body from its file in 256 KB writes and waits for the whole
// reply; answers the status (0 on failure).
int upload(uint16_t port, const fs::path& body) {
    int fd = connectTo(port);
    if (fd < 0)
        return 0;
    const std::string head = "POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                             "Content-Type: multipart/form-data; boundary=" +
                             kBoundary + "\r\nContent-Length: " + std::to_string(fs::file_size(body)) + "\r\n\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    int in = ::open(body.c_str(), O_RDONLY);
    std::string buf(256 * 1024, '\0');
    ssize_t n;
    while ((n = ::read(in, buf.data(), buf.size())) > 0) {
        ssize_t off = 0;
        while (off < n) {
            ssize_t w = ::send(fd, buf.data() + off, static_cast<size_t>(n - off), MSG_NOSIGNAL);
            if (w <= 0)
                break;
            off += w;
        }
        if (off < n)
            break;
    }
    ::close(in);
    std::string reply;
    char rb[4096];
    while ((n = ::recv(fd, rb, sizeof rb, 0)) > 0)
        reply.append(rb, static_cast<size_t>(n));
    ::close(fd);
    return reply.size() > 12 ? std::atoi(reply.c_str() + 9) : 0;
}

// nginx taking the whole body into a file before a backend of its own gives
// the (tiny) reply.
bool startNginx(pw::bench::Nginx& nginx, const fs::path& prefix, uint16_t port, uint16_t backend) {
    fs::create_directories(prefix / "body");
    const std::string conf =
        pw::bench::Nginx::configHead(prefix, "1", 64, "") + "  server { listen 127.0.0.1:" + std::to_string(port) +
        ";\n" + "    location /upload { client_body_in_file_only clean; client_max_body_size 0;\n" +
        "      client_body_buffer_size 32k; proxy_pass_request_body off; proxy_set_body \"\";\n" +
        "      proxy_set_header X-File $request_body_file; proxy_pass http://127.0.0.1:" + std::to_string(backend) +
        "/done; } }\n" + "  server { listen 127.0.0.1:" + std::to_string(backend) +
        "; location /done { return 200 \"stored\\n\"; } }\n" + "}\n";
    return nginx.start(prefix, conf) && waitForPort(port) && waitForPort(backend);
}

struct Measured {
    double seconds = 1e9;
    long peakGrowthKB = 0;
    bool ok = true;
};

// Best of `runs` uploads to our server, with the resident memory sampled
// every millisecond while the body streams in.
Measured ours(uint16_t port, const fs::path& body, int runs, const fs::path& stored) {
    Measured m;
    for (int r = 0; r < runs; ++r) {
        fs::remove(stored);
        const long idle = residentKB();
        std::atomic<bool> done{false};
        long peak = idle;
        std::thread sampler([&] {
            while (!done) {
                peak = std::max(peak, residentKB());
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        const auto t0 = Clock::now();
        const int status = upload(port, body);
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        done = true;
        sampler.join();
        m.ok = m.ok && status == 200 && fs::exists(stored);
        m.seconds = std::min(m.seconds, s);
        m.peakGrowthKB = std::max(m.peakGrowthKB, peak - idle);
    }
    fs::remove(stored);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    long megabytes = 200, smallMegabytes = 20;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--megabytes")
            megabytes = std::atol(argv[i + 1]);
        if (a == "--small-megabytes")
            smallMegabytes = std::atol(argv[i + 1]);
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    ::signal(SIGPIPE, SIG_IGN);
    char tmpl[] = "/tmp/pw-bench-upload-XXXXXX";
    const fs::path dir = ::mkdtemp(tmpl);
    pw::core::Paths::setHome(dir / "home");
    pw::core::Paths::ensureHome();
    fs::create_directories(dir / "site");
    const fs::path big = makeBody(dir, megabytes);
    const fs::path small = makeBody(dir, smallMegabytes);

    auto server = pw::HTTPServer::create();
    server->setInterface("127.0.0.1");
    server->setDocumentRoot((dir / "site").string());
    server->setConnectionClass([](std::shared_ptr<pw::AsyncTcpSocket> s, std::shared_ptr<pw::HTTPConfig> c) {
        return std::make_shared<pw::RZHTTPConnection>(std::move(s), std::move(c));
    });
    if (!server->start()) {
        std::fprintf(stderr, "the built-in server did not start\n");
        fs::remove_all(dir);
        return 1;
    }
    const uint16_t port = server->listeningPort();
    const fs::path docs = pw::core::Paths::documents();
    // Warm up both paths once.
    ours(port, small, 1, docs / ("book-" + std::to_string(smallMegabytes) + ".txt"));
    const Measured smallRun = ours(port, small, runs, docs / ("book-" + std::to_string(smallMegabytes) + ".txt"));
    const Measured bigRun = ours(port, big, runs, docs / ("book-" + std::to_string(megabytes) + ".txt"));
    server->stop();

    pw::bench::Nginx nginx;
    double nginxSeconds = 1e9;
    const uint16_t nport = freePort();
    bool nginxOk = startNginx(nginx, dir / "nginx", nport, freePort());
    if (nginxOk) {
        upload(nport, small);
        for (int r = 0; r < runs && nginxOk; ++r) {
            const auto t0 = Clock::now();
            nginxOk = upload(nport, big) == 200;
            nginxSeconds = std::min(nginxSeconds, std::chrono::duration<double>(Clock::now() - t0).count());
        }
        nginx.stop();
    }

    const double mb = static_cast<double>(megabytes);
    std::printf("upload of %ld MB, best of %d\n", megabytes, runs);
    std::printf("  built-in server: %.3f s (%.1f MB/s)%s\n", bigRun.seconds, mb / bigRun.seconds,
                bigRun.ok ? "" : "  FAILED");
    if (nginxOk) {
        std::printf("  nginx (client_body_in_file_only): %.3f s (%.1f MB/s)\n", nginxSeconds, mb / nginxSeconds);
        std::printf("  ratio ours / nginx (throughput): %.2f\n", nginxSeconds / bigRun.seconds);
    } else {
        std::printf("  nginx did not run\n");
    }
    std::printf("resident memory above idle while the body streams in (peak):\n");
    std::printf("  %ld MB upload: %ld kB\n", smallMegabytes, smallRun.peakGrowthKB);
    std::printf("  %ld MB upload: %ld kB\n", megabytes, bigRun.peakGrowthKB);
    fs::remove_all(dir);
    return bigRun.ok && smallRun.ok ? 0 : 1;
}
