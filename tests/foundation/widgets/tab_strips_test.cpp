#include "platform/ui/UiTestSupport.h"

#include "WidgetPictures.h"
#include "foundation/widgets/HorizontalFixButtonView.h"
#include "foundation/widgets/HorizontalScrollButtonsView.h"

namespace pw {
namespace {

using gfx::Rect;

struct TabListener : HorizontalScrollButtonsDelegate, HorizontalFixButtonDelegate {
    std::vector<int> clicks;
    void horizontalScrollButtonClick(ui::Button&, int index) override { clicks.push_back(index); }
    void selectedAtIndex(int index) override { clicks.push_back(index); }
};

class TabStripsTest : public ui::test::UiTest {
protected:
    std::shared_ptr<TabListener> m_listener = std::make_shared<TabListener>();
};

// --- the tab strip over paging sections ---

TEST_F(TabStripsTest, ScrollButtonGeometry) {
    const struct {
        double width;
        int count;
        double highlightWidth;
        int buttonWidth;
        std::vector<double> xs;
    } cases[] = {
        {320, 3, 106, 104, {0, 106, 212}},
        {320, 1, 320, 318, {0}},
        {480, 4, 120, 118, {0, 120, 240, 360}},
    };
    for (const auto& c : cases) {
        const auto l = HorizontalScrollButtonsView::layoutFor({0, 0, c.width, 44}, c.count);
        EXPECT_EQ(l.highlight, Rect(0, 22 - 15.5, c.highlightWidth, 31)) << c.count;
        EXPECT_EQ(l.buttonWidth, c.buttonWidth);
        ASSERT_EQ(l.buttons.size(), c.xs.size());
        for (size_t i = 0; i < c.xs.size(); ++i)
            EXPECT_EQ(l.buttons[i], Rect(c.xs[i], 7, c.buttonWidth, 30));
    }
    const struct {
        double x;
        double fromOrigin;
        int index;
        double fromIndex;
    } clamps[] = {{0, 0, 0, 0},       {106, 106, 1, 106}, {200, 200, 2, 212},
                  {211, 211, 3, 214}, {214, 214, 2, 212}, {400, 214, 9, 214}};
    for (const auto& c : clamps) {
        EXPECT_EQ(HorizontalScrollButtonsView::highlightXForOrigin(c.x, 104, 320), c.fromOrigin) << c.x;
        EXPECT_EQ(HorizontalScrollButtonsView::highlightXForIndex(c.index, 104, 320), c.fromIndex) << c.index;
    }
}

TEST_F(TabStripsTest, ScrollButtonsAreBuiltOnceAndMarkTheCurrentTitle) {
    auto strip = HorizontalScrollButtonsView::initWithFrame({0, 20, 320, 44});
    strip->setDelegate(m_listener);
    m_window->addSubview(strip);
    strip->setButtonNames({"推荐", "排行", "分类"});
    strip->setButtonNames({"x", "y"});
    ASSERT_EQ(strip->arrButtons().size(), 3u);
    EXPECT_EQ(strip->arrButtons()[1]->currentTitle(), "排行");
    EXPECT_EQ(strip->arrButtons()[0]->titleColorForState(ui::ControlStateNormal), gfx::Color::black());
    EXPECT_EQ(strip->arrButtons()[2]->titleColorForState(ui::ControlStateNormal), gfx::Color::gray());
    EXPECT_EQ(strip->arrButtons()[2]->autoresizingMask(), unsigned(ui::FlexibleLeftMargin | ui::FlexibleWidth));
    settle();

    tapView(strip->arrButtons()[2].get());
    settle();
    EXPECT_EQ(m_listener->clicks, std::vector<int>{2});
    EXPECT_EQ(strip->currPage(), 2);
    EXPECT_EQ(strip->arrButtons()[2]->titleColorForState(ui::ControlStateNormal), gfx::Color::black());
    EXPECT_EQ(strip->arrButtons()[0]->titleColorForState(ui::ControlStateNormal), gfx::Color::gray());
    EXPECT_EQ(strip->buttonImage()->frame().x(), 0); // the screen moves it, not the tap

    strip->setButtonImagePositionWithOriginX(500);
    EXPECT_EQ(strip->buttonImage()->frame().x(), 214);
    strip->shouldScrollBgImageWhenClick = true;
    strip->setButtonImagePositionWithIndex(1);
    advance(0.3);
    EXPECT_EQ(strip->buttonImage()->frame().x(), 106);

    // A wider strip: the buttons follow by their margins, layout slides the highlight.
    strip->setFrame({0, 20, 480, 44});
    strip->layoutIfNeeded();
    EXPECT_EQ(strip->buttonWidth(), 158);
    advance(0.3);
    EXPECT_EQ(strip->buttonImage()->frame().x(), 160);
}

TEST_F(TabStripsTest, RendersTheHighlightBehindTheCurrentTitle) {
    auto strip = HorizontalScrollButtonsView::initWithFrame({0, 20, 320, 44});
    m_window->addSubview(strip);
    strip->setButtonNames({"推荐", "排行", "分类"});
    strip->shouldScrollBgImageWhenClick = true;
    strip->setButtonImagePositionWithIndex(1);
    settle();
    const gfx::Image img = renderScreen();
    test::keepWidgetPicture(img, "horizontal_scroll_buttons");
    auto blue = [](gfx::Pixel p) { return p.b > 200 && p.r < 190; };
    const auto count = [&](double x) { return countPixels(img, {x + 10, 20 + 10, 86, 24}, blue); };
    EXPECT_GT(count(106), 1000);
    EXPECT_EQ(count(0), 0);
    EXPECT_EQ(count(212), 0);
}

// --- the fixed-button strip ---

TEST_F(TabStripsTest, FixButtonGeometry) {
    const struct {
        double w;
        int n;
        int tab;
    } widths[] = {{320, 3, 140}, {480, 3, 160}, {420, 3, 140}, {421, 3, 140}, {320, 1, 320}, {321.7, 1, 321}};
    for (const auto& c : widths)
        EXPECT_EQ(HorizontalFixButtonView::tabWidthFor(c.w, c.n), c.tab) << c.w << "/" << c.n;

    const struct {
        int index, count, tab;
        double v, c, x;
    } offsets[] =
        {
            {1, 5, 140, 320, 700, 50},  {0, 5, 140, 320, 700, 0},   {4, 5, 140, 320, 700, 380},
            {3, 5, 140, 320, 700, 330}, {2, 5, 140, 320, 700, 190}, {1, 3, 166, 500, 498, 0},
            {2, 3, 166, 500, 498, 0}, // tabs that fit never scroll, not even to C - V < 0
        };
    for (const auto& o : offsets)
        EXPECT_EQ(HorizontalFixButtonView::offsetForIndex(o.index, o.count, o.tab, o.v, o.c), o.x) << o.index;

    const struct {
        double x;
        int under, rest;
    } stops[] = {{0, 1, 0}, {50, 1, 1}, {130, 2, 2}, {380, 3, 4}, {300, 3, 3}, {21, 1, 1}};
    for (const auto& s : stops) {
        EXPECT_EQ(HorizontalFixButtonView::indexUnderMiddle(s.x, 320, 140, 5), s.under) << s.x;
        EXPECT_EQ(HorizontalFixButtonView::indexAfterScroll(s.x, 320, 700, 140, 5), s.rest) << s.x;
    }
}

TEST_F(TabStripsTest, FixButtonsSelectScrollAndMoveTheArrow) {
    auto strip = HorizontalFixButtonView::initWithFrame({0, 20, 320, 31});
    strip->setDelegate(m_listener);
    m_window->addSubview(strip);
    strip->setButtonNames({"全部", "男生", "女生", "出版", "完本"});
    strip->setButtonNames({"x"});
    ASSERT_EQ(strip->arrBtns().size(), 5u);
    EXPECT_EQ(strip->arrSplit().size(), 4u);
    EXPECT_EQ(strip->btnWidth(), 140);
    EXPECT_EQ(strip->scroll()->contentSize().width, 700);
    EXPECT_TRUE(strip->imgArrow()->isHidden());
    settle();
    EXPECT_EQ(strip->arrBtns()[2]->frame(), Rect(280, 0, 140, 31));
    EXPECT_EQ(strip->arrSplit()[1]->frame(), Rect(280, 0, 2, 31));

    strip->setButtonSelectedAtIndexAnimate(1);
    settle();
    EXPECT_TRUE(m_listener->clicks.empty()); // selecting from code tells nobody
    EXPECT_EQ(strip->scroll()->contentOffset().x, 50);
    EXPECT_EQ(strip->imgArrow()->frame().x(), 140);
    EXPECT_EQ(strip->imgArrow()->frame().width(), 140);
    EXPECT_EQ(strip->arrBtns()[1]->titleColorForState(ui::ControlStateNormal), gfx::Color::black());
    EXPECT_EQ(strip->arrBtns()[0]->titleColorForState(ui::ControlStateNormal), gfx::Color::lightGray());

    tapView(strip->arrBtns()[2].get());
    settle();
    EXPECT_EQ(m_listener->clicks, std::vector<int>{2});
    EXPECT_EQ(strip->currentIndex(), 2);
    EXPECT_EQ(strip->scroll()->contentOffset().x, 190);

    // A user scroll that stops part-way re-centres without changing the selection.
    strip->scroll()->setContentOffset({30, 0});
    strip->scrollViewDidEndDragging(*strip->scroll(), false);
    settle();
    EXPECT_EQ(strip->scroll()->contentOffset().x, 50);
    EXPECT_EQ(strip->currentIndex(), 2);

    strip->setButtonSelectedAtIndexAnimate(7);
    EXPECT_TRUE(strip->imgArrow()->isHidden());
    EXPECT_EQ(strip->arrBtns()[2]->titleColorForState(ui::ControlStateNormal), gfx::Color::black());

    // Wider: the tabs share the width again.
    strip->setButtonSelectedAtIndexAnimate(4);
    strip->setFrame({0, 20, 800, 31});
    strip->reLayout();
    settle();
    EXPECT_EQ(strip->btnWidth(), 160);
    EXPECT_EQ(strip->scroll()->contentOffset().x, 0);
    EXPECT_EQ(strip->imgArrow()->frame().x(), 640);
}

TEST_F(TabStripsTest, RendersTheArrowUnderTheSelectedTab) {
    auto strip = HorizontalFixButtonView::initWithFrame({0, 20, 320, 31});
    m_window->addSubview(strip);
    strip->setButtonNames({"简介", "目录", "评论"});
    strip->setButtonSelectedAtIndexAnimate(2);
    settle();
    const gfx::Image img = renderScreen();
    test::keepWidgetPicture(img, "horizontal_fix_buttons");
    auto red = [](gfx::Pixel p) { return p.r > 180 && p.g < 100; };
    // Three 140-point tabs scroll: the last one shows at 180 to 320, the arrow under it.
    EXPECT_EQ(strip->scroll()->contentOffset().x, 100);
    EXPECT_GT(countPixels(img, {180, 48, 140, 3}, red), 300);
    EXPECT_EQ(countPixels(img, {0, 40, 175, 11}, red), 0);
    auto dark = [](gfx::Pixel p) { return p.r < 60 && p.g < 60 && p.b < 60; };
    EXPECT_GT(countPixels(img, {220, 22, 60, 26}, dark), 10); // the selected title in black
    EXPECT_EQ(countPixels(img, {60, 22, 60, 26}, dark), 0);
}

} // namespace
} // namespace pw
