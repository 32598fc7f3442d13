#include "platform/ui/UiTestSupport.h"

#include "WidgetPictures.h"
#include "foundation/widgets/MyRefreshTableFooterView.h"
#include "foundation/widgets/MyRefreshTableHeaderView.h"

namespace pw {
namespace {

using gfx::Point;
using gfx::Rect;

// The list screen's part: forwards two scroll events to its strips and counts triggers.
struct Owner : ui::ScrollViewDelegate, MyRefreshTableHeaderDelegate, MyRefreshTableFooterDelegate {
    std::shared_ptr<MyRefreshTableHeaderView> header;
    std::shared_ptr<MyRefreshTableFooterView> footer;
    int refreshes = 0;
    int pages = 0;
    void scrollViewDidScroll(ui::ScrollView& s) override {
        if (header)
            header->refreshScrollViewDidScroll(s);
        if (footer)
            footer->refreshScrollViewDidScroll(s);
    }
    void scrollViewDidEndDragging(ui::ScrollView& s, bool) override {
        if (header)
            header->refreshScrollViewDidEndDragging(s);
        if (footer)
            footer->refreshScrollViewDidEndDragging(s);
    }
    void refreshTableHeaderDidTriggerRefresh(MyRefreshTableHeaderView&) override { ++refreshes; }
    void refreshTableFooterDidTriggerRefresh(MyRefreshTableFooterView&) override { ++pages; }
};

class RefreshStripTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_table = ui::View::create<ui::ScrollView>(Rect(0, 20, 320, 400));
        m_table->setContentSize({320, 1000});
        m_window->addSubview(m_table);
        m_owner = std::make_shared<Owner>();
        m_table->setDelegate(m_owner);
    }
    void addHeader() {
        m_owner->header = MyRefreshTableHeaderView::initWithFrame({0, -60, 320, 60});
        m_owner->header->setDelegate(m_owner);
        m_table->addSubview(m_owner->header);
    }
    void addFooter(double contentHeight) {
        m_owner->footer = MyRefreshTableFooterView::initWithFrame({0, contentHeight, 320, 60});
        m_owner->footer->setDelegate(m_owner);
        m_owner->footer->setBackgroundColor(gfx::Color::white());
        m_table->setContentSize({320, contentHeight});
        m_table->addSubview(m_owner->footer);
    }
    // Scrolls to y and lets go there.
    void pullTo(double y) {
        m_table->setContentOffset({0, y});
        m_owner->scrollViewDidEndDragging(*m_table, false);
    }
    std::shared_ptr<ui::ScrollView> m_table;
    std::shared_ptr<Owner> m_owner;
};

TEST_F(RefreshStripTest, StripsStartNormalWithTheirPartsInPlace) {
    addHeader();
    addFooter(1000);
    auto& h = *m_owner->header;
    EXPECT_EQ(h.refreshState(), RefreshStatePulling); // the stored value; the strip shows normal
    EXPECT_FALSE(h.isLoadingNow());
    EXPECT_EQ(h.btnLoadMore().currentTitle(), "向下拉刷新");
    EXPECT_EQ(m_owner->footer->btnLoadMore().currentTitle(), "点击或向上拉加载更多");
    EXPECT_EQ(h.activityView().frame(), Rect(55, 18, 20, 20));
    EXPECT_EQ(h.arrowImage().frame(), Rect(55, 15, 23, 30));
    EXPECT_FALSE(h.arrowImage().contents().isNull());
    EXPECT_EQ(m_owner->footer->topImageView().frame().origin, Point(0, 0));
    EXPECT_FALSE(m_owner->footer->topImageView().image().isNull());
    const struct {
        double h;
        Rect spinner, arrow;
    } frames[] = {{60, {55, 18, 20, 20}, {55, 15, 23, 30}}, {44, {55, 10, 20, 20}, {55, 7, 23, 30}}};
    for (const auto& f : frames) {
        EXPECT_EQ(MyRefreshTableStripView::activityFrame(f.h), f.spinner);
        EXPECT_EQ(MyRefreshTableStripView::arrowFrame(f.h), f.arrow);
    }
}

// The footer's top line runs its whole width at either window size, and
// follows the width when the list is resized.
TEST_F(RefreshStripTest, TheFootersLineSpansTheFooterAtBothSizes) {
    for (const double w : {768.0, 320.0}) {
        SCOPED_TRACE(w);
        auto footer = MyRefreshTableFooterView::initWithFrame({0, 0, w, 60});
        EXPECT_EQ(footer->topImageView().frame().width(), w);
        footer->setFrame({0, 0, w + 256, 60});
        EXPECT_EQ(footer->topImageView().frame().width(), w + 256);
    }
}

TEST_F(RefreshStripTest, TheHeaderTriggersOnlyBeyondSixtyPoints) {
    const struct {
        double y;
        int state;
        double loadingInset;
    } offsets[] = {{0, RefreshStateNormal, 0},     {-59, RefreshStateNormal, 59},   {-60, RefreshStateNormal, 60},
                   {-61, RefreshStatePulling, 60}, {-120, RefreshStatePulling, 60}, {30, RefreshStateNormal, 0}};
    for (const auto& o : offsets) {
        EXPECT_EQ(MyRefreshTableHeaderView::stateForOffset(o.y), o.state) << o.y;
        EXPECT_EQ(MyRefreshTableHeaderView::loadingInsetTop(o.y), o.loadingInset) << o.y;
    }
    addHeader();
    auto& h = *m_owner->header;
    pullTo(-60);
    EXPECT_EQ(h.refreshState(), RefreshStateNormal);
    EXPECT_EQ(m_owner->refreshes, 0);
    EXPECT_FALSE(h.isLoadingNow());

    m_table->setContentOffset({0, -61});
    EXPECT_EQ(h.btnLoadMore().currentTitle(), "松开刷新");
    m_owner->scrollViewDidEndDragging(*m_table, true);
    EXPECT_EQ(m_owner->refreshes, 1);
    EXPECT_TRUE(h.isLoadingNow());
    EXPECT_EQ(h.btnLoadMore().currentTitle(), "正在刷新...");
    EXPECT_TRUE(h.arrowImage().isHidden());
    EXPECT_TRUE(h.activityView().isAnimating());
    advance(0.25);
    EXPECT_EQ(m_table->contentInset().top, 60);
    // While loading the inset follows the pull, and another pull sends nothing.
    pullTo(-30);
    EXPECT_EQ(m_table->contentInset().top, 30);
    pullTo(-100);
    EXPECT_EQ(m_owner->refreshes, 1);

    m_owner->header->refreshScrollViewDataSourceDidFinishedLoading(*m_table);
    advance(0.4);
    EXPECT_EQ(m_table->contentInset().top, 0);
    EXPECT_FALSE(h.isLoadingNow());
    EXPECT_EQ(h.refreshState(), RefreshStateNormal);
    EXPECT_FALSE(h.arrowImage().isHidden());
    EXPECT_TRUE(h.arrowImage().transform().isIdentity());
    EXPECT_TRUE(h.arrowImage().animationKeys().empty()); // back without a turn
}

TEST_F(RefreshStripTest, AFinishWaitsUntilTheListStopsDecelerating) {
    addHeader();
    m_owner->header->enterLoadingState();
    EXPECT_EQ(m_owner->refreshes, 0); // the owner's own first load tells nobody
    drag({160, 400}, {160, 150}, 0.05, 5);
    ASSERT_TRUE(m_table->isDecelerating());
    m_owner->header->finishedLoading(*m_table);
    EXPECT_TRUE(m_owner->header->isLoadingNow());
    EXPECT_TRUE(m_owner->header->hasPendingFinish());
    advance(0.5);
    int checks = 0;
    while (m_table->isDecelerating() && checks++ < 40)
        advance(0.5);
    advance(0.6);
    EXPECT_FALSE(m_owner->header->isLoadingNow());
    EXPECT_EQ(m_owner->header->refreshState(), RefreshStateNormal);
}

TEST_F(RefreshStripTest, TheFooterLoadsWhenPulledPastTheEndOrTapped) {
    const struct {
        int before;
        double y, v, c;
        int after;
    } scrolls[] = {
        {RefreshStatePulling, 0, 400, 1000, RefreshStateNormal},
        {RefreshStatePulling, -20, 400, 1000, RefreshStateNormal},
        {RefreshStateNormal, 661, 400, 1000, RefreshStatePulling},
        {RefreshStateNormal, 660, 400, 1000, RefreshStateNormal},
        {RefreshStatePulling, 300, 400, 1000, RefreshStateNormal},
        {RefreshStateLoading, 700, 400, 1000, RefreshStateLoading},
        {RefreshStateNormal, 1, 400, 200, RefreshStatePulling}, // a list shorter than the table
    };
    for (const auto& s : scrolls)
        EXPECT_EQ(MyRefreshTableFooterView::stateAfterScroll(s.before, s.y, s.v, s.c), s.after) << s.y;

    addFooter(200);
    auto& f = *m_owner->footer;
    pullTo(1);
    EXPECT_EQ(m_owner->pages, 1);
    EXPECT_EQ(f.btnLoadMore().currentTitle(), "正在加载...");
    f.finishedLoading(*m_table);
    EXPECT_FALSE(f.isLoadingNow());
    EXPECT_EQ(m_table->contentInset().top, 0); // the footer never touches the insets

    m_table->setContentOffset({0, 0});
    tapView(&f.btnLoadMore());
    EXPECT_EQ(m_owner->pages, 2);
    settle();
    EXPECT_EQ(f.backgroundColor(), gfx::Color::white());
    // Tapped again while loading: only the touch colour goes back.
    f.touchDown();
    EXPECT_EQ(f.backgroundColor(), MyRefreshTableFooterView::touchColor());
    f.loadMoreClick();
    settle();
    EXPECT_EQ(m_owner->pages, 2);
    EXPECT_EQ(f.backgroundColor(), gfx::Color::white());
}

TEST_F(RefreshStripTest, RendersTheArrowTurnedAndTheSpinnerWhileLoading) {
    addHeader();
    auto& h = *m_owner->header;
    auto blue = [](gfx::Pixel p) { return p.b > 150 && p.r < 100; };
    auto ink = [](gfx::Pixel p) { return p.a > 0 && p.r < 200 && p.r == p.g && p.g == p.b; };
    // The widest blue row of a region: the arrow's head is wide, its shaft narrow.
    auto widest = [&](const gfx::Image& img, const Rect& r) {
        int best = 0;
        for (double y = r.y(); y < r.maxY(); ++y)
            best = std::max(best, countPixels(img, {r.x(), y, r.width(), 1}, blue));
        return best;
    };
    const Rect arrow(55, 20 - 60 + 15 + 60, 23, 30); // on screen: the table is at y 20, pulled 60 down
    const Rect top(arrow.x(), arrow.y(), arrow.width(), 12), bottom(arrow.x(), arrow.maxY() - 14, arrow.width(), 12);
    m_table->setContentOffset({0, -60});
    settle();
    gfx::Image img = renderScreen();
    test::keepWidgetPicture(img, "refresh_header_normal");
    EXPECT_GT(widest(img, bottom), widest(img, top) + 8); // pointing down

    m_table->setContentOffset({0, -61});
    advance(0.3);
    img = renderScreen();
    test::keepWidgetPicture(img, "refresh_header_pulling");
    const Rect arrowLow = arrow.offsetBy(0, 1), topLow = top.offsetBy(0, 3), bottomLow = bottom.offsetBy(0, 3);
    EXPECT_GT(widest(img, topLow), widest(img, bottomLow) + 8); // turned over

    m_owner->scrollViewDidEndDragging(*m_table, false);
    advance(0.3);
    img = renderScreen();
    test::keepWidgetPicture(img, "refresh_header_loading");
    const Rect spinner = h.activityView().convertRectToView(h.activityView().bounds(), nullptr);
    EXPECT_EQ(countPixels(img, arrowLow, blue), 0);
    EXPECT_GT(countPixels(img, spinner, ink), 10);
}

TEST_F(RefreshStripTest, RendersTheFooterArrowUpAndItsTouchColour) {
    addFooter(300);
    auto& f = *m_owner->footer;
    m_table->setContentOffset({0, 0});
    settle();
    gfx::Image img = renderScreen();
    const double top = 20 + 300; // the footer's top on screen
    auto blue = [](gfx::Pixel p) { return p.b > 150 && p.r < 100; };
    auto widest = [&](double y0, double y1) {
        int best = 0;
        for (double y = y0; y < y1; ++y)
            best = std::max(best, countPixels(img, {55, y, 23, 1}, blue));
        return best;
    };
    EXPECT_GT(widest(top + 15, top + 27), widest(top + 33, top + 45) + 8); // the head is at the top: up
    EXPECT_EQ(img.pixelAt(290, static_cast<int>(top) + 30), (gfx::Pixel{255, 255, 255, 255}));
    f.touchDown();
    img = renderScreen();
    test::keepWidgetPicture(img, "refresh_footer_touched");
    EXPECT_EQ(img.pixelAt(290, static_cast<int>(top) + 30), (gfx::Pixel{70, 160, 238, 255}));
    f.touchCancel();
    settle();
    img = renderScreen();
    EXPECT_EQ(img.pixelAt(290, static_cast<int>(top) + 30), (gfx::Pixel{255, 255, 255, 255}));
}

} // namespace
} // namespace pw
