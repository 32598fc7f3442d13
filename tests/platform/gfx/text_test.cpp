#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/TextLayout.h"

#include <gtest/gtest.h>

using namespace pw::gfx;

namespace {

// Rows of the bitmap that hold any pixel darker than mid grey.
std::pair<int, int> inkRows(const BitmapContext& ctx) {
    int top = -1, bottom = -1;
    for (int y = 0; y < ctx.pixelHeight(); ++y)
        for (int x = 0; x < ctx.pixelWidth(); ++x)
            if (ctx.pixelAt(x, y).r < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
    return {top, bottom};
}

} // namespace

TEST(Font, NamesMapThroughTheTable) {
    auto reading = Font::named("STHeitiK-Light", 20);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->family(), Font::kDefaultFamily);
    EXPECT_EQ(reading->name(), "STHeitiK-Light");
    EXPECT_EQ(reading->size(), 20);
    EXPECT_GT(reading->ascent(), 10);
    EXPECT_GT(reading->descent(), 1);
    EXPECT_GE(reading->leading(), 0);
    EXPECT_LT(reading->ascent() + reading->descent(), 40);
    EXPECT_NEAR(reading->withSize(40).ascent(), 2 * reading->ascent(), 0.5);

    auto bold = Font::named("HelveticaNeue-Bold", 22);
    ASSERT_TRUE(bold);
    EXPECT_EQ(bold->weight(), FontWeight::Bold);
    EXPECT_TRUE(Font::named(Font::kDefaultFamily, 12)); // installed family names work directly
    EXPECT_FALSE(Font::named("NoSuchFace-Regular", 12));
    EXPECT_FALSE(Font::familyForName("NoSuchFace-Regular"));
    EXPECT_EQ(Font::systemFont(17).family(), Font::kDefaultFamily);
    EXPECT_TRUE(Font::named("STHeitiK-Light", 20) == *reading);
}

TEST(TextLayout, LineRangesCoverTheTextInUtf16Units) {
    const Font font = Font::systemFont(20);
    struct Case {
        const char* name;
        std::u16string text;
        size_t minLines;
    } cases[] = {
        {"cjk", u"满纸荒唐言，一把辛酸泪！都云作者痴，谁解其中味？满纸荒唐言，一把辛酸泪！", 3},
        {"crlf", u"第一回\r\n甄士隐梦幻识通灵\r\n", 2},
        {"blank lines", u"一\n\n\n二", 4},
        {"surrogates", u"𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍𠀎𠀏", 2},
        {"latin words", u"The quick brown fox jumps over the lazy dog again and again", 2},
        {"lone surrogate", std::u16string(u"ab") + char16_t(0xD800) + u"cd", 1},
    };
    for (const auto& c : cases) {
        TextLayout layout(c.text, font, 160);
        const auto& lines = layout.lines();
        ASSERT_GE(lines.size(), c.minLines) << c.name;
        int64_t at = 0;
        for (const auto& l : lines) {
            EXPECT_EQ(l.range.location, at) << c.name;
            EXPECT_GT(l.range.length, 0) << c.name;
            EXPECT_LE(l.width, 160.5) << c.name;
            // A surrogate pair is never split between lines.
            if (l.range.location > 0) {
                EXPECT_FALSE(c.text[l.range.location] >= 0xDC00 && c.text[l.range.location] <= 0xDFFF) << c.name;
            }
            at = l.range.end();
        }
        EXPECT_EQ(at, static_cast<int64_t>(c.text.size())) << c.name;
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_GT(lines[i].baseline, lines[i - 1].baseline) << c.name;
    }
    // The trailing break belongs to the last line; no empty line follows it.
    TextLayout crlf(u"第一回\r\n甄士隐\r\n", font, 300);
    ASSERT_EQ(crlf.lineCount(), 2u);
    EXPECT_EQ(crlf.lines()[0].range, (TextRange{0, 5}));
    EXPECT_EQ(crlf.lines()[1].range, (TextRange{5, 5}));
    EXPECT_EQ(TextLayout(u"", font, 100).lineCount(), 0u);
}

TEST(TextLayout, MeasuresAndTruncates) {
    const Font font = Font::systemFont(20);
    Size one = TextLayout::measure("测试", font);
    EXPECT_NEAR(one.width, 40, 2); // CJK glyphs advance one em
    Size wrapped = TextLayout::measure("测试测试测试测试", font, 50);
    EXPECT_LE(wrapped.width, 50);
    EXPECT_GE(wrapped.height, 3.5 * one.height);

    const std::string title = "红楼梦第一回甄士隐梦幻识通灵贾雨村风尘怀闺秀";
    struct Case {
        LineBreakMode mode;
        bool startsWithEllipsis, endsWithEllipsis;
    } cases[] = {{LineBreakMode::TruncateTail, false, true},
                 {LineBreakMode::TruncateHead, true, false},
                 {LineBreakMode::TruncateMiddle, false, false},
                 {LineBreakMode::Clip, false, false}};
    const std::string ellipsis = "…";
    for (const auto& c : cases) {
        std::string cut = TextLayout::truncate(title, font, 120, c.mode);
        EXPECT_LE(TextLayout::measure(cut, font).width, 120);
        EXPECT_GE(TextLayout::measure(cut, font).width, 100);
        EXPECT_EQ(cut.rfind(ellipsis, 0) == 0, c.startsWithEllipsis);
        EXPECT_EQ(cut.size() >= 3 && cut.compare(cut.size() - 3, 3, ellipsis) == 0, c.endsWithEllipsis);
        if (c.mode == LineBreakMode::TruncateMiddle) {
            EXPECT_NE(cut.find(ellipsis), std::string::npos);
            EXPECT_EQ(cut.rfind("红", 0), 0u);
        }
    }
    EXPECT_EQ(TextLayout::truncate("短", font, 120), "短");
}

TEST(TextLayout, DrawsLinesUprightAtTheirBaselines) {
    const Font font = Font::systemFont(20);
    TextLayout layout(u"国国国", font, 0);

    BitmapContext down({80, 40}, 1, true);
    down.setFillColor(Color::white());
    down.fillRect({0, 0, 80, 40});
    layout.drawLine(down, 0, {5, 30}, Color::black());
    auto [top, bottom] = inkRows(down);
    ASSERT_GE(top, 0);
    EXPECT_LE(bottom, 31);   // glyphs stand on the baseline
    EXPECT_GE(top, 30 - 20); // and rise no more than the em

    // Flipped to y-up: baseline 10 above the bottom is row 30 from the top again.
    BitmapContext up({80, 40}, 1, true);
    up.setFillColor(Color::white());
    up.fillRect({0, 0, 80, 40});
    up.translate(0, 40);
    up.scale(1, -1);
    layout.drawLine(up, 0, {5, 10}, Color::black());
    auto [top2, bottom2] = inkRows(up);
    EXPECT_EQ(top2, top);
    EXPECT_EQ(bottom2, bottom);
    // Same image both ways: the glyphs are not mirrored.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(up.pixelAt(x, y), down.pixelAt(x, y)) << x << "," << y;
}
