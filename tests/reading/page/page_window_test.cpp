#include "reading/page/PageWindow.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pw;

TEST(PageWindow, EstimateTable) {
    struct Case {
        int size;
        int phone, tablet;
    } cases[] = {{11, -1, -1},    {12, 1100, 3300}, {13, 900, 2700}, {16, 625, 1875}, {20, 450, 1350},
                 {23, 400, 1200}, {29, 230, 690},   {34, 160, 480},  {39, 150, 450},  {40, 130, 330},
                 {41, 130, 330},  {42, 130, 330},   {43, -1, -1},    {0, -1, -1},     {-5, -1, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(estimatedMaxLengthOfTextWithSize(c.size, DeviceKind::Phone), c.phone) << c.size;
        EXPECT_EQ(estimatedMaxLengthOfTextWithSize(c.size, DeviceKind::Tablet), c.tablet) << c.size;
    }
    // Every size in range but the last three holds three phone pages on a tablet.
    for (int s = 12; s <= 39; ++s)
        EXPECT_EQ(estimatedMaxLengthOfTextWithSize(s, DeviceKind::Tablet),
                  3 * estimatedMaxLengthOfTextWithSize(s, DeviceKind::Phone));
}

TEST(PageWindow, WindowBeforeAndAfterAPosition) {
    struct Case {
        int64_t maxIndex, position, estimate;
        int direction;
        int64_t start, end, result;
    } cases[] = {
        {999, -1, 450, 2, 0, 449, 999},       // first page
        {999, 100, 450, 2, 101, 550, 999},    // after a position
        {999, 800, 450, 2, 801, 999, 999},    // clamped at the end
        {999, 1000, 450, 2, 999, 999, 999},   // at the end: start clamped to the last index
        {999, 1001, 450, 2, 1000, 1000, 999}, // past the end
        {999, -2, 450, 2, -1, -1, -1},        // below -1
        {999, 1000, 450, 1, 550, 999, 999},   // before the end
        {999, 300, 450, 1, 0, 299, 999},      // clamped at the start
        {999, 0, 450, 1, 0, 0, 999},
        {999, 500, -1, 2, 7, 7, 999}, // no estimate: untouched
        {0, -1, 450, 2, 0, 0, 0},     // one character
    };
    for (const auto& c : cases) {
        PageWindow w{7, 7};
        EXPECT_EQ(computePageStartAndEnd(c.maxIndex, c.position, c.estimate, c.direction, false, w), c.result);
        EXPECT_EQ(w.start, c.start) << c.position << " dir " << c.direction;
        EXPECT_EQ(w.end, c.end) << c.position << " dir " << c.direction;
    }
}

TEST(PageWindow, InclusiveCut) {
    const std::u16string text = u"0123456789";
    struct Case {
        int64_t a, b;
        std::u16string want;
    } cases[] = {
        {0, 3, u"0123"}, {3, 0, u"0123"}, {-2, -4, u"234"}, {9, 9, u"9"}, // one character is kept
        {0, 9, text},    {0, 20, text},   {8, 12, u"89"},   {15, 15, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cutStringByRange(text, c.a, c.b), c.want) << c.a << ".." << c.b;
    EXPECT_EQ(cutStringByRange(u"", 0, 0), u"");
}

TEST(PageWindow, LinePitchIsWholeAndGrowsWithSpacing) {
    const gfx::Font font = gfx::Font::systemFont(20);
    const double one = getLineHeightForFont(font, 1.0);
    EXPECT_EQ(one, std::floor(one));
    // No leading in this font: a fifth of the line is added.
    ASSERT_EQ(font.leading(), 0);
    const double h = std::floor(font.ascent() + 0.5) + std::floor(font.descent() + 0.5);
    EXPECT_EQ(one, h + std::floor(0.2 * h + 0.5));
    EXPECT_EQ(getLineHeightForFont(font, 1.5), std::floor(one * 1.5));
    EXPECT_GT(getLineHeightForFont(font, 1.8), getLineHeightForFont(font, 1.5));
}
