#include "FixedAdvanceTypesetter.h"

#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/gfx/BitmapContext.h"
#include "reading/page/ContentManager.h"
#include "reading/page/PangoPageTypesetter.h"
#include "support/PoetryBooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace pw;

namespace {

constexpr gfx::Size kPhoneCanvas{320, 480};

std::shared_ptr<RZConfig> phoneConfig() {
    auto cfg = std::make_shared<RZConfig>(DeviceKind::Phone);
    cfg->setCanvasSize(kPhoneCanvas);
    return cfg;
}

std::unique_ptr<ContentManager> manager(bool fake, std::shared_ptr<RZConfig> cfg = phoneConfig()) {
    auto m = fake ? std::make_unique<ContentManager>(std::make_unique<test::FixedAdvanceTypesetter>())
                  : std::make_unique<ContentManager>();
    m->setRzConfig(std::move(cfg));
    m->setupConfig();
    return m;
}

// A manager on the fixed-advance typesetter, which stays in view to show
// the texts it was handed.
struct WatchedManager {
    std::unique_ptr<ContentManager> cm;
    test::FixedAdvanceTypesetter* seen;
};

WatchedManager watchedManager(std::shared_ptr<RZConfig> cfg = phoneConfig()) {
    auto setter = std::make_unique<test::FixedAdvanceTypesetter>();
    auto* seen = setter.get();
    auto cm = std::make_unique<ContentManager>(std::move(setter));
    cm->setRzConfig(std::move(cfg));
    cm->setupConfig();
    return {std::move(cm), seen};
}

// The opening of a real book: the classics of the poetry package the setup
// installs, as GB18030 bytes decoded back (40,000 bytes, as a chapter's chunk).
const std::u16string& novelOpening() {
    static const std::u16string text = [] {
        auto chapters = test::poetryChapters();
        if (!chapters)
            return std::u16string();
        auto bytes = core::text::encodeFromUtf8(test::poetryBookText(*chapters), "GB18030");
        if (!bytes)
            return std::u16string();
        auto decoded = core::text::decodeLenient(std::string_view(*bytes).substr(0, 40000), "GB18030");
        return decoded.value_or(std::u16string());
    }();
    return text;
}

std::string novelMissing() {
    std::string problem;
    test::poetryChapters(&problem);
    return problem;
}

std::u16string repeat(std::u16string_view s, int n) {
    std::u16string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

struct TextCase {
    const char* name;
    std::u16string text;
};

std::vector<TextCase> walkTexts() {
    return {
        {"cjk", repeat(u"满纸荒唐言，一把辛酸泪！都云作者痴，谁解其中味？", 60)},
        {"crlf", repeat(u"第一回　甄士隐梦幻识通灵　贾雨村风尘怀闺秀\r\n此开卷第一回也。作者自云：曾历过一番梦幻之后，"
                        u"故将真事隐去。\r\n",
                        25)},
        {"blank lines", repeat(u"一段文字。\n\n\n", 80) + u"末"},
        {"surrogates", repeat(u"𠀀𠀁𠀂字𠀃𠀄𠀅𠀆𠀇𠀈", 90)},
        {"one char tail", repeat(u"一二三四五六七八九十", 100) + u"尾"},
        {"single char", u"字"},
        {"mixed", repeat(u"Chapter 1 — The Stone. 石头记 lorem ipsum dolor sit amet, consectetur.\n", 40)},
    };
}

class PageWalk : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(PageWalk, ForwardPagesJoinBackIntoTheText) {
    auto cm = manager(GetParam());
    auto texts = walkTexts();
    ASSERT_FALSE(novelOpening().empty()) << novelMissing();
    texts.push_back({"novel", novelOpening()});
    for (const auto& c : texts) {
        gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
        std::u16string joined;
        int64_t position = -1, pages = 0;
        while (auto page = cm->getBackwardPageContent(c.text, position, ctx)) {
            ASSERT_EQ(page->start, position + 1) << c.name;
            ASSERT_GE(page->end, page->start) << c.name;
            ASSERT_EQ(page->pageText, c.text.substr(page->start, page->end - page->start + 1)) << c.name;
            ASSERT_FALSE(page->pageImage.isNull());
            joined += page->pageText;
            position = page->end;
            ASSERT_LT(++pages, 10000) << c.name;
        }
        EXPECT_EQ(position, static_cast<int64_t>(c.text.size()) - 1) << c.name;
        EXPECT_TRUE(joined == c.text) << c.name;
        EXPECT_GT(pages, 0) << c.name;
    }
}

TEST_P(PageWalk, BackwardPagesEndOneBeforeTheNextBegins) {
    auto cm = manager(GetParam());
    auto texts = walkTexts();
    ASSERT_FALSE(novelOpening().empty()) << novelMissing();
    texts.push_back({"novel", novelOpening()});
    for (const auto& c : texts) {
        gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
        const int64_t length = static_cast<int64_t>(c.text.size());
        auto page = cm->getForwardPageContent(c.text, length, ctx);
        ASSERT_TRUE(page) << c.name;
        EXPECT_EQ(page->end, length - 1) << c.name;
        int pages = 1;
        while (page->start > 0) {
            auto before = cm->getForwardPageContent(c.text, page->start, ctx);
            ASSERT_TRUE(before) << c.name;
            ASSERT_EQ(before->pageText, c.text.substr(before->start, before->end - before->start + 1)) << c.name;
            if (before->start > 0) {
                ASSERT_EQ(before->end, page->start - 1) << c.name;
            } else {
                // Less than a page before: the first page, which may reach further.
                ASSERT_GE(before->end, page->start - 1) << c.name;
            }
            page = before;
            ASSERT_LT(++pages, 10000) << c.name;
        }
        // A full page found backwards holds as many lines as a page does.
        if (length > 2000) {
            auto last = cm->getForwardPageContent(c.text, length, ctx);
            auto again = cm->getBackwardPageContent(c.text, last->start - 1, ctx);
            EXPECT_GE(again->end, last->end) << c.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Typesetters, PageWalk, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FixedAdvance" : "Pango"; });

TEST(ContentManager, PositionsWithoutAPage) {
    auto cm = manager(true);
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    const std::u16string text = u"一二三四五";
    EXPECT_FALSE(cm->getBackwardPageContent(text, -2, ctx));
    EXPECT_FALSE(cm->getBackwardPageContent(text, 4, ctx)); // nothing after the last character
    EXPECT_FALSE(cm->getBackwardPageContent(text, 9, ctx));
    EXPECT_FALSE(cm->getBackwardPageContent(u"", -1, ctx));
    EXPECT_FALSE(cm->getForwardPageContent(text, 7, ctx));
    EXPECT_FALSE(cm->getForwardPageContent(text, -2, ctx));
    // The last character alone is a page.
    auto tail = cm->getBackwardPageContent(text, 3, ctx);
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->start, 4);
    EXPECT_EQ(tail->end, 4);
    EXPECT_EQ(tail->pageText, u"五");
    // A page before a position inside the first page is the first page.
    auto first = cm->getForwardPageContent(text, 3, ctx);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->start, 0);
    EXPECT_EQ(first->end, 4);
    // Without a configuration nothing is laid out.
    ContentManager bare;
    EXPECT_FALSE(bare.getBackwardPageContent(text, -1, ctx));
}

TEST(ContentManager, CarriageReturnsAreLaidOutAsSpacesAndKeptInTheText) {
    auto [cm, seen] = watchedManager();
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    const std::u16string text = u"第一回\r\n正文\r\n";
    auto page = cm->getBackwardPageContent(text, -1, ctx);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->end, 8);
    EXPECT_EQ(page->pageText, text);
    ASSERT_FALSE(seen->texts().empty());
    EXPECT_EQ(seen->texts().back(), u"第一回 \n正文 \n");
}

TEST(ContentManager, TraditionalDisplayKeepsThePageTextAsGiven) {
    auto cfg = phoneConfig();
    cfg->setConvertToBig5(true);
    auto [cm, seen] = watchedManager(cfg);
    // Not a round trip: both 后 and 後 display as 後.
    cm->setTraditionalConverter([](std::u16string_view t) {
        std::u16string out(t);
        for (auto& c : out)
            if (c == u'后' || c == u'后')
                c = u'後';
        return out;
    });
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    const std::u16string text = u"皇后在後宫之后";
    auto page = cm->getBackwardPageContent(text, -1, ctx);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->pageText, text);
    EXPECT_EQ(seen->texts().back(), u"皇後在後宫之後");
    auto before = cm->getForwardPageContent(text, 7, ctx);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->pageText, text);
}

namespace {

bool near(gfx::Pixel p, const gfx::Color& c, int tol = 2) {
    auto q = [](double v) { return static_cast<int>(v * 255 + 0.5); };
    return std::abs(p.r - q(c.r())) <= tol && std::abs(p.g - q(c.g())) <= tol && std::abs(p.b - q(c.b())) <= tol;
}

// Fraction of the pixels of a point rect that match the colour.
double share(const gfx::Image& img, const gfx::Rect& r, const gfx::Color& c, int tol = 2) {
    const double s = img.scale();
    int hits = 0, all = 0;
    for (int y = static_cast<int>(r.minY() * s); y < static_cast<int>(r.maxY() * s); ++y)
        for (int x = static_cast<int>(r.minX() * s); x < static_cast<int>(r.maxX() * s); ++x, ++all)
            hits += near(img.pixelAt(x, y), c, tol);
    return all ? static_cast<double>(hits) / all : 0;
}

} // namespace

TEST(ContentManager, PageImageShowsBackgroundTextAndEmptyMargins) {
    auto cfg = phoneConfig();
    const gfx::Color page = *cfg->pageBgColor(), ink = *cfg->fontColor();
    auto cm = manager(true, cfg);
    gfx::BitmapContext ctx(kPhoneCanvas, 2, true);
    const std::u16string text = repeat(u"国", 2000);
    auto p = cm->getBackwardPageContent(text, -1, ctx);
    ASSERT_TRUE(p);
    const gfx::Image& img = p->pageImage;
    EXPECT_EQ(img.size(), kPhoneCanvas);
    EXPECT_EQ(img.scale(), 2);

    // 300 points wide at 20 points a character: 15 per line; lines per page from the pitch.
    const double pitch = cm->lineHeight();
    EXPECT_EQ(cm->totalLines(), static_cast<int>(458 / pitch));
    EXPECT_EQ(p->end, 15 * cm->totalLines() - 1);

    // Margins: left 10, right 10, bottom 22 hold the page colour only.
    EXPECT_EQ(share(img, {0, 0, 10, 480}, page), 1.0);
    EXPECT_EQ(share(img, {310, 0, 10, 480}, page), 1.0);
    EXPECT_EQ(share(img, {0, 458, 320, 22}, page), 1.0);
    // Line k stands on the baseline (k + 1) * pitch from the top: a box of the
    // first character of each line, and page colour right below each baseline.
    for (int k = 0; k < cm->totalLines(); ++k) {
        const double base = (k + 1) * pitch;
        EXPECT_EQ(share(img, {12, base - 10, 16, 8}, ink), 1.0) << k;
        EXPECT_EQ(share(img, {12, base + 1, 16, pitch - 16}, page), 1.0) << k;
    }

    // Night mode: night colours.
    cfg->setLightOn(false);
    cm->setupConfig();
    auto night = cm->getBackwardPageContent(text, -1, ctx);
    EXPECT_EQ(share(night->pageImage, {0, 458, 320, 22}, RZConfig::defaultLightOffPageBackgroundColor()), 1.0);
    EXPECT_EQ(share(night->pageImage, {12, pitch - 10, 16, 8}, RZConfig::defaultLightOffFontColor()), 1.0);
}

TEST(ContentManager, PageImageShowsTheBackgroundPicture) {
    auto cfg = phoneConfig();
    cfg->setPageBgImageColorTag(15003, true); // dark picture, white text
    ASSERT_TRUE(cfg->useBackgroundImage()) << "reading backgrounds missing from " << core::Paths::resources();
    auto picture = cfg->getImageFromTag(15003, true);
    ASSERT_TRUE(picture);
    auto cm = manager(true, cfg);
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    auto p = cm->getBackwardPageContent(repeat(u"国", 2000), -1, ctx);
    ASSERT_TRUE(p);
    // The margins show the picture, upright and in place, pixel for pixel.
    int same = 0, all = 0;
    for (int y = 0; y < 480; y += 7)
        for (int x : {0, 3, 6, 9, 312, 318}) {
            ++all;
            gfx::Pixel a = p->pageImage.pixelAt(x, y), b = picture->pixelAt(x, y);
            same += std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
        }
    EXPECT_EQ(same, all);
    // The text is white on it.
    EXPECT_EQ(share(p->pageImage, {12, cm->lineHeight() - 10, 16, 8}, gfx::Color::white()), 1.0);
}

TEST(ContentManager, RealFontDrawsTextInsideTheTextAreaOnly) {
    auto cfg = phoneConfig();
    const gfx::Color page = *cfg->pageBgColor(), ink = *cfg->fontColor();
    auto cm = manager(false, cfg);
    gfx::BitmapContext ctx(kPhoneCanvas, 2, true);
    auto p = cm->getBackwardPageContent(repeat(u"满纸荒唐言，一把辛酸泪！", 200), -1, ctx);
    ASSERT_TRUE(p);
    EXPECT_EQ(share(p->pageImage, {0, 0, 10, 480}, page), 1.0);
    EXPECT_EQ(share(p->pageImage, {311, 0, 9, 480}, page), 1.0);
    EXPECT_EQ(share(p->pageImage, {0, 460, 320, 20}, page), 1.0);
    // Glyph pixels in the text colour lie inside the text area.
    EXPECT_GT(share(p->pageImage, {10, 0, 300, 458}, ink, 12), 0.03);
    // The reused context comes back unflipped.
    EXPECT_FALSE(ctx.isFlipped());
}

TEST(ContentManager, PagesLaidOutOnOtherThreadsMatchTheMainThread) {
    // Neighbouring pages are laid out on preload threads while the main thread turns.
    auto cm = manager(false);
    const std::u16string text = novelOpening().substr(0, 6000);
    ASSERT_FALSE(text.empty()) << novelMissing();
    std::vector<std::shared_ptr<PageContent>> expected;
    {
        gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
        int64_t position = -1;
        while (auto page = cm->getBackwardPageContent(text, position, ctx)) {
            expected.push_back(page);
            position = page->end;
        }
    }
    ASSERT_GT(expected.size(), 4u);
    std::vector<std::vector<std::pair<int64_t, int64_t>>> found(3);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < found.size(); ++t)
        threads.emplace_back([&, t] {
            gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
            for (const auto& page : expected)
                if (auto again = cm->getBackwardPageContent(text, page->start - 1, ctx))
                    found[t].emplace_back(again->start, again->end);
        });
    for (auto& th : threads)
        th.join();
    for (const auto& pages : found) {
        ASSERT_EQ(pages.size(), expected.size());
        for (size_t i = 0; i < pages.size(); ++i)
            EXPECT_EQ(pages[i], std::make_pair(expected[i]->start, expected[i]->end)) << i;
    }
}

TEST(ContentManager, RandomTextsPageBothWaysWithPango) {
    // Awkward mixtures: line and paragraph separators, combining marks, joined
    // emoji, tabs, lone surrogates and long unbroken Latin words.
    const std::u16string pieces[] = {u"天",
                                     u"地",
                                     u"玄黄",
                                     u"\n",
                                     u"\r\n",
                                     u"\n\n",
                                     u" ",
                                     u"\t",
                                     u"\u2028",
                                     u"\u2029",
                                     u"e\u0301",
                                     u"👨‍👩‍👧",
                                     u"𠀀",
                                     u"Supercalifragilistic",
                                     std::u16string(1, char16_t(0xDC00)),
                                     u"，",
                                     u"a",
                                     u"—"};
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    auto cm = manager(false);
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    for (int round = 0; round < 12; ++round) {
        std::u16string text;
        const size_t target = 200 + next() % 1500;
        while (text.size() < target)
            text += pieces[next() % std::size(pieces)];
        std::u16string joined;
        int64_t position = -1;
        int pages = 0;
        while (auto page = cm->getBackwardPageContent(text, position, ctx)) {
            ASSERT_EQ(page->start, position + 1) << round;
            ASSERT_GE(page->end, page->start) << round;
            joined += page->pageText;
            position = page->end;
            ASSERT_LT(++pages, 5000);
        }
        ASSERT_TRUE(joined == text) << round;
        auto page = cm->getForwardPageContent(text, static_cast<int64_t>(text.size()), ctx);
        ASSERT_TRUE(page);
        ASSERT_EQ(page->end, static_cast<int64_t>(text.size()) - 1);
        while (page->start > 0) {
            auto before = cm->getForwardPageContent(text, page->start, ctx);
            ASSERT_TRUE(before) << round;
            if (before->start > 0) {
                ASSERT_EQ(before->end, page->start - 1) << round;
            }
            ASSERT_LT(before->start, page->start) << round;
            page = before;
        }
    }
}

TEST(ContentManager, WindowHandedToTheLineBreakerFollowsTheEstimate) {
    struct Case {
        DeviceKind kind;
        float size;
        size_t window;
    } cases[] = {{DeviceKind::Phone, 13, 900},   {DeviceKind::Phone, 20, 450},  {DeviceKind::Phone, 42, 130},
                 {DeviceKind::Tablet, 23, 1200}, {DeviceKind::Tablet, 41, 330}, {DeviceKind::Tablet, 12, 3300}};
    const std::u16string text = repeat(u"字", 5000);
    for (const auto& c : cases) {
        auto cfg = std::make_shared<RZConfig>(c.kind);
        cfg->setCanvasSize(c.kind == DeviceKind::Tablet ? gfx::Size{768, 1024} : kPhoneCanvas);
        cfg->setReadingFont(c.size);
        auto [cm, seen] = watchedManager(cfg);
        gfx::BitmapContext ctx(cfg->canvasSize(), 1, true);
        ASSERT_TRUE(cm->getBackwardPageContent(text, 99, ctx));
        EXPECT_EQ(seen->texts().back().size(), c.window) << c.size;
    }
}

TEST(ContentManager, TraditionalDisplayUsesTheSharedCharacterTables) {
    auto cfg = phoneConfig();
    cfg->setConvertToBig5(true);
    auto [cm, seen] = watchedManager(cfg);
    gfx::BitmapContext ctx(kPhoneCanvas, 1, true);
    const std::u16string text = u"红楼梦\r\n";
    auto page = cm->getBackwardPageContent(text, -1, ctx);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->pageText, text);
    EXPECT_EQ(seen->texts().back(), u"紅樓夢 \n");
}
