// Paginating the whole novel at the default phone configuration, against one
// layout of the same text in one piece, measured in the same run.
//
// Reported: pages per second, and `ratio` = time to paginate (lay out and draw
// every page) / time of the one-piece layout. Target: ratio at most 3.

#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/TextLayout.h"
#include "reading/page/ContentManager.h"

#include "support/Novel.h"
#include "support/SharedFixture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr pw::gfx::Size kCanvas{320, 480};
constexpr double kScreenScale = 2;

const std::u16string& novel() {
    static const std::u16string text = pw::bench::loadNovel();
    return text;
}

std::shared_ptr<pw::RZConfig> phoneConfig() {
    auto cfg = std::make_shared<pw::RZConfig>(pw::DeviceKind::Phone);
    cfg->setCanvasSize(kCanvas);
    return cfg;
}

double secondsOf(auto&& fn) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The reference: the whole text laid out once, in one piece, at the text width.
size_t layoutInOnePiece() {
    auto cfg = phoneConfig();
    pw::gfx::TextLayout layout(novel(), cfg->getReadingFont(), cfg->getPageBounds().width());
    return layout.lineCount();
}

// Every page from the first to the last, each drawn into a fresh page context as
// the page manager does.
size_t paginate() {
    pw::ContentManager cm;
    cm.setRzConfig(phoneConfig());
    cm.setupConfig();
    size_t pages = 0;
    int64_t position = -1;
    for (;;) {
        pw::gfx::BitmapContext ctx(kCanvas, kScreenScale, true);
        auto page = cm.getBackwardPageContent(novel(), position, ctx);
        if (!page)
            break;
        position = page->end;
        ++pages;
    }
    return pages;
}

void BM_LayoutInOnePiece(benchmark::State& state) {
    size_t lines = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(lines = layoutInOnePiece());
    state.counters["chars"] = static_cast<double>(novel().size());
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_PaginateNovel(benchmark::State& state) {
    size_t lines = 0;
    const double reference = secondsOf([&] { lines = layoutInOnePiece(); });
    size_t pages = 0;
    double total = 0;
    int runs = 0;
    for (auto _ : state) {
        total += secondsOf([&] { pages = paginate(); });
        ++runs;
    }
    const double perRun = total / runs;
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["pages_per_s"] = pages / perRun;
    state.counters["reference_s"] = reference;
    state.counters["ratio"] = perRun / reference;
    std::printf("pagination: %zu pages in %.3f s (%.0f pages/s); one-piece layout %.3f s; ratio %.2f (target <= 3)\n",
                pages, perRun, pages / perRun, reference, perRun / reference);
}

} // namespace

BENCHMARK(BM_LayoutInOnePiece)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PaginateNovel)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    if (!pw::bench::sharedFixture("pw_bench_pagination", PW_FIXTURES_DIR, "hongloumeng-gb18030.txt"))
        return 0;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
