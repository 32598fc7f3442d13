// The store's home screen drawn in full for the first time, 20 carousel
// covers and the group icons fetched from the stand-in site, with an empty
// picture cache (cold) and with the pictures cached (warm), against curl
// fetching the same 20 covers (curl --parallel --parallel-max 5: with more at
// once the stand-in answers in seconds) and decoding them.
// Compare cold with curl (the ratio counter of BM_CoversWithCurlParallel).
#include "Catalogue.h"
#include "StandinSite.h"
#include "foundation/db/MainDB.h"
#include "foundation/frame/StoreNavigationController.h"
#include "foundation/paths/AppPaths.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"
#include "store/StoreBookCoverDownloader.h"
#include "store/StoreHomeViewController.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace pw;
using standin::Catalogue;
using standin::Host;
using standin::StandinSite;

namespace {

constexpr int kCovers = 20;
constexpr int64_t kFirstId = 5001;
// Scripted answers are kept one per use: enough for every run of the
// benchmarks (each draw takes one list, each cold draw or curl run the covers).
constexpr int kScriptedLists = 5000;
constexpr int kScriptedCovers = 600;

struct Env {
    std::filesystem::path home;
    std::unique_ptr<StandinSite> site;
    std::shared_ptr<ui::Window> window;
    ui::Compositor compositor;
    std::vector<std::string> coverUrls;
    double lastColdSeconds = 0;
    bool ok = false;

    Env() {
        home = std::filesystem::temp_directory_path() / ("pw-bench-store-" + std::to_string(::getpid()));
        std::filesystem::remove_all(home);
        core::Paths::setHome(home);
        for (const auto& folder : AppPaths::startupFolders())
            std::filesystem::create_directories(home / folder);
        core::RunLoop::claimMain();
        MainDB::createMainDBIfNotExists();
        site = std::make_unique<StandinSite>();
        std::ifstream in(site->coversFolder() / (std::to_string(Catalogue::kShijing) + ".jpg"), std::ios::binary);
        const std::string cover((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (cover.empty())
            return;
        site->pointApp();
        std::string list = R"({"Data":[)";
        for (int i = 0; i < kCovers; ++i) {
            const int64_t id = kFirstId + i;
            list += (i ? "," : "") + std::string(R"({"BookId":)") + std::to_string(id) + R"(,"BookName":"书)" +
                    std::to_string(i) + R"(","ImageStatus":1})";
            const std::string path = "/books/" + std::to_string(id) + "/" + std::to_string(id) + ".jpg";
            site->script(Host::Image, path, standin::Reply::text(200, cover, "image/jpeg"), kScriptedCovers);
            coverUrls.push_back(site->baseUrl(Host::Image) + path);
        }
        list += "]}";
        site->script(Host::Store, "/BookStoreAPI/CoverRecommend.ashx", standin::Reply::json(list), kScriptedLists);
        ui::Application::shared().reset();
        window = ui::View::create<ui::Window>(gfx::Rect(0, 0, 320, 480));
        window->makeKeyAndVisible();
        ok = true;
    }
    ~Env() {
        auto& queue = core::OperationQueue::shared();
        queue.cancelAllOperations();
        core::RunLoop::current().runUntil([&] { return queue.operationCount() == 0; }, 30);
        window.reset();
        ui::Application::shared().reset();
        RQHTTPRequest::expirePersistentConnections();
        site.reset();
        std::filesystem::remove_all(home);
    }

    // Opens the home screen and serves the loop until every cover and icon
    // has come in, then draws the screen.
    bool drawHome() {
        int covers = 0, icons = 0;
        auto& nc = core::NotificationCenter::defaultCenter();
        auto a = nc.addObserver(StoreBookCoverDownloader::kNotification, [&](const core::Notification& n) {
            if (n.payload["tag2"].asInt() == 200 && n.payload["success"].asBool().value_or(false))
                ++covers;
        });
        auto b = nc.addObserver("NSNotificationCenter_StoreImageDown", [&](const core::Notification& n) {
            if (n.payload["success"].asBool().value_or(false))
                ++icons;
        });
        auto home = StoreHomeViewController::create();
        window->setRootViewController(StoreNavigationController::create(home));
        const bool done = core::RunLoop::current().runUntil([&] { return covers >= kCovers && icons >= 3; }, 60);
        window->layoutIfNeeded();
        compositor.renderAll();
        benchmark::DoNotOptimize(compositor.snapshot());
        home->stopTopAutoScroll();
        window->setRootViewController(nullptr);
        return done;
    }
};

Env& env() {
    static Env e;
    return e;
}

void BM_HomeFirstDrawColdCache(benchmark::State& state) {
    Env& e = env();
    if (!e.ok) {
        state.SkipWithError("the stand-in's covers are not built");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(AppPaths::storeCache());
        std::filesystem::create_directories(AppPaths::storeCache());
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        if (!e.drawHome()) {
            state.SkipWithError("the covers did not all come");
            return;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    e.lastColdSeconds = total / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HomeFirstDrawColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void BM_HomeFirstDrawWarmCache(benchmark::State& state) {
    Env& e = env();
    if (!e.ok) {
        state.SkipWithError("the stand-in's covers are not built");
        return;
    }
    e.drawHome(); // fills the cache
    for (auto _ : state)
        if (!e.drawHome()) {
            state.SkipWithError("the covers did not all come");
            return;
        }
}
BENCHMARK(BM_HomeFirstDrawWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void BM_CoversWithCurlParallel(benchmark::State& state) {
    Env& e = env();
    if (!e.ok) {
        state.SkipWithError("the stand-in's covers are not built");
        return;
    }
    const auto dir = e.home / "curl";
    std::filesystem::create_directories(dir);
    const auto config = e.home / "curl.cfg";
    {
        std::ofstream out(config);
        for (size_t i = 0; i < e.coverUrls.size(); ++i)
            out << "url = \"" << e.coverUrls[i] << "\"\noutput = \"" << (dir / (std::to_string(i) + ".jpg")).string()
                << "\"\n";
    }
    const std::string command = "curl -s --no-progress-meter --parallel --parallel-max 5 -K " + config.string();
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
        for (size_t i = 0; i < e.coverUrls.size(); ++i)
            benchmark::DoNotOptimize(gfx::Image::fromFile((dir / (std::to_string(i) + ".jpg")).string()));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double curl = total / static_cast<double>(state.iterations());
    if (e.lastColdSeconds > 0 && curl > 0)
        state.counters["cold_over_curl"] = e.lastColdSeconds / curl;
}
BENCHMARK(BM_CoversWithCurlParallel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

BENCHMARK_MAIN();
