#include "UiTestSupport.h"

#include "platform/ui/View.h"

#include <numbers>

namespace pw::ui::test {
namespace {

using gfx::Point;
using gfx::Rect;

class ViewTest : public UiTest {};

TEST_F(ViewTest, FrameBoundsAndCenterAgree) {
    auto v = View::create(Rect(10, 20, 100, 50));
    EXPECT_EQ(v->frame(), Rect(10, 20, 100, 50));
    EXPECT_EQ(v->bounds(), Rect(0, 0, 100, 50));
    EXPECT_EQ(v->center(), Point(60, 45));
    v->setCenter({100, 100});
    EXPECT_EQ(v->frame(), Rect(50, 75, 100, 50));
    // A rotation leaves the centre and bounds alone; the frame becomes the bounding box.
    v->setTransform(gfx::AffineTransform::rotation(std::numbers::pi / 2));
    EXPECT_EQ(v->bounds().size, gfx::Size(100, 50));
    EXPECT_NEAR(v->frame().width(), 50, 1e-9);
    EXPECT_NEAR(v->frame().height(), 100, 1e-9);
}

TEST_F(ViewTest, AutoresizingSharesTheChangeAmongFlexibleParts) {
    struct Case {
        unsigned mask;
        Rect expected;
    };
    const Case cases[] = {
        {AutoresizingNone, Rect(10, 10, 80, 30)},
        {FlexibleWidth, Rect(10, 10, 180, 30)},
        {FlexibleLeftMargin, Rect(110, 10, 80, 30)},
        {FlexibleLeftMargin | FlexibleRightMargin, Rect(60, 10, 80, 30)},
        {FlexibleHeight | FlexibleTopMargin, Rect(10, 35, 80, 105)},
        {FlexibleWidth | FlexibleHeight, Rect(10, 10, 180, 130)},
    };
    for (const auto& c : cases) {
        auto parent = View::create(Rect(0, 0, 100, 50));
        auto child = View::create(Rect(10, 10, 80, 30));
        child->setAutoresizingMask(c.mask);
        parent->addSubview(child);
        parent->setFrame({0, 0, 200, 150});
        EXPECT_EQ(child->frame(), c.expected) << "mask " << c.mask;
    }
}

TEST_F(ViewTest, HitTestFindsTheDeepestInteractiveView) {
    auto root = View::create(Rect(0, 0, 300, 300));
    auto a = View::create(Rect(0, 0, 100, 100));
    auto b = View::create(Rect(50, 50, 100, 100)); // above a, overlapping
    auto inner = View::create(Rect(10, 10, 20, 20));
    auto hidden = View::create(Rect(200, 200, 50, 50));
    auto inert = View::create(Rect(200, 0, 50, 50));
    hidden->setHidden(true);
    inert->setUserInteractionEnabled(false);
    b->addSubview(inner);
    for (auto& v : {a, b, hidden, inert})
        root->addSubview(v);
    struct Case {
        Point p;
        View* expected;
    };
    const Case cases[] = {
        {{5, 5}, a.get()},        {{120, 120}, b.get()},   {{65, 65}, inner.get()},
        {{210, 210}, root.get()}, {{210, 10}, root.get()}, {{400, 10}, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(root->hitTest(c.p), c.expected) << c.p.x << "," << c.p.y;
}

TEST_F(ViewTest, PointsConvertThroughOffsetsScrollAndRotation) {
    auto outer = View::create(Rect(100, 100, 200, 200));
    auto inner = View::create(Rect(10, 20, 50, 50));
    outer->addSubview(inner);
    m_window->addSubview(outer);
    EXPECT_EQ(inner->convertPointToView({0, 0}, nullptr), Point(110, 120));
    EXPECT_EQ(inner->convertPointFromView({110, 120}, nullptr), Point(0, 0));
    // Moving the bounds origin scrolls the content.
    outer->setBounds({0, 50, 200, 200});
    EXPECT_EQ(inner->convertPointToView({0, 0}, nullptr), Point(110, 70));
    // Quarter turn about the centre.
    auto turned = View::create(Rect(0, 0, 100, 50));
    turned->setCenter({160, 240});
    turned->setTransform(gfx::AffineTransform::rotation(std::numbers::pi / 2));
    m_window->addSubview(turned);
    const Point p = turned->convertPointToView({0, 0}, nullptr);
    EXPECT_NEAR(p.x, 185, 1e-9);
    EXPECT_NEAR(p.y, 190, 1e-9);
}

TEST_F(ViewTest, SubviewOrderFollowsInsertionsAndLayersFollowViews) {
    auto root = View::create(Rect(0, 0, 10, 10));
    auto a = View::create(), b = View::create(), c = View::create();
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewBelow(c, a.get());
    ASSERT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(root->subviews()[0], c);
    root->bringSubviewToFront(c.get());
    EXPECT_EQ(root->subviews().back(), c);
    const auto& layers = root->layer()->sublayers();
    ASSERT_EQ(layers.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(layers[i], root->subviews()[i]->layer());
    // Adding to another parent moves it.
    auto other = View::create();
    other->addSubview(b);
    EXPECT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(b->superview(), other.get());
    b->setTag(7);
    EXPECT_EQ(other->viewWithTag(7), b.get());
}

TEST_F(ViewTest, WindowMembershipFollowsTheTree) {
    struct Probe : View {
        int moved = 0;
        void didMoveToWindow() override { ++moved; }
    };
    auto parent = View::create();
    auto probe = View::create<Probe>();
    parent->addSubview(probe);
    EXPECT_EQ(probe->window(), nullptr);
    m_window->addSubview(parent);
    EXPECT_EQ(probe->window(), m_window.get());
    parent->removeFromSuperview();
    EXPECT_EQ(probe->window(), nullptr);
    EXPECT_EQ(probe->moved, 2);
}

} // namespace
} // namespace pw::ui::test
