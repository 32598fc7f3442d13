// Page turns, measured against what they cannot avoid.
//
// BM_Turn/<effect>: one tap turn with nothing cached: the next page's layout and
// image on the main thread plus every frame of the turn's animation (0.25 s at 60
// frames a second), at 768x1024. `ratio` = that time / laying out and drawing the
// same page alone (BM_LayoutPage).
//
// BM_Frames/<effect>/<scale>: frames of a finger drag across the page (the leaf
// edge moving with it, at fractional points, the worst case), each the edge change
// plus the view's layer tree rendered into a bitmap as the screen would, at
// 768x1024 (scale 1) and 1536x2048 (scale 2). `fps` = frames per second (target
// at least 60); `ratio` = time per frame / time to draw one plain page image at
// that size.
//
// BM_ScreenFrames/<effect>/<scale>: the same drag with the view in a window, each
// frame composited as the app presents it (only what changed redrawn, the status
// bar above). `fps` = frames per second (target at least 60).

#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"
#include "reading/page/ContentManager.h"
#include "reading/turn/PageCurlView.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/SwipView.h"
#include "support/Novel.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr pw::gfx::Size kCanvas{768, 1024};

const std::u16string& novel() {
    static const std::u16string text = pw::bench::loadNovel().substr(0, 200000);
    return text;
}

std::shared_ptr<pw::RZConfig> tabletConfig(int turnType) {
    auto cfg = std::make_shared<pw::RZConfig>(pw::DeviceKind::Tablet);
    cfg->setCanvasSize(kCanvas);
    cfg->setPageTurningType(turnType);
    return cfg;
}

// A manual clock, a main run loop and a home without a database (positions are
// not written: the turn alone is measured).
struct Stage {
    std::shared_ptr<pw::core::ManualClock> clock = std::make_shared<pw::core::ManualClock>();
    std::filesystem::path home = std::filesystem::temp_directory_path() / "pw-turn-bench";
    explicit Stage(double scale) {
        std::filesystem::create_directories(home);
        pw::core::Log::setLevel(pw::core::LogLevel::Silent);
        pw::core::Paths::setHome(home);
        pw::core::Clock::setShared(clock);
        pw::core::RunLoop::claimMain();
        pw::device::Device::current().setScreen({kCanvas.width, kCanvas.height, scale});
    }
    ~Stage() {
        pw::ui::Animator::shared().tick();
        pw::core::Clock::setShared(nullptr);
        pw::core::Paths::setHome({});
    }
    // One frame's worth of time, animations and due calls served.
    void frame() {
        clock->advance(1.0 / 60);
        pw::ui::Animator::shared().tick();
        pw::core::RunLoop::current().runPending();
    }
};

double secondsOf(auto&& fn) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::shared_ptr<pw::BaseView> makeView(int type) {
    const pw::gfx::Rect r{0, 0, kCanvas.width, kCanvas.height};
    if (type == pw::kTurnCurl)
        return pw::ui::View::create<pw::PageCurlView>(r);
    return pw::ui::View::create<pw::SwipView>(pw::SwipView::kHorizontal, r);
}

// Laying out and drawing one page (the page the turn will show).
double layoutOnePage(int64_t position) {
    pw::ContentManager cm;
    cm.setRzConfig(tabletConfig(pw::kTurnCurl));
    cm.setupConfig();
    return secondsOf([&] {
        pw::gfx::BitmapContext ctx(kCanvas, 1, true);
        benchmark::DoNotOptimize(cm.getBackwardPageContent(novel(), position, ctx));
    });
}

void BM_LayoutPage(benchmark::State& state) {
    Stage stage(1);
    int64_t pos = 5000;
    for (auto _ : state)
        layoutOnePage(pos);
}
BENCHMARK(BM_LayoutPage)->Unit(benchmark::kMillisecond);

void BM_Turn(benchmark::State& state, int type) {
    Stage stage(1);
    pw::PageManager m;
    m.setPreloadLauncher([](std::function<void()>) {}); // nothing cached: the turn lays out
    m.setBookFormat(pw::BookFormat::Site);
    m.setData(novel());
    m.setRzConfig(tabletConfig(type));
    m.setupPageConfig();
    auto view = makeView(type);
    m.setPageView(view);
    m.getPageFromPosition(4999);
    pw::gfx::BitmapContext screen(kCanvas, 1, true);
    double turns = 0, layouts = 0;
    int n = 0;
    for (auto _ : state) {
        const int64_t next = m.currPage()->end;
        turns += secondsOf([&] {
            m.tapTurning({700, 500});
            for (int f = 0; f < 16; ++f) { // 0.25 s settle and the completion step
                stage.frame();
                view->layer()->render(screen);
            }
        });
        state.PauseTiming();
        layouts += layoutOnePage(next);
        ++n;
        state.ResumeTiming();
    }
    state.counters["ratio"] = layouts > 0 ? turns / layouts : 0;
    state.counters["turn_ms"] = n ? turns / n * 1000 : 0;
    state.counters["layout_ms"] = n ? layouts / n * 1000 : 0;
}
BENCHMARK_CAPTURE(BM_Turn, curl, pw::kTurnCurl)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Turn, swipe, pw::kTurnSwipeHorizontal)->Unit(benchmark::kMillisecond);

// Two real page images at the screen's scale.
std::pair<pw::gfx::Image, pw::gfx::Image> pageImages(double scale) {
    pw::ContentManager cm;
    cm.setRzConfig(tabletConfig(pw::kTurnCurl));
    cm.setupConfig();
    pw::gfx::BitmapContext a(kCanvas, scale, true), b(kCanvas, scale, true);
    auto p1 = cm.getBackwardPageContent(novel(), 4999, a);
    auto p2 = cm.getBackwardPageContent(novel(), p1->end, b);
    return {p1->pageImage, p2->pageImage};
}

void BM_Frames(benchmark::State& state, int type) {
    const double scale = static_cast<double>(state.range(0));
    Stage stage(scale);
    auto [top, bottom] = pageImages(scale);
    auto view = makeView(type);
    view->setFinalImage(bottom);
    if (type == pw::kTurnCurl) {
        view->setTopPage(top, top);
        view->setBottomPageImage(bottom);
    } else {
        view->setLeftImage(top, top);
        view->setRightPageImage(bottom);
    }
    pw::gfx::BitmapContext screen(kCanvas, scale, true);
    // The reference: plain page images drawn whole (the best of a few rounds, the
    // machine being shared).
    constexpr int kPlain = 60;
    double plain = 1e9;
    for (int round = 0; round < 5; ++round)
        plain = std::min(plain, secondsOf([&] {
                                    for (int i = 0; i < kPlain; ++i)
                                        screen.drawImage(i % 2 ? top : bottom, pw::gfx::Rect{{0, 0}, kCanvas});
                                }) / kPlain);
    // A drag from the right edge to the left, 60 frames.
    constexpr int kSteps = 60;
    int step = 0;
    int64_t frames = 0;
    double spent = 0;
    for (auto _ : state) {
        if (step == 0)
            view->touchesBegan({kCanvas.width - 10, 600});
        const double f = static_cast<double>(step + 1) / kSteps;
        spent += secondsOf([&] {
            view->touchesMoved({kCanvas.width - 10 - f * (kCanvas.width - 40), 600});
            view->layer()->render(screen);
        });
        ++frames;
        step = (step + 1) % kSteps;
        if (step == 0) {
            state.PauseTiming();
            view->reset();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(frames);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["ratio"] = frames && plain > 0 ? (spent / frames) / plain : 0;
    state.counters["plain_fps"] = plain > 0 ? 1 / plain : 0;
}
BENCHMARK_CAPTURE(BM_Frames, curl, pw::kTurnCurl)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frames, swipe, pw::kTurnSwipeHorizontal)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ScreenFrames(benchmark::State& state, int type) {
    const double scale = static_cast<double>(state.range(0));
    Stage stage(scale);
    auto& app = pw::ui::Application::shared();
    app.reset();
    auto [top, bottom] = pageImages(scale);
    auto window = pw::ui::View::create<pw::ui::Window>(pw::gfx::Rect{{0, 0}, kCanvas});
    window->makeKeyAndVisible();
    auto view = makeView(type);
    window->addSubview(view);
    view->setFinalImage(bottom);
    if (type == pw::kTurnCurl) {
        view->setTopPage(top, top);
        view->setBottomPageImage(bottom);
    } else {
        view->setLeftImage(top, top);
        view->setRightPageImage(bottom);
    }
    pw::ui::Compositor compositor;
    compositor.renderAll();
    constexpr int kSteps = 60;
    int step = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        if (step == 0)
            view->touchesBegan({kCanvas.width - 10, 600});
        const double f = static_cast<double>(step + 1) / kSteps;
        view->touchesMoved({kCanvas.width - 10 - f * (kCanvas.width - 40), 600});
        stage.frame();
        benchmark::DoNotOptimize(compositor.renderFrame());
        ++frames;
        step = (step + 1) % kSteps;
        if (step == 0) {
            state.PauseTiming();
            view->reset();
            compositor.renderFrame();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(frames);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    window.reset();
    app.reset();
}
BENCHMARK_CAPTURE(BM_ScreenFrames, curl, pw::kTurnCurl)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScreenFrames, swipe, pw::kTurnSwipeHorizontal)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
