// The HTTP engine against the curl command line, on the same loopback server
// in the same run. Each benchmark reports `ratio` = engine time / curl time.
#include "fakesite/HttplibServer.h"
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

namespace {

constexpr size_t kBigSize = 100u << 20;

struct Fixture {
    pw::fakesite::HttplibServer server;
    std::string big;
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
        pw::core::RunLoop::claimMain();
        pw::RQHTTPRequest::setDefaultUserAgentString(std::string("PagewellBench/1.0"));
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
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
