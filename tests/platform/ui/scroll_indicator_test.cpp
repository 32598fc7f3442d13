#include "platform/ui/UiTestSupport.h"

#include "platform/ui/ScrollIndicators.h"
#include "platform/ui/ScrollView.h"

namespace pw::ui {
namespace {

using gfx::Rect;

class ScrollIndicatorTest : public test::UiTest {};

TEST_F(ScrollIndicatorTest, BarsFollowTheVisiblePartOfTheContent) {
    const gfx::EdgeInsets none;
    const struct {
        Rect bounds;
        gfx::Size content;
        bool other;
        Rect bar;
    } vertical[] = {
        {{0, 0, 320, 400}, {320, 400}, false, {}},                   // fits: no bar
        {{0, 0, 320, 400}, {320, 800}, false, {315, 2, 3, 198}},     // half the content in sight
        {{0, 400, 320, 400}, {320, 800}, false, {315, 600, 3, 198}}, // at the end
        {{0, 200, 320, 400}, {320, 800}, false, {315, 301, 3, 198}},
        {{0, 0, 320, 400}, {320, 100000}, false, {315, 2, 3, 9}},    // never shorter than 9
        {{0, -50, 320, 400}, {320, 800}, false, {315, -48, 3, 148}}, // pulled down: shorter
        {{0, 0, 320, 400}, {320, 800}, true, {315, 2, 3, 195.5}},    // leaves the corner to the other
    };
    for (const auto& c : vertical)
        EXPECT_EQ(ScrollIndicators::verticalFrame(c.bounds, c.content, none, c.other), c.bar) << c.bounds.y();
    EXPECT_EQ(ScrollIndicators::horizontalFrame({400, 0, 400, 300}, {800, 300}, none, false), Rect(600, 295, 198, 3));
}

TEST_F(ScrollIndicatorTest, BarsShowWhileScrollingAndFadeAfterwards) {
    auto sv = View::create<ScrollView>(Rect(0, 20, 320, 400));
    sv->setContentSize({320, 1600});
    sv->setBackgroundColor(gfx::Color::white());
    m_window->addSubview(sv);
    auto content = View::create(Rect(0, 0, 320, 1600));
    sv->addSubview(content);
    EXPECT_EQ(sv->indicators(), nullptr);
    EXPECT_EQ(sv->subviews().size(), 1u);
    drag({160, 400}, {160, 200}, 0.5, 10, false);
    ASSERT_NE(sv->indicators(), nullptr);
    EXPECT_EQ(sv->subviews().size(), 1u); // bars are layers, not subviews
    auto img = renderScreen();
    auto grey = [](gfx::Pixel p) { return p.r < 180 && p.r == p.g; };
    const int shown = countPixels(img, {314, 20, 5, 400}, grey);
    EXPECT_GT(shown, 100);
    EXPECT_EQ(countPixels(img, {100, 20, 100, 400}, grey), 0);
    advance(1); // still held by the finger
    EXPECT_EQ(sv->indicators()->vertical()->opacity(), 1);
    touch(1, TouchPhase::Ended, {160, 200});
    EXPECT_TRUE(sv->isDecelerating());
    advance(0.3);
    EXPECT_EQ(sv->indicators()->vertical()->opacity(), 1); // still moving
    settle();
    advance(1);
    EXPECT_EQ(sv->indicators()->vertical()->opacity(), 0);
    img = renderScreen();
    EXPECT_EQ(countPixels(img, {314, 20, 5, 400}, grey), 0);
    // A scroll view that hides them never makes them.
    auto quiet = View::create<ScrollView>(Rect(0, 0, 100, 100));
    quiet->showsVerticalScrollIndicator = quiet->showsHorizontalScrollIndicator = false;
    quiet->setContentSize({100, 500});
    quiet->setContentOffset({0, 50});
    EXPECT_EQ(quiet->indicators(), nullptr);
}

} // namespace
} // namespace pw::ui
