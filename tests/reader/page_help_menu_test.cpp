#include "reader/PageHelpMenuLayout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pw {
namespace {

bool near(const gfx::Rect& a, const gfx::Rect& b) {
    auto close = [](double x, double y) { return std::abs(x - y) < 1e-9; };
    return close(a.x(), b.x()) && close(a.y(), b.y()) && close(a.width(), b.width()) && close(a.height(), b.height());
}

TEST(PageHelpMenuLayout, ZonesPerLayoutAndDevice) {
    struct Case {
        bool upDown, tablet;
        gfx::Size size;
        gfx::Rect backHalf, prev, next;
        gfx::Point leftHand, rightHand;
    };
    const Case cases[] = {
        {false, false, {320, 480}, {0, 0, 160, 480}, {64, 60, 20, 200}, {236, 60, 20, 200}, {5, 300}, {230, 300}},
        {false,
         true,
         {768, 1024},
         {0, 0, 384, 1024},
         {153.6, 452, 20, 200},
         {614.4, 452, 20, 200},
         {100, 774},
         {578, 774}},
        {true, false, {320, 480}, {0, 0, 320, 240}, {160, 120, 0, 0}, {10, 384, 0, 0}, {35, 50}, {220, 330}},
        {true, true, {768, 1024}, {0, 0, 768, 512}, {480, 204.8, 0, 0}, {96, 768, 0, 0}, {80, 150}, {618, 774}},
    };
    for (const auto& c : cases) {
        const auto l = pageHelpMenuLayout(c.size, c.upDown, c.tablet);
        EXPECT_EQ(l.backHalf, c.backHalf) << c.upDown << c.tablet;
        EXPECT_PRED2(near, l.prevCaption, c.prev) << c.upDown << c.tablet;
        EXPECT_PRED2(near, l.nextCaption, c.next) << c.upDown << c.tablet;
        EXPECT_EQ(l.leftHand, c.leftHand) << c.upDown << c.tablet;
        EXPECT_EQ(l.rightHand, c.rightHand) << c.upDown << c.tablet;
    }
    const auto phone = pageHelpMenuLayout({320, 480}, false, false);
    EXPECT_EQ(phone.centre, gfx::Rect(120, 180, 80, 120));
    EXPECT_EQ(phone.centreHand, (gfx::Point{130, 180}));
    EXPECT_EQ(phone.menuCaption, gfx::Rect(90, 300, 140, 50));
    EXPECT_EQ(phone.noTips, gfx::Rect(125, 440, 70, 30));
    EXPECT_EQ(phone.noTipsText, gfx::Rect(125, 447, 70, 30));
    // After a rotation the button follows the new bottom edge.
    EXPECT_EQ(pageHelpMenuLayout({480, 320}, false, false).noTips, gfx::Rect(205, 280, 70, 30));
}

TEST(PageHelpMenuLayout, ShowAndHideRules) {
    EXPECT_TRUE(pageHelpMenuShouldShow(std::nullopt, false));
    EXPECT_TRUE(pageHelpMenuShouldShow(std::string("on"), false));
    EXPECT_FALSE(pageHelpMenuShouldShow(std::string("off"), false));
    EXPECT_FALSE(pageHelpMenuShouldShow(std::nullopt, true));
    const gfx::Rect noTips{125, 440, 70, 30};
    EXPECT_TRUE(pageHelpMenuTouchStoresOff(noTips, {160, 455}));
    EXPECT_FALSE(pageHelpMenuTouchStoresOff(noTips, {160, 200}));
    EXPECT_FALSE(pageHelpMenuTouchStoresOff(noTips, {195, 455}));
}

} // namespace
} // namespace pw
