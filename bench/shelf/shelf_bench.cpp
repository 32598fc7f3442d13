// The bookshelf with 2,000 site books on a 768x1024 tablet screen, grid and list:
//  - start-up to the first drawn shelf: the books and categories read from the
//    main database, the layout built and the screen drawn once;
//  - frames per second while the shelf scrolls (target 60), each frame drawn by
//    the view tree against drawing the same tiles or rows with Cairo directly
//    (the ratio of the two frame times), at 768x1024 pixels (scale 1) and
//    1536x2048 (scale 2).
#include "foundation/config/DeviceKind.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/Clock.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"
#include "shelf/BookcaseController.h"
#include "shelf/BookcaseTable.h"
#include "shelf/BooklistController.h"
#include "shelf/BooklistTable.h"
#include "shelf/RZPageControl.h"
#include "shelf/ShelfHost.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

using namespace pw;
using Clock = std::chrono::steady_clock;

constexpr double kWidth = 768, kHeight = 1024;
constexpr int kBooks = 2000;
constexpr double kShelfTop = 64, kShelfHeight = kHeight - 64 - 49;
// 720 points a second at 60 frames a second.
constexpr double kStep = 12;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

gfx::Image coverPicture(int i) {
    gfx::BitmapContext ctx({120, 150}, 1, true);
    ctx.setFillColor(gfx::Color::fromHSB({(i * 37 % 360) / 360.0, 0.55, 0.8}));
    ctx.fillRect({0, 0, 120, 150});
    ctx.setFillColor(gfx::Color::fromWhite(1, 0.85));
    ctx.fillRect({10, 20, 100, 36});
    return ctx.snapshot();
}

// The shelf's data made once: a main database with 2,000 read site books in
// the four site shelves, and a cover for each.
struct ShelfData {
    std::filesystem::path home = std::filesystem::temp_directory_path() / "pw-shelf-bench";

    ShelfData() {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
        core::Paths::setHome(home);
        for (const auto& f : AppPaths::startupFolders())
            std::filesystem::create_directories(home / f);
        MainDB::createMainDBIfNotExists();
        CategoryTB::syncBookCases();
        const char* shelves[] = {"VIP书架", "书架1", "书架2", "书架3"};
        for (int s = 0; s < 4; ++s) {
            core::Value::Array books;
            for (int i = s * kBooks / 4; i < (s + 1) * kBooks / 4; ++i) {
                core::Value b = core::Value::map();
                b.set("BookId", 100000 + i);
                b.set("BookName", "第" + std::to_string(i + 1) + "部 风雪夜归人传奇");
                b.set("AuthorName", "作者" + std::to_string(i % 97));
                b.set("LastChapterId", 10 + i % 5);
                b.set("LastChapterName", "第十章");
                b.set("LastChapterTime", 1700000000000LL);
                books.push_back(std::move(b));
            }
            BookTB::addBookCaseBooksWith(books, core::Value(int64_t{42}), shelves[s]);
        }
        SQLDatabase db(MainDB::mainDBPath().string());
        if (db.open())
            db.executeUpdate("update book set LastReadTime = 1700000000 - RZBookId, ReadPercent = 37.5");
        for (int i = 0; i < kBooks; ++i)
            coverPicture(i).writeJPEG(AppPaths::coverFile(100000 + i).string(), 0.8);
        core::Paths::setHome({});
    }
    ~ShelfData() {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
};

ShelfData& data() {
    static ShelfData d;
    return d;
}

// One headless tablet screen with the shelf's scroll view, page control and title.
struct Screen {
    std::shared_ptr<core::ManualClock> clock = std::make_shared<core::ManualClock>();
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::ScrollView> scroll;
    std::shared_ptr<RZPageControl> pageControl;
    std::shared_ptr<ui::Button> title;
    ui::Compositor compositor;

    explicit Screen(double scale = 1) {
        core::Paths::setHome(data().home);
        core::Clock::setShared(clock);
        core::RunLoop::claimMain();
        setDeviceKindProvider([] { return DeviceKind::Tablet; });
        device::Device::current().setScreen({kWidth, kHeight, scale});
        ui::Application::shared().reset();
        ui::Application::shared().setStatusBarHidden(true);
        window = ui::View::create<ui::Window>(gfx::Rect(0, 0, kWidth, kHeight));
        window->setBackgroundColor(gfx::Color::fromRGB255(60, 72, 90));
        window->makeKeyAndVisible();
        scroll = ui::View::create<ui::ScrollView>(gfx::Rect(0, kShelfTop, kWidth, kShelfHeight));
        scroll->bounces = false;
        window->addSubview(scroll);
        pageControl = RZPageControl::create({0, kHeight - 49 - 20, 16, 16});
        window->addSubview(pageControl);
        title = ui::Button::create();
        title->setFrame({284, 10, 200, 44});
        window->addSubview(title);
    }
    ~Screen() {
        window.reset();
        ui::Application::shared().reset();
        setDeviceKindProvider(nullptr);
        core::Clock::setShared(nullptr);
        core::Paths::setHome({});
    }
};

ShelfBooks readBooks() {
    auto books = std::make_shared<std::vector<BookRecord>>();
    for (const core::Value& v : BookTB::getAllRZBooks().value_or(core::Value::Array{}))
        books->push_back(BookRecord::fromValue(v));
    return books;
}

ShelfCategories readCategories() {
    auto categories = std::make_shared<std::vector<CategoryRecord>>();
    categories->push_back({-1, "最近阅读", 0, core::Clock::shared().now()});
    for (const core::Value& v : CategoryTB::getAllRZCategory().value_or(core::Value::Array{}))
        categories->push_back(CategoryRecord::fromValue(v));
    return categories;
}

std::shared_ptr<BookcaseController> showGrid(Screen& s) {
    auto grid = BookcaseController::create();
    grid->clearScroll();
    grid->setRzPageControl(s.pageControl);
    grid->setScrollView(s.scroll);
    grid->setAllCategories(readCategories());
    grid->setBtnTitle(s.title);
    grid->setAllBooks(readBooks());
    grid->loadBookcase();
    return grid;
}

std::shared_ptr<BooklistController> showList(Screen& s) {
    auto list = BooklistController::create();
    list->clearScroll();
    list->setRzPageControl(s.pageControl);
    list->setScrollView(s.scroll);
    list->setAllCategories(readCategories());
    list->setBtnTitle(s.title);
    list->setAllBooks(readBooks());
    list->loadBooklist(false);
    return list;
}

// The first drawn shelf, kept beside the build for a look.
void keepPicture(const ui::Compositor& compositor, const std::string& name) {
    const auto dir = std::filesystem::current_path().parent_path() / "artifacts" / "shelf";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    compositor.snapshot().writePNG((dir / name).string());
}

template <typename Show>
void startup(benchmark::State& state, Show show, const char* what) {
    data();
    double seconds = 0;
    for (auto _ : state) {
        Screen s;
        auto t0 = Clock::now();
        auto layout = show(s);
        s.compositor.renderAll();
        seconds += since(t0);
        if (state.iterations() == 0)
            keepPicture(s.compositor, std::string("bench_") + what + ".png");
        layout->clearScroll();
    }
    const double ms = seconds / static_cast<double>(state.iterations()) * 1000;
    state.counters["first_frame_ms"] = ms;
    std::printf("%s of %d books at 768x1024: start-up to the first drawn shelf %.1f ms\n", what, kBooks, ms);
}

void BM_GridStartupToFirstFrame(benchmark::State& state) {
    startup(state, showGrid, "grid");
}
BENCHMARK(BM_GridStartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ListStartupToFirstFrame(benchmark::State& state) {
    startup(state, showList, "list");
}
BENCHMARK(BM_ListStartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// The covers the direct drawing shows, decoded once as a drawing program would keep them.
std::map<int64_t, gfx::Image>& decodedCovers() {
    static std::map<int64_t, gfx::Image> covers;
    return covers;
}

const gfx::Image& coverOf(int64_t rzId) {
    auto& covers = decodedCovers();
    auto it = covers.find(rzId);
    if (it == covers.end())
        it =
            covers.emplace(rzId, gfx::Image::fromFile(AppPaths::coverFile(rzId).string()).value_or(gfx::Image())).first;
    return it->second;
}

// The grid's visible tiles drawn straight: cover, name band and type text per tile.
void drawGridDirect(gfx::Context& ctx, const std::vector<BookRecord>& books, double offset) {
    const gfx::Font name = gfx::Font::systemFont(12);
    const gfx::Font type = gfx::Font::systemFont(10);
    ctx.setFillColor(gfx::Color::fromRGB255(60, 72, 90));
    ctx.fillRect({0, 0, kWidth, kHeight});
    ctx.save();
    ctx.clipToRect({0, kShelfTop, kWidth, kShelfHeight});
    const double rowHeight = 188, top = kShelfTop + 44 - offset;
    const int perRow = 4;
    const int first = std::max(0, static_cast<int>(-(top - kShelfTop) / rowHeight));
    for (int r = first; top + r * rowHeight < kShelfTop + kShelfHeight; ++r) {
        for (int i = 0; i < perRow; ++i) {
            const size_t k = static_cast<size_t>(r * perRow + i);
            if (k >= books.size())
                break;
            const double x = 57 + 170 * i, y = top + r * rowHeight + 5;
            ctx.drawImage(coverOf(books[k].rzId), gfx::Rect(x + 11, y + 2, 120, 150));
            ctx.setFillColor(gfx::Color::fromWhite(0, 0.45));
            ctx.fillRect({x + 16, y + 58, 110, 38});
            ctx.setFillColor(gfx::Color::white());
            ctx.drawText(books[k].bname, gfx::Rect(x + 16, y + 58, 110, 38), name, gfx::LineBreakMode::WordWrap,
                         gfx::TextAlignment::Center);
            ctx.drawText(books[k].type, gfx::Rect(x + 56, y + 135, 30, 18), type, gfx::LineBreakMode::WordWrap,
                         gfx::TextAlignment::Center);
        }
    }
    ctx.restore();
}

// The list's visible rows drawn straight: cover, three lines of text, type badge.
void drawListDirect(gfx::Context& ctx, const std::vector<BookRecord>& books, double offset) {
    const gfx::Font font = gfx::Font::systemFont(14);
    ctx.setFillColor(gfx::Color::fromRGB255(60, 72, 90));
    ctx.fillRect({0, 0, kWidth, kHeight});
    ctx.save();
    ctx.clipToRect({0, kShelfTop, kWidth, kShelfHeight});
    const double rowHeight = 110, top = kShelfTop + 44 + 36 - offset;
    const int first = std::max(0, static_cast<int>(-(top - kShelfTop) / rowHeight));
    for (int r = first; top + r * rowHeight < kShelfTop + kShelfHeight && r < static_cast<int>(books.size()); ++r) {
        const BookRecord& b = books[static_cast<size_t>(r)];
        const double y = top + r * rowHeight;
        ctx.setFillColor(r % 2 ? gfx::Color::fromRGB255(243, 243, 245) : gfx::Color::fromRGB255(233, 234, 235));
        ctx.fillRect({0, y, kWidth, rowHeight});
        ctx.drawImage(coverOf(b.rzId), gfx::Rect(11, y + 10, 74, 92));
        ctx.setFillColor(gfx::Color::black());
        ctx.drawText(b.bname, {98, y + 10}, font);
        ctx.drawText(b.author + " ［ 37.5% ］", {98, y + 38}, font);
        ctx.drawText("上次阅读：2023-11-14 22:13", {98, y + 66}, font);
    }
    ctx.restore();
}

template <typename Show, typename Table, typename Direct>
void scrolling(benchmark::State& state, Show show, Table tableOf, Direct direct, const char* what) {
    data();
    const double scale = static_cast<double>(state.range(0));
    Screen s(scale);
    auto layout = show(s);
    ui::ScrollView& table = tableOf(*layout);
    const ShelfBooks books = readBooks();
    s.compositor.renderAll();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(kWidth * scale),
                                                          static_cast<int>(kHeight * scale));
    auto& loop = core::RunLoop::current();
    double viewSeconds = 0, directSeconds = 0, frames = 0;
    for (auto _ : state) {
        // Down two screens and back, frame by frame.
        table.setContentOffset({0, 44});
        const int steps = static_cast<int>(2 * kShelfHeight / kStep);
        for (int i = 0; i < 2 * steps; ++i) {
            const double y = 44 + kStep * (i < steps ? i + 1 : 2 * steps - i - 1);
            auto t0 = Clock::now();
            table.setContentOffset({0, y});
            s.clock->advance(ui::Application::kFrameInterval);
            loop.runPending();
            s.compositor.renderFrame();
            viewSeconds += since(t0);
            auto t1 = Clock::now();
            {
                gfx::Context ctx(surface, scale);
                direct(ctx, *books, y);
            }
            cairo_surface_flush(surface);
            directSeconds += since(t1);
            frames += 1;
        }
    }
    cairo_surface_destroy(surface);
    layout->clearScroll();
    const double fps = frames / viewSeconds;
    state.counters["fps"] = fps;
    state.counters["ratio_to_60fps"] = fps / 60;
    state.counters["view_frame_ms"] = viewSeconds / frames * 1000;
    state.counters["cairo_frame_ms"] = directSeconds / frames * 1000;
    state.counters["ratio_views_to_cairo"] = viewSeconds / directSeconds;
    std::printf("%s scrolling at %.0fx%.0f: %.0f frames per second (%.2f x 60); view frame %.2f ms, direct Cairo "
                "%.2f ms, ratio %.2f\n",
                what, kWidth * scale, kHeight * scale, fps, fps / 60, viewSeconds / frames * 1000, directSeconds / frames * 1000,
                viewSeconds / directSeconds);
}

void BM_GridScrollFramesPerSecond(benchmark::State& state) {
    scrolling(
        state, showGrid, [](BookcaseController& g) -> ui::ScrollView& { return *g.page(1)->tableView(); },
        drawGridDirect, "grid");
}
BENCHMARK(BM_GridScrollFramesPerSecond)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListScrollFramesPerSecond(benchmark::State& state) {
    scrolling(
        state, showList, [](BooklistController& l) -> ui::ScrollView& { return *l.booklistTable()->tableView(); },
        drawListDirect, "list");
}
BENCHMARK(BM_ListScrollFramesPerSecond)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
