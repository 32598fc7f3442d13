#include "TurnTestSupport.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Transaction.h"
#include "reading/turn/AutoScrollView.h"
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
    expectRect(drag->leftPage()->frame(), {0, 0, 80, 480});
    expectRect(drag->leftPageShading()->frame(), {80, 0, 5, 480});
    expectRect(drag->rightPage()->frame(), {0, 0, 320, 480});

    auto dragV = make<DragView>(DragView::kVertical);
    edgeAtOnce(*dragV, 0.5);
    expectRect(dragV->topPage()->frame(), {0, 0, 320, 240});
    expectRect(dragV->topPageShading()->frame(), {0, 240, 320, 5});

    auto swip = make<SwipView>(SwipView::kHorizontal);
    expectRect(swip->leftPage()->frame(), {0, 0, 320, 480});
    expectRect(swip->rightPage()->frame(), {319.5, 0, 0.5, 480}); // hidden under the outgoing page
    edgeAtOnce(*swip, 0);
    expectRect(swip->leftPage()->frame(), {0, 0, 0, 480});
    expectRect(swip->rightPage()->frame(), {-0.5, 0, 320.5, 480});
    EXPECT_FALSE(swip->pageSplitLine());

    auto swipV = make<SwipView>(SwipView::kVertical);
    edgeAtOnce(*swipV, 0.5);
    expectRect(swipV->topPage()->frame(), {0, 0, 320, 240});
    expectRect(swipV->pageSplitLine()->frame(), {0, 240, 320, 1});
    expectRect(swipV->bottomPage()->frame(), {0, 239.5, 320, 240.5});
    swipV->setSplitLineShow(false);
    EXPECT_TRUE(swipV->pageSplitLine()->isHidden());

    // The other mode's setters do nothing.
    const auto img = gfx::Image::filled(320, 480, {1, 2, 3, 255});
    swip->setTopImage(img, img);
    swip->setBottomPageImage(img);
    EXPECT_TRUE(swip->leftPage()->contents().isNull());
    EXPECT_TRUE(swip->rightPage()->contents().isNull());
    swipV->setLeftImage(img, img);
    EXPECT_TRUE(swipV->topPage()->contents().isNull());
}

TEST_F(TurnViewTest, SlidingViewsBuildOnlyTheirModesLayersInOrder) {
    auto dragH = make<DragView>(DragView::kHorizontal);
    auto dragV = make<DragView>(DragView::kVertical);
    auto swipH = make<SwipView>(SwipView::kHorizontal);
    auto swipV = make<SwipView>(SwipView::kVertical);
    using Named = std::vector<std::pair<std::string, const ui::Layer*>>;
    auto names = [](TwoPageLeafView& v, const Named& fields) {
        std::vector<std::string> out;
        for (const auto& sub : v.layer()->sublayers()) {
            std::string name = "?";
            for (const auto& [n, l] : fields)
                if (l == sub.get())
                    name = n;
            out.push_back(name);
        }
        return out;
    };
    auto fieldsOf = [](TwoPageLeafView& v, const ui::Layer* shadingOrLine) {
        return Named{{"topPage", v.topPage().get()},
                     {"bottomPage", v.bottomPage().get()},
                     {"leftPage", v.leftPage().get()},
                     {"rightPage", v.rightPage().get()},
                     {"extra", shadingOrLine}};
    };
    struct Case {
        const char* view;
        TwoPageLeafView* v;
        const ui::Layer* extra; // leftPageShading, topPageShading or pageSplitLine
        std::vector<std::string> stack; // bottom to top
    };
    const std::vector<Case> cases = {
        {"DragView horizontal", dragH.get(), dragH->leftPageShading().get(), {"rightPage", "extra", "leftPage"}},
        {"DragView vertical", dragV.get(), dragV->topPageShading().get(), {"bottomPage", "extra", "topPage"}},
        {"SwipView horizontal", swipH.get(), nullptr, {"rightPage", "leftPage"}},
        {"SwipView vertical", swipV.get(), swipV->pageSplitLine().get(), {"bottomPage", "topPage", "extra"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        const Named fields = fieldsOf(*c.v, c.extra);
        EXPECT_EQ(names(*c.v, fields), c.stack);
        // The other mode's fields stay empty.
        for (const auto& [n, l] : fields)
            if (std::find(c.stack.begin(), c.stack.end(), n) == c.stack.end())
                EXPECT_EQ(l, nullptr) << n;
        EXPECT_TRUE(c.v->clipsToBounds());
        EXPECT_EQ(c.v->leafTopEdge(), 1);
    }
    EXPECT_FALSE(dragH->topPageShading());
    EXPECT_FALSE(dragV->leftPageShading());
    EXPECT_FALSE(swipH->pageSplitLine());
}

TEST_F(TurnViewTest, TheDirectionIsFixedWhereTheTouchBegan) {
    struct Case {
        int mode; // 0: the curl
        gfx::Point begin;
        gfx::Point end;
        bool forward;
    };
    const std::vector<Case> cases = {
        {0, {160, 100}, {160, 100}, true}, // the middle line is forward
        {0, {300, 100}, {20, 100}, true},  // dragged into the left half: still forward
        {0, {100, 100}, {310, 100}, false},
        {DragView::kHorizontal, {160, 100}, {160, 100}, true}, // the middle line is forward
        {DragView::kHorizontal, {300, 100}, {20, 100}, true},  // dragged back over: still forward
        {DragView::kHorizontal, {100, 100}, {310, 100}, false}, {DragView::kVertical, {5, 240}, {5, 240}, true},
        {DragView::kVertical, {300, 100}, {300, 470}, false}, // x does not matter
    };
    for (const auto& c : cases) {
        std::shared_ptr<LeafTurnView> v;
        if (c.mode == 0)
            v = make<PageCurlView>();
        else
            v = make<DragView>(c.mode);
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
    EXPECT_NE(v->leftPage()->contents().surface(), finalPage.surface());
    advance(0.2);
    EXPECT_EQ(v->leftPage()->contents().surface(), finalPage.surface());
    EXPECT_EQ(v->leafEdge(), 1);
    EXPECT_EQ(v->presentedLeafEdge(), 1);

    // A touch outside both halves stays inactive.
    v->touchesBegan({400, 200});
    EXPECT_FALSE(v->touchIsActive());
    v->touchesMoved({100, 100});
    EXPECT_EQ(v->leafEdge(), 1);
}

TEST_F(TurnViewTest, CurlLeafIsAStackOfLayers) {
    auto v = make<PageCurlView>();
    using Stack = std::vector<const ui::Layer*>;
    auto stack = [](const ui::Layer& l) {
        Stack out;
        for (const auto& sub : l.sublayers())
            out.push_back(sub.get());
        return out;
    };
    EXPECT_EQ(stack(*v->layer()), (Stack{v->bottomPage().get(), v->topPage().get(), v->topPageReverse().get()}));
    EXPECT_EQ(stack(*v->bottomPage()), Stack{v->bottomPageShadow().get()});
    EXPECT_EQ(stack(*v->topPage()), Stack{v->topPageShadow().get()});
    EXPECT_EQ(stack(*v->topPageReverse()), (Stack{v->topPageReverseImage().get(), v->topPageReverseOverlay().get(),
                                                  v->topPageReverseShading().get()}));
    EXPECT_TRUE(v->clipsToBounds());
    EXPECT_EQ(v->leafEdge(), 1);

    // How each page picture is held, and the paling of the back.
    struct Holding {
        const char* name;
        ui::Layer* layer;
        ui::ContentsGravity gravity;
    };
    for (const auto& c : {Holding{"topPage", v->topPage().get(), ui::ContentsGravity::Left},
                          Holding{"topPageReverseImage", v->topPageReverseImage().get(), ui::ContentsGravity::Right},
                          Holding{"bottomPage", v->bottomPage().get(), ui::ContentsGravity::Resize}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.layer->contentsGravity(), c.gravity);
        EXPECT_TRUE(c.layer->masksToBounds());
    }
    EXPECT_TRUE(v->topPageReverse()->masksToBounds());
    EXPECT_EQ(v->topPageReverseOverlay()->backgroundColor(), gfx::Color(1, 1, 1, 0.3));

    // The gradients: black at an alpha fading to clear, dark on the side given
    // (drawn where all three show at full opacity).
    edgeAtOnce(*v, 0.5);
    struct Shade {
        const char* name;
        ui::GradientLayer* layer;
        double alpha;
        bool darkAtRight;
    };
    for (const auto& c : {Shade{"topPageShadow", v->topPageShadow().get(), 0.4, true},
                          Shade{"topPageReverseShading", v->topPageReverseShading().get(), 0.6, true},
                          Shade{"bottomPageShadow", v->bottomPageShadow().get(), 0.6, false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.layer->colors(), (std::vector<gfx::Color>{gfx::Color(0, 0, 0, c.alpha), gfx::Color::clear()}));
        const auto shot = c.layer->snapshot(1);
        const int last = shot.pixelWidth() - 1;
        const int darkSide = c.darkAtRight ? last : 0, lightSide = c.darkAtRight ? 0 : last;
        EXPECT_GT(shot.pixelAt(darkSide, 10).a, 200 * c.alpha);
        EXPECT_LT(shot.pixelAt(lightSide, 10).a, shot.pixelAt(darkSide, 10).a);
    }
}

TEST_F(TurnViewTest, CurlFramesFollowTheEdge) {
    // w = 320, h = 480. X = min(e w, (2e - 1) w + 100 e^2 + 110 e), rw = (w - X) / 2;
    // the back's frame starts on the whole device pixel nearest X (screen scale 1 here).
    struct Case {
        double e;
        double x;      // the back's left border
        double frameX; // where its frame starts
        double topOpacity;
        double bottomOpacity;
    };
    const std::vector<Case> cases = {
        {1, 320, 320, 0, 1},               // flat: the back has no width
        {0, -320, -320, 1, 0},             // turned away: the back lies left of the view
        {0.5, 80, 80, 1, 1},               // min(160, 0 + 25 + 55)
        {0.9, 288, 288, 0.4, 1},           // min(288, 256 + 81 + 99)
        {0.3, -86, -86, 1, 1},             // min(96, -128 + 9 + 33): over the top page
        {1.25, 400, 400, 0, 1},            // dragged past the right border: no clamping
        {-0.25, -501.25, -501, 1, 0},      // and past the left one
    };
    auto v = make<PageCurlView>();
    // Past a border some widths turn negative; a frame reads back standardized.
    const auto expectRect = [](const Rect& got, const Rect& want) { pw::test::expectRect(got, want.standardized()); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.e);
        edgeAtOnce(*v, c.e);
        EXPECT_NEAR(PageCurlView::reverseLeftBorder(c.e, 320), c.x, 1e-9);
        const double rw = (320 - c.frameX) / 2;
        expectRect(v->topPage()->frame(), {0, 0, c.e * 320, 480});
        expectRect(v->topPageReverse()->frame(), {c.frameX, 0, rw, 480});
        expectRect(v->bottomPage()->frame(), {0, 0, 320, 480});
        expectRect(v->topPageShadow()->frame(), {c.frameX - 8, 0, 8, 480});
        expectRect(v->topPageReverseImage()->frame(), {0, 0, rw, 480});
        expectRect(v->topPageReverseOverlay()->frame(), {0, 0, rw, 480});
        expectRect(v->topPageReverseShading()->frame(), {rw - 20, 0, 25, 480});
        expectRect(v->bottomPageShadow()->frame(), {c.e * 320, 0, 40, 480});
        EXPECT_EQ(v->topPageReverseImage()->transform(), gfx::AffineTransform::scaling(-1, 1));
        EXPECT_NEAR(v->topPageShadow()->opacity(), c.topOpacity, 1e-9);
        EXPECT_NEAR(v->bottomPageShadow()->opacity(), c.bottomOpacity, 1e-9);
    }
}

TEST_F(TurnViewTest, CurlPagesAreLayerContentsThatStayWhileTheEdgeMoves) {
    auto v = make<PageCurlView>();
    const auto top = gfx::Image::filled(320, 480, {10, 20, 30, 255});
    const auto bottom = gfx::Image::filled(320, 480, {200, 210, 220, 255});
    v->setTopPage(top, bottom);
    auto held = [&] {
        return std::vector<const void*>{v->topPage()->contents().surface(),
                                        v->topPageReverseImage()->contents().surface(),
                                        v->bottomPage()->contents().surface()};
    };
    const std::vector<const void*> expected{top.surface(), top.surface(), bottom.surface()};
    EXPECT_EQ(held(), expected);
    v->touchesBegan({300, 100});
    for (double x = 290; x > 0; x -= 37) {
        v->touchesMoved({x, 100});
        EXPECT_EQ(held(), expected);
    }

    // The single setters each fill their layers.
    const auto next = gfx::Image::filled(320, 480, {0, 200, 0, 255});
    v->setBottomPageImage(next);
    EXPECT_EQ(v->bottomPage()->contents().surface(), next.surface());
    EXPECT_EQ(v->topPage()->contents().surface(), top.surface());
    v->setTopPageImage(next);
    EXPECT_EQ(held(), (std::vector<const void*>{next.surface(), next.surface(), next.surface()}));
}

TEST_F(TurnViewTest, CurlLayoutRecomputesOnlyOnAResize) {
    auto v = make<PageCurlView>();
    edgeAtOnce(*v, 0.5);
    v->layoutSubviews();
    expectRect(v->topPageReverse()->frame(), {80, 0, 120, 480});
    v->setFrame({0, 0, 640, 480});
    v->layoutSubviews();
    // X = min(320, 0 + 25 + 55) = 80 again; the back is now (640 - 80) / 2 wide.
    expectRect(v->topPage()->frame(), {0, 0, 320, 480});
    expectRect(v->topPageReverse()->frame(), {80, 0, 280, 480});
    expectRect(v->nextPageRect(), {320, 0, 320, 480});
    expectRect(v->prevPageRect(), {0, 0, 320, 480});
    EXPECT_FALSE(v->topPage()->hasAnimations()) << "a resize does not animate";
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
