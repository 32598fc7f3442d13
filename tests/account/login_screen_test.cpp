#include "account/AccountTest.h"

#include "account/AutoLogin.h"
#include "account/LoginHelper.h"
#include "account/ModalAlertDelegate.h"
#include "account/RegistViewController.h"
#include "account/ZELLoginViewController.h"
#include "fakeaccount/FakeAccountService.h"
#include "foundation/db/SettingTB.h"
#include "network/RQFormDataRequest.h"
#include "platform/core/NotificationCenter.h"
#include "site/CheckLoginWithInfo.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::StandinSite;

struct CheckAnswers : CheckLoginWithInfoDelegate {
    std::vector<std::pair<bool, std::string>> results;
    void checkLoginWithInfoResult(bool isLogin, const std::string& id, const std::any&) override {
        results.emplace_back(isLogin, id);
    }
};

struct LoginOutcome : AutoLoginDelegate {
    std::vector<bool> answers;
    void loginIsSuccess(bool success) override { answers.push_back(success); }
};

class LoginScreenTest : public AccountTest {
protected:
    ZELLoginViewController* loginScreen() const { return dynamic_cast<ZELLoginViewController*>(top()); }

    // A login screen pushed as the settings screen does: it tries the silent login itself.
    // Unsettled, the screen is shown but no answer has been served yet.
    std::shared_ptr<ZELLoginViewController> pushLogin(bool disableAutoLogin, bool settled = true) {
        auto screen = ZELLoginViewController::create();
        screen->setDisableAutoLogin(disableAutoLogin);
        screen->setCallbackTarget(m_called);
        screen->setCallbackSelector([this](const std::any& pack) {
            ++*m_called;
            m_pack = pack;
        });
        screen->setUserPack(std::string("pack"));
        if (settled)
            push(screen);
        else
            m_nav->pushViewController(screen, false);
        return screen;
    }

    bool idle(ZELLoginViewController& s) {
        return waitFor([&] { return !s.isWorking(); });
    }

    std::shared_ptr<int> m_called = std::make_shared<int>(0);
    std::any m_pack;
};

// The feedback screen's login part: no site session, the silent login finds
// nothing, the login screen comes, the password login asks a second factor,
// the site validates, and the deferred request goes through with the cookie.
TEST_F(LoginScreenTest, NoSessionGoesThroughTheLoginScreenAndASecondFactorToTheSite) {
    m_site->account().passportReply =
        "RetValue=0^$^DescMsg=ok^$^AuthenState=2^$^Challenge=7788^$^SessionID=S-100^$^SESSIONKEY=SK-100";
    auto answers = std::make_shared<CheckAnswers>();
    auto check = CheckLoginWithInfo::create();
    check->setResultDelegate(answers);
    check->checkIsLoginWithTarget(m_root, std::string("feedback"));
    ASSERT_TRUE(waitFor([&] { return m_site->account().count("/zel/config/obtain.shtm") > 0; }));
    ASSERT_TRUE(waitPaced([&] {
        return loginScreen() != nullptr;
    }));
    settle();
    auto* screen = loginScreen();
    EXPECT_TRUE(screen->disableAutoLogin());
    ASSERT_TRUE(idle(*screen));
    keepPicture("login");

    screen->txtTarvPt()->setText(StandinSite::kReaderName);
    screen->txtPassword()->setText(StandinSite::kReaderPassword);
    tapView(screen->btnLogin());
    EXPECT_TRUE(screen->isWorking());
    EXPECT_FALSE(screen->btnLogin()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return screen->lastAlert() && screen->lastAlert()->tag() == 1002; }));
    EXPECT_FALSE(screen->isWorking());
    EXPECT_EQ(screen->type(), 202u);
    auto prompt = screen->lastAlert();
    EXPECT_EQ(prompt->title(), "请根据挑战码7788输入密保");
    auto* field = dynamic_cast<ui::TextField*>(prompt->viewWithTag(ModalAlertDelegate::kFieldTag));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholder(), prompt->title());
    // The prompt moves clear of the keyboard and takes it, without holding the loop.
    run(ModalAlertDelegate::kMoveDelay + 0.3);
    EXPECT_EQ(prompt->center().x, 160);
    EXPECT_EQ(prompt->center().y, 180);
    EXPECT_TRUE(field->isFirstResponder());
    keepPicture("login_second_factor");

    field->setText("12345678");
    press(prompt, 1);
    EXPECT_TRUE(screen->isWorking());
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx") > 0; }));
    EXPECT_EQ(m_site->requests(Host::Interface, "/api/ZELLoginValidate.ashx")[0].param("sessionid"), "S-200");
    ASSERT_TRUE(waitPaced([&] {
        return !answers->results.empty();
    }));
    EXPECT_EQ(answers->results[0], std::make_pair(true, std::to_string(StandinSite::kReaderId)));
    settle();
    EXPECT_EQ(top(), m_root.get());
    EXPECT_EQ(LoginHelper::getUserNickName(), "读者1000001");

    // The feedback itself now carries the session, and the site answers its tip.
    auto form = RQFormDataRequest::requestWithURL(m_site->baseUrl(Host::Interface) + "/api/AddFeedback.ashx");
    form->addPostValue("好书[ios]", "cnt");
    form->addPostValue("42", "albumid");
    bool done = false;
    form->setCompletionBlock([&] { done = true; });
    form->setFailedBlock([&] { done = true; });
    form->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(form->responseString().value_or(""), R"({"msg":"感谢您的反馈，我们会尽快处理"})");
}

TEST_F(LoginScreenTest, InputAndServiceFailuresAreAlertsAndLeaveTheScreenIdle) {
    auto screen = pushLogin(true, false);
    // Before the kit's initialisation has answered (on a fast machine it
    // answers within one settling of the run loop).
    EXPECT_TRUE(screen->isWorking());
    settle();
    struct Case {
        const char *name, *pt, *password;
        std::string alert;
    };
    const std::vector<Case> early = {
        {"no name", "", "x", "请输入恒岳通行证"},
        {"no password", "reader", "", "请输入密码"},
        {"kit not ready", "reader", "x", "抱歉，未能初始化组件"},
    };
    ASSERT_TRUE(idle(*screen));
    ASSERT_TRUE(zelOpenAPI::shareZelOpenAPI().isInit());
    for (const auto& c : early) {
        SCOPED_TRACE(c.name);
        // As if the initialisation had not answered yet.
        zelOpenAPI::shareZelOpenAPI().setIsInit(std::string(c.name) != "kit not ready");
        screen->txtTarvPt()->setText(c.pt);
        screen->txtPassword()->setText(c.password);
        screen->login();
        ASSERT_TRUE(screen->lastAlert());
        EXPECT_EQ(screen->lastAlert()->message(), c.alert);
        EXPECT_EQ(screen->lastAlert()->title(), "");
        EXPECT_EQ(screen->lastAlert()->buttonTitleAtIndex(0), "知道了");
        press(screen->lastAlert(), 0);
    }
    zelOpenAPI::shareZelOpenAPI().setIsInit(true);
    // No silent attempt when it is switched off.
    EXPECT_EQ(m_site->account().count("/zel/passport/redirectex.shtm"), 0u);

    // The device has no SMS composer.
    screen->phoneLogin();
    EXPECT_EQ(screen->lastAlert()->message(), "当前设备可能无法发送短信！");
    EXPECT_FALSE(screen->isWorking());

    // The service refuses the password: its own words.
    screen->txtTarvPt()->setText(StandinSite::kReaderName);
    screen->txtPassword()->setText("wrong");
    screen->login();
    ASSERT_TRUE(idle(*screen));
    EXPECT_EQ(screen->lastAlert()->message(), "用户名或密码错误");
    EXPECT_TRUE(screen->btnRegist()->isEnabled());

    // The kit's answers, case by case.
    struct Answer {
        const char* name;
        bool success;
        int operation;
        core::Value record;
        std::string alert; // empty: no new alert
        std::string promptTitle;
    };
    const std::vector<Answer> answers = {
        {"unexpected operation", true, 999, core::Value(), "登录失败(code0)", ""},
        {"passport failure", false, ZelOpPassportLogin, core::Value(core::Value::Map{{"errorMsg", "账号被锁"}}),
         "账号被锁", ""},
        {"security card after automatic login", false, ZelOpAutoLogin,
         core::Value(core::Value::Map{{"errorCode", -10801030}, {"ECardPos", "B3"}}), "", "请依照安全卡输入B3"},
        {"four digits", true, ZelOpPassportLogin,
         core::Value(core::Value::Map{{"loginType", 201}, {"randomNum", "K9"}}), "", "请输入K9四位随机数字"},
        {"unknown login type", true, ZelOpPassportLogin, core::Value(core::Value::Map{{"loginType", 209}}), "", ""},
        {"failure of the token hand-back", false, ZelOpCallBack, core::Value(), "", ""},
        {"the token hand-back answered", true, ZelOpCallBack, core::Value(), "", ""},
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.name);
        auto before = screen->lastAlert();
        screen->setIsWorking(true);
        if (a.success)
            screen->onSuccess(a.operation, a.record);
        else
            screen->onFail(a.operation, a.record);
        EXPECT_FALSE(screen->isWorking());
        if (a.alert.empty() && a.promptTitle.empty()) {
            EXPECT_EQ(screen->lastAlert(), before);
            continue;
        }
        ASSERT_NE(screen->lastAlert(), before);
        EXPECT_EQ(screen->lastAlert()->title(), a.promptTitle);
        if (!a.alert.empty())
            EXPECT_EQ(screen->lastAlert()->message(), a.alert);
        // "取消" on a prompt sends nothing and leaves the screen idle.
        const size_t sent = m_site->account().count("/zel/passport/redirectex.shtm");
        press(screen->lastAlert(), 0);
        EXPECT_FALSE(screen->isWorking());
        EXPECT_EQ(m_site->account().count("/zel/passport/redirectex.shtm"), sent);
    }

    // An SMS login's answer: no session, code1; and a later validation failure.
    screen->mobileSendSMSLoginResult(0, "ok");
    EXPECT_TRUE(screen->isPhoneLogin());
    EXPECT_TRUE(screen->needCallback());
    EXPECT_EQ(screen->lastAlert()->message(), "抱歉，登录失败(code1)");
    EXPECT_FALSE(screen->isWorking());
    EXPECT_EQ(*m_called, 0);
}

TEST_F(LoginScreenTest, ValidationRepliesDecideTheLogin) {
    // The reader logs in once, so the kit holds a session id.
    auto screen = pushLogin(true);
    ASSERT_TRUE(idle(*screen));
    struct Case {
        const char* name;
        std::optional<standin::Reply> reply;
        std::string alert;
        bool loggedIn;
    };
    const std::vector<Case> cases = {
        {"unreadable", standin::Reply::text(200, "<html>busy</html>"), "抱歉，登录失败(code2)", false},
        {"refused", standin::Reply::json(R"({"vemoToken":""})"), "抱歉，登录失败(code2)", false},
        {"request failed", standin::Reply::drop("{}", 1), "抱歉，登录失败(code3)", false},
        {"accepted", std::nullopt, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.reply)
            m_site->script(Host::Interface, "/api/ZELLoginValidate.ashx", *c.reply, 3);
        auto before = screen->lastAlert();
        screen->txtTarvPt()->setText(StandinSite::kReaderName);
        screen->txtPassword()->setText(StandinSite::kReaderPassword);
        screen->login();
        ASSERT_TRUE(waitPaced([&] {
            return screen->lastAlert() != before || *m_called > 0;
        }));
        if (!c.loggedIn) {
            EXPECT_EQ(screen->lastAlert()->message(), c.alert);
            EXPECT_FALSE(screen->isWorking());
            press(screen->lastAlert(), 0);
            m_site->clearScripts();
        }
    }
    run(1);
    EXPECT_EQ(*m_called, 1);
    EXPECT_EQ(std::any_cast<std::string>(m_pack), "pack");
    EXPECT_EQ(top(), m_root.get());
    EXPECT_TRUE(LoginHelper::hasLogin());
}

// A login the site accepted keeps the screen busy until it leaves, whatever
// the kit says meanwhile about the token handed back to it.
TEST_F(LoginScreenTest, AnAcceptedLoginStaysBusyUntilTheScreenLeaves) {
    auto screen = pushLogin(true);
    ASSERT_TRUE(idle(*screen));
    // The kit logs in; the site refuses once, so the screen stays with the kit's session.
    m_site->script(Host::Interface, "/api/ZELLoginValidate.ashx", standin::Reply::json(R"({"vemoToken":""})"));
    screen->txtTarvPt()->setText(StandinSite::kReaderName);
    screen->txtPassword()->setText(StandinSite::kReaderPassword);
    screen->login();
    ASSERT_TRUE(waitPaced([&] { return screen->lastAlert() != nullptr; }));
    EXPECT_EQ(screen->lastAlert()->message(), "抱歉，登录失败(code2)");
    press(screen->lastAlert(), 0);

    // An automatic login to confirm; the site's answer has an empty token, so
    // the kit refuses the hand-back at once, while the answer is being read.
    m_site->script(Host::Interface, "/api/ZELLoginValidate.ashx",
                   standin::Reply::json(R"({"vemoToken":"v","UserInfo":"1|2|3","zelToken":"","zelResultCode":0})"));
    const auto alertBefore = screen->lastAlert();
    int reports = 0;
    auto observer = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_Report_R1", [&](const core::Notification&) { ++reports; });
    screen->onSuccess(ZelOpAutoLogin, core::Value(core::Value::Map{{"needValidate", true}}));
    EXPECT_TRUE(screen->needCallback());
    ASSERT_TRUE(waitFor([&] { return reports == 1; }));
    EXPECT_TRUE(screen->isWorking());
    EXPECT_FALSE(screen->btnLogin()->isEnabled());
    // Later words of the kit change nothing either.
    screen->onFail(ZelOpCallBack, core::Value());
    screen->onSuccess(999, core::Value());
    EXPECT_TRUE(screen->isWorking());
    EXPECT_EQ(screen->lastAlert(), alertBefore);
    EXPECT_EQ(*m_called, 0);
    run(ZELLoginViewController::kNavBackDelay + 0.1);
    EXPECT_EQ(*m_called, 1);
    EXPECT_EQ(top(), m_root.get());
}

// Registration on its own screen, the login that follows it at once, and the
// silent login that later finds the new account.
TEST_F(LoginScreenTest, RegistrationLogsTheNewAccountInThenTheSilentLoginFindsIt) {
    auto login = pushLogin(false);
    ASSERT_TRUE(idle(*login)); // nothing remembered: the silent attempt ends quietly
    EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx"), 0u);
    tapView(login->btnRegist());
    settle();
    auto* regist = dynamic_cast<RegistViewController*>(top());
    ASSERT_NE(regist, nullptr);
    EXPECT_EQ(regist->title(), "注册恒岳通行证");

    struct Case {
        const char *name, *pt, *password, *confirm;
        std::string alert;
    };
    const std::vector<Case> cases = {
        {"no name", "", "a", "a", "请输入恒岳通行证"},
        {"no password", "new", "", "a", "请输入密码"},
        {"no confirmation", "new", "a", "", "请再输入一遍密码"},
        {"letter case differs", "new", "Secret1", "secret1", "两次密码输入不一致，请核对"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        regist->txtTarvPt()->setText(c.pt);
        regist->txtPassword()->setText(c.password);
        regist->txtPasswordConfirm()->setText(c.confirm);
        regist->regist();
        ASSERT_TRUE(regist->lastAlert());
        EXPECT_EQ(regist->lastAlert()->message(), c.alert);
        press(regist->lastAlert(), 0);
        EXPECT_EQ(top(), regist);
    }
    EXPECT_EQ(m_site->account().count("/zel/username/register.shtm"), 0u);

    regist->txtTarvPt()->setText("xinshu");
    regist->check();
    ASSERT_TRUE(waitFor([&] { return !regist->isWorking(); }));
    EXPECT_EQ(regist->lastAlert()->message(), "该账号可以注册");
    press(regist->lastAlert(), 0);
    EXPECT_EQ(top(), regist);

    regist->txtPassword()->setText("Xin2024");
    regist->txtPasswordConfirm()->setText("Xin2024");
    regist->regist();
    ASSERT_TRUE(waitFor([&] { return regist->shouldCallback(); }));
    EXPECT_EQ(regist->lastAlert()->message(), "注册成功");
    EXPECT_TRUE(regist->isWorking());
    keepPicture("regist");
    press(regist->lastAlert(), 0);
    // Back on the login screen, which logs the new account in at once.
    ASSERT_EQ(top(), login.get());
    EXPECT_EQ(login->txtTarvPt()->text(), "xinshu");
    EXPECT_EQ(login->txtPassword()->text(), "Xin2024");
    EXPECT_TRUE(login->isWorking());
    settle();
    ASSERT_TRUE(waitPaced([&] {
        return *m_called > 0 || login->lastAlert();
    }));
    ASSERT_FALSE(login->lastAlert()) << login->lastAlert()->message();
    ASSERT_TRUE(waitPaced([&] {
        return *m_called > 0;
    }));
    const std::string nick = LoginHelper::getUserNickName();
    EXPECT_TRUE(nick.starts_with("读者")) << nick;
    EXPECT_NE(nick, "读者1000001");
    settle();

    // Later: the silent login logs the same new reader in again.
    LoginHelper::processLogout();
    auto outcome = std::make_shared<LoginOutcome>();
    auto silent = AutoLogin::create();
    silent->setDelegate(outcome);
    silent->login();
    ASSERT_TRUE(waitFor([&] { return !outcome->answers.empty(); }));
    EXPECT_EQ(outcome->answers, std::vector<bool>{true});
    EXPECT_EQ(LoginHelper::getUserNickName(), nick);
}

TEST_F(LoginScreenTest, ANameCheckBeforeTheKitIsReadyShowsItsMessage) {
    auto regist = RegistViewController::create();
    push(regist);
    EXPECT_EQ(zelOpenAPI::shareZelOpenAPI().delegate(), nullptr); // taken only at a request
    regist->txtTarvPt()->setText("xinshu");
    regist->check();
    ASSERT_TRUE(waitFor([&] { return !regist->isWorking(); }));
    ASSERT_TRUE(regist->lastAlert());
    EXPECT_FALSE(regist->lastAlert()->message().empty());
    EXPECT_NE(regist->lastAlert()->message(), "该账号可以注册");
    EXPECT_TRUE(regist->btnCheck()->isEnabled());
    EXPECT_TRUE(regist->btnRegist()->isEnabled());
    press(regist->lastAlert(), 0);
    EXPECT_EQ(top(), regist.get()); // nothing registered: the screen stays
}

// A leaving screen frees the kit's slot only while it still holds it.
TEST_F(LoginScreenTest, ALeavingScreenKeepsAnotherScreensKitSlot) {
    auto& kit = zelOpenAPI::shareZelOpenAPI();
    auto first = ZELLoginViewController::create();
    first->setDisableAutoLogin(true);
    push(first);
    // The kit's initialisation answers the screen, which takes no action on it.
    ASSERT_TRUE(waitFor([&] { return kit.isInit() && !first->isWorking(); }));
    auto holder = kit.delegate();
    ASSERT_TRUE(holder);
    auto other = std::make_shared<zelDelegate>();
    kit.setDelegate(other);
    m_nav->popViewControllerAnimated(false);
    settle();
    first.reset();
    EXPECT_EQ(kit.delegate(), other);
    kit.setDelegate(nullptr);

    auto second = ZELLoginViewController::create();
    second->setDisableAutoLogin(true);
    push(second);
    m_nav->popViewControllerAnimated(false);
    settle();
    second.reset();
    EXPECT_EQ(kit.delegate(), nullptr);
}

} // namespace
} // namespace pw::test
