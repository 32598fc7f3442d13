#include "platform/ui/UiTestSupport.h"

#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RoundProgressView.h"
#include "platform/ui/ActivityIndicatorView.h"

#include <thread>

namespace pw {
namespace {

using gfx::Rect;
using gfx::Size;

class ProgressHUDTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_screen = ui::View::create(Rect(0, 20, 320, 460));
        m_window->addSubview(m_screen);
        m_hud = ProgressHUD::initWithView(m_screen.get());
        m_screen->addSubview(m_hud);
        // As the screens do: an empty custom view, so tips without loading show text only.
        m_hud->setCustomView(ui::View::create(Rect()));
    }
    void TearDown() override {
        m_hud.reset();
        m_screen.reset();
        UiTest::TearDown();
    }
    std::shared_ptr<ui::View> m_screen;
    std::shared_ptr<ProgressHUD> m_hud;
};

TEST_F(ProgressHUDTest, StartsHiddenWithItsDefaults) {
    EXPECT_EQ(m_hud->alpha(), 0);
    EXPECT_FALSE(m_hud->isShown());
    EXPECT_EQ(m_hud->bounds(), Rect(0, 0, 320, 460));
    EXPECT_EQ(m_hud->mode(), ProgressHUDModeIndeterminate);
    EXPECT_FLOAT_EQ(m_hud->opacity, 0.8f);
    EXPECT_FLOAT_EQ(m_hud->margin, 20);
    EXPECT_EQ(m_hud->labelFont().size(), 14);
    EXPECT_EQ(m_hud->detailsLabelFont().size(), 12);
    EXPECT_NE(dynamic_cast<ui::ActivityIndicatorView*>(m_hud->indicator().get()), nullptr);
}

TEST_F(ProgressHUDTest, TipWithLoadingStacksSpinnerPaddingAndLabel) {
    m_hud->showTipsWithLoading("正在加载");
    m_hud->layoutIfNeeded();
    const Rect spinner = m_hud->indicator()->frame();
    const Rect label = m_hud->label().frame();
    EXPECT_EQ(spinner.size, Size(37, 37));
    EXPECT_EQ(label.y(), spinner.maxY() + 4);
    EXPECT_EQ(m_hud->detailsLabel().frame().height(), 0); // empty details take no room
    const double labelHeight = label.height();
    EXPECT_EQ(m_hud->size().height, 37 + 4 + labelHeight + 40);
    EXPECT_EQ(m_hud->size().width, std::max(37.0, label.width()) + 40);
    // The box is centred: its top is margin above the spinner.
    EXPECT_EQ(spinner.y() - 20, std::round((460 - m_hud->size().height) / 2));
    EXPECT_EQ(m_hud->alpha(), 1); // the model value; the fade runs on the clock
    EXPECT_TRUE(m_hud->isShown());
}

TEST_F(ProgressHUDTest, TipWithoutLoadingHoldsOnlyTheText) {
    m_hud->showTipsWithoutLoading("已到达末尾");
    m_hud->layoutIfNeeded();
    EXPECT_EQ(m_hud->mode(), ProgressHUDModeCustomView);
    EXPECT_EQ(m_hud->indicator(), m_hud->customView());
    const Rect label = m_hud->label().frame();
    const double boxTop = std::round((460 - m_hud->size().height) / 2);
    EXPECT_EQ(label.y(), boxTop + 20); // margin only, no padding
    EXPECT_EQ(m_hud->size().height, label.height() + 40);
}

TEST_F(ProgressHUDTest, LongTextsAreCutOrWrappedToTheMaximumWidth) {
    const std::string longText(300, 'W');
    m_hud->showTipsWithLoading(longText, "细节 " + std::string(200, 'x') + " 完");
    m_hud->layoutIfNeeded();
    const double maxWidth = 320 - 4 * 20;
    EXPECT_EQ(m_hud->label().frame().width(), maxWidth);
    EXPECT_LE(m_hud->detailsLabel().frame().width(), maxWidth);
    EXPECT_GT(m_hud->detailsLabel().frame().height(), m_hud->label().frame().height());
}

TEST_F(ProgressHUDTest, SquareAndMinimumSizeShapeTheBox) {
    struct Case {
        bool square;
        Size minSize;
        const char* text;
        bool widthIsHeight;
        Size atLeast;
    };
    const Case cases[] = {
        {false, {100, 100}, "a", false, {100, 100}},
        {true, {}, "a", true, {0, 0}},
    };
    for (const auto& c : cases) {
        m_hud->square = c.square;
        m_hud->minSize = c.minSize;
        m_hud->showTipsWithoutLoading(c.text);
        m_hud->setNeedsLayout();
        m_hud->layoutIfNeeded();
        EXPECT_GE(m_hud->size().width, c.atLeast.width);
        EXPECT_GE(m_hud->size().height, c.atLeast.height);
        if (c.widthIsHeight)
            EXPECT_EQ(m_hud->size().width, m_hud->size().height);
        // The text stays centred in the panel whatever the box does.
        EXPECT_NEAR(m_hud->label().frame().midX(), 160, 1);
    }
}

TEST_F(ProgressHUDTest, ModesSwapTheIndicatorAndTheRingStays) {
    m_hud->setMode(ProgressHUDModeAnnularDeterminate);
    auto ring = std::dynamic_pointer_cast<RoundProgressView>(m_hud->indicator());
    ASSERT_NE(ring, nullptr);
    EXPECT_TRUE(ring->isAnnular());
    m_hud->setMode(ProgressHUDModeDeterminate);
    EXPECT_EQ(m_hud->indicator(), ring);
    EXPECT_TRUE(ring->isAnnular());
    m_hud->setProgress(0.5f);
    EXPECT_FLOAT_EQ(ring->progress(), 0.5f);
    m_hud->setMode(ProgressHUDModeText);
    EXPECT_EQ(m_hud->indicator(), nullptr);
    EXPECT_EQ(ring->superview(), nullptr);
    m_hud->setMode(ProgressHUDModeCustomView);
    EXPECT_EQ(m_hud->indicator(), m_hud->customView());
}

TEST_F(ProgressHUDTest, AnEarlierScheduledHideStillHidesTheNextTip) {
    m_hud->showTipsWithoutLoadingHideDelay("第一条", 2);
    EXPECT_TRUE(m_hud->hasScheduledHide());
    advance(1);
    m_hud->showTipsWithLoading("第二条");
    EXPECT_TRUE(m_hud->hasScheduledHide());
    advance(0.5);
    EXPECT_TRUE(m_hud->isShown());
    EXPECT_EQ(m_hud->labelText(), "第二条");
    // The first tip's hide fires at its own time and takes the second tip away.
    advance(0.6);
    settle();
    EXPECT_FALSE(m_hud->isShown());
    EXPECT_EQ(m_hud->alpha(), 0);
    // A tip shown without hiding first is taken away the same way.
    m_hud->showTipsWithLoadingHideDelay("第三条", 1);
    m_hud->showTipsWithoutHideFirst("第四条");
    advance(1.1);
    settle();
    EXPECT_FALSE(m_hud->isShown());
}

TEST_F(ProgressHUDTest, AnimatedHideFinishesWithDelegateAndRemoval) {
    struct Listener : ProgressHUDDelegate {
        int hidden = 0;
        void hudWasHidden(ProgressHUD&) override { ++hidden; }
    };
    auto listener = std::make_shared<Listener>();
    m_hud->setDelegate(listener);
    m_hud->show(true);
    settle();
    m_hud->hide(true);
    EXPECT_FALSE(m_hud->isShown());
    advance(0.1);
    // Interrupting the fade still completes the hide.
    m_hud->layer()->removeAllAnimations();
    EXPECT_EQ(listener->hidden, 1);
    EXPECT_EQ(m_hud->alpha(), 0);
    // A new tip during a running fade-out is not undone by the old fade's end.
    m_hud->show(false);
    m_hud->hide(true);
    advance(0.1);
    m_hud->showTipsWithoutHideFirst("再来");
    settle();
    EXPECT_EQ(m_hud->alpha(), 1);
    EXPECT_EQ(listener->hidden, 1);
    // The class operation removes the panel once hidden.
    EXPECT_TRUE(ProgressHUD::hideHUDForView(m_screen.get(), false));
    EXPECT_EQ(m_hud->superview(), nullptr);
    EXPECT_FALSE(ProgressHUD::hideHUDForView(m_screen.get(), false));
}

TEST_F(ProgressHUDTest, MinimumShowTimeDelaysTheHide) {
    m_hud->minShowTime = 1;
    m_hud->show(false);
    advance(0.4);
    m_hud->hide(false);
    EXPECT_TRUE(m_hud->isShown());
    advance(0.7);
    EXPECT_FALSE(m_hud->isShown());
}

TEST_F(ProgressHUDTest, GraceTimeOnlyShowsTasksStillRunning) {
    m_hud->graceTime = 0.5;
    std::atomic<bool> release{false};
    m_hud->showWhileExecuting(
        [&] {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        false);
    EXPECT_TRUE(m_hud->taskInProgress());
    EXPECT_FALSE(m_hud->isShown());
    advance(0.6);
    EXPECT_TRUE(m_hud->isShown());
    release = true;
    EXPECT_TRUE(core::RunLoop::current().runUntil([&] { return !m_hud->taskInProgress(); }, 5));
    EXPECT_FALSE(m_hud->isShown());
    EXPECT_EQ(m_hud->indicator(), nullptr);
}

TEST_F(ProgressHUDTest, LabelTextSetOnAnotherThreadReachesTheLabel) {
    std::thread([&] { m_hud->setLabelText(std::string("后台")); }).join();
    EXPECT_EQ(m_hud->label().text(), "");
    core::RunLoop::current().runPending();
    EXPECT_EQ(m_hud->label().text(), "后台");
}

TEST_F(ProgressHUDTest, ClassOperationsFindTheTopmostPanel) {
    auto second = ProgressHUD::showHUDAddedTo(m_screen.get(), false);
    EXPECT_EQ(ProgressHUD::HUDForView(m_screen.get()), second.get());
    EXPECT_EQ(ProgressHUD::allHUDsForView(m_screen.get()).size(), 2u);
    EXPECT_EQ(ProgressHUD::hideAllHUDsForView(m_screen.get(), false), 2);
    EXPECT_TRUE(ProgressHUD::allHUDsForView(m_screen.get()).empty());
}

TEST_F(ProgressHUDTest, LandscapeTurnsAWindowPanel) {
    ui::Application::shared().setStatusBarOrientation(device::Orientation::LandscapeRight);
    auto hud = ProgressHUD::initWithView(m_window.get());
    EXPECT_NEAR(std::atan2(hud->rotationTransform().b, hud->rotationTransform().a), -std::numbers::pi / 2, 1e-9);
    EXPECT_EQ(hud->bounds().size, Size(480, 320));
}

TEST_F(ProgressHUDTest, DrawsTheDarkBoxWithAndWithoutItsSpinner) {
    auto dark = [](gfx::Pixel p) { return p.r < 90 && p.g < 90 && p.b < 90; };
    auto light = [](gfx::Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; };
    m_hud->showTipsWithLoading("加载中");
    settle();
    auto img = renderScreen();
    m_hud->layoutIfNeeded();
    const Rect box(std::round((320 - m_hud->size().width) / 2), 20 + std::round((460 - m_hud->size().height) / 2),
                   m_hud->size().width, m_hud->size().height);
    EXPECT_GT(countPixels(img, box.insetBy(6, 6), dark), box.width() * box.height() / 3);
    const Rect spinnerArea = m_hud->indicator()->convertRectToView(m_hud->indicator()->bounds(), nullptr);
    const int spinnerInk = countPixels(img, spinnerArea, light);
    EXPECT_GT(spinnerInk, 20);
    EXPECT_GT(countPixels(img, m_hud->label().convertRectToView(m_hud->label().bounds(), nullptr), light), 10);

    m_hud->showTipsWithoutLoading("加载中");
    settle();
    img = renderScreen();
    m_hud->layoutIfNeeded();
    EXPECT_LT(m_hud->size().height, box.height());
    const Rect box2(std::round((320 - m_hud->size().width) / 2), 20 + std::round((460 - m_hud->size().height) / 2),
                    m_hud->size().width, m_hud->size().height);
    EXPECT_GT(countPixels(img, box2.insetBy(6, 6), dark), box2.width() * box2.height() / 3);
    // Inside the smaller box, where the spinner turned there is only the box now.
    const Rect spinnerTop(spinnerArea.x(), spinnerArea.y(), spinnerArea.width(), spinnerArea.height() / 2);
    EXPECT_EQ(countPixels(img, spinnerTop.intersection(box2.insetBy(2, 2)), light), 0);
}

} // namespace
} // namespace pw
