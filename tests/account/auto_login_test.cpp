#include "site/SiteTest.h"

#include "account/AutoLogin.h"
#include "account/LoginHelper.h"
#include "fakeaccount/FakeAccountService.h"
#include "foundation/db/SettingTB.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/Log.h"
#include "platform/gfx/Image.h"
#include "platform/core/NotificationCenter.h"
#include "site/CheckLoginWithInfo.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::StandinSite;

struct Outcome : AutoLoginDelegate {
    std::vector<bool> answers;
    void loginIsSuccess(bool success) override { answers.push_back(success); }
};

// The silent login through the real account kit, against the stand-in's
// account service and site.
class AutoLoginTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        core::Log::setLevel(core::LogLevel::Silent);
        zelConfig::overrideMacAddress(std::string("0A1B2C3D4E5F"));
        zelOpenAPI::resetKit();
        m_login->setDelegate(m_outcome);
    }
    void TearDown() override {
        m_login.reset();
        zelOpenAPI::resetKit();
        zelConfig::clearMacOverride();
        core::Log::setLevel(core::LogLevel::Info);
        SiteTest::TearDown();
    }
    // A login on the account service with the kit, as the login screen makes it.
    bool passportLogin(const std::string& name, const std::string& password) {
        auto& kit = zelOpenAPI::shareZelOpenAPI();
        auto heard = std::make_shared<zelDelegate>();
        std::optional<bool> ok;
        heard->onSuccess = [&](int op, const core::Value& r) {
            if (op == ZelOpInit)
                kit.loginByPT(name, password);
            else
                ok = r["loginType"].asInt() == 200;
        };
        heard->onFail = [&](int, const core::Value&) { ok = false; };
        kit.setAppId(10);
        kit.setAreaId(33);
        kit.setDelegate(heard);
        if (kit.isInit())
            kit.loginByPT(name, password);
        else
            kit.zelInit();
        EXPECT_TRUE(waitFor([&] { return ok.has_value(); }));
        kit.cancel();
        return ok.value_or(false);
    }

    bool logInAgainForTheCheck() {
        m_login->login();
        return waitFor([&] { return m_outcome->answers.size() == 3; }) && m_outcome->answers.back();
    }

    // The user id the site's login check answers with its session cookie.
    std::string siteUserId() {
        struct Recorder : CheckLoginWithInfoDelegate {
            std::vector<std::string> ids;
            void checkLoginWithInfoResult(bool, const std::string& id, const std::any&) override {
                ids.push_back(id);
            }
        };
        auto recorder = std::make_shared<Recorder>();
        auto check = CheckLoginWithInfo::create();
        check->setResultDelegate(recorder);
        check->checkIsLoginWithTarget({}, {});
        EXPECT_TRUE(waitFor([&] { return !recorder->ids.empty(); }));
        return recorder->ids.empty() ? std::string() : recorder->ids[0];
    }

    void runLoopBriefly() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
        waitFor([&] { return std::chrono::steady_clock::now() > until; });
    }

    std::shared_ptr<AutoLogin> m_login = AutoLogin::create();
    std::shared_ptr<Outcome> m_outcome = std::make_shared<Outcome>();
};

TEST_F(AutoLoginTest, NothingRememberedAnswersNo) {
    m_login->login();
    ASSERT_TRUE(waitFor([&] { return !m_outcome->answers.empty(); }));
    EXPECT_EQ(m_outcome->answers, std::vector<bool>{false});
    EXPECT_GE(m_site->account().count("/zel/config/obtain.shtm"), 1u);
    EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx"), 0u);
}

TEST_F(AutoLoginTest, TheReaderIsLoggedInAgainSilentlyAndValidatedWithTheSite) {
    EXPECT_FALSE(passportLogin(StandinSite::kReaderName, "wrong password"));
    ASSERT_TRUE(passportLogin(StandinSite::kReaderName, StandinSite::kReaderPassword));
    EXPECT_FALSE(LoginHelper::hasLogin());
    EXPECT_EQ(LoginHelper::getUserNickName(), "");

    int reports = 0;
    auto observer = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_Report_R1", [&](const core::Notification&) { ++reports; });
    m_login->login();
    ASSERT_TRUE(waitFor([&] { return !m_outcome->answers.empty(); }));
    EXPECT_EQ(m_outcome->answers, std::vector<bool>{true});
    EXPECT_EQ(reports, 1);
    // A late word from the kit does not answer the finished run again.
    m_login->onFail(ZelOpCallBack, core::Value());
    EXPECT_EQ(m_outcome->answers, std::vector<bool>{true});

    // The avatar arrives in the background, in the file the settings name.
    const auto avatar = LoginHelper::userImageFile("head1000001");
    ASSERT_TRUE(avatar);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(*avatar); }));
    EXPECT_TRUE(LoginHelper::getUserImage());
    EXPECT_TRUE(LoginHelper::hasLogin());
    EXPECT_EQ(LoginHelper::getUserNickName(), "读者1000001");

    // A new run answers again, and the avatar present is not fetched again.
    m_site->clearRequests();
    m_login->login();
    ASSERT_TRUE(waitFor([&] { return m_outcome->answers.size() == 2; }));
    EXPECT_EQ(m_outcome->answers, (std::vector<bool>{true, true}));
    EXPECT_EQ(m_site->count(Host::Interface, "/api/GetHeadImage.ashx"), 0u);
    auto validations = m_site->requests(Host::Interface, "/api/ZELLoginValidate.ashx");
    ASSERT_EQ(validations.size(), 1u);
    EXPECT_EQ(validations[0].param("sessionid"), "S-300");
    EXPECT_EQ(validations[0].param("areaId"), "33");
    EXPECT_EQ(SettingTB::readSettingWithKey("vemoToken"), "vt-1000001");
    EXPECT_EQ(SettingTB::readSettingWithKey("user_nickName"), "读者1000001");
    EXPECT_EQ(SettingTB::readSettingWithKey("user_imageCode"), "head1000001");

    LoginHelper::processLogout();
    EXPECT_FALSE(LoginHelper::hasLogin());
    EXPECT_FALSE(std::filesystem::exists(*avatar));
    EXPECT_EQ(SettingTB::readSettingWithKey("vemoToken"), "vt-1000001");
    ASSERT_TRUE(logInAgainForTheCheck());

    // The site now knows the reader.
    EXPECT_EQ(siteUserId(), "1000001");
    // The fetch the new login started in the background is done before the home goes.
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(*avatar); }));

    // The avatar's address, on the image host, serves a picture.
    auto address =
        fetch(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/GetHeadImage.ashx?imageid=head1000001")
            ->responseString()
            .value_or("");
    EXPECT_TRUE(address.starts_with(m_site->baseUrl(Host::Image))) << address;
    auto image = fetch(address)->responseData().value_or("");
    EXPECT_TRUE(
        gfx::Image::fromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(image.data()), image.size())));
}

// The main screen's login at launch has no delegate: it still keeps the
// profile, the token and the site's session, and reports once.
TEST_F(AutoLoginTest, ALaunchLoginWithoutDelegateKeepsTheSessionAndReports) {
    ASSERT_TRUE(passportLogin(StandinSite::kReaderName, StandinSite::kReaderPassword));
    int reports = 0;
    auto observer = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_Report_R1", [&](const core::Notification&) { ++reports; });
    auto launch = AutoLogin::create();
    launch->login();
    ASSERT_TRUE(waitFor([&] { return reports == 1; }));
    EXPECT_EQ(SettingTB::readSettingWithKey("vemoToken"), "vt-1000001");
    EXPECT_EQ(LoginHelper::getUserNickName(), "读者1000001");
    const auto avatar = LoginHelper::userImageFile("head1000001");
    ASSERT_TRUE(avatar);
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(*avatar); }));
    // The check finds the session cookie: it needs no login of its own.
    EXPECT_EQ(siteUserId(), "1000001");
    EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx"), 1u);
    runLoopBriefly();
    EXPECT_EQ(reports, 1);
}

// The validation answer as the site may send it, read by the shared helper.
TEST_F(AutoLoginTest, TheValidationAnswerIsReadCaseByCase) {
    struct Case {
        const char* name;
        std::string body;
        bool ok;
        std::optional<std::string> vemoToken, nickName, imageCode;
        bool calledBack;
        int code;
        std::optional<std::string> token; // the record's token, nullopt: no record
    };
    const std::string full =
        R"({"vemoToken":"vt","UserInfo":"1|a|2|3|4|小明|6|7|img9|9","zelToken":"zt","zelResultCode":5})";
    const std::vector<Case> cases = {
        {"unreadable", "\xff\xff\xfe{", false, "old", "old", "old", false, 0, {}},
        {"empty", "", false, "old", "old", "old", false, 0, {}},
        {"not json", "<html>busy</html>", false, "old", "old", "old", false, 0, {}},
        {"no UserInfo", R"({"vemoToken":"vt2","zelResultCode":-1})", false, "vt2", "old", "old", false, 0, {}},
        {"no token at all", R"({"UserInfo":"1|2|3"})", true, std::nullopt, "old", "old", true, -1, {}},
        {"short UserInfo", R"({"vemoToken":"vt3","UserInfo":"1|2|3","zelToken":"zt3","zelResultCode":0})", true, "vt3",
         "old", "old", true, 0, "zt3"},
        {"full UserInfo", full, true, "vt", "小明", "img9", true, 5, "zt"},
        {"code written as text", R"({"UserInfo":"1|2","zelToken":"zt4","zelResultCode":"12"})", true, std::nullopt,
         "old", "old", true, 12, "zt4"},
        {"empty zelToken",
         R"({"vemoToken":"v","UserInfo":"1|a|2|3|4|n|6|7|c|9","zelToken":""})",
         true,
         "v",
         "n",
         "c",
         true,
         -1,
         {}},
        {"control characters",
         "{\"vemoToken\":\"v\x01\",\"UserInfo\":\"1|2\",\"zelResultCode\":7}",
         true,
         "v\xEF\xBF\xBD",
         "old",
         "old",
         true,
         7,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* key : {"vemoToken", "user_nickName", "user_imageCode"})
            SettingTB::saveSettingWithKey(key, "old");
        m_site->script(Host::Interface, "/api/ZELLoginValidate.ashx", standin::Reply::text(200, c.body));
        auto request = fetch(m_site->baseUrl(Host::Interface) + "/api/ZELLoginValidate.ashx?sessionid=x");
        bool calledBack = false;
        std::pair<int, core::Value> sent;
        const bool ok =
            LoginHelper::processLoginReturnData(*request, [&](const core::Value& token, const core::Value& code) {
                calledBack = true;
                sent = AutoLogin::callBackArguments(token, code);
            });
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(SettingTB::readSettingWithKey("vemoToken"), c.vemoToken);
        EXPECT_EQ(SettingTB::readSettingWithKey("user_nickName"), c.nickName);
        EXPECT_EQ(SettingTB::readSettingWithKey("user_imageCode"), c.imageCode);
        EXPECT_EQ(calledBack, c.calledBack);
        if (!calledBack)
            continue;
        EXPECT_EQ(sent.first, c.code);
        if (c.token) {
            EXPECT_EQ(sent.second["type"].asString(), "1");
            EXPECT_EQ(sent.second["token"].asString(), c.token);
        } else {
            EXPECT_TRUE(sent.second.isNull());
        }
    }
    // The avatar of the full answer is fetched in the background.
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(*LoginHelper::userImageFile("img9")); }));
}

// The avatar's code goes escaped into the query, never names a file outside
// the avatar folder, and only a web address is fetched.
TEST_F(AutoLoginTest, TheAvatarFetchIsGuarded) {
    for (const char* code : {"../main/main", "a/b", "..", ""})
        EXPECT_FALSE(LoginHelper::userImageFile(code)) << code;

    EXPECT_FALSE(LoginHelper::getUserImageUrl("../evil"));
    EXPECT_EQ(m_site->count(Host::Interface, "/api/GetHeadImage.ashx"), 0u);

    EXPECT_FALSE(LoginHelper::getUserImageUrl("a b&c=d"));
    auto asked = m_site->requests(Host::Interface, "/api/GetHeadImage.ashx");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].param("imageid"), "a b&c=d");

    for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/x.jpg", ""}) {
        m_site->clearRequests();
        m_site->script(Host::Interface, "/api/GetHeadImage.ashx", standin::Reply::text(200, address));
        EXPECT_FALSE(LoginHelper::getUserImageUrl("head1000001")) << address;
        EXPECT_EQ(m_site->requests().size(), 1u) << address;
    }
    // Bytes that are no picture are not kept.
    m_site->script(Host::Interface, "/api/GetHeadImage.ashx",
                   standin::Reply::text(200, m_site->baseUrl(Host::Interface) + "/api/GetHeadImage.ashx"));
    EXPECT_FALSE(LoginHelper::getUserImageUrl("head1000001"));
    EXPECT_FALSE(std::filesystem::exists(*LoginHelper::userImageFile("head1000001")));

    EXPECT_TRUE(LoginHelper::getUserImageUrl("head1000001"));
    EXPECT_TRUE(std::filesystem::exists(*LoginHelper::userImageFile("head1000001")));
}

// A silent login whose kit answers the test gives by hand.
class HandAnsweredLogin : public AutoLogin {
public:
    static std::shared_ptr<HandAnsweredLogin> make() {
        return std::shared_ptr<HandAnsweredLogin>(new HandAnsweredLogin());
    }
    void start() { beginRun(); }
};

TEST_F(AutoLoginTest, AConfirmationAskedForOnceIsSentOnEveryLaterRun) {
    auto outcome = std::make_shared<Outcome>();
    auto login = HandAnsweredLogin::make();
    login->setDelegate(outcome);
    login->start();
    login->onSuccess(ZelOpAutoLogin, core::Value(core::Value::Map{{"needValidate", true}}));
    ASSERT_TRUE(login->needCallback());
    login->start(); // the next run's kit asks for nothing
    login->onSuccess(ZelOpAutoLogin, core::Value(core::Value::Map{}));
    EXPECT_TRUE(login->needCallback());
}

TEST_F(AutoLoginTest, AnswersByKitOperationAndResult) {
    ASSERT_TRUE(passportLogin(StandinSite::kReaderName, StandinSite::kReaderPassword)); // the kit holds S-100
    using Map = core::Value::Map;
    struct Case {
        const char* name;
        bool success;
        int operation;
        core::Value record;
        bool answer, validated, needCallback;
    };
    const std::vector<Case> cases = {
        {"automatic login to confirm", true, ZelOpAutoLogin, core::Value(Map{{"needValidate", true}}), true, true,
         true},
        {"automatic login", true, ZelOpAutoLogin, core::Value(Map{}), true, true, false},
        {"passport login", true, ZelOpPassportLogin, core::Value(Map{{"loginType", 200}}), true, true, false},
        {"second factor asked", true, ZelOpPassportLogin, core::Value(Map{{"loginType", 202}}), false, false, false},
        {"passport login, type as text", true, ZelOpPassportLogin, core::Value(Map{{"loginType", "200"}}), true, true,
         false},
        {"second factor given", true, ZelOpSecondFactor, core::Value(Map{}), true, true, false},
        {"token hand-back", true, ZelOpCallBack, core::Value(Map{}), false, false, false},
        {"automatic login failed", false, ZelOpAutoLogin, core::Value(Map{{"errorCode", -1}}), false, false, false},
        {"initialisation failed", false, ZelOpInit, core::Value(Map{}), false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_site->clearRequests();
        auto outcome = std::make_shared<Outcome>();
        auto login = HandAnsweredLogin::make();
        login->setDelegate(outcome);
        login->start();
        if (c.success)
            login->onSuccess(c.operation, c.record);
        else
            login->onFail(c.operation, c.record);
        ASSERT_TRUE(waitFor([&] { return !outcome->answers.empty(); }));
        EXPECT_EQ(outcome->answers, std::vector<bool>{c.answer});
        EXPECT_EQ(m_site->count(Host::Interface, "/api/ZELLoginValidate.ashx") == 1, c.validated);
        EXPECT_EQ(login->needCallback(), c.needCallback);
        // Later words of the kit answer nothing more.
        login->onFail(ZelOpCallBack, core::Value());
        login->onSuccess(ZelOpAutoLogin, core::Value(Map{}));
        runLoopBriefly();
        EXPECT_EQ(outcome->answers.size(), 1u);
    }
}

} // namespace
} // namespace pw::test
