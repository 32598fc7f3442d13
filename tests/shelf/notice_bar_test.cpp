#include "platform/core/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/UiTestSupport.h"
#include "shelf/MainTopNotifyView.h"

#include <string>
#include <utility>
#include <vector>

namespace pw {
namespace {

class NoticeBar : public ui::test::UiTest, public MainTopNotifyViewDelegate {
protected:
    void SetUp() override {
        UiTest::SetUp();
        m_bar = ui::View::create<MainTopNotifyView>(gfx::Rect(10, 44, 300, 30));
        m_window->addSubview(m_bar);
        m_bar->setDelegate(this);
    }
    void TearDown() override {
        m_bar.reset();
        UiTest::TearDown();
    }
    void notifyViewMessageClickWithRZBookId(int64_t id, int type) override { taps.emplace_back(id, type); }
    void notifyViewMessageClickWithNotifyId(int64_t id, int type) override { taps.emplace_back(-id, type); }

    // What the bar shows now: "" while the notice button is hidden, "closed" once the bar is.
    std::string shown() const {
        if (m_bar->isHidden() || !m_bar->isOpen())
            return "closed";
        return m_bar->btnMessage()->isHidden() ? "" : m_bar->btnMessage()->currentTitle();
    }

    std::shared_ptr<MainTopNotifyView> m_bar;
    std::vector<std::pair<int64_t, int>> taps;
};

TEST_F(NoticeBar, ShowsQueuedNoticesInTurnThenCloses) {
    m_bar->addBookUpdateMessageWithRZBookId(0, "dropped: no book");
    m_bar->addMessageWithNotifyId(-3, "dropped: no message");
    m_bar->addBookUpdateMessageWithRZBookId(11, "one");
    m_bar->addBookDownMessageWithRZBookId(12, "two");
    m_bar->addMessageWithNotifyId(13, "three");
    EXPECT_EQ(m_bar->arrMessage().size(), 3u);
    m_bar->genMenuAndShow();
    m_bar->showMessage();
    m_bar->showMessage(); // one cycle, not two
    // Each notice stays about 3.4 s (0.4 s fade, then 3 s).
    const std::vector<std::pair<double, std::string>> timeline = {
        {0.1, "one"}, {3.2, "one"}, {3.6, "two"}, {6.7, "two"}, {7.0, "three"}, {10.1, "three"}, {10.4, "closed"},
    };
    double at = 0;
    for (const auto& [t, want] : timeline) {
        advance(t - at);
        at = t;
        EXPECT_EQ(shown(), want) << "at " << t;
    }
    EXPECT_FALSE(m_bar->isShowMessage());
    EXPECT_TRUE(m_bar->arrMessage().empty());
}

TEST_F(NoticeBar, TapsReportTheShownNotice) {
    m_bar->addMessageWithNotifyId(7, "message");
    m_bar->addBookUpdateMessageWithRZBookId(42, "update");
    m_bar->genMenuAndShow();
    m_bar->showMessage();
    advance(0.5);
    m_bar->btnMessage()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    advance(3.4);
    ASSERT_EQ(shown(), "update");
    m_bar->btnMessage()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(taps, (std::vector<std::pair<int64_t, int>>{{-7, 3}, {42, 1}}));
    EXPECT_EQ(shown(), "update"); // a tap neither closes nor moves on
}

TEST_F(NoticeBar, CloseForgetsTheQueueAndAReopenedBarRunsOneCycle) {
    for (int i = 1; i <= 3; ++i)
        m_bar->addBookUpdateMessageWithRZBookId(i, "n" + std::to_string(i));
    m_bar->genMenuAndShow();
    m_bar->showMessage();
    advance(0.2); // mid-fade
    core::NotificationCenter::defaultCenter().post(MainTopNotifyView::kCloseNotification);
    EXPECT_EQ(shown(), "closed");
    EXPECT_TRUE(m_bar->arrMessage().empty());

    // Opened again before the old fade ends: only the new cycle's timing counts.
    m_bar->addBookUpdateMessageWithRZBookId(8, "a");
    m_bar->addBookUpdateMessageWithRZBookId(9, "b");
    m_bar->genMenuAndShow();
    m_bar->showMessage();
    advance(0.1);
    EXPECT_EQ(shown(), "a");
    advance(3.2); // 3.3 s into the new cycle: a stale step would have moved on by now
    EXPECT_EQ(shown(), "a");
    advance(0.3);
    EXPECT_EQ(shown(), "b");
    m_bar->btnClose()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(shown(), "closed");
    advance(5);
    EXPECT_EQ(shown(), "closed");
}

} // namespace
} // namespace pw
