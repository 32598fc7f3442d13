// The HTTP engine against the curl command line, on the same loopback server
// in the same run. Each benchmark reports `ratio` = engine time / curl time.
// The bodies kept in memory come from a local nginx (one worker) serving a
// 100 MB file and a gzip file that inflates to 200 MB.
#include "fakesite/HttplibServer.h"
#include "support/Loopback.h"
#include "support/Nginx.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/RunLoop.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr size_t kBigSize = 100u << 20;
constexpr size_t kInflatedSize = 200u << 20;

// Text much like a book's: lines of words from a small vocabulary in a
// pseudo-random order, so it deflates about as well as real pages do.
std::string bookLikeText(size_t size) {
    static const char* const words[] = {"the",    "reader", "turned", "page",   "and",   "light",  "fell",
                                        "across", "a",      "quiet",  "room",   "where", "nobody", "spoke",
                                        "of",     "rain",   "river",  "stone",  "road",  "winter", "letters"};
    std::string text;
    text.reserve(size + 64);
    uint32_t seed = 12345;
    size_t line = 0;
    while (text.size() < size) {
        text += "Line " + std::to_string(line++) + ":";
        for (int w = 0; w < 12; ++w) {
            seed = seed * 1103515245u + 12345u;
            text += ' ';
            text += words[(seed >> 16) % (sizeof words / sizeof *words)];
        }
        text += ".\n";
    }
    text.resize(size);
    return text;
}

struct Fixture {
    pw::fakesite::HttplibServer server;
    pw::bench::Nginx nginx;
    uint16_t nginxPort = 0;
    std::string big;
    std::string inflated;
    std::filesystem::path dir;
    Fixture() {
        big.assign(kBigSize, 'x');
        for (size_t i = 0; i < big.size(); i += 4096)
            big[i] = static_cast<char>('a' + (i / 4096) % 26);
        server.server().Get("/big", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(big.size(), "application/octet-stream",
                                     [this](size_t offset, size_t length, httplib::DataSink& sink) {
                                         sink.write(big.data() + offset, std::min(length, big.size() - offset));
                                         return true;
                                     });
        });
        server.server().Get(
            "/small", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
        server.start();
        dir = std::filesystem::temp_directory_path() / ("pw-http-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        startNginx();
        pw::core::RunLoop::claimMain();
        pw::RQHTTPRequest::setDefaultUserAgentString(std::string("PagewellBench/1.0"));
    }
    ~Fixture() {
        nginx.stop();
        std::filesystem::remove_all(dir);
    }

    // nginx with one worker serving big.bin as it is and book.txt.gz as a
    // gzip-encoded answer, the way a server sends a pre-compressed file.
    void startNginx() {
        auto root = dir / "site";
        std::filesystem::create_directories(root);
        std::ofstream(root / "big.bin", std::ios::binary).write(big.data(), static_cast<std::streamsize>(big.size()));
        inflated = bookLikeText(kInflatedSize);
        std::string gz = (root / "book.txt.gz").string();
        if (gzFile out = gzopen(gz.c_str(), "wb6")) {
            gzbuffer(out, 1 << 20);
            gzwrite(out, inflated.data(), static_cast<unsigned>(inflated.size()));
            gzclose(out);
        }
        nginxPort = pw::bench::freePort();
        const std::string conf =
            pw::bench::Nginx::configHead(dir / "nginx", "1", 64, "  sendfile on;\n  tcp_nopush on;\n") +
            "  server {\n    listen 127.0.0.1:" + std::to_string(nginxPort) + ";\n    root " + root.string() +
            ";\n    default_type application/octet-stream;\n"
            "    location ~ \\.gz$ { types {} default_type text/plain; add_header Content-Encoding gzip; }\n  }\n}\n";
        if (!nginx.start(dir / "nginx", conf) || !pw::bench::waitForPort(nginxPort))
            std::fprintf(stderr, "nginx did not start\n");
    }
    std::string nginxURL(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(nginxPort) + path;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Runs the curl command line; returns its wall time in seconds.
double timeCurl(const std::string& args) {
    std::string cmd = "curl -s " + args + " > /dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    auto t = seconds(std::chrono::steady_clock::now() - start);
    if (rc != 0)
        std::fprintf(stderr, "curl failed: %s\n", cmd.c_str());
    return t;
}

void BM_BigBodyToFile(benchmark::State& state) {
    auto& f = fixture();
    std::string out = (f.dir / "big.bin").string();
    double curlBest = 1e9;
    for (int i = 0; i < 3; ++i)
        curlBest = std::min(curlBest, timeCurl("-o " + out + " " + f.server.url("/big")));
    double engineTotal = 0;
    int runs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        auto r = pw::RQHTTPRequest::requestWithURL(f.server.url("/big"));
        r->setDownloadDestinationPath(out);
        r->setAllowCompressedResponse(false);
        r->startSynchronous();
        double t = seconds(std::chrono::steady_clock::now() - start);
        if (r->error() || std::filesystem::file_size(out) != kBigSize)
            state.SkipWithError("the engine's download failed");
        engineTotal += t;
        ++runs;
    }
    double engineAvg = engineTotal / std::max(runs, 1);
    state.counters["curl_s"] = curlBest;
    state.counters["engine_s"] = engineAvg;
    state.counters["ratio"] = engineAvg / curlBest;
    std::printf("100 MB into a file: engine %.3f s, curl %.3f s, ratio %.2f (target <= 1.2)\n", engineAvg, curlBest,
                engineAvg / curlBest);
}
BENCHMARK(BM_BigBodyToFile)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// One engine request kept in memory, timed up to the caller holding the body
// (responseData), against curl receiving the same answer from the same nginx.
// The best of three on each side, the two sides alternating.
void compareInMemory(benchmark::State& state, const char* path, const std::string& curlArgs,
                     const std::string& expected, bool compressed, const char* what) {
    auto& f = fixture();
    double curlBest = 1e9, engineBest = 1e9, receivedBest = 1e9;
    for (auto _ : state) {
        curlBest = std::min(curlBest, timeCurl(curlArgs + " -o /dev/null " + f.nginxURL(path)));
        auto start = std::chrono::steady_clock::now();
        auto r = pw::RQHTTPRequest::requestWithURL(f.nginxURL(path));
        r->setAllowCompressedResponse(compressed);
        r->startSynchronous();
        double received = seconds(std::chrono::steady_clock::now() - start);
        auto data = r->responseData();
        double t = seconds(std::chrono::steady_clock::now() - start);
        if (r->error() || !data || *data != expected) {
            state.SkipWithError("the engine's answer is not the body nginx sent");
            break;
        }
        engineBest = std::min(engineBest, t);
        receivedBest = std::min(receivedBest, received);
    }
    state.counters["curl_s"] = curlBest;
    state.counters["engine_s"] = engineBest;
    state.counters["received_s"] = receivedBest;
    state.counters["ratio"] = engineBest / curlBest;
    std::printf("%s: engine %.3f s (request finished after %.3f s), curl %.3f s, ratio %.2f (target <= 1.5)\n", what,
                engineBest, receivedBest, curlBest, engineBest / curlBest);
}

void BM_BigBodyInMemory(benchmark::State& state) {
    compareInMemory(state, "/big.bin", "", fixture().big, false, "100 MB kept in memory");
}
BENCHMARK(BM_BigBodyInMemory)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GzipBodyInMemory(benchmark::State& state) {
    compareInMemory(state, "/book.txt.gz", "--compressed", fixture().inflated, true,
                    "gzip body inflating to 200 MB kept in memory");
}
BENCHMARK(BM_GzipBodyInMemory)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThousandSmallRequestsOnOneConnection(benchmark::State& state) {
    auto& f = fixture();
    // One curl run fetching the URL 1000 times reuses its connection too.
    std::string config = (f.dir / "urls.cfg").string();
    {
        std::ofstream cfg(config);
        for (int i = 0; i < 1000; ++i)
            cfg << "url = \"" << f.server.url("/small") << "\"\noutput = \"/dev/null\"\n";
    }
    double curlBest = 1e9;
    for (int i = 0; i < 3; ++i)
        curlBest = std::min(curlBest, timeCurl("-K " + config));
    double engineTotal = 0;
    int runs = 0;
    for (auto _ : state) {
        size_t before = f.server.requests().size();
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) {
            auto r = pw::RQHTTPRequest::requestWithURL(f.server.url("/small"));
            r->startSynchronous();
            if (r->error()) {
                state.SkipWithError("a small request failed");
                break;
            }
        }
        engineTotal += seconds(std::chrono::steady_clock::now() - start);
        ++runs;
        auto reqs = f.server.requests();
        std::set<int> ports;
        for (size_t i = before; i < reqs.size(); ++i)
            ports.insert(reqs[i].remotePort);
        state.counters["connections"] = static_cast<double>(ports.size());
    }
    double engineAvg = engineTotal / std::max(runs, 1);
    state.counters["curl_s"] = curlBest;
    state.counters["engine_s"] = engineAvg;
    state.counters["ratio"] = engineAvg / curlBest;
    std::printf("1000 small requests on one connection: engine %.3f s, curl %.3f s, ratio %.2f\n", engineAvg, curlBest,
                engineAvg / curlBest);
}
BENCHMARK(BM_ThousandSmallRequestsOnOneConnection)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
