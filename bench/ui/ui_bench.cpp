// Rendering cost of the view platform, as ratios measured in the same run:
//  - a 768x1024 window of about 200 views (labels, pictures, a table) against
//    drawing the same content with Cairo directly;
//  - frames per second of the navigation push transition at 768x1024 (target 60+).
#include "platform/core/ManualClock.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace pw;
using Clock = std::chrono::steady_clock;

constexpr double kWidth = 768, kHeight = 1024;

gfx::Image picture() {
    gfx::BitmapContext ctx({48, 48}, 1, false);
    ctx.setFillColor(gfx::Color::fromRGB255(60, 120, 200));
    ctx.fillEllipse({4, 4, 40, 40});
    ctx.setFillColor(gfx::Color::white());
    ctx.fillRect({18, 12, 12, 24});
    return ctx.snapshot();
}

struct Rows : ui::TableViewDataSource {
    int64_t numberOfRows(ui::TableView&, int64_t) override { return 200; }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& tv, const ui::IndexPath& ip) override {
        auto cell = tv.dequeueReusableCell("c");
        if (!cell)
            cell = ui::TableViewCell::create(ui::TableViewCellStyle::Subtitle, "c");
        cell->textLabel().setText("第" + std::to_string(ip.row + 1) + "章 风雪夜归人");
        cell->detailTextLabel().setText("3200字 · 已下载");
        cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
        return cell;
    }
};

// One headless screen set up for a benchmark, torn down after it.
struct Screen {
    std::shared_ptr<core::ManualClock> clock = std::make_shared<core::ManualClock>();
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    ui::Compositor compositor;
    std::filesystem::path home = std::filesystem::temp_directory_path() / "pw-ui-bench";

    Screen() {
        core::Paths::setHome(home);
        core::Clock::setShared(clock);
        core::RunLoop::claimMain();
        device::Device::current().setScreen({kWidth, kHeight, 1});
        ui::Application::shared().reset();
        window = ui::View::create<ui::Window>(gfx::Rect(0, 0, kWidth, kHeight));
        window->setBackgroundColor(gfx::Color::white());
        window->makeKeyAndVisible();
    }
    ~Screen() {
        window.reset();
        ui::Application::shared().reset();
        core::Clock::setShared(nullptr);
        core::Paths::setHome({});
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
};

// The content both ways: 60 labels and 40 pictures in a grid on the left, a table on the right.
std::shared_ptr<ui::View> buildTree(const std::shared_ptr<Rows>& rows, const gfx::Image& img, size_t& count) {
    auto root = ui::View::create(gfx::Rect(0, 20, kWidth, kHeight - 20));
    root->setBackgroundColor(gfx::Color::fromWhite(0.95));
    count = 1;
    for (int i = 0; i < 60; ++i) {
        auto l = ui::View::create<ui::Label>(gfx::Rect(10 + (i % 3) * 120, 10 + (i / 3) * 24, 115, 22));
        l->setText("标签 " + std::to_string(i));
        root->addSubview(l);
        ++count;
    }
    for (int i = 0; i < 40; ++i) {
        auto v = ui::View::create<ui::ImageView>(img);
        v->setFrame(gfx::Rect(10 + (i % 8) * 46, 500 + (i / 8) * 50, 44, 44));
        root->addSubview(v);
        ++count;
    }
    auto table = ui::TableView::create(gfx::Rect(390, 0, 378, kHeight - 20));
    table->rowHeight = 60;
    table->setDataSource(rows);
    root->addSubview(table);
    table->reloadData();
    std::function<size_t(ui::View*)> countViews = [&](ui::View* v) {
        size_t n = 1;
        for (auto& s : v->subviews())
            n += countViews(s.get());
        return n;
    };
    count += countViews(table.get());
    return root;
}

void drawDirect(gfx::Context& ctx, const gfx::Image& img) {
    const gfx::Font label = gfx::Font::systemFont(17);
    const gfx::Font title = gfx::Font::boldSystemFont(18);
    const gfx::Font detail = gfx::Font::systemFont(14);
    ctx.setFillColor(gfx::Color::white());
    ctx.fillRect({0, 0, kWidth, kHeight});
    ctx.save();
    ctx.translate(0, 20);
    ctx.setFillColor(gfx::Color::fromWhite(0.95));
    ctx.fillRect({0, 0, kWidth, kHeight - 20});
    ctx.setFillColor(gfx::Color::black());
    for (int i = 0; i < 60; ++i) {
        const gfx::Rect r(10 + (i % 3) * 120, 10 + (i / 3) * 24, 115, 22);
        const std::string text = "标签 " + std::to_string(i);
        const std::string cut = gfx::TextLayout::truncate(text, label, r.width());
        const double h = gfx::TextLayout::measure(cut, label).height;
        ctx.drawText(cut, {r.x(), r.y() + (r.height() - h) / 2}, label);
    }
    for (int i = 0; i < 40; ++i)
        ctx.drawImage(img, gfx::Rect(10 + (i % 8) * 46, 500 + (i / 8) * 50, 44, 44));
    ctx.translate(390, 0);
    for (int r = 0; r * 60 < kHeight - 20; ++r) {
        const double y = r * 60;
        ctx.setFillColor(gfx::Color::white());
        ctx.fillRect({0, y, 378, 60});
        ctx.setFillColor(gfx::Color::black());
        ctx.drawText("第" + std::to_string(r + 1) + "章 风雪夜归人", {10, y + 6}, title);
        ctx.setFillColor(gfx::Color::gray());
        ctx.drawText("3200字 · 已下载", {10, y + 34}, detail);
        ctx.setFillColor(gfx::Color::fromWhite(0.88));
        ctx.fillRect({0, y + 59, 378, 1});
        ctx.setStrokeColor(gfx::Color::gray());
        ctx.setLineWidth(3);
        ctx.beginPath();
        ctx.moveTo({356, y + 25});
        ctx.lineTo({361, y + 30});
        ctx.lineTo({356, y + 35});
        ctx.strokePath();
    }
    ctx.restore();
}

void BM_ViewTreeVersusDirectCairo(benchmark::State& state) {
    Screen screen;
    const gfx::Image img = picture();
    size_t views = 0;
    auto root = buildTree(screen.rows, img, views);
    screen.window->addSubview(root);
    ui::Application::shared().setStatusBarHidden(true);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    double treeSeconds = 0, directSeconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        screen.compositor.renderAll();
        auto t1 = Clock::now();
        {
            gfx::Context ctx(surface, 1);
            drawDirect(ctx, img);
        }
        cairo_surface_flush(surface);
        auto t2 = Clock::now();
        treeSeconds += std::chrono::duration<double>(t1 - t0).count();
        directSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    cairo_surface_destroy(surface);
    const double n = static_cast<double>(state.iterations());
    state.counters["views"] = static_cast<double>(views);
    state.counters["tree_ms"] = treeSeconds / n * 1000;
    state.counters["cairo_ms"] = directSeconds / n * 1000;
    state.counters["ratio_tree_to_cairo"] = treeSeconds / directSeconds;
    std::printf("render %zu views at 768x1024: tree %.2f ms, direct Cairo %.2f ms, ratio %.2f\n", views,
                treeSeconds / n * 1000, directSeconds / n * 1000, treeSeconds / directSeconds);
}
BENCHMARK(BM_ViewTreeVersusDirectCairo)->Unit(benchmark::kMillisecond)->Iterations(30);

// A screen full of content to push and pop.
class ContentScreen : public ui::ViewController {
public:
    ContentScreen(std::shared_ptr<Rows> rows, gfx::Image img) : m_rows(std::move(rows)), m_img(std::move(img)) {}
    void loadView() override {
        size_t n = 0;
        setView(buildTree(m_rows, m_img, n));
    }

private:
    std::shared_ptr<Rows> m_rows;
    gfx::Image m_img;
};

void BM_PushTransitionFramesPerSecond(benchmark::State& state) {
    Screen screen;
    const gfx::Image img = picture();
    auto nav = ui::ViewController::create<ui::NavigationController>(
        ui::ViewController::create<ContentScreen>(screen.rows, img));
    screen.window->setRootViewController(nav);
    screen.compositor.renderAll();
    auto& loop = core::RunLoop::current();
    double frames = 0, seconds = 0;
    for (auto _ : state) {
        nav->pushViewController(ui::ViewController::create<ContentScreen>(screen.rows, img), true);
        // Frame by frame on the manual clock: each frame redraws what moved.
        while (nav->isTransitioning()) {
            screen.clock->advance(ui::Application::kFrameInterval);
            auto t0 = Clock::now();
            loop.runPending();
            screen.compositor.renderFrame();
            seconds += std::chrono::duration<double>(Clock::now() - t0).count();
            frames += 1;
        }
        nav->popViewControllerAnimated(false);
        screen.compositor.renderFrame();
    }
    const double fps = frames / seconds;
    state.counters["fps"] = fps;
    state.counters["ratio_to_60fps"] = fps / 60;
    std::printf("push transition at 768x1024: %.0f frames per second (%.2f x the 60 fps target)\n", fps, fps / 60);
}
BENCHMARK(BM_PushTransitionFramesPerSecond)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
