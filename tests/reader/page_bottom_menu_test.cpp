#include "reader/PageBottomMenuLayout.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(PageBottomMenu, ButtonRowIsCentred) {
    const std::pair<double, bool> devices[] = {{320, false}, {768, true}};
    const std::array<double, 5> xs[] = {{19, 77, 135, 193, 251}, {183, 271, 359, 447, 535}};
    for (size_t d = 0; d < 2; ++d) {
        const auto buttons = pageBottomMenuButtons(devices[d].first, devices[d].second);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(buttons[i].x(), xs[d][i]) << d << " " << i;
            EXPECT_EQ(buttons[i].y(), 12);
            EXPECT_EQ(buttons[i].size, (gfx::Size{50, 45}));
        }
    }
}

TEST(PageBottomMenu, PlacementOfTheMenusAndSideButtons) {
    EXPECT_EQ(pageBottomMenuFrame(320, 480), gfx::Rect(0, 420, 320, 60));
    EXPECT_EQ(pageBottomSubMenuFrame(320, 480), gfx::Rect(35, 404, 250, 58));
    const auto chapter = pageMenuChapterFrame(false, 64, false);
    EXPECT_EQ(chapter, gfx::Rect(0, 82, 60, 80));
    EXPECT_EQ(pageMenuChapterFrame(false, 64, true), gfx::Rect(0, 79, 60, 80));
    EXPECT_EQ(pageMenuChapterFrame(true, 64, true), gfx::Rect(0, 500, 60, 80));
    EXPECT_EQ(pageMenuInteractiveFrame(false, chapter), gfx::Rect(0, 177, 60, 80));
    EXPECT_EQ(pageMenuInteractiveFrame(true, chapter), gfx::Rect(0, 600, 60, 80));
    const auto sub = pageBottomSubMenuButtons({250, 58});
    EXPECT_EQ(sub[0], gfx::Rect(10, 9, 110, 38));
    EXPECT_EQ(sub[1], gfx::Rect(130, 9, 109, 38));
}

} // namespace
} // namespace pw
