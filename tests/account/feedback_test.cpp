// The feedback screen and the settings screen's version check against the
// stand-in site: the exact form sent, the cut at 200 characters, the site's
// answers, one send at a time, the login on the way, and a request that goes
// with its screen.
#include "account/AccountTest.h"
#include "account/SettingsTest.h"

#include "account/FeedbackViewController.h"
#include "foundation/widgets/ProgressHUD.h"
#include "account/RZSettingController.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "platform/device/Device.h"
#include "platform/core/NotificationCenter.h"
#include "platform/net/Url.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "account/ZELLoginViewController.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::Reply;

constexpr const char* kFeedback = "/api/AddFeedback.ashx";

class FeedbackTest : public AccountTest {
protected:
    void TearDown() override {
        if (!IsSkipped()) {
            dismissAlerts();
            settle();
        }
        AccountTest::TearDown();
    }

    std::shared_ptr<FeedbackViewController> open() {
        auto screen = FeedbackViewController::create();
        m_nav->pushViewController(screen, false);
        settle();
        return screen;
    }

    static void type(FeedbackViewController& screen, const std::string& text) {
        screen.txt()->setText(text);
        screen.textViewDidChange();
    }

    // Taps submit and waits for the site's answer to show.
    void send(FeedbackViewController& screen) {
        const size_t before = m_site->count(Host::Interface, kFeedback);
        screen.rightItemBtnClick();
        ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interface, kFeedback) > before; }));
        ASSERT_TRUE(waitFor([&] { return !screen.isSending(); }));
    }

    static std::string suffix() {
        return "[" + device::Device::current().systemName() + " | " + UIDeviceHardware::platform() +
               " | 1.4.0beta | 15]";
    }

    gfx::Image keepScreenshotOf(const std::string& name) {
        for (auto& w : ui::Application::shared().windows())
            w->layoutIfNeeded();
        const std::filesystem::path dir = PW_ARTIFACTS_DIR;
        std::filesystem::create_directories(dir);
        gfx::Image image = renderScreen();
        EXPECT_TRUE(image.writePNG((dir / (name + ".png")).string()));
        return image;
    }
};

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST_F(FeedbackTest, TheTextIsSentWholeUpTo200CharactersWithTheDeviceSuffix) {
    logInAsReader();
    struct Case {
        std::string typed;
        std::string sent; // before the suffix
    };
    const std::vector<Case> cases = {
        {repeat("字", 200), repeat("字", 200)},
        {repeat("字", 201), repeat("字", 200)},
        {repeat("a", 150) + repeat("字", 60), repeat("a", 150) + repeat("字", 50)},
        // A pair of UTF-16 units across the cut goes whole or not at all.
        {repeat("字", 199) + "😀", repeat("字", 199)},
        {repeat("字", 198) + "😀", repeat("字", 198) + "😀"},
        {"好 & 书=多+", "好 & 书=多+"},
    };
    auto screen = open();
    EXPECT_EQ(screen->title(), "意见反馈");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent.size());
        m_site->clearRequests();
        type(*screen, c.typed);
        send(*screen);
        const auto posts = m_site->requests(Host::Interface, kFeedback);
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].method, "POST");
        EXPECT_EQ(posts[0].target, kFeedback);
        EXPECT_EQ(posts[0].body, "cnt=" + net::Url::percentEscape(c.sent + suffix()) + "&albumid=42");
        EXPECT_EQ(posts[0].param("cnt"), c.sent + suffix());
        EXPECT_EQ(screen->tip(), "感谢您的反馈，我们会尽快处理");
        EXPECT_EQ(screen->txt()->text(), c.typed) << "the field keeps the whole text";
        EXPECT_TRUE(screen->submitEnabled());
    }
    // The site's answer is on screen, in the overlay's dark box over the field.
    settle();
    const gfx::Image shot = keepScreenshotOf("feedback_sent");
    auto& hud = *screen->hud();
    EXPECT_GT(countPixels(shot, hud.convertRectToView(hud.bounds(), nullptr),
                          [](gfx::Pixel p) { return p.r < 110 && p.g < 110 && p.b < 110; }),
              4000);
}

TEST_F(FeedbackTest, TheSiteAnswerShowsAsATipAndAFailureSaysSo) {
    logInAsReader();
    struct Case {
        Reply reply;
        std::string tip;
    };
    const std::vector<Case> cases = {
        {Reply::json(R"({"msg":"谢谢"})"), "谢谢"},
        {Reply::json(R"({"Result":1})"), ""},
        {Reply::text(200, "<html>not json</html>"), FeedbackViewController::kFailed},
        {Reply::text(500, "oops"), FeedbackViewController::kFailed},
        {Reply::drop("", 0), FeedbackViewController::kFailed},
    };
    auto screen = open();
    type(*screen, "意见");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tip);
        m_site->script(Host::Interface, kFeedback, c.reply);
        send(*screen);
        EXPECT_EQ(screen->tip(), c.tip);
        EXPECT_TRUE(screen->submitEnabled());
        EXPECT_EQ(screen->txt()->text(), "意见");
    }
}

TEST_F(FeedbackTest, TheButtonFollowsTheTextAndCannotSendTwice) {
    logInAsReader();
    auto screen = open();
    EXPECT_FALSE(screen->submitEnabled());
    EXPECT_FALSE(screen->lbl()->isHidden());
    screen->rightItemBtnClick();
    EXPECT_FALSE(screen->checkLogin()) << "an empty field sends nothing";
    type(*screen, "a");
    EXPECT_TRUE(screen->submitEnabled());
    EXPECT_TRUE(screen->lbl()->isHidden());
    type(*screen, "");
    EXPECT_FALSE(screen->submitEnabled());
    EXPECT_FALSE(screen->lbl()->isHidden());

    m_site->script(Host::Interface, kFeedback, Reply::stall(1.0));
    type(*screen, "只发一次");
    screen->rightItemBtnClick();
    ASSERT_TRUE(waitFor([&] { return screen->isSending(); }));
    type(*screen, "只发一次！");
    EXPECT_FALSE(screen->submitEnabled()) << "typing while it is on its way";
    screen->rightItemBtnClick();
    screen->submit();
    ASSERT_TRUE(waitFor([&] { return !screen->isSending(); }));
    EXPECT_EQ(m_site->count(Host::Interface, kFeedback), 1u);
    EXPECT_TRUE(screen->submitEnabled());
}

TEST_F(FeedbackTest, WithoutASessionTheLoginScreenComesFirstThenTheFeedbackGoes) {
    auto screen = open();
    type(*screen, "先登录再反馈");
    screen->rightItemBtnClick();
    // The silent login has nothing to log in with; the login screen follows.
    ASSERT_TRUE(waitPaced([&] {
        return dynamic_cast<ZELLoginViewController*>(m_nav->topViewController()) != nullptr;
    }));
    EXPECT_EQ(m_site->count(Host::Interface, kFeedback), 0u);
    auto* login = dynamic_cast<ZELLoginViewController*>(m_nav->topViewController());
    EXPECT_TRUE(login->disableAutoLogin());
    logInAsReader();
    login->loginSucceeded();
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interface, kFeedback) == 1; }));
    ASSERT_TRUE(waitFor([&] { return !screen->isSending(); }));
    EXPECT_EQ(screen->tip(), "感谢您的反馈，我们会尽快处理");
    EXPECT_EQ(m_site->requests(Host::Interface, kFeedback)[0].param("cnt"), "先登录再反馈" + suffix());
}

TEST_F(FeedbackTest, LeavingTheScreenCancelsItsRequest) {
    logInAsReader();
    m_site->script(Host::Interface, kFeedback, Reply::stall(2.0));
    auto screen = open();
    type(*screen, "走了");
    screen->rightItemBtnClick();
    ASSERT_TRUE(waitFor([&] { return screen->requestForm() != nullptr; }));
    auto request = screen->requestForm();
    std::weak_ptr<FeedbackViewController> gone = screen;
    m_nav->popViewControllerAnimated(false);
    screen.reset();
    settle();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(waitFor([&] { return request->isCancelled(); })) << "cancelled on the network thread";
}

TEST_F(FeedbackTest, TheVersionCheckAnswersOnceInAnAlert) {
    auto screen = RZSettingController::create();
    m_nav->pushViewController(screen, false);
    settle();
    screen->didSelectRow(*screen->table(), {3, 2});
    screen->didSelectRow(*screen->table(), {3, 2});
    EXPECT_TRUE(screen->isObservingVersionCheck());
    ASSERT_TRUE(waitFor([&] { return screen->alert() != nullptr; }));
    const auto first = screen->alert();
    EXPECT_EQ(first->title(), "提示");
    EXPECT_TRUE(first->message() == "当前已经是最新的版本了" || first->message() == "服务目前不可用")
        << first->message();
    EXPECT_FALSE(screen->isObservingVersionCheck());
    // A later answer of the same check finds nobody listening.
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_VersionCheckFailed");
    EXPECT_EQ(screen->alert(), first);
}

TEST_F(FeedbackTest, LoggingInFromTheSettingsScreenShowsTheNicknameAndTheAvatar) {
    auto screen = RZSettingController::create();
    m_nav->pushViewController(screen, false);
    settle();
    EXPECT_EQ(screen->userInfo(), std::vector<std::string>{"尚未登录，点击登录"});
    screen->didSelectRow(*screen->table(), {0, 0});
    settle();
    auto* login = dynamic_cast<ZELLoginViewController*>(m_nav->topViewController());
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->disableAutoLogin());
    ASSERT_TRUE(waitFor([&] { return !login->isWorking(); }));
    login->txtTarvPt()->setText(standin::StandinSite::kReaderName);
    login->txtPassword()->setText(standin::StandinSite::kReaderPassword);
    tapView(login->btnLogin());
    ASSERT_TRUE(waitPaced([&] {
        return m_nav->topViewController() == screen.get();
    }));
    settle();
    EXPECT_TRUE(screen->hasLogin());
    EXPECT_EQ(screen->userInfo(), std::vector<std::string>{"读者1000001"});
    // The avatar comes in the background; the row shows it once it is there.
    ASSERT_TRUE(waitPaced([&] {
        return screen->userImage().has_value();
    }));
    settle();
    auto& table = *screen->table();
    table.layoutIfNeeded();
    EXPECT_EQ(table.rectForRow({0, 0}).height(), 60);
    ui::ImageView* avatar = nullptr;
    std::function<void(ui::View&)> look = [&](ui::View& v) {
        for (auto& sub : v.subviews()) {
            if (auto* iv = dynamic_cast<ui::ImageView*>(sub.get()); iv && !iv->image().isNull())
                avatar = iv;
            look(*sub);
        }
    };
    look(*table.cellForRow({0, 0}));
    ASSERT_NE(avatar, nullptr);
    EXPECT_EQ(avatar->frame().width(), 50);
    const gfx::Image shot = keepPicture("settings_after_login");
    const gfx::Rect area = avatar->convertRectToView(avatar->bounds(), nullptr);
    EXPECT_GT(countPixels(shot, area, [](gfx::Pixel p) { return p.r < 200 || p.g < 200 || p.b < 200; }), 500)
        << "the avatar is drawn";
}

} // namespace
} // namespace pw::test
