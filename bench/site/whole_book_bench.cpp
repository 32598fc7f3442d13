// A 1,000-chapter book downloaded whole from the stand-in site, against curl
// fetching the very same files in one process, five at a time
// (curl --parallel --parallel-max 5). Compare the two times (target: the
// book at most 1.5 times curl's). The book is stored in its database, curl
// writes nowhere: run with TMPDIR=/dev/shm to leave the disk's flushes out.
#include "Catalogue.h"
#include "StandinSite.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/paths/AppPaths.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/net/CookieStorage.h"
#include "site/DownManager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

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

void BM_SameFilesWithCurlParallel5(benchmark::State& state) {
    Env& e = env();
    if (!e.ok || e.urls.empty()) {
        state.SkipWithError("run after BM_WholeBookFromStandin");
        return;
    }
    const auto config = e.home / "curl.cfg";
    {
        std::ofstream out(config);
        for (const auto& url : e.urls)
            out << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
    }
    const std::string command = "curl -s --parallel --parallel-max 5 -b " + std::string(StandinSite::kSessionCookie) +
                                "=" + e.cookie + " -K " + config.string();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
    state.counters["requests"] = static_cast<double>(e.urls.size());
}
BENCHMARK(BM_SameFilesWithCurlParallel5)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

} // namespace

BENCHMARK_MAIN();
