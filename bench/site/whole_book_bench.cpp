// A 1,000-chapter book downloaded whole from the stand-in site, against curl
// fetching the very same addresses one after another in one process, over
// its kept-alive connections. Compare the two times (target: the book at most
// 1.3 times curl's); BM_SideBySideRatio alternates the two and gives the
// ratio of their medians. The book is stored in its database on the disk
// (the temporary folder), curl writes nowhere.
#include "Catalogue.h"
#include "StandinSite.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/paths/AppPaths.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/HeapPolicy.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/net/CookieStorage.h"
#include "site/DownManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

using namespace pw;
using standin::Catalogue;
using standin::Host;
using standin::StandinSite;

namespace {

struct Env {
    std::filesystem::path home;
    std::unique_ptr<StandinSite> site;
    std::string cookie;
    std::vector<std::string> urls; // every request of one whole download
    bool ok = false;

    Env() {
        // The heap as the application's main sets it up.
        core::HeapPolicy::retainFreedMemory();
        home = std::filesystem::temp_directory_path() / ("pw-bench-site-" + std::to_string(::getpid()));
        std::filesystem::remove_all(home);
        core::Paths::setHome(home);
        for (const char* dir : {"Documents/torvane/main", "Documents/torvane/book", "Documents/torvane/cover"})
            std::filesystem::create_directories(home / dir);
        core::RunLoop::claimMain();
        MainDB::createMainDBIfNotExists();
        site = std::make_unique<StandinSite>();
        const standin::Book* book = site->catalogue().book(Catalogue::kTangThousand);
        if (!book)
            return;
        site->pointApp();
        cookie = site->openSession(StandinSite::kReaderId);
        net::Cookie c;
        c.name = StandinSite::kSessionCookie;
        c.value = cookie;
        c.domain = "127.0.0.1";
        net::CookieStorage::shared().setCookie(c);
        ok = true;
    }
    ~Env() {
        site.reset();
        std::filesystem::remove_all(home);
    }
    void forgetBook() {
        BookTB::deleteBookWithBookId(BookTB::getBookIdByRZBookId(Catalogue::kTangThousand));
        BookDB::deleteBookDBFileByRZBookId(Catalogue::kTangThousand);
        std::filesystem::remove(AppPaths::coverFile(Catalogue::kTangThousand));
    }
    // curl fetching every request of the last whole download, one after another.
    std::string curlCommand() const {
        const auto config = home / "curl.cfg";
        {
            std::ofstream out(config);
            for (const auto& url : urls)
                out << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
        }
        return "curl -s -b " + std::string(StandinSite::kSessionCookie) + "=" + cookie +
               " -K " + config.string();
    }
    bool downloadWhole(DownManager& dm) {
        int ended = 0;
        auto& nc = core::NotificationCenter::defaultCenter();
        auto a = nc.addObserver("NSNotificationCenter_BookAllDownSuccess", [&](const core::Notification&) { ++ended; });
        auto b = nc.addObserver("NSNotificationCenter_BookAllDownFailed", [&](const core::Notification&) { ++ended; });
        dm.beginToDownloadWithRZBookId(Catalogue::kTangThousand, std::to_string(StandinSite::kReaderId));
        return core::RunLoop::current().runUntil([&] { return ended > 0; }, 600);
    }
};

Env& env() {
    static Env e;
    return e;
}

void BM_WholeBookFromStandin(benchmark::State& state) {
    Env& e = env();
    if (!e.ok) {
        state.SkipWithError("the chinese-poetry package is not installed");
        return;
    }
    DownManager dm;
    for (auto _ : state) {
        state.PauseTiming();
        e.forgetBook();
        e.site->clearRequests();
        state.ResumeTiming();
        if (!e.downloadWhole(dm)) {
            state.SkipWithError("the download did not end");
            return;
        }
    }
    e.urls.clear();
    for (const auto& r : e.site->requests())
        e.urls.push_back(e.site->baseUrl(r.host) + r.target);
    state.counters["requests"] = static_cast<double>(e.urls.size());
}
BENCHMARK(BM_WholeBookFromStandin)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void BM_SameFilesWithCurlOneByOne(benchmark::State& state) {
    Env& e = env();
    if (!e.ok || e.urls.empty()) {
        state.SkipWithError("run after BM_WholeBookFromStandin");
        return;
    }
    const std::string command = e.curlCommand();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
    state.counters["requests"] = static_cast<double>(e.urls.size());
}
BENCHMARK(BM_SameFilesWithCurlOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The two side by side: each round downloads the book once and runs curl
// once, so both see the same machine however busy it is; the counters give
// the median of each (ms) and their ratio (target: at most 1.3).
void BM_SideBySideRatio(benchmark::State& state) {
    Env& e = env();
    if (!e.ok || e.urls.empty()) {
        state.SkipWithError("run after BM_WholeBookFromStandin");
        return;
    }
    const std::string command = e.curlCommand();
    DownManager dm;
    std::vector<double> ours, theirs;
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    for (auto _ : state) {
        state.PauseTiming();
        e.forgetBook();
        state.ResumeTiming();
        auto start = Clock::now();
        if (!e.downloadWhole(dm)) {
            state.SkipWithError("the download did not end");
            return;
        }
        auto middle = Clock::now();
        // The site's workers stay with the app's kept-alive connections until
        // their idle time-out (1 s): let them go, or curl waits for workers.
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        const auto curlStart = Clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
        ours.push_back(ms(middle - start));
        theirs.push_back(ms(Clock::now() - curlStart));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double o = median(ours), t = median(theirs);
    state.counters["book_ms"] = o;
    state.counters["curl_ms"] = t;
    state.counters["ratio"] = t > 0 ? o / t : 0;
}
BENCHMARK(BM_SideBySideRatio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(11);

} // namespace

BENCHMARK_MAIN();
