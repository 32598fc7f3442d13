#include "reader/PageTopMenuLayout.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(PageTopMenu, RowsAndControls) {
    EXPECT_EQ(pageTopMenuRowTops(), (std::array<double, 5>{44, 88, 130, 190, 230}));
    EXPECT_EQ(pageTopMenuRightGroupFrame(320), gfx::Rect(65, 0, 255, 44));
    const auto group = pageTopMenuRightGroup();
    EXPECT_EQ(group[1].x(), group[0].maxX() + 6);
    EXPECT_EQ(group[2].x(), group[1].maxX() + 6);
    EXPECT_EQ(pageTopMenuFontDecrease(320, false), gfx::Rect(195, 4, 118, 34));
    EXPECT_EQ(pageTopMenuFontDecrease(768, true), gfx::Rect(198, 4, 118, 34));
    EXPECT_EQ(pageTopMenuFullScreen(320, false), gfx::Rect(167, 3, 148, 34));
    EXPECT_EQ(pageTopMenuFullScreen(768, true), gfx::Rect(173, 3, 148, 34));
    EXPECT_EQ(pageTopMenuSpeedButtons()[2], gfx::Rect(96, 0, 46, 34));
    EXPECT_EQ(pageTopMenuTurnButtonX(5), 440);
}

TEST(PageTopMenu, FontSizeLimits) {
    const std::pair<double, FontSizeLimit> cases[] = {
        {8, FontSizeLimit::Smallest}, {12, FontSizeLimit::Smallest}, {12.9, FontSizeLimit::Smallest},
        {13, FontSizeLimit::None},    {41.9, FontSizeLimit::None},   {42, FontSizeLimit::Largest},
        {50, FontSizeLimit::Largest},
    };
    for (const auto& [points, limit] : cases)
        EXPECT_EQ(fontSizeLimitFor(points), limit) << points;
}

TEST(PageTopMenu, TurnRowScrollTargets) {
    // A phone row is 320 − 85 = 235 wide: content 525 leaves at most 290.
    const std::pair<int, double> phone[] = {{0, 0}, {1, 0}, {2, 88}, {3, 176}, {4, 264}, {5, 290}, {9, 0}};
    for (const auto& [style, target] : phone)
        EXPECT_EQ(pageTurningScrollTarget(style, 235), target) << style;
    EXPECT_EQ(pageTurningScrollTarget(5, 683), std::nullopt); // a tablet row shows it all
    EXPECT_EQ(pageTopMenuHeightAfterFold(44), 280);
    EXPECT_EQ(pageTopMenuHeightAfterFold(280), 44);
}

} // namespace
} // namespace pw
