#include "platform/ui/UiTestSupport.h"

#include "WidgetPictures.h"
#include "foundation/widgets/StatusBarBackgroundImage.h"
#include "foundation/widgets/StatusBarOverlay.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/TapGestureRecognizer.h"

#include <chrono>
#include <future>
#include <thread>

namespace pw {
namespace {

using gfx::Rect;
using gfx::Size;
using Layout = StatusBarOverlayLayout;

struct Recorder : StatusBarOverlayDelegate {
    struct Switch {
        std::optional<std::string> from;
        std::string to;
        double at;
    };
    std::shared_ptr<core::ManualClock> clock;
    std::vector<Switch> switches;
    std::vector<std::vector<core::Value>> cleared;
    int hidden = 0;
    std::function<void()> onClear;
    void statusBarOverlayDidHide() override { ++hidden; }
    void statusBarOverlayDidSwitchFromOldMessage(const std::optional<std::string>& from,
                                                 const std::string& to) override {
        switches.push_back({from, to, clock->monotonic()});
    }
    void statusBarOverlayDidClearMessageQueue(const std::vector<core::Value>& messages) override {
        cleared.push_back(messages);
        if (onClear)
            onClear();
    }
};

class StatusBarOverlayTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_overlay = StatusBarOverlay::create();
        m_recorder = std::make_shared<Recorder>();
        m_recorder->clock = m_clock;
        m_overlay->setDelegate(m_recorder);
        m_start = m_clock->monotonic();
    }
    void TearDown() override {
        m_overlay.reset();
        UiTest::TearDown();
    }
    double elapsed() const { return m_clock->monotonic() - m_start; }
    std::shared_ptr<StatusBarOverlay> m_overlay;
    std::shared_ptr<Recorder> m_recorder;
    double m_start = 0;
};

TEST_F(StatusBarOverlayTest, StartsTransparentOverTheStatusBar) {
    EXPECT_EQ(m_overlay->frame(), Rect(0, 0, 320, 20));
    EXPECT_EQ(m_overlay->windowLevel(), ui::kWindowLevelStatusBar + 1);
    EXPECT_TRUE(m_overlay->isReallyHidden());
    EXPECT_FALSE(m_overlay->isKeyWindow());
    EXPECT_EQ(m_overlay->smallFrame(), Rect(294, 0, 26, 20));
    EXPECT_EQ(m_overlay->statusLabel1().frame(), Rect(30, 0, 260, 19));
    EXPECT_EQ(m_overlay->statusLabel2().frame(), Rect(30, 20, 260, 19));
    EXPECT_EQ(&m_overlay->hiddenStatusLabel(), &m_overlay->statusLabel2());
    EXPECT_EQ(m_overlay->detailView().frame(), Rect(20, -145, 280, 145));
    EXPECT_TRUE(m_overlay->isDetailViewHidden());
    EXPECT_FALSE(m_overlay->isActive());
}

TEST_F(StatusBarOverlayTest, ThreeMessagesComeUpInTurnAndLeaveTwoInTheHistory) {
    m_overlay->postMessage("A");
    m_overlay->postMessage("B");
    m_overlay->postMessage("C");
    EXPECT_TRUE(m_overlay->isActive());
    EXPECT_FALSE(m_overlay->isReallyHidden());
    advance(4);
    ASSERT_EQ(m_recorder->switches.size(), 3u);
    // Each slide takes 0.6 s and the next begins 0.4 s after it ended (give or take a frame).
    const char* texts[] = {"A", "B", "C"};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(m_recorder->switches[i].to, texts[i]);
    EXPECT_NEAR(m_recorder->switches[0].at - m_start, 0.6, 0.04);
    EXPECT_NEAR(m_recorder->switches[1].at - m_recorder->switches[0].at, 1.0, 0.06);
    EXPECT_NEAR(m_recorder->switches[2].at - m_recorder->switches[1].at, 1.0, 0.06);
    EXPECT_EQ(m_recorder->switches[0].from, std::nullopt);
    EXPECT_EQ(m_recorder->switches[2].from, std::optional<std::string>("B"));
    EXPECT_EQ(m_overlay->messageHistory(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(m_overlay->visibleStatusLabel().text(), "C");
    EXPECT_EQ(m_overlay->visibleStatusLabel().frame().y(), 0);
    EXPECT_EQ(m_overlay->queuedMessageCount(), 0u);
    EXPECT_FALSE(m_overlay->isActive());
    EXPECT_EQ(m_overlay->lastPostedMessage(), "C");
    EXPECT_FALSE(m_overlay->activityIndicator().isHidden());
}

TEST_F(StatusBarOverlayTest, AFinishMessageHidesItselfAfterItsDurationAndClearsTheHistory) {
    m_overlay->postMessage("正在同步", false);
    advance(0.5);
    m_overlay->postFinishMessage("同步完成", 3.0);
    const double shown = elapsed();
    EXPECT_TRUE(m_overlay->isHideInProgress());
    EXPECT_FALSE(m_overlay->finishedLabel().isHidden());
    EXPECT_EQ(m_overlay->finishedLabel().text(), "✓");
    EXPECT_TRUE(m_overlay->activityIndicator().isHidden());
    advance(2.9);
    EXPECT_EQ(m_overlay->alpha(), 1);
    EXPECT_EQ(m_overlay->messageHistory(), std::vector<std::string>{"正在同步"});
    advance(0.15);
    EXPECT_NEAR(elapsed() - shown, 3.05, 0.02);
    EXPECT_EQ(m_overlay->alpha(), 0); // the fade-out has begun
    EXPECT_TRUE(m_overlay->messageHistory().empty());
    EXPECT_EQ(m_recorder->hidden, 0);
    advance(0.6);
    EXPECT_EQ(m_recorder->hidden, 1);
    EXPECT_TRUE(m_overlay->isReallyHidden());
    EXPECT_EQ(m_overlay->visibleStatusLabel().text(), "");
}

TEST_F(StatusBarOverlayTest, ANewMessageCancelsTheHideTimerOfTheOneBefore) {
    m_overlay->postErrorMessage("失败", 1.0, false);
    EXPECT_EQ(m_overlay->finishedLabel().text(), "✗");
    advance(0.5);
    m_overlay->postMessage("重试中", 2.0, false);
    advance(1.0);
    EXPECT_FALSE(m_overlay->isReallyHidden());
    EXPECT_FALSE(m_overlay->isHideInProgress());
    advance(1.1);
    EXPECT_TRUE(m_overlay->isReallyHidden());
}

TEST_F(StatusBarOverlayTest, TheTextOnDisplayIsNotShownAgain) {
    m_overlay->postMessage("同一条", false);
    advance(1);
    m_overlay->postMessage("同一条");
    EXPECT_EQ(m_overlay->queuedMessageCount(), 0u);
    advance(1);
    EXPECT_EQ(m_recorder->switches.size(), 1u);
    EXPECT_TRUE(m_overlay->messageHistory().empty());
}

TEST_F(StatusBarOverlayTest, ImmediateMessagesDiscardTheQueueButTheOneOnDisplay) {
    struct Case {
        bool canRemoveImmediate;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {true, {"first", "now"}},
        {false, {"first", "early", "now"}},
    };
    for (const auto& c : cases) {
        auto overlay = StatusBarOverlay::create();
        auto rec = std::make_shared<Recorder>();
        rec->clock = m_clock;
        overlay->setDelegate(rec);
        overlay->canRemoveImmediateMessagesFromQueue = c.canRemoveImmediate;
        overlay->postMessage("first");
        overlay->postImmediateMessage("early", 0.0, true);
        overlay->postMessage("plain");
        overlay->postImmediateMessage("now", 0.0, true);
        ASSERT_FALSE(rec->cleared.empty());
        advance(5);
        std::vector<std::string> shown;
        for (auto& s : rec->switches)
            shown.push_back(s.to);
        EXPECT_EQ(shown, c.shown) << c.canRemoveImmediate;
    }
}

TEST_F(StatusBarOverlayTest, TheDelegateIsToldOfDiscardsOutsideTheQueueLock) {
    m_overlay->postMessage("on display");
    m_overlay->postMessage("queued");
    bool reachable = false;
    m_recorder->onClear = [&] {
        // Another thread can read the queue while the delegate runs.
        auto f = std::async(std::launch::async, [&] { return m_overlay->queuedMessageCount(); });
        reachable = f.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    };
    m_overlay->postImmediateMessage("urgent", 0.0, true);
    EXPECT_TRUE(reachable);
    ASSERT_EQ(m_recorder->cleared.size(), 1u);
    EXPECT_EQ(m_recorder->cleared[0][0][kOverlayMessageText].asString(), "queued");
}

TEST_F(StatusBarOverlayTest, PostsFromAWorkerReturnOnlyOnceTheMainThreadHasTakenThem) {
    // What the worker sees right after each post: the main thread has already run it.
    std::vector<size_t> seen; // queued records
    auto done = std::async(std::launch::async, [&] {
        m_overlay->postFinishMessage("后台完成", 3.0);
        seen.push_back(m_overlay->queuedMessageCount());
        m_overlay->postMessageDictionary(
            StatusBarOverlay::messageRecord("字典", OverlayMessageTypeError, 0, false, false));
        seen.push_back(m_overlay->queuedMessageCount());
        m_overlay->postImmediateErrorMessage("立即", 0, false);
        seen.push_back(m_overlay->queuedMessageCount());
    });
    core::RunLoop::current().runUntil(
        [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10);
    ASSERT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], 1u); // the first is the one coming on display
    EXPECT_EQ(seen[1], 2u); // the second waits behind it
    EXPECT_EQ(seen[2], 2u); // the immediate one replaced the waiting one
    advance(2);
    ASSERT_GE(m_recorder->switches.size(), 2u);
    EXPECT_EQ(m_recorder->switches[0].to, "后台完成");
    EXPECT_EQ(m_recorder->switches[1].to, "立即");
}

TEST_F(StatusBarOverlayTest, TheApplicationsActiveTimeIsHeardByNamedMembers) {
    m_overlay->postMessage("前台");
    advance(1);
    m_overlay->applicationWillResignActive(core::Notification{});
    EXPECT_TRUE(m_overlay->isForcedToHide());
    m_overlay->applicationDidBecomeActive(core::Notification{});
    EXPECT_FALSE(m_overlay->isForcedToHide());
}

TEST_F(StatusBarOverlayTest, TheSharedInstanceIsMadeOnceEvenUnderConcurrentFirstCalls) {
    std::vector<std::future<StatusBarOverlay*>> calls;
    for (int i = 0; i < 4; ++i)
        calls.push_back(std::async(std::launch::async, [] { return &StatusBarOverlay::sharedInstance(); }));
    core::RunLoop::current().runUntil(
        [&] {
            return std::all_of(calls.begin(), calls.end(), [](auto& f) {
                return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            });
        },
        10);
    StatusBarOverlay* mine = &StatusBarOverlay::sharedOverlay();
    for (auto& f : calls)
        EXPECT_EQ(f.get(), mine);
}

TEST_F(StatusBarOverlayTest, AnInactiveApplicationOnlyQueuesAndAHiddenBarDropsTheQueue) {
    auto& app = ui::Application::shared();
    app.launch();
    m_overlay->postMessage("前台");
    advance(1);
    app.resignActive();
    EXPECT_TRUE(m_overlay->isForcedToHide());
    advance(0.6);
    EXPECT_TRUE(m_overlay->isReallyHidden());
    m_overlay->postMessage("稍后");
    advance(2);
    EXPECT_EQ(m_overlay->queuedMessageCount(), 1u);
    app.becomeActive();
    advance(2);
    EXPECT_FALSE(m_overlay->isReallyHidden());
    EXPECT_EQ(m_overlay->visibleStatusLabel().text(), "稍后");

    app.setStatusBarHidden(true);
    m_overlay->postMessage("看不见");
    EXPECT_EQ(m_overlay->queuedMessageCount(), 0u);
    EXPECT_FALSE(m_overlay->isActive());
    EXPECT_EQ(m_overlay->visibleStatusLabel().text(), "稍后");
}

TEST_F(StatusBarOverlayTest, ProgressOnlyMovesForwardOrBackToTheStart) {
    m_overlay->postMessage("下载中", false);
    // A new overlay shows no progress; going back to 0 starts it.
    const struct {
        double set;
        double stored;
        bool stripHidden;
    } steps[] = {{0.4, 1.0, true},  {0, 0, false}, {0.5, 0.5, false},
                 {0.3, 0.5, false}, {0, 0, false}, {1.5, 1.0, true}};
    for (const auto& s : steps) {
        m_overlay->setProgress(s.set);
        core::RunLoop::current().runPending();
        EXPECT_EQ(m_overlay->progress(), s.stored) << s.set;
        EXPECT_EQ(m_overlay->progressView().isHidden(), s.stripHidden) << s.set;
    }
}

TEST_F(StatusBarOverlayTest, TapsShrinkExpandAndDropThePanel) {
    auto tapStrip = [&] {
        auto tapRecognizer = m_overlay->backgroundView().gestureRecognizers().front();
        tapView(&m_overlay->backgroundView());
        return tapRecognizer;
    };
    m_overlay->postMessage("消息", false);
    settle();
    m_overlay->setAnimation(OverlayTapAnimationShrink);
    tapStrip();
    settle();
    EXPECT_TRUE(m_overlay->isShrinked());
    EXPECT_EQ(m_overlay->backgroundView().frame(), Rect(294, 0, 26, 20));
    EXPECT_TRUE(m_overlay->statusLabel1().isHidden());
    // A tap on the shrunk box expands it, whatever the tap animation.
    m_overlay->setAnimation(OverlayTapAnimationNone);
    tapView(&m_overlay->backgroundView());
    settle();
    EXPECT_FALSE(m_overlay->isShrinked());
    EXPECT_EQ(m_overlay->statusLabel1().frame().width(), 260);
    m_overlay->setHistoryEnabled(true);
    m_overlay->setAnimation(OverlayTapAnimationDetailPanel);
    tapStrip();
    settle();
    EXPECT_FALSE(m_overlay->isDetailViewHidden());
    tapStrip();
    settle();
    EXPECT_TRUE(m_overlay->isDetailViewHidden());
}

TEST_F(StatusBarOverlayTest, TheHistoryPanelShowsTheBarAndOneRowPerEntry) {
    m_overlay->setHistoryEnabled(true);
    m_overlay->addMessageToHistory("一");
    m_overlay->addMessageToHistory(" \t ");
    m_overlay->addMessageToHistory("二");
    EXPECT_EQ(m_overlay->messageHistory().size(), 2u);
    m_overlay->setDetailViewHidden(false, false);
    EXPECT_EQ(m_overlay->detailView().frame().y(), -75);
    EXPECT_EQ(m_overlay->historyTableView().frame().y(), 95);
    EXPECT_EQ(m_overlay->detailView().frame().maxY(), 70);
    EXPECT_EQ(m_overlay->numberOfRows(m_overlay->historyTableView(), 0), 2);
    for (const char* t : {"三", "四", "五", "六"})
        m_overlay->addMessageToHistory(t);
    settle();
    EXPECT_EQ(m_overlay->detailView().frame().y(), 0);
    m_overlay->setDetailViewMode(OverlayDetailViewModeDetailText);
    m_overlay->setDetailText("详细说明");
    settle();
    EXPECT_EQ(m_overlay->detailView().frame().height(), m_overlay->detailTextView().frame().height() + 20);
}

TEST_F(StatusBarOverlayTest, GeometryTables) {
    struct Creation {
        Rect bar;
        bool pad;
        Rect window;
    };
    const Creation creations[] = {
        {{0, 0, 320, 20}, false, {0, 0, 320, 20}},
        {{0, 0, 320, 40}, false, {0, 0, 320, 20}}, // a call's double-height bar
        {{0, 0, 768, 20}, false, {0, 0, 320, 20}}, // a phone application on a tablet
        {{0, 0, 1024, 20}, false, {0, 0, 320, 20}},
        {{0, 0, 768, 20}, true, {0, 0, 768, 20}},
    };
    for (const auto& c : creations)
        EXPECT_EQ(Layout::creationFrame(c.bar, c.pad), c.window) << c.bar.width() << "x" << c.bar.height();

    struct Turn {
        device::Orientation o;
        Rect frame;
        Rect small;
    };
    const Size s{320, 480};
    const Turn turns[] = {
        {device::Orientation::Portrait, {0, 0, 320, 20}, {294, 0, 26, 20}},
        {device::Orientation::PortraitUpsideDown, {0, 460, 320, 20}, {294, 0, 26, 20}},
        {device::Orientation::LandscapeLeft, {300, 0, 20, 480}, {454, 0, 26, 20}},
        {device::Orientation::LandscapeRight, {0, 0, 20, 480}, {454, 0, 26, 20}},
    };
    for (const auto& t : turns) {
        const auto p = Layout::placementFor(t.o, s);
        EXPECT_EQ(p.frame, t.frame) << static_cast<int>(t.o);
        EXPECT_EQ(p.smallFrame, t.small) << static_cast<int>(t.o);
    }

    const struct {
        size_t n;
        double y;
    } panels[] = {{0, -125}, {2, -75}, {4, -25}, {5, 0}, {9, 0}};
    for (const auto& p : panels)
        EXPECT_EQ(Layout::shownDetailFrame(OverlayDetailViewModeHistory, {20, -145, 280, 145}, p.n, 0).y(), p.y);
    EXPECT_EQ(Layout::shownDetailFrame(OverlayDetailViewModeDetailText, {20, -145, 280, 145}, 0, 40),
              Rect(20, 0, 280, 60));
    EXPECT_EQ(Layout::hiddenDetailFrame({20, 0, 280, 60}), Rect(20, -60, 280, 60));

    const struct {
        ui::StatusBarStyle style;
        bool pad;
        Rect bar;
        bool light;
    } schemes[] = {
        {ui::StatusBarStyle::Default, false, {0, 0, 320, 20}, true},
        {ui::StatusBarStyle::BlackOpaque, false, {0, 0, 320, 20}, false},
        {ui::StatusBarStyle::BlackTranslucent, false, {0, 0, 320, 20}, false},
        {ui::StatusBarStyle::Default, true, {0, 0, 768, 20}, false},
        {ui::StatusBarStyle::Default, false, {0, 0, 768, 20}, false},
        {ui::StatusBarStyle::Default, false, {0, 0, 20, 480}, true},
    };
    for (const auto& c : schemes)
        EXPECT_EQ(Layout::usesLightScheme(c.style, c.pad, c.bar), c.light);

    const struct {
        double progress, textWidth, centre;
        bool hidden;
        Rect frame;
    } strips[] = {
        {1.0, 100, 160, true, {0, 0, 320, 20}},
        {0.5, 0, 160, false, {0, 0, 320, 20}}, // no text: the strip stays as it was
        {0.5, 100, 160, false, {160, 0, 160, 20}},
        {0.0, 100, 160, false, {110, 0, 210, 20}},
        {0.9, 200, 160, false, {240, 0, 80, 20}},
    };
    for (const auto& c : strips) {
        const auto r = Layout::progressStrip(c.progress, c.textWidth, c.centre, {0, 0, 320, 20}, 320);
        EXPECT_EQ(r.hidden, c.hidden) << c.progress;
        if (!c.hidden)
            EXPECT_EQ(r.frame, c.frame) << c.progress << " " << c.textWidth;
    }
}

TEST_F(StatusBarOverlayTest, TurningReplacesTheWindowAlongTheNewBar) {
    m_overlay->postMessage("横屏", false);
    settle();
    m_overlay->setShrinked(true, false);
    ui::Application::shared().setStatusBarOrientation(device::Orientation::LandscapeLeft);
    advance(0.01);
    auto rounded = [](Rect r) {
        return Rect(std::round(r.x()), std::round(r.y()), std::round(r.width()), std::round(r.height()));
    };
    EXPECT_EQ(rounded(m_overlay->frame()), Rect(300, 0, 20, 480));
    EXPECT_EQ(m_overlay->bounds().size, Size(480, 20));
    EXPECT_EQ(m_overlay->backgroundView().frame(), Rect(454, 0, 26, 20));
    EXPECT_TRUE(m_overlay->isShrinked());
    // Out of sight while the bar turns, back once it has.
    EXPECT_EQ(m_overlay->layer()->presentation().opacity, 0);
    advance(1);
    EXPECT_EQ(m_overlay->layer()->presentation().opacity, 1);
    m_overlay->setShrinked(false, false);
    EXPECT_EQ(m_overlay->backgroundView().frame(), Rect(0, 0, 480, 20));
}

TEST_F(StatusBarOverlayTest, TheShrunkStateIsSavedAndRestored) {
    m_overlay->restoreState();
    EXPECT_FALSE(m_overlay->isShrinked());
    m_overlay->setShrinked(true, false);
    m_overlay->saveState();
    EXPECT_EQ(core::UserDefaults::standard().getBool(kStatusBarOverlayStateShrinked), true);
    auto other = StatusBarOverlay::create();
    other->restoreState();
    EXPECT_TRUE(other->isShrinked());
}

TEST_F(StatusBarOverlayTest, BuiltInBackgroundsAreSilverGradientsWithADarkBottomLine) {
    for (int scale : {1, 2}) {
        const gfx::Image full = StatusBarBackgroundImage::draw(false, scale);
        const gfx::Image small = StatusBarBackgroundImage::draw(true, scale);
        ASSERT_EQ(full.pixelWidth(), 5 * scale);
        ASSERT_EQ(full.pixelHeight(), 20 * scale);
        EXPECT_EQ(full.pixelAt(2 * scale, 0), (gfx::Pixel{239, 246, 249, 255}));
        EXPECT_EQ(full.pixelAt(2 * scale, 19 * scale - 1), (gfx::Pixel{189, 197, 201, 255}));
        EXPECT_EQ(full.pixelAt(2 * scale, 20 * scale - 1), (gfx::Pixel{92, 99, 104, 255}));
        EXPECT_EQ(full.pixelAt(0, 0), (gfx::Pixel{106, 108, 109, 255}));
        EXPECT_EQ(full.pixelAt(5 * scale - 1, scale), (gfx::Pixel{213, 217, 221, 255}));
        EXPECT_EQ(small.pixelAt(0, 0), (gfx::Pixel{239, 246, 249, 255}));
        EXPECT_EQ(small.pixelAt(5 * scale - 1, 0), (gfx::Pixel{106, 108, 109, 255}));
    }
    EXPECT_EQ(gfx::Image::fromBytes({StatusBarBackgroundImage::array(false), StatusBarBackgroundImage::length(false)})
                  ->pixelWidth(),
              5);
}

TEST_F(StatusBarOverlayTest, RendersTheLightAndTheDarkScheme) {
    auto dark = [](gfx::Pixel p) { return p.r < 80 && p.g < 80 && p.b < 80; };
    m_overlay->postFinishMessage("完成", 0);
    advance(1.5);
    gfx::Image img = renderScreen();
    test::keepWidgetPicture(img, "status_bar_overlay_light");
    // The silver strip: light at the top, its dark line at the bottom.
    const gfx::Pixel top = img.pixelAt(160, 0), bottom = img.pixelAt(160, 19);
    EXPECT_GT(top.b, 230);
    EXPECT_EQ(bottom, (gfx::Pixel{92, 99, 104, 255}));
    // Black text and a black check mark on it.
    EXPECT_GT(countPixels(img, {130, 2, 60, 15}, dark), 10);
    EXPECT_GT(countPixels(img, {4, 1, 20, 18}, dark), 10);
    EXPECT_EQ(countPixels(img, {60, 2, 50, 15}, dark), 0); // nothing left of the centred text

    ui::Application::shared().setStatusBarStyle(ui::StatusBarStyle::BlackOpaque);
    m_overlay->postErrorMessage("失败", 0, false);
    advance(1.5);
    img = renderScreen();
    test::keepWidgetPicture(img, "status_bar_overlay_dark");
    EXPECT_EQ(img.pixelAt(60, 10), (gfx::Pixel{0, 0, 0, 255}));
    auto grey = [](gfx::Pixel p) { return p.r > 120 && p.r == p.g && p.g == p.b; };
    EXPECT_GT(countPixels(img, {130, 2, 60, 15}, grey), 10);
    EXPECT_GT(countPixels(img, {4, 1, 20, 18}, grey), 5);
}

} // namespace
} // namespace pw
