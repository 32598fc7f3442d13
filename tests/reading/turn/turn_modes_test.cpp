// Each turn mode driven by touches on the manual clock, with a frame rendered in
// the middle of the turn and checked where its geometry carries the behaviour. The
// touches go through the window to tap and pan recognizers on the page view that
// forward to the page manager as the reader screen does.
// Page 1 is black ink on white, page 2 is blank, so each side of a moving edge
// tells which page shows there. The frames are kept under <build>/artifacts/pages.

#include "TurnTestSupport.h"

#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"

#include "reading/turn/AutoScrollView.h"
#include "reading/turn/DragView.h"
#include "reading/turn/PageCurlView.h"
#include "reading/turn/RZPageView.h"
#include "reading/turn/SwipView.h"

namespace pw::test {
namespace {

using gfx::Rect;

bool ink(gfx::Pixel p) {
    return p.r < 40 && p.g < 40 && p.b < 40;
}
bool paleInk(gfx::Pixel p) {
    return p.r >= 60 && p.r < 140 && p.g >= 60 && p.g < 140;
}
int grey(gfx::Pixel p) {
    return (p.r + p.g + p.b) / 3;
}

class TurnModeTest : public TurnTest {
protected:
    // A manager showing page 1 in the given view.
    std::unique_ptr<PageManager> showFirstPage(int type, std::shared_ptr<BaseView> view) {
        // How many characters fill a page, from an all-ink probe.
        auto probe =
            makeManager(std::u16string(2000, u'甲'), type, ui::View::create<FakePageView>(Rect(0, 0, 320, 480)));
        probe->getPageFromPosition(-1);
        const int perPage = static_cast<int>(probe->currPage()->end + 1);
        probe.reset();
        m_window->subviews().back()->removeFromSuperview();

        auto m = makeManager(darkThenBlank(perPage, 60), type, std::move(view));
        m->rzConfig()->setPageFontColor(gfx::Color::black());
        m->rzConfig()->setPageBackgroundColor(gfx::Color::white());
        m->setupPageConfig();
        m->getPageFromPosition(-1);
        runPreloads();
        forwardGestures(*m, *m->pageView());
        return m;
    }

    gfx::Image frame(ui::View& v, const std::string& name) {
        gfx::BitmapContext ctx({320, 480}, 1, false);
        ctx.setFillColor(gfx::Color(1, 0, 1)); // magenta where nothing is drawn
        ctx.fillRect({0, 0, 320, 480});
        v.layer()->render(ctx);
        auto img = ctx.snapshot();
        img.writePNG((artifactsDir() / (name + ".png")).string());
        return img;
    }

    // Ink pixels in a band of columns (horizontal turns) over the text rows.
    static int inkIn(const gfx::Image& img, double x0, double x1, double y0 = 0, double y1 = 440) {
        return countPixels(img, Rect(x0, y0, x1 - x0, y1 - y0), ink);
    }
    static int inkRows(const gfx::Image& img, double y0, double y1) { return inkIn(img, 0, 320, y0, y1); }

    // What the reader screen does with gestures on the page view.
    static void forwardGestures(PageManager& m, ui::View& v) {
        struct Pan {
            gfx::Point origin;
            bool active = false;
        };
        auto state = std::make_shared<Pan>();
        auto pan = ui::PanGestureRecognizer::create([&m, &v, state](ui::GestureRecognizer& g) {
            auto& p = static_cast<ui::PanGestureRecognizer&>(g);
            const gfx::Point at = p.locationInView(&v);
            switch (p.state()) {
            case ui::GestureState::Began: {
                const gfx::Point t = p.translationInView(&v);
                state->origin = {at.x - t.x, at.y - t.y};
                state->active = !m.isFirstPageOrLastPage(state->origin, true);
                if (state->active) {
                    m.panTurningBegin(state->origin);
                    m.panTurningChanged(at, state->origin);
                }
                break;
            }
            case ui::GestureState::Changed:
                if (state->active)
                    m.panTurningChanged(at, state->origin);
                break;
            case ui::GestureState::Ended:
            case ui::GestureState::Cancelled:
                if (state->active)
                    m.panTurningEnd(at, state->origin);
                state->active = false;
                break;
            default:
                break;
            }
        });
        v.addGestureRecognizer(pan);
        v.addGestureRecognizer(ui::TapGestureRecognizer::create([&m, &v](ui::GestureRecognizer& g) {
            if (g.state() == ui::GestureState::Ended)
                m.tapTurning(g.locationInView(&v));
        }));
    }

    // A finger from `from` to `to` in steps on the clock, still down.
    void pan(gfx::Point from, gfx::Point to) {
        drag(from, to, 0.16, 8, false);
        advance(0.25); // the glide of a smooth start has settled
    }

    // Lifts the finger; once the turn has settled the view rests on page 2.
    void release(ui::View& view, gfx::Point at, const std::string& name) {
        touch(1, ui::TouchPhase::Ended, at);
        advance(0.3);
        EXPECT_EQ(inkRows(frame(view, name), 0, 480), 0);
    }
};

TEST_F(TurnModeTest, NoEffectShowsTheNewPageAtOnce) {
    auto view = ui::View::create<RZPageView>(Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnNone, view);
    EXPECT_GT(inkRows(frame(*view, "turn0-before"), 0, 480), 1000);
    tap({300, 240});
    const auto img = frame(*view, "turn0-after");
    EXPECT_EQ(inkRows(img, 0, 480), 0);
    EXPECT_EQ(img.pixelAt(160, 240), (gfx::Pixel{255, 255, 255, 255}));
}

TEST_F(TurnModeTest, CurlFoldsTheLeafBackAtTheFingerWithItsShadows) {
    auto view = ui::View::create<PageCurlView>(Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnCurl, view);
    pan({300, 240}, {160, 240});
    ASSERT_NEAR(view->presentedLeafEdge(), 0.5, 1e-9);
    const auto img = frame(*view, "turn1-curl-mid");
    // At edge 0.5 the back of the leaf spans 80..200 over the top page's face.
    EXPECT_GT(inkIn(img, 0, 70), 200) << "page 1's face left of the fold";
    EXPECT_EQ(inkIn(img, 82, 198), 0) << "its back is paler than ink";
    EXPECT_GT(countPixels(img, Rect(82, 0, 96, 440), paleInk), 100) << "page 1's back, mirrored and paled";
    // The shadow on the top page, in its blank top margin: darkest at the fold.
    const int y = 4;
    ASSERT_EQ(grey(img.pixelAt(60, y)), 255);
    EXPECT_LT(grey(img.pixelAt(79, y)), grey(img.pixelAt(73, y)));
    EXPECT_LT(grey(img.pixelAt(79, y)), 220);
    // The back's shading darkens towards its right border; page 2 beyond it.
    EXPECT_LT(grey(img.pixelAt(198, y)), grey(img.pixelAt(182, y)));
    EXPECT_EQ(grey(img.pixelAt(202, 240)), 255);
    EXPECT_EQ(inkIn(img, 200, 320), 0);

    // Release: the leaf turns away and the view rests on page 2.
    touch(1, ui::TouchPhase::Ended, {160, 240});
    advance(0.12);
    const auto settling = frame(*view, "turn1-curl-settling");
    EXPECT_LT(inkRows(settling, 0, 480), inkRows(img, 0, 480));
    advance(0.3);
    EXPECT_EQ(view->leafEdge(), 1);
    EXPECT_EQ(inkRows(frame(*view, "turn1-curl-after"), 0, 480), 0);
}

TEST_F(TurnModeTest, HorizontalDragSlidesTheOldPageOverTheNewOne) {
    auto view = ui::View::create<DragView>(DragView::kHorizontal, Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnDragHorizontal, view);
    pan({300, 240}, {200, 240}); // the edge at 320 - 100
    const auto img = frame(*view, "turn2-drag-mid");
    EXPECT_GT(inkIn(img, 150, 219), 100);
    EXPECT_EQ(inkIn(img, 221, 320), 0);
    EXPECT_LT(grey(img.pixelAt(221, 4)), 200) << "the shading strip along the edge";
    EXPECT_EQ(grey(img.pixelAt(230, 4)), 255);
    release(*view, {200, 240}, "turn2-drag-after");
}

TEST_F(TurnModeTest, HorizontalSwipePushesBothPages) {
    auto view = ui::View::create<SwipView>(SwipView::kHorizontal, Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnSwipeHorizontal, view);
    pan({300, 240}, {200, 240});
    const auto img = frame(*view, "turn3-swipe-mid");
    // The old page's right part sits left of the seam, page 2's left part right of it.
    EXPECT_GT(inkIn(img, 150, 219), 100);
    EXPECT_EQ(inkIn(img, 221, 320), 0);
    EXPECT_EQ(grey(img.pixelAt(222, 4)), 255) << "no shading in a push";
    EXPECT_EQ(countPixels(img, Rect(0, 0, 320, 480), [](gfx::Pixel p) { return p.r == 255 && p.g == 0; }), 0)
        << "no gap along the seam";
    release(*view, {200, 240}, "turn3-swipe-after");
}

TEST_F(TurnModeTest, VerticalDragSlidesUp) {
    auto view = ui::View::create<DragView>(DragView::kVertical, Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnDragVertical, view);
    pan({160, 400}, {160, 300}); // the edge at 480 - 100
    const auto img = frame(*view, "turn4-drag-mid");
    EXPECT_GT(inkRows(img, 0, 379), 500);
    EXPECT_EQ(inkRows(img, 386, 480), 0);
    EXPECT_LT(grey(img.pixelAt(5, 381)), 200) << "the shading under the sliding page";
    release(*view, {160, 300}, "turn4-drag-after");
}

TEST_F(TurnModeTest, VerticalSwipeShowsTheSplitLineAtTheSeam) {
    auto view = ui::View::create<SwipView>(SwipView::kVertical, Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnSwipeVertical, view);
    pan({160, 400}, {160, 300});
    const auto img = frame(*view, "turn5-swipe-mid");
    EXPECT_GT(inkRows(img, 0, 379), 500);
    EXPECT_EQ(inkRows(img, 382, 480), 0);
    EXPECT_LT(grey(img.pixelAt(5, 380)), 200) << "the split line";
    EXPECT_EQ(grey(img.pixelAt(5, 383)), 255);
    release(*view, {160, 300}, "turn5-swipe-after");
    EXPECT_TRUE(view->pageSplitLine()->isHidden());
}

TEST_F(TurnModeTest, AutoScrollRevealsTheNextPageFromTheTop) {
    auto view = ui::View::create<AutoScrollView>(Rect(0, 0, 320, 480));
    auto m = showFirstPage(kTurnSwipeHorizontal, view);
    m->rzConfig()->setAutoScrollSpeed(0);
    m->beginAutoScrollScreen();
    advance(2.0); // one step to take page 2, then about 40 points of it
    const double edge = m->autoScrollTop();
    ASSERT_NEAR(edge, 39, 2);
    const auto img = frame(*view, "turn6-autoscroll-mid");
    EXPECT_EQ(inkRows(img, 0, edge - 2), 0) << "page 2 above the edge";
    EXPECT_GT(inkRows(img, edge + 6, 480), 500) << "page 1 below it";
    EXPECT_LT(grey(img.pixelAt(5, static_cast<int>(edge) + 1)), 230) << "the shadow under the edge";
    m->exitAutoScrollScreen();
    advance(0.1);
    EXPECT_FALSE(m->isAutoScrolling());
}

} // namespace
} // namespace pw::test
