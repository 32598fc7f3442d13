// Frames drawn in part, with the repaint check on: each one must equal a full
// redraw of the same tree at the same moment. The clock moves a little between
// the animation's tick and the frame, as it does on a real display.
#include "UiTestSupport.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/RepaintQueue.h"
#include "platform/ui/ScrollView.h"

#include <regex>

namespace pw::ui::test {
namespace {

using gfx::Rect;

class RepaintTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_compositor.setVerifiesRepaint(true);
        m_compositor.renderAll();
    }

    // One display frame: the frame timer ticks, then the frame is drawn a few
    // milliseconds later.
    void frame() {
        advance(Application::kFrameInterval);
        m_clock->advance(0.004);
        m_compositor.renderFrame();
    }

    // Frames until nothing animates; every one must match a full redraw.
    void framesUntilSettled(double atMost = 2) {
        for (double t = 0; t < atMost && m_compositor.repaintMismatch().empty(); t += Application::kFrameInterval) {
            frame();
            if (!Animator::shared().isActive())
                break;
        }
        frame();
        EXPECT_EQ(m_compositor.repaintMismatch(), "");
    }

    // A fresh white window on a screen of that size, drawn once whole.
    void screenOf(double w, double h) {
        device::Device::current().setScreen({w, h, 1});
        Application::shared().reset();
        m_window = View::create<Window>(Rect(0, 0, w, h));
        m_window->setBackgroundColor(gfx::Color::white());
        m_window->makeKeyAndVisible();
        m_compositor.renderAll();
    }

    std::shared_ptr<View> box(const Rect& r, gfx::Color c) {
        auto v = View::create(r);
        v->setBackgroundColor(c);
        m_window->addSubview(v);
        return v;
    }
};

// Shapes of change that leave stale pixels when the old place is not redrawn.
TEST_F(RepaintTest, AnimatedChangesLeaveNothingBehind) {
    struct Case {
        const char* what;
        std::function<void(View& v)> change;
    };
    const std::vector<Case> cases{
        {"moved", [](View& v) { v.setCenter({260, 300}); }},
        {"shrunk", [](View& v) { v.setFrame({40, 100, 200, 20}); }},
        {"grown", [](View& v) { v.setFrame({0, 60, 320, 300}); }},
        {"turned and scaled", [](View& v) { v.setTransform(gfx::AffineTransform::rotation(0.6).concat(
                                                  gfx::AffineTransform::scaling(1.8, 0.5))); }},
        {"faded out", [](View& v) { v.setAlpha(0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto v = box({40, 100, 200, 140}, gfx::Color::fromRGB255(200, 30, 30));
        // A child sticking out of its unclipped parent moves with it.
        auto out = View::create(Rect(150, 120, 90, 60));
        out->setBackgroundColor(gfx::Color::fromRGB255(20, 20, 200));
        v->addSubview(out);
        frame();
        View::animate(0.3, [&] { c.change(*v); });
        framesUntilSettled();
        v->removeFromSuperview();
        frame();
        EXPECT_EQ(m_compositor.repaintMismatch(), "");
    }
}

TEST_F(RepaintTest, LayerRemovedDuringItsAnimationLeavesNoCopy) {
    auto v = box({10, 200, 60, 60}, gfx::Color::fromRGB255(0, 150, 0));
    frame();
    View::animate(0.5, [&] { v->setCenter({280, 240}); });
    for (int i = 0; i < 10; ++i)
        frame();
    v->removeFromSuperview();
    framesUntilSettled();
    // Nothing green is left anywhere.
    const auto shown = m_compositor.snapshot();
    EXPECT_EQ(countPixels(shown, Rect(0, 0, 320, 480), [](gfx::Pixel p) { return p.g > 120 && p.r < 60; }), 0);
}

TEST_F(RepaintTest, ViewHiddenWhileItsSiblingShows) {
    // Two tabs' panels in one place; the one leaving was still sliding in.
    auto first = box({0, 80, 320, 200}, gfx::Color::fromRGB255(240, 200, 0));
    auto second = box({0, 80, 320, 200}, gfx::Color::fromRGB255(0, 120, 220));
    auto marker = View::create(Rect(280, 150, 80, 30)); // sticks out of the first panel
    marker->setBackgroundColor(gfx::Color::fromRGB255(220, 0, 0));
    first->addSubview(marker);
    second->setHidden(true);
    frame();
    View::animate(0.4, [&] { first->setCenter({130, 200}); });
    for (int i = 0; i < 6; ++i)
        frame();
    first->setHidden(true);
    second->setHidden(false);
    framesUntilSettled();
    second->setHidden(true);
    frame();
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
}

TEST_F(RepaintTest, StatusBarClockRedrawsItsMinute) {
    // 29:59.9 past the hour: the next frame shows the next minute.
    const double wall = std::floor(m_clock->now() / 3600) * 3600 + 29 * 60 + 59.9;
    m_clock->setNow(wall);
    m_compositor.renderFrame();
    const auto before = m_compositor.snapshot();
    m_clock->setNow(wall + 0.2);
    m_compositor.renderFrame();
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
    const auto after = m_compositor.snapshot();
    int changed = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 100; x < 220; ++x)
            changed += before.pixelAt(x, y).r != after.pixelAt(x, y).r;
    EXPECT_GT(changed, 10);
}

// The bar slides in from above and out upward over a full-screen page: every
// frame of the slide matches a full redraw, halfway it shows half of itself
// over the page, and once gone the page is whole again.
TEST_F(RepaintTest, StatusBarSlidesInAndOutOverThePage) {
    auto& app = Application::shared();
    app.setStatusBarStyle(StatusBarStyle::BlackOpaque);
    app.setStatusBarHidden(true);
    box(Rect(0, 0, 320, 480), gfx::Color::fromRGB255(250, 240, 200));
    frame();
    const auto page = m_compositor.snapshot();
    auto rowIs = [](const gfx::Image& img, int y, auto pred) {
        int n = 0;
        for (int x = 0; x < 320; ++x)
            n += pred(img.pixelAt(x, y));
        return n > 200; // the clock and the battery take the rest of a bar's row
    };
    auto black = [](gfx::Pixel p) { return p.r < 30 && p.g < 30 && p.b < 30; };
    auto paper = [](gfx::Pixel p) { return p.r > 240 && p.b > 190 && p.b < 210; };
    for (bool show : {true, false}) {
        app.setStatusBarHidden(!show, true);
        EXPECT_EQ(app.isStatusBarHidden(), !show); // the layout does not wait for the slide
        EXPECT_TRUE(app.isStatusBarDrawn());
        // Halfway: the bar's lower half at the screen's top, the page below.
        while (std::abs(app.statusBarSlideOffset() - Application::kStatusBarHeight / 2) > 1.5)
            frame();
        EXPECT_EQ(m_compositor.repaintMismatch(), "");
        const auto half = m_compositor.snapshot();
        EXPECT_TRUE(rowIs(half, 1, black)) << show;
        EXPECT_TRUE(rowIs(half, 15, paper)) << show;
        framesUntilSettled();
        const auto end = m_compositor.snapshot();
        EXPECT_EQ(rowIs(end, 15, black), show);
        EXPECT_FALSE(app.isStatusBarDrawn() && !show);
    }
    // Turned back halfway, the bar goes on from where it is drawn.
    app.setStatusBarHidden(false, true);
    while (app.statusBarSlideOffset() > Application::kStatusBarHeight * 0.6)
        frame();
    const double at = app.statusBarSlideOffset();
    app.setStatusBarHidden(true, true);
    EXPECT_NEAR(app.statusBarSlideOffset(), at, 1e-9);
    framesUntilSettled();
    const auto gone = m_compositor.snapshot();
    for (int y = 0; y < 480; y += 7)
        EXPECT_EQ(gone.pixelAt(160, y), page.pixelAt(160, y)) << y;
}

TEST_F(RepaintTest, NetworkIndicatorRedrawsTheBar) {
    Application::shared().setNetworkActivityIndicatorVisible(true);
    frame();
    Application::shared().setNetworkActivityIndicatorVisible(false);
    frame();
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
}

// The check itself: a view too large to keep its drawing, changing what it draws
// without saying so, is caught, and the line names the frame, the screen and the
// rect that differs.
TEST_F(RepaintTest, CheckReportsAnUnmarkedChange) {
    struct Sneaky : View {
        using View::View;
        gfx::Color colour = gfx::Color::white();
        void draw(gfx::Context& ctx, const Rect&) override {
            ctx.setFillColor(colour);
            ctx.fillRect({50, 300, 40, 30});
        }
    };
    auto v = View::create<Sneaky>(Rect(0, 0, 320, 1200));
    m_window->addSubview(v);
    frame();
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
    v->colour = gfx::Color::black(); // no setNeedsDisplay
    auto other = box({200, 40, 10, 10}, gfx::Color::black()); // something else is drawn
    frame();
    const std::string line = m_compositor.repaintMismatch();
    EXPECT_TRUE(std::regex_match(line, std::regex("repaint mismatch: frame [0-9]+, screen none, rect 50,300 40x30, "
                                                  "layer .*Sneaky.*")))
        << line;
}

// Most views draw nothing of their own and keep no picture; one that draws a
// little keeps only that little. A change deep inside a scrolling tree still
// shows at once, wherever the scroll has taken it.
TEST_F(RepaintTest, ScrolledSubtreeKeepsOnlyWhatItDrawsAndShowsItsChanges) {
    struct Mark : View {
        using View::View;
        Rect spot{4, 4, 12, 8};
        gfx::Color colour = gfx::Color::fromRGB255(220, 0, 0);
        void draw(gfx::Context& ctx, const Rect&) override {
            ctx.setFillColor(colour);
            ctx.fillRect(spot);
        }
    };
    auto scroll = View::create<ScrollView>(Rect(0, 40, 320, 400));
    scroll->setContentSize({320, 2000});
    m_window->addSubview(scroll);
    auto row = View::create(Rect(0, 300, 320, 100));
    scroll->addSubview(row);
    auto cell = View::create(Rect(10, 10, 300, 80));
    row->addSubview(cell);
    auto mark = View::create<Mark>(Rect(0, 0, 300, 80));
    cell->addSubview(mark);
    auto label = View::create<Label>(Rect(100, 20, 150, 30));
    cell->addSubview(label);
    frame();
    for (const View* plain : std::initializer_list<const View*>{scroll.get(), row.get(), cell.get(), label.get()}) {
        const auto* kept = RepaintQueue::keptBacking(*plain->layer());
        ASSERT_NE(kept, nullptr);
        EXPECT_TRUE(kept->image.isNull());
    }
    const auto* kept = RepaintQueue::keptBacking(*mark->layer());
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->rect.contains(mark->spot));
    EXPECT_LE(kept->rect.width() * kept->rect.height(), 20 * 16);

    // Scrolled down 240 points, six a frame; halfway the mark moves and turns
    // blue, later the label gets its text.
    for (int i = 1; i <= 40; ++i) {
        scroll->setContentOffset({0, 6.0 * i});
        if (i == 15) {
            mark->spot = {260, 60, 12, 8};
            mark->colour = gfx::Color::fromRGB255(0, 0, 220);
            mark->setNeedsDisplay();
        }
        if (i == 25)
            label->setText("Chapter");
        frame();
    }
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
    const auto shown = m_compositor.snapshot();
    // The cell's top left is at 10,110 on screen now.
    const auto red = [](gfx::Pixel p) { return p.r > 150 && p.g < 60 && p.b < 60; };
    const auto blue = [](gfx::Pixel p) { return p.b > 150 && p.r < 60 && p.g < 60; };
    EXPECT_EQ(countPixels(shown, Rect(0, 40, 320, 400), red), 0);
    EXPECT_EQ(countPixels(shown, Rect(270, 170, 12, 8), blue), 12 * 8);
    EXPECT_GT(countPixels(shown, Rect(110, 130, 150, 30), isDark), 20);
}

TEST_F(RepaintTest, DistantChangesRedrawTwoSmallAreas) {
    auto a = box({0, 30, 10, 10}, gfx::Color::black());
    auto b = box({300, 460, 10, 10}, gfx::Color::black());
    frame();
    a->setBackgroundColor(gfx::Color::fromRGB255(255, 0, 0));
    b->setBackgroundColor(gfx::Color::fromRGB255(0, 0, 255));
    m_compositor.renderFrame();
    double area = 0;
    for (const auto& r : m_compositor.redrawnRects())
        area += r.width() * r.height();
    EXPECT_EQ(m_compositor.redrawnRects().size(), 2u);
    EXPECT_LT(area, 2 * 30 * 30); // not the screen between them
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
}

TEST_F(RepaintTest, DirtyAreasStayFewAndDisjoint) {
    auto& app = Application::shared();
    app.takeDirtyRects();
    for (int i = 0; i < 40; ++i)
        app.setNeedsRedraw(Rect((i * 37) % 300, (i * 53) % 460, 6, 6));
    app.setNeedsRedraw(Rect(2, 2, 2, 2)); // inside one already there, or merged
    const auto rects = app.takeDirtyRects();
    ASSERT_LE(rects.size(), Application::kMaxDirtyRects);
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j]));
    for (int i = 0; i < 40; ++i) {
        const Rect r((i * 37) % 300, (i * 53) % 460, 6, 6);
        EXPECT_TRUE(std::any_of(rects.begin(), rects.end(), [&](const Rect& d) { return d.contains(r); }));
    }
}


// An alert grows in from 1.1 times its size on the tablet screen: its message
// label sits at a fractional place and is scaled while it fades in, so a kept
// picture of its text would be resampled differently in a part redrawn than in
// a full redraw, one pixel at the edge of a glyph.
TEST_F(RepaintTest, LabelScaledInAPopupMatchesAFullRedraw) {
    screenOf(768, 1024);
    for (const char* message : {"确定提交？", "您当前的剩余更新票 5 票"}) {
        SCOPED_TRACE(message);
        auto alert = AlertView::create("提示", message, {}, "取消", {"确定"});
        alert->show();
        framesUntilSettled();
        alert->dismissWithClickedButtonIndex(1, true);
        framesUntilSettled();
    }
}

// A popup growing in on a busy machine: frames come late and at uneven
// times, so the scale is caught at values a steady clock never shows.
TEST_F(RepaintTest, PopupGrowingInOnUnevenFramesMatchesAFullRedraw) {
    screenOf(320, 480);
    unsigned seed = 7;
    const auto next = [&seed](int below) {
        seed = seed * 1103515245 + 12345;
        return static_cast<int>((seed >> 16) % below);
    };
    for (int round = 0; round < 40 && m_compositor.repaintMismatch().empty(); ++round) {
        auto alert = AlertView::create("提示", "当前已经是最新的版本了", {}, "知道了", {});
        alert->show();
        for (int i = 0; i < 40 && m_compositor.repaintMismatch().empty(); ++i) {
            advance(0.004 + next(120) / 1000.0);
            m_clock->advance(next(40) / 1000.0);
            m_compositor.renderFrame();
        }
        alert->dismissWithClickedButtonIndex(0, true);
        framesUntilSettled();
    }
    EXPECT_EQ(m_compositor.repaintMismatch(), "");
}

} // namespace
} // namespace pw::ui::test
