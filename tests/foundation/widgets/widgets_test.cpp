#include "platform/ui/UiTestSupport.h"

#include "foundation/widgets/MyActivityIndicatorView.h"
#include "foundation/widgets/RZActionSheet.h"
#include "foundation/widgets/RZAlertView.h"
#include "foundation/widgets/RZScrollView.h"
#include "foundation/widgets/RoundProgressView.h"

namespace pw {
namespace {

using gfx::Point;
using gfx::Rect;

class WidgetsTest : public ui::test::UiTest {};

TEST_F(WidgetsTest, PagesSitSideBySideAndCanBeSwipedTo) {
    auto sv = RZScrollView::initWithFrame({0, 0, 320, 400});
    m_window->addSubview(sv);
    auto a = ui::View::create(), b = ui::View::create();
    sv->addHorizontalSubview(a);
    sv->addHorizontalSubview(b);
    EXPECT_EQ(a->frame(), Rect(0, 0, 320, 400));
    EXPECT_EQ(b->frame(), Rect(320, 0, 320, 400));
    EXPECT_EQ(sv->contentSize().width, 640);
    drag({300, 200}, {200, 200}, 0.1, 5);
    settle();
    EXPECT_EQ(sv->contentOffset(), Point(320, 0));
    drag({100, 200}, {200, 200}, 0.1, 5);
    settle();
    EXPECT_EQ(sv->contentOffset(), Point(0, 0));
}

TEST_F(WidgetsTest, AddingNothingStillCoversThePagesPresent) {
    auto sv = RZScrollView::initWithFrame({0, 0, 320, 400});
    sv->addHorizontalSubview(ui::View::create());
    std::vector<std::shared_ptr<ui::View>> none;
    sv->addHorizontalSubviews(&none);
    EXPECT_EQ(sv->contentSize().width, 320);
    sv->addHorizontalSubviews(nullptr);
    EXPECT_EQ(sv->pageCount(), 1);
    EXPECT_TRUE(sv->genHorizontalTableView(0).empty());
    auto tables = sv->genHorizontalTableView(3);
    ASSERT_EQ(tables.size(), 3u);
    EXPECT_EQ(tables[2]->frame(), Rect(960, 0, 320, 400));
    EXPECT_EQ(tables[0]->style(), ui::TableViewStyle::Plain);
    EXPECT_EQ(tables[0]->separatorStyle, ui::TableViewSeparatorStyle::None);
    EXPECT_EQ(sv->contentSize().width, 1280);
}

TEST_F(WidgetsTest, RelayoutAfterRotationAndUncheckedPageScroll) {
    auto sv = RZScrollView::initWithFrame({0, 0, 320, 400});
    for (int i = 0; i < 3; ++i)
        sv->addHorizontalSubview(ui::View::create());
    sv->setFrame({0, 0, 480, 250});
    sv->reLayout();
    EXPECT_EQ(sv->subviews()[2]->frame(), Rect(960, 0, 480, 250));
    EXPECT_EQ(sv->contentSize().width, 1440);
    sv->scrollToPage(1, false);
    EXPECT_EQ(sv->contentOffset(), Point(480, 0));
    // Pages are not checked against the pages present.
    struct Row {
        int32_t page;
        bool animated;
        double x;
    } rows[] = {{7, false, 3360}, {-2, true, -960}, {2, false, 960}};
    for (auto& r : rows) {
        sv->scrollToPage(r.page, r.animated);
        settle();
        EXPECT_EQ(sv->contentOffset(), Point(r.x, 0)) << r.page;
    }
}

TEST_F(WidgetsTest, ActivityIndicatorCountsItsStarts) {
    auto ind = MyActivityIndicatorView::init();
    EXPECT_EQ(ind->frame(), Rect(0, 0, 32, 32));
    EXPECT_EQ(ind->subviews().size(), 1u);
    EXPECT_TRUE(ind->isHidden());
    EXPECT_EQ(ind->activityImageView()->animationImages().size(), 6u);
    EXPECT_FALSE(ind->activityImageView()->image().isNull()); // the generated picture
    ind->setup();                                             // built once only
    EXPECT_EQ(ind->subviews().size(), 1u);

    ind->startAnimating();
    ind->startAnimating();
    ind->stopAnimatingUtilAllDone();
    EXPECT_FALSE(ind->isHidden());
    EXPECT_EQ(ind->count(), 1);
    ind->stopAnimatingUtilAllDone();
    EXPECT_TRUE(ind->isHidden());
    EXPECT_EQ(ind->count(), 0);

    ind->startAnimating();
    ind->startAnimating();
    ind->stopAnimating();
    EXPECT_TRUE(ind->isHidden());
    EXPECT_EQ(ind->count(), 1);
    auto fresh = MyActivityIndicatorView::initWithFrame({50, 60, 100, 100});
    fresh->stopAnimating();
    EXPECT_EQ(fresh->count(), 0);
    EXPECT_EQ(fresh->frame(), Rect(50, 60, 32, 32));
    // Frames turn over once every 0.8 s.
    fresh->startAnimating();
    advance(0.45);
    EXPECT_EQ(fresh->activityImageView()->currentFrameIndex(), 3);
}

TEST_F(WidgetsTest, AlertAndSheetKeepTheirContext) {
    core::Value url = "http://example.invalid/app.apk";
    std::weak_ptr<RZAlertView> weakAlert;
    {
        auto alert = RZAlertView::create("新版本", "有新版本", {}, "取消", {"更新"});
        alert->userInfo = core::Value(url.asString().value_or(""));
        alert->rzBookId = 42;
        alert->isVip = true;
        weakAlert = alert;
        alert->show();
    }
    url = core::Value();
    auto alert = weakAlert.lock();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->userInfo.asString().value_or(""), "http://example.invalid/app.apk");
    EXPECT_EQ(alert->rzBookId, 42);
    alert->dismissWithClickedButtonIndex(1, false);

    auto sheet = RZActionSheet::create("", {}, "取消", "删除");
    EXPECT_EQ(sheet->chapterId, 0);
    EXPECT_FALSE(sheet->isVip);
    EXPECT_EQ(sheet->cancelButtonIndex(), 1);
}

TEST_F(WidgetsTest, RoundProgressFillsClockwiseFromTheTop) {
    auto p = ui::View::create<RoundProgressView>();
    EXPECT_EQ(p->frame(), Rect(0, 0, 37, 37));
    p->setProgress(0.25f);
    m_window->setBackgroundColor(gfx::Color::black());
    p->setCenter({100, 100});
    m_window->addSubview(p);
    const auto img = renderScreen();
    auto white = [](gfx::Pixel px) { return px.r > 200; };
    // A quarter: the upper right quadrant is filled, the upper left is not.
    EXPECT_TRUE(white(img.pixelAt(106, 94)));
    EXPECT_FALSE(white(img.pixelAt(94, 94)));
}

} // namespace
} // namespace pw
