#include "SiteTest.h"

#include "site/CheckLoginWithInfo.h"
#include "account/ZELLoginViewController.h"

#include "foundation/frame/StoreNavigationController.h"
#include "platform/ui/NavigationController.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::Reply;
using standin::StandinSite;

// A silent login whose outcome the test chooses: success logs the reader in
// through the stand-in's validation, as the real one does after the kit.
class ScriptedAutoLogin : public AutoLogin {
public:
    static std::shared_ptr<ScriptedAutoLogin> make(bool succeeds) {
        auto a = std::shared_ptr<ScriptedAutoLogin>(new ScriptedAutoLogin());
        a->succeeds = succeeds;
        return a;
    }
    void login() override {
        ++calls;
        beginRun();
        if (succeeds)
            beginLoginRZ("S-300");
        else
            answer(false);
    }
    bool succeeds = false;
    int calls = 0;
};

struct Result {
    bool isLogin;
    std::string userId;
    std::any pack;
};

class Recorder : public CheckLoginWithInfoDelegate {
public:
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& pack) override {
        results.push_back({isLogin, userId, pack});
    }
    void checkLoginWithInfoManualClose() override { ++manualCloses; }
    std::vector<Result> results;
    int manualCloses = 0;
};

class LoginCheckTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        m_check = CheckLoginWithInfo::create();
        m_check->setResultDelegate(m_recorder);
    }
    void useAutoLogin(bool succeeds) {
        m_auto = ScriptedAutoLogin::make(succeeds);
        m_check->setAutoLogin(m_auto);
    }
    bool answered(size_t n = 1) {
        return waitFor([&] { return m_recorder->results.size() >= n; });
    }
    size_t checks() const { return m_site->count(Host::Interface, "/api/CheckLoginWithInfo.ashx"); }
    // A screen on a navigation stack in the window, for the login screen to be pushed on.
    std::shared_ptr<ui::ViewController> screenInStack(bool store = false) {
        auto root = ui::ViewController::create();
        if (store)
            m_nav = StoreNavigationController::create(root);
        else
            m_nav = ui::ViewController::create<ui::NavigationController>(root);
        m_window->setRootViewController(m_nav);
        settle();
        return root;
    }
    ZELLoginViewController* loginScreen() const {
        return m_nav ? dynamic_cast<ZELLoginViewController*>(m_nav->topViewController()) : nullptr;
    }

    std::shared_ptr<CheckLoginWithInfo> m_check;
    std::shared_ptr<Recorder> m_recorder = std::make_shared<Recorder>();
    std::shared_ptr<ScriptedAutoLogin> m_auto;
    std::shared_ptr<ui::NavigationController> m_nav;
};

TEST_F(LoginCheckTest, LoggedInUserIsAnsweredAtOnceWithThePack) {
    logInAsReader();
    useAutoLogin(false);
    auto pack = std::make_shared<int>(7);
    m_check->checkIsLoginWithTarget({}, pack);
    ASSERT_TRUE(answered());
    ASSERT_EQ(m_recorder->results.size(), 1u);
    const auto& r = m_recorder->results[0];
    EXPECT_TRUE(r.isLogin);
    EXPECT_EQ(r.userId, std::to_string(StandinSite::kReaderId));
    EXPECT_EQ(std::any_cast<std::shared_ptr<int>>(r.pack), pack); // the very object
    EXPECT_EQ(m_auto->calls, 0);
    EXPECT_EQ(checks(), 1u);
}

TEST_F(LoginCheckTest, SilentLoginThenSecondCheck) {
    useAutoLogin(true);
    m_check->checkIsLoginWithTarget({}, std::string("pack"));
    ASSERT_TRUE(answered());
    settle();
    ASSERT_EQ(m_recorder->results.size(), 1u);
    EXPECT_TRUE(m_recorder->results[0].isLogin);
    EXPECT_EQ(m_recorder->results[0].userId, std::to_string(StandinSite::kReaderId));
    EXPECT_EQ(std::any_cast<std::string>(m_recorder->results[0].pack), "pack");
    EXPECT_EQ(m_auto->calls, 1);
    EXPECT_EQ(checks(), 2u);
    EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx"), 1u);
}

TEST_F(LoginCheckTest, EmptyOrZeroUserIdIsNotLoggedIn) {
    for (const char* answer : {"{userId:''}", "{userId:'0'}", "<html>500</html>"}) {
        m_recorder->results.clear();
        useAutoLogin(false);
        m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::text(200, answer));
        m_check->checkIsLoginWithTarget({}, 1);
        ASSERT_TRUE(waitFor([&] { return m_auto->calls == 1; })) << answer;
        // No screen to show the login on: answered "not logged in", once.
        advance(CheckLoginWithInfo::kLoginScreenDelay + 0.05);
        ASSERT_TRUE(answered()) << answer;
        advance(1);
        waitFor([] { return false; }, 0.05);
        ASSERT_EQ(m_recorder->results.size(), 1u) << answer;
        EXPECT_FALSE(m_recorder->results[0].isLogin);
        EXPECT_EQ(m_recorder->results[0].userId, "0");
        EXPECT_EQ(m_auto->calls, 1) << answer;
    }
}

TEST_F(LoginCheckTest, UnreachableSiteFallsBackAndAnswersNotLoggedIn) {
    useAutoLogin(true);
    // The first check gets an error status, the second a connection that
    // drops (the engine's retry on a fresh connection drops too).
    m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::text(503, "{userId:'5'}"));
    m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::drop("{userId:'5'}", 3), 3);
    m_check->checkIsLoginWithTarget({}, 2);
    ASSERT_TRUE(answered());
    EXPECT_FALSE(m_recorder->results[0].isLogin);
    EXPECT_EQ(m_recorder->results[0].userId, "0");
    EXPECT_EQ(m_auto->calls, 1);
}

TEST_F(LoginCheckTest, FailedSilentLoginShowsTheLoginScreenAndItsLoginAnswers) {
    auto screen = screenInStack();
    useAutoLogin(false);
    m_check->checkIsLoginWithTarget(screen, std::string("p"));
    ASSERT_TRUE(waitFor([&] { return m_auto->calls == 1; }));
    EXPECT_EQ(loginScreen(), nullptr); // not before the delay
    advance(CheckLoginWithInfo::kLoginScreenDelay + 0.05);
    settle();
    ASSERT_NE(loginScreen(), nullptr);
    EXPECT_TRUE(loginScreen()->disableAutoLogin());
    EXPECT_EQ(std::any_cast<std::string>(loginScreen()->userPack()), "p");
    EXPECT_EQ(loginScreen()->navigationItem().leftBarButtonItem, nullptr); // an ordinary stack
    EXPECT_TRUE(m_recorder->results.empty());

    logInAsReader(); // what the screen's login does on the site
    loginScreen()->loginSucceeded();
    ASSERT_TRUE(answered());
    settle();
    EXPECT_EQ(m_nav->topViewController(), screen.get());
    EXPECT_TRUE(m_recorder->results[0].isLogin);
    EXPECT_EQ(std::any_cast<std::string>(m_recorder->results[0].pack), "p");
    EXPECT_EQ(m_recorder->results.size(), 1u);
}

TEST_F(LoginCheckTest, LeavingTheLoginScreenAnswersNothing) {
    for (bool store : {false, true}) {
        m_recorder->results.clear();
        m_recorder->manualCloses = 0;
        auto screen = screenInStack(store);
        useAutoLogin(false);
        m_check->checkIsLoginWithTarget(screen, 3);
        ASSERT_TRUE(waitFor([&] { return m_auto->calls == 1; }));
        advance(CheckLoginWithInfo::kLoginScreenDelay + 0.05);
        settle();
        ASSERT_NE(loginScreen(), nullptr);
        // In the store's stack the screen has a close button that only tells
        // the delegate; elsewhere the ordinary back button.
        auto close = loginScreen()->navigationItem().leftBarButtonItem;
        ASSERT_EQ(close != nullptr, store);
        if (store) {
            EXPECT_EQ(close->title, "关闭");
            close->action();
        }
        EXPECT_EQ(m_recorder->manualCloses, store ? 1 : 0);
        m_nav->popViewControllerAnimated(false);
        settle();
        advance(1);
        waitFor([] { return false; }, 0.05);
        EXPECT_TRUE(m_recorder->results.empty()) << (store ? "store" : "ordinary stack");
    }
}

TEST_F(LoginCheckTest, ALoginScreenAlreadyShownStillEndsInTheChecksCallbacks) {
    auto screen = screenInStack();
    useAutoLogin(false);
    m_check->checkIsLoginWithTarget(screen, std::string("first"));
    ASSERT_TRUE(waitFor([&] { return m_auto->calls == 1; }));
    advance(CheckLoginWithInfo::kLoginScreenDelay + 0.05);
    settle();
    auto shown = std::static_pointer_cast<ZELLoginViewController>(m_nav->topViewController()->shared_from_this());
    ASSERT_NE(loginScreen(), nullptr);

    // A new check while the login screen waits: the reader is known by now.
    logInAsReader();
    m_check->checkIsLoginWithTarget(screen, std::string("second"));
    ASSERT_TRUE(answered());
    EXPECT_EQ(std::any_cast<std::string>(m_recorder->results[0].pack), "second");

    // The first login screen's login still comes back, with its own pack.
    shown->loginSucceeded();
    ASSERT_TRUE(answered(2));
    EXPECT_TRUE(m_recorder->results[1].isLogin);
    EXPECT_EQ(std::any_cast<std::string>(m_recorder->results[1].pack), "first");
}

TEST_F(LoginCheckTest, ASecondCheckSupersedesTheFirst) {
    logInAsReader();
    useAutoLogin(false);
    m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::stall(0.5));
    m_check->checkIsLoginWithTarget({}, 1);
    ASSERT_TRUE(waitFor([&] { return checks() == 1; }));
    m_check->checkIsLoginWithTarget({}, 2);
    ASSERT_TRUE(answered());
    waitFor([] { return false; }, 0.7); // the stalled first answer would arrive now
    ASSERT_EQ(m_recorder->results.size(), 1u);
    EXPECT_EQ(std::any_cast<int>(m_recorder->results[0].pack), 2);
}

} // namespace
} // namespace pw::test
