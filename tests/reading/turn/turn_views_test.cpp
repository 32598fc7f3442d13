#include "TurnTestSupport.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Transaction.h"
#include "reading/turn/AutoScrollView.h"
#include "reading/turn/CurlGeometry.h"
#include "reading/turn/DragView.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/PageCurlView.h"
#include "reading/turn/RZPageView.h"
#include "reading/turn/StatusView.h"
#include "reading/turn/SwipView.h"

namespace pw::test {
namespace {

using gfx::Rect;

class TurnViewTest : public ui::test::UiTest {
protected:
    template <typename V, typename... A>
    std::shared_ptr<V> make(A... args) {
        auto v = ui::View::create<V>(args..., Rect(0, 0, 320, 480));
        m_window->addSubview(v);
        return v;
    }
    static void edgeAtOnce(LeafTurnView& v, double e) {
        ui::Transaction::begin();
        ui::Transaction::setDisableActions(true);
        v.setLeafEdge(e);
        ui::Transaction::commit();
    }
};

void expectRect(const Rect& got, const Rect& want) {
    EXPECT_NEAR(got.x(), want.x(), 1e-9);
    EXPECT_NEAR(got.y(), want.y(), 1e-9);
    EXPECT_NEAR(got.width(), want.width(), 1e-9);
    EXPECT_NEAR(got.height(), want.height(), 1e-9);
}

TEST_F(TurnViewTest, EachTurnTypeHasItsView) {
    const Rect r(0, 0, 320, 480);
    EXPECT_TRUE(dynamic_cast<RZPageView*>(PageManager::makePageView(0, r).get()));
    EXPECT_TRUE(dynamic_cast<PageCurlView*>(PageManager::makePageView(1, r).get()));
    for (const int type : {2, 4}) {
        const auto view = PageManager::makePageView(type, r);
        auto* v = dynamic_cast<DragView*>(view.get());
        ASSERT_TRUE(v);
        EXPECT_EQ(v->dragMode(), type == 2 ? DragView::kHorizontal : DragView::kVertical);
    }
    for (const int type : {3, 5}) {
        const auto view = PageManager::makePageView(type, r);
        auto* v = dynamic_cast<SwipView*>(view.get());
        ASSERT_TRUE(v);
        EXPECT_EQ(v->swipMode(), type == 3 ? SwipView::kHorizontal : SwipView::kVertical);
    }
    EXPECT_TRUE(dynamic_cast<AutoScrollView*>(PageManager::makePageView(6, r).get()));
    EXPECT_FALSE(PageManager::makePageView(7, r));
}

TEST_F(TurnViewTest, SlidingViewFramesFollowTheEdge) {
    auto drag = make<DragView>(DragView::kHorizontal);
    edgeAtOnce(*drag, 0.25);
    expectRect(drag->slidingPage()->frame(), {0, 0, 80, 480});
    expectRect(drag->shading()->frame(), {80, 0, 5, 480});
    expectRect(drag->stillPage()->frame(), {0, 0, 320, 480});

    auto dragV = make<DragView>(DragView::kVertical);
    edgeAtOnce(*dragV, 0.5);
    expectRect(dragV->slidingPage()->frame(), {0, 0, 320, 240});
    expectRect(dragV->shading()->frame(), {0, 240, 320, 5});

    auto swip = make<SwipView>(SwipView::kHorizontal);
    expectRect(swip->outgoingPage()->frame(), {0, 0, 320, 480});
    expectRect(swip->incomingPage()->frame(), {319.5, 0, 0.5, 480}); // hidden under the outgoing page
    edgeAtOnce(*swip, 0);
    expectRect(swip->outgoingPage()->frame(), {0, 0, 0, 480});
    expectRect(swip->incomingPage()->frame(), {-0.5, 0, 320.5, 480});
    EXPECT_FALSE(swip->splitLine());

    auto swipV = make<SwipView>(SwipView::kVertical);
    edgeAtOnce(*swipV, 0.5);
    expectRect(swipV->outgoingPage()->frame(), {0, 0, 320, 240});
    expectRect(swipV->splitLine()->frame(), {0, 240, 320, 1});
    expectRect(swipV->incomingPage()->frame(), {0, 239.5, 320, 240.5});
    swipV->setSplitLineShow(false);
    EXPECT_TRUE(swipV->splitLine()->isHidden());

    // The other mode's setters do nothing.
    const auto img = gfx::Image::filled(320, 480, {1, 2, 3, 255});
    swip->setTopImage(img, img);
    swip->setBottomPageImage(img);
    EXPECT_TRUE(swip->outgoingPage()->contents().isNull());
    EXPECT_TRUE(swip->incomingPage()->contents().isNull());
    swipV->setLeftImage(img, img);
    EXPECT_TRUE(swipV->outgoingPage()->contents().isNull());
}

TEST_F(TurnViewTest, TheDirectionIsFixedWhereTheTouchBegan) {
    struct Case {
        int mode;
        gfx::Point begin;
        gfx::Point end;
        bool forward;
    };
    const std::vector<Case> cases = {
        {DragView::kHorizontal, {160, 100}, {160, 100}, true}, // the middle line is forward
        {DragView::kHorizontal, {300, 100}, {20, 100}, true},  // dragged back over: still forward
        {DragView::kHorizontal, {100, 100}, {310, 100}, false}, {DragView::kVertical, {5, 240}, {5, 240}, true},
        {DragView::kVertical, {300, 100}, {300, 470}, false}, // x does not matter
    };
    for (const auto& c : cases) {
        auto v = make<DragView>(c.mode);
        v->touchesBegan(c.begin);
        v->touchesMoved(c.end);
        v->touchesEnded(c.end);
        EXPECT_EQ(v->turnPageForward(), c.forward);
        EXPECT_EQ(v->turnPageBackward(), !c.forward);
        v->removeFromSuperview();
    }
}

TEST_F(TurnViewTest, ReleaseSettlesAndTheCompletionShowsTheFinalPage) {
    auto v = make<SwipView>(SwipView::kHorizontal);
    const auto finalPage = gfx::Image::filled(320, 480, {0, 200, 0, 255});
    v->setFinalImage(finalPage);
    v->touchesBegan({300, 200});
    v->touchesMoved({200, 200});
    EXPECT_NEAR(v->presentedLeafEdge(), 200.0 / 320, 1e-9);
    v->touchesEnded({200, 200});
    EXPECT_EQ(v->leafEdge(), 0);
    advance(0.1);
    EXPECT_GT(v->presentedLeafEdge(), 0);
    EXPECT_LT(v->presentedLeafEdge(), 200.0 / 320);
    EXPECT_NE(v->outgoingPage()->contents().surface(), finalPage.surface());
    advance(0.2);
    EXPECT_EQ(v->outgoingPage()->contents().surface(), finalPage.surface());
    EXPECT_EQ(v->leafEdge(), 1);
    EXPECT_EQ(v->presentedLeafEdge(), 1);

    // A touch outside both halves stays inactive.
    v->touchesBegan({400, 200});
    EXPECT_FALSE(v->touchIsActive());
    v->touchesMoved({100, 100});
    EXPECT_EQ(v->leafEdge(), 1);
}

TEST_F(TurnViewTest, CurlGeometryPutsTheGrabbedEdgeUnderTheFinger) {
    const gfx::Size page{320, 480};
    EXPECT_TRUE(CurlGeometry::make(page, 1, 240).flat);
    EXPECT_TRUE(CurlGeometry::make(page, 0, 240).turnedAway);
    for (const double edge : {0.2, 0.5, 0.8, 0.97}) {
        const auto g = CurlGeometry::make(page, edge, 100);
        ASSERT_FALSE(g.flat);
        bool back = false;
        const gfx::Point landed = g.project({320, 100}, &back);
        EXPECT_TRUE(back);
        EXPECT_NEAR(landed.x, edge * 320, 1e-6);
        EXPECT_NEAR(landed.y, 100, 1e-6);
        EXPECT_EQ(g.grabbed.x, landed.x);
        EXPECT_GT(g.radius, 0);
        EXPECT_LE(g.radius, CurlGeometry::maxRadiusFor(page));
        // Left of the fold nothing moves; just past it the page rises on the cylinder
        // (a point s along the page shows r sin(s / r) from the axis) ...
        EXPECT_EQ(g.project({g.axisPoint.x - 5, 50}).x, g.axisPoint.x - 5);
        EXPECT_NEAR(g.project({g.axisPoint.x + g.radius, 50}).x, g.axisPoint.x + g.radius * std::sin(1.0), 1e-9);
        // ... and the whole leaf stays between the finger and the cylinder's top.
        for (double x = g.axisPoint.x; x <= 320; x += 7) {
            const double shown = g.project({x, 50}).x;
            EXPECT_GE(shown, landed.x - 1e-9);
            EXPECT_LE(shown, g.axisPoint.x + g.radius + 1e-9);
        }
    }
    // Below the tracking limit the leaf runs ahead of the finger and is gone at 0.
    EXPECT_LT(CurlGeometry::grabbedEdgeX(0.05, 320, 32), 0.05 * 320);
    const auto gone = CurlGeometry::make(page, 1e-6, 100);
    EXPECT_LT(gone.axisPoint.x + gone.radius, 0);
}

TEST_F(TurnViewTest, AutoScrollRevealsFromTheTop) {
    auto v = make<AutoScrollView>();
    EXPECT_EQ(v->leafTopEdge(), 1);
    v->touchesBegan({0, 0});
    expectRect(v->topPage()->frame(), {0, 0, 320, 0});
    v->touchesMoved({0, 240});
    expectRect(v->topPage()->frame(), {0, 0, 320, 240});
    expectRect(v->topPageShading()->frame(), {0, 240, 320, 5});
    expectRect(v->bottomPage()->frame(), {0, 0, 320, 480});
}

TEST_F(TurnViewTest, PlainPageViewWithoutCanvasDrawsNothing) {
    auto v = make<RZPageView>();
    gfx::BitmapContext ctx({320, 480}, 1, false);
    v->layer()->render(ctx);
    EXPECT_EQ(ctx.pixelAt(160, 240).a, 0);
    v->setCanvas(gfx::Image::filled(320, 480, {200, 0, 0, 255}));
    v->layer()->render(ctx);
    EXPECT_EQ(ctx.pixelAt(160, 240).r, 200);
}

TEST_F(TurnViewTest, StatusLineShowsQueuedMessagesThenTheBattery) {
    auto v = ui::View::create<StatusView>(Rect(0, 0, 300, 20));
    m_window->addSubview(v);
    v->setBookName("红楼梦");
    v->setPercent("12.5%");
    core::Value::Map payload;
    payload.set("a", core::Value("第一条"));
    payload.set("b", core::Value("第二条"));
    core::NotificationCenter::defaultCenter().post(StatusView::kMessageNotification, core::Value(payload));
    EXPECT_EQ(v->queuedMessages(), (std::vector<std::string>{"第一条", "第二条"}));
    auto drawOnce = [&] {
        gfx::BitmapContext ctx({300, 20}, 1, false);
        v->layer()->render(ctx);
        return ctx.snapshot();
    };
    for (int i = 0; i < 4; ++i)
        drawOnce();
    EXPECT_EQ(v->queuedMessages().size(), 2u);
    drawOnce(); // the fifth draw takes the first message away
    EXPECT_EQ(v->queuedMessages(), std::vector<std::string>{"第二条"});
    for (int i = 0; i < 5; ++i)
        drawOnce();
    EXPECT_TRUE(v->queuedMessages().empty());

    // x0 = 14 * 300 / 15 = 280; the body's inside is x 284..294, y 5..9.
    v->setBatterySource([] { return StatusView::Battery{device::BatteryState::Unplugged, 0.25f}; });
    auto img = drawOnce();
    EXPECT_FLOAT_EQ(v->batLeft(), 0.75f);
    EXPECT_TRUE(isDark(img.pixelAt(293, 7))) << "a quarter filled at the right end";
    EXPECT_FALSE(isDark(img.pixelAt(287, 7)));
    v->setBatterySource([] { return StatusView::Battery{device::BatteryState::Full, 1}; });
    img = drawOnce();
    EXPECT_TRUE(isDark(img.pixelAt(287, 7)));
    v->setBatterySource([] { return StatusView::Battery{device::BatteryState::Unknown, -1}; });
    img = drawOnce();
    EXPECT_FLOAT_EQ(v->batLeft(), 0) << "the symbol is not drawn";
    EXPECT_GT(countPixels(img, {250, 0, 50, 20}, [](gfx::Pixel p) { return p.a > 0; }), 0) << "the words instead";
}

} // namespace
} // namespace pw::test
