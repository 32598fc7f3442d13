#include "reader/PageSliderMenuLayout.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(PageSliderMenu, PlacementPerFormat) {
    struct Case {
        int format;
        gfx::Rect frame;
        bool nav;
    };
    const Case cases[] = {
        {1, {10, 340, 300, 125}, true},
        {2, {10, 340, 300, 125}, true},
        {3, {10, 381, 300, 89}, false},
    };
    for (const auto& c : cases) {
        const auto l = pageSliderMenuLayout(320, 480, c.format);
        EXPECT_EQ(l.frame, c.frame) << c.format;
        EXPECT_EQ(l.showChapterNav, c.nav) << c.format;
        EXPECT_EQ(l.prevChapter.has_value(), c.nav) << c.format;
    }
    const auto site = pageSliderMenuLayout(320, 480, 1);
    EXPECT_EQ(*site.prevChapter, gfx::Rect(6, 80, 143.5, 38));
    EXPECT_EQ(*site.nextChapter, gfx::Rect(150.5, 80, 142.5, 38));
}

TEST(PageSliderMenu, StepsClampAndTitles) {
    EXPECT_EQ(pageSliderStep(0, -1), 0);
    EXPECT_EQ(pageSliderStep(100, 1), 100);
    EXPECT_EQ(pageSliderStep(41.6, 1), 42.6);
    EXPECT_EQ(pageSliderJumpPercent(42.6), 42);
    EXPECT_EQ(pageSliderTitle(0), "全文跳转：0%");
    EXPECT_EQ(pageSliderTitle(42.6), "全文跳转：43%");
}

} // namespace
} // namespace pw
