// The bookshelf with 2,000 books at 768x1024, headless, in both layouts:
//  - start-up to the first drawn shelf: the main screen made, its view loaded
//    (categories and books read, the layout built) and the window drawn;
//  - frames per second while the shelf scrolls (target 60), each frame
//    moving the shelf 40 points and drawing what changed, against drawing a
//    screen of the same tiles with Cairo directly (ratio).
#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/RZNavigationController.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/Context.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "shelf/BookcaseController.h"
#include "shelf/BookcaseTable.h"
#include "shelf/BooklistController.h"
#include "shelf/BooklistTable.h"
#include "shelf/MainViewController.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {

using namespace pw;
using Clock = std::chrono::steady_clock;

constexpr double kWidth = 768, kHeight = 1024;
constexpr int kBooks = 2000;

// A home with 2,000 local books, made once for the run.
struct Home {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "pw-shelf-bench";
    Home() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        core::Paths::setHome(dir);
        for (const auto& f : AppPaths::startupFolders())
            std::filesystem::create_directories(dir / f);
        MainDB::createMainDBIfNotExists();
        SettingTB::saveSettingWithKey("rzxy", "1");
        SettingTB::saveSettingWithKey("r1", "1");
        auto db = SQLDatabase::databaseWithPath(MainDB::mainDBPath().string());
        if (db.open()) {
            db.beginTransaction();
            for (int i = 0; i < kBooks; ++i) {
                const std::string name = "第" + std::to_string(i + 1) + "本 山河故人";
                db.executeUpdate(
                    "insert into book (RZBookId, BookName, Cover, FilePath, Type, LastReadTime, "
                    "CategoryId, Author, Status) values (?, ?, '', ?, 'TXT', ?, -1, '佚名', 0)",
                    {BookTB::LocalBookSiteId, name, "book" + std::to_string(i) + ".txt", int64_t(1700000000 + i)});
            }
            db.commit();
        }
    }
    ~Home() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Home& home() {
    static Home h;
    return h;
}

// The main screen of the local shelf in one layout, in a 768x1024 window.
struct Shelf {
    std::shared_ptr<core::ManualClock> clock = std::make_shared<core::ManualClock>();
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<MainViewController> main;
    std::shared_ptr<RZNavigationController> nav;
    ui::Compositor compositor;

    explicit Shelf(int style) {
        home();
        core::Clock::setShared(clock);
        core::RunLoop::claimMain();
        device::Device::current().setScreen({kWidth, kHeight, 1});
        // Nothing at start-up may wait for a network: the services are a closed port.
        for (auto s : {SiteHosts::Service::Interface, SiteHosts::Service::Account, SiteHosts::Service::Statistics,
                       SiteHosts::Service::File})
            SiteHosts::set(s, "http://127.0.0.1:9");
        ui::Application::shared().reset();
        ui::Application::shared().setStatusBarHidden(true);
        window = ui::View::create<ui::Window>(gfx::Rect(0, 0, kWidth, kHeight));
        window->makeKeyAndVisible();
        MainViewController::resetStartUpForTesting();
        bookcaseType = 2;
        main = MainViewController::create();
        nav = RZNavigationController::create(main);
        nav->setNavigationBarHidden(true, false);
        window->setRootViewController(nav);
        if (style == 2)
            main->btnSwitchBooksLayoutClick();
        compositor.renderAll();
    }
    ~Shelf() {
        nav.reset();
        main.reset();
        window.reset();
        ui::Application::shared().reset();
        core::RunLoop::current().runPending();
        core::Clock::setShared(nullptr);
        SiteHosts::reset();
    }
    ui::TableView* table() const {
        if (auto* grid = main->bookcaseController())
            return grid->page(1) ? grid->page(1)->tableView() : nullptr;
        if (auto* list = main->booklistController())
            return list->booklistTable() ? list->booklistTable()->tableView() : nullptr;
        return nullptr;
    }
};

// A screen of the grid's tiles drawn with Cairo directly: six covers a row,
// each a framed picture with the book's name and its type.
void drawTilesDirect(gfx::Context& ctx, double offset) {
    const gfx::Font name = gfx::Font::boldSystemFont(14);
    const gfx::Font small = gfx::Font::systemFont(12);
    ctx.setFillColor(gfx::Color::fromRGB255(236, 226, 208));
    ctx.fillRect({0, 0, kWidth, kHeight});
    const double rowH = 188, tileW = kWidth / 6;
    const int first = static_cast<int>(offset / rowH);
    for (int row = first; row * rowH - offset < kHeight; ++row) {
        const double y = row * rowH - offset;
        ctx.setFillColor(gfx::Color::fromRGB255(150, 110, 70));
        ctx.fillRect({0, y + rowH - 14, kWidth, 14});
        for (int c = 0; c < 6; ++c) {
            const gfx::Rect tile(c * tileW + 18, y + 20, tileW - 36, rowH - 50);
            ctx.setFillColor(gfx::Color::fromRGB255(120, 120, 120));
            ctx.fillRect(tile);
            ctx.setFillColor(gfx::Color::white());
            const std::string text = "第" + std::to_string(row * 6 + c + 1) + "本 山河故人";
            ctx.drawText(gfx::TextLayout::truncate(text, name, tile.width() - 8), {tile.x() + 4, tile.midY() - 10},
                         name);
            ctx.drawText("TXT", {tile.x() + 4, tile.maxY() - 18}, small);
        }
    }
}

void BM_ShelfStartUpToFirstDrawnShelf(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    home();
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        {
            Shelf shelf(style);
            seconds += std::chrono::duration<double>(Clock::now() - t0).count();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    const double ms = seconds / static_cast<double>(state.iterations()) * 1000;
    state.counters["first_shelf_ms"] = ms;
    std::printf("%s shelf of %d books at 768x1024: start-up to the first drawn shelf %.1f ms\n",
                style == 1 ? "grid" : "list", kBooks, ms);
}
BENCHMARK(BM_ShelfStartUpToFirstDrawnShelf)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ShelfScrollFramesPerSecond(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    Shelf shelf(style);
    ui::TableView* table = shelf.table();
    if (!table) {
        state.SkipWithError("no shelf table");
        return;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    auto& loop = core::RunLoop::current();
    double frames = 0, shelfSeconds = 0, cairoSeconds = 0;
    for (auto _ : state) {
        const double maxY = std::max(0.0, table->contentSize().height - table->bounds().height());
        for (double y = 0; y <= std::min(maxY, 6000.0); y += 40) {
            shelf.clock->advance(ui::Application::kFrameInterval);
            auto t0 = Clock::now();
            table->setContentOffset({0, y});
            loop.runPending();
            shelf.compositor.renderFrame();
            auto t1 = Clock::now();
            {
                gfx::Context ctx(surface, 1);
                drawTilesDirect(ctx, y);
            }
            cairo_surface_flush(surface);
            auto t2 = Clock::now();
            shelfSeconds += std::chrono::duration<double>(t1 - t0).count();
            cairoSeconds += std::chrono::duration<double>(t2 - t1).count();
            frames += 1;
        }
        table->setContentOffset({0, 0});
        shelf.compositor.renderFrame();
    }
    cairo_surface_destroy(surface);
    const double fps = frames / shelfSeconds;
    state.counters["fps"] = fps;
    state.counters["ratio_to_60fps"] = fps / 60;
    state.counters["ratio_shelf_to_cairo"] = shelfSeconds / cairoSeconds;
    std::printf("%s shelf of %d books scrolling at 768x1024: %.0f frames per second (%.2f x 60), %.2f x the time "
                "of drawing the tiles with Cairo directly\n",
                style == 1 ? "grid" : "list", kBooks, fps, fps / 60, shelfSeconds / cairoSeconds);
}
BENCHMARK(BM_ShelfScrollFramesPerSecond)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
