#include "KitFlows.h"

#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zel_two.h"
#include "loginsdk/ZelAnswer.h"
#include "platform/device/Providers.h"

#include <atomic>
#include <thread>

namespace pw::test {
namespace {

TEST_F(KitFlows, InitialisationFetchesConfigurationThenGuid) {
    initialise();
    EXPECT_TRUE(api().isInit());
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("guid"), "guid-0001");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("key"), "k3y-0001");
    GlobalValues run = GlobalConstants::sharedInstance().values();
    EXPECT_EQ(run.timoutExLogin, 90u);
    EXPECT_EQ(run.remainExLogin, -1);
    EXPECT_EQ(api().getSSN(), "10658000");
    EXPECT_EQ(api().getCountListStr(), "86,852");
    auto config = m_service.requests("config/obtain.shtm");
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0].params["configVersion"], "2.3.0");
    EXPECT_EQ(config[0].params["appId"], "10");
    EXPECT_EQ(m_service.requests("guid.shtm").at(0).params["imsi"], kTestMac);
    EXPECT_FALSE(api().zelInit()); // already initialised
}

// A configuration answer that does not parse, or has no "Result", reads as
// "Result" 0: the kit stores its defaults, counts as initialised and goes on
// to the guid fetch. A guid answer without "Result" is a success too.
TEST_F(KitFlows, ConfigurationAnswerWithoutResultInitialisesOnDefaults) {
    for (const char* answer : {"<html>maintenance</html>", R"({"resultMsg":"no result here"})"}) {
        SCOPED_TRACE(answer);
        zelOpenAPI::resetKit();
        GlobalConstants::sharedInstance().update([](GlobalValues& v) {
            v.timoutExLogin = 5;
            v.isStrongLogin = false;
            v.isFastCallBack = true;
            v.remainExLogin = 7;
        });
        api().setDelegate(m_delegate);
        m_heard.clear();
        m_service.configAnswer = answer;
        m_service.guidAnswer = R"({"guid":"guid-no-result","key":"k3y-no-result","ssnlist":"10658999"})";
        const size_t guidFetches = m_service.count("guid.shtm");
        ASSERT_TRUE(api().zelInit());
        ASSERT_TRUE(heardCount(1));
        EXPECT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
        EXPECT_EQ(m_heard[0].code, ZelOpInit);
        EXPECT_TRUE(api().isInit());
        EXPECT_EQ(m_service.count("guid.shtm"), guidFetches + 1);
        GlobalValues run = GlobalConstants::sharedInstance().values();
        EXPECT_EQ(run.timoutExLogin, 60u);
        EXPECT_TRUE(run.isStrongLogin);
        EXPECT_FALSE(run.isFastCallBack);
        EXPECT_EQ(run.remainExLogin, -1);
        EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("guid"), "guid-no-result");
        EXPECT_EQ(api().getSSN(), "10658999");
    }

    // A non-zero "Result" still fails the initialisation, and the guid
    // answer's own non-zero "Result" fails it after the fetch.
    struct Case {
        const char* config;
        const char* guid;
        int code;
    };
    for (const Case& c : {Case{R"({"Result":3,"resultMsg":"closed"})", "", 3},
                          Case{R"({"Result":0})", R"({"Result":2,"guid":"x"})", zel::UnknownError}}) {
        zelOpenAPI::resetKit();
        api().setDelegate(m_delegate);
        m_heard.clear();
        m_service.configAnswer = c.config;
        m_service.guidAnswer = c.guid;
        ASSERT_TRUE(api().zelInit());
        ASSERT_TRUE(heardCount(1));
        EXPECT_EQ(m_heard[0].what, "fail") << c.config;
        EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), c.code) << c.config;
    }
}

TEST_F(KitFlows, NotInitialisedAnswers) {
    EXPECT_TRUE(api().autoLogin());
    api().loginWithKey("1234", 201);
    EXPECT_TRUE(api().mobileSendSMSLogin(true));
    EXPECT_EQ(api().getSessionId(), "");
    ASSERT_EQ(m_heard.size(), 3u);
    EXPECT_EQ(m_heard[0].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[1].code, ZelOpPassportLogin); // the second factor answers as the passport login
    EXPECT_EQ(m_heard[2].what, "smsSend");
    EXPECT_EQ(m_heard[2].code, zel::NotInitialised);
    EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), "SDK没有初始化");
}

TEST_F(KitFlows, PassportLoginWithoutSecondFactor) {
    initialise();
    api().loginByPT("reader&one", "p@ss=word+/");
    ASSERT_TRUE(heardCount(1));
    ASSERT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
    EXPECT_EQ(m_heard[0].code, ZelOpPassportLogin);
    EXPECT_EQ(m_heard[0].result["loginType"].asInt(), 200);

    auto steps = m_service.requests("redirectex.shtm");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].params["requestcode"], "204");
    EXPECT_EQ(steps[1].params["GUID"], "pt-guid-01");
    EXPECT_EQ(m_service.decryptPassportField(steps[1].params["Account"]), "reader&one");
    EXPECT_EQ(m_service.decryptPassportField(steps[1].params["Pwd"]), "p@ss=word+/");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "SK-100");
    EXPECT_EQ(zelConfig::shareZelConfig().getPtAccount(), "reader&one");
    EXPECT_EQ(api().getSessionId(), "S-100");
    pump([&] { return !zel_two::shareZelTwo().busy(); });
    EXPECT_FALSE(zel_two::shareZelTwo().busy());
}

TEST_F(KitFlows, PassportLoginWithSecondFactor) {
    m_service.passportReply =
        "RetValue=0^$^DescMsg=need more^$^AuthenState=1^$^SessionID=S-150^$^SESSIONKEY=SK-150^$^RandomNum=7";
    initialise();
    api().loginByPT("reader", "secret");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].result["loginType"].asInt(), 201);
    EXPECT_EQ(m_heard[0].result["randomNum"].asString(), "7");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "");
    m_heard.clear();

    // Answers that fail the local check are never sent.
    struct Bad {
        const char* answer;
        int type;
        int code;
    };
    for (const Bad& b : {Bad{"0123", 201, zel::InvalidSecret}, Bad{"12345", 201, zel::InvalidSecret},
                         Bad{"1234567", 202, zel::InvalidSecret}, Bad{"12|100|3", 203, zel::InvalidCardPassword},
                         Bad{"12|5", 203, zel::InvalidCardPassword}}) {
        api().loginWithKey(b.answer, b.type);
        ASSERT_FALSE(m_heard.empty());
        EXPECT_EQ(m_heard.back().code, ZelOpSecondFactor);
        EXPECT_EQ(m_heard.back().result["errorCode"].asInt(), b.code) << b.answer;
    }
    EXPECT_EQ(m_service.count("redirectex.shtm"), 2u);
    m_heard.clear();

    api().loginWithKey("1234", 201);
    ASSERT_TRUE(heardCount(1));
    ASSERT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
    EXPECT_EQ(m_heard[0].code, ZelOpSecondFactor);
    auto steps = m_service.requests("redirectex.shtm");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[2].params["RequestCode"], "202");
    EXPECT_EQ(steps[2].params["SessionKey"], "SK-150");
    EXPECT_EQ(m_service.decryptPassportField(steps[2].params["EKeyPwd"]), "1234");
    EXPECT_EQ(m_service.decryptPassportField(steps[2].params["Account"]), "reader");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "SK-150");
    EXPECT_EQ(api().getSessionId(), "S-200");
    EXPECT_EQ(zelConfig::shareZelConfig().getPtAccount(), "reader");
}

TEST_F(KitFlows, AutomaticLoginWithTheStoredSessionKey) {
    initialise();
    EXPECT_FALSE(api().autoLogin()); // nothing stored yet: no callback either
    EXPECT_TRUE(m_heard.empty());
    PersistentUtil::sharedInstance().setValue("SK-9", "SESSIONKEY");
    ASSERT_TRUE(api().autoLogin());
    ASSERT_TRUE(heardCount(1));
    ASSERT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
    EXPECT_EQ(m_heard[0].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), "welcome back");
    auto steps = m_service.requests("redirectex.shtm");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].params["RequestCode"], "205");
    EXPECT_EQ(steps[1].params["SessionKey"], "SK-9");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "SK-300");
    EXPECT_EQ(api().getSessionId(), "S-300");
}

TEST_F(KitFlows, AutomaticLoginWithStoredPhoneAndToken) {
    initialise();
    zelConfig::shareZelConfig().setPhoneNo("13800138000");
    zelConfig::shareZelConfig().setToken("tk");
    ASSERT_TRUE(api().autoLogin());
    ASSERT_EQ(m_heard.size(), 1u); // at once, no request
    EXPECT_EQ(m_heard[0].result["needValidate"].asBool(), true);
    EXPECT_EQ(m_service.count("redirectex.shtm"), 0u);
    EXPECT_FALSE(api().getSessionId().empty());
}

TEST_F(KitFlows, TokenHandBack) {
    initialise();
    std::string key = PersistentUtil::sharedInstance().stringForKey("key");
    api().callBack(0, core::Value(core::Value::Map{
                          {"type", "0"}, {"token", m_service.encryptForDevice("0000TOKEN|13900000000") + "|tail"}}));
    EXPECT_EQ(zelConfig::shareZelConfig().getToken(), "TOKEN");
    EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "13900000000");
    api().callBack(
        0, core::Value(core::Value::Map{{"type", "1"}, {"token", m_service.encryptForDevice("0000T2|s12345")}}));
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("tarvId"), "s12345");
    EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "13900000000");
    api().callBack(0, core::Value(core::Value::Map{{"type", "1"}, {"token", "garbage"}}));
    EXPECT_EQ(zelConfig::shareZelConfig().getToken(), "T2"); // unreadable: unchanged
    api().callBack(0, core::Value(core::Value::Map{{"type", "1"}}));
    ASSERT_EQ(m_heard.size(), 1u);
    EXPECT_EQ(m_heard[0].code, ZelOpCallBack);
    EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), "argument token not exist ");
}

TEST_F(KitFlows, UserNameCheckAndRegistration) {
    initialise();
    api().userNameExists("a&b=c");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "success");
    EXPECT_EQ(m_heard[0].code, ZelOpUserNameCheck);
    EXPECT_EQ(m_service.requests("existence.shtm").at(0).params["username"], "a&b=c");

    m_service.nameTaken = true;
    api().userNameExists("taken");
    ASSERT_TRUE(heardCount(2));
    EXPECT_EQ(m_heard[1].what, "fail");
    EXPECT_EQ(m_heard[1].result["errorCode"].asInt(), zel::UserNameExists);

    api().userNameRegister("abc", "pass");
    ASSERT_TRUE(heardCount(3));
    EXPECT_EQ(m_heard[2].what, "success");
    EXPECT_EQ(m_heard[2].code, ZelOpRegister);
    auto reg = m_service.requests("register.shtm").at(0);
    EXPECT_EQ(m_service.decryptDeviceField(reg.params["username"]), "0003abc");
    EXPECT_EQ(m_service.decryptDeviceField(reg.params["password"]), "0004pass");
    EXPECT_EQ(reg.params["guid"], "guid-0001");
}

TEST_F(KitFlows, AnUnreachableServiceEndsTheNameCheckSilentlyAndThePassportLoginWithAFailure) {
    initialise();
    SiteHosts::set(SiteHosts::Service::Account, "http://127.0.0.1:1");
    zelConfig::resetShared();
    api().userNameExists("nobody");
    ASSERT_TRUE(zel_two::shareZelTwo().busy());
    ASSERT_TRUE(pump([] { return !zel_two::shareZelTwo().busy(); })); // ended, and the engine takes the next
    api().loginByPT("nobody", "secret");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "fail");
    EXPECT_EQ(m_heard[0].code, ZelOpPassportLogin);
    EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), zel::GuidFailed);
}

class SentComposer : public device::SmsComposer {
public:
    bool canSendText() const override { return true; }
    void compose(const std::vector<std::string>& to, const std::string& text,
                 std::function<void(Result)> done) override {
        recipients = to;
        body = text;
        done(Sent);
    }
    std::vector<std::string> recipients;
    std::string body;
};

class SmsPoll : public KitFlows {
protected:
    void SetUp() override {
        KitFlows::SetUp();
        m_composer = std::make_shared<SentComposer>();
        device::SmsComposer::install(m_composer);
        zel_two::shareZelTwo().setSleeper([this](double s) { m_slept += s; });
    }
    void TearDown() override {
        device::SmsComposer::install(nullptr);
        KitFlows::TearDown();
    }
    std::shared_ptr<SentComposer> m_composer;
    std::atomic<double> m_slept{0};
};

TEST_F(SmsPoll, Outcomes) {
    struct Case {
        std::vector<std::string> answers;
        size_t attempts;
        int code;
    };
    initialise();
    std::string ok = R"({"resultCode":0,"resultMsg":"ok","sessionId":")" + m_service.encryptForDevice("SESS") +
                     R"(","token":")" + m_service.encryptForDevice("TOK") + R"(","phoneNo":")" +
                     m_service.encryptForDevice("13700000000") + "\"}";
    const Case cases[] = {
        {{ok}, 1, 0},
        {{R"({"resultCode":5})", "not json", R"({"resultCode":-10256303})"}, 3, zel::NeedVerificationCode},
        {{}, 10, zel::LoginTimeout},
    };
    size_t before = 0;
    for (const auto& c : cases) {
        m_heard.clear();
        m_slept = 0;
        m_service.pollAnswers.assign(c.answers.begin(), c.answers.end());
        ASSERT_TRUE(api().mobileSendSMSLogin(true));
        ASSERT_TRUE(heardCount(1));
        EXPECT_EQ(m_heard[0].what, "smsSend");
        EXPECT_EQ(m_heard[0].code, c.code);
        size_t polls = m_service.count("verifyClientEx.shtm");
        EXPECT_EQ(polls - before, c.attempts);
        EXPECT_DOUBLE_EQ(m_slept, 2.0 * c.attempts);
        before = polls;
        if (c.code == 0) {
            EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "13700000000");
            EXPECT_EQ(zelConfig::shareZelConfig().getToken(), "TOK");
            EXPECT_EQ(zelConfig::shareZelConfig().getSessionId(), "SESS");
        } else {
            EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "");
            EXPECT_EQ(zelConfig::shareZelConfig().getToken(), "");
        }
    }
    EXPECT_EQ(m_composer->recipients, std::vector<std::string>{"10658000"});
    EXPECT_EQ(m_composer->body.substr(0, 4), "ZESL");
    EXPECT_EQ(m_composer->body.substr(m_composer->body.size() - 8), "-0-10-33");
    auto poll = m_service.requests("verifyClientEx.shtm").back(); // the last SMS composed
    EXPECT_EQ(poll.params["uuid"], m_composer->body.substr(4, 32));
}

TEST_F(SmsPoll, ASecondSentSmsWhileAPollRunsStartsASecondPoll) {
    initialise();
    // The polls hold before their first attempt until both SMS are sent.
    std::atomic<bool> released{false};
    zel_two::shareZelTwo().setSleeper([&](double) {
        while (!released)
            std::this_thread::yield();
    });
    ASSERT_TRUE(api().mobileSendSMSLogin(true));
    ASSERT_TRUE(api().mobileSendSMSLogin(true));
    released = true;
    ASSERT_TRUE(heardCount(2));
    for (const Heard& h : m_heard) {
        EXPECT_EQ(h.what, "smsSend");
        EXPECT_EQ(h.code, zel::LoginTimeout);
    }
    EXPECT_EQ(m_service.count("verifyClientEx.shtm"), 20u);
}

TEST_F(KitFlows, StatisticsUploadCarriesEveryLineOnce) {
    initialise();
    LogUtil& stats = LogUtil::sharedInstance();
    for (int i = 0; i < 12; ++i) {
        stats.startCollectWithEventId(20);
        stats.setCollectAttr(core::Value(core::Value::Map{{"actionId", 120}, {"statusCode", -i}, {"eventSign", 20}}),
                             20);
        stats.endCollectionWithEventId(20);
    }
    stats.endCollectionWithEventId(99); // never opened: no line
    size_t pending = stats.pendingLines().size();
    ASSERT_GE(pending, 13u); // the start-up line and twelve records
    ASSERT_GT(stats.currentBatch().size(), 1024u);
    stats.flush();
    ASSERT_TRUE(pump([&] { return !stats.isUploading(); }));
    auto batches = m_service.statisticsBatches();
    ASSERT_EQ(batches.size(), 1u);
    const std::string& batch = batches[0];
    EXPECT_EQ(batch.rfind("{\"27\":{\"29\":\"0A1B2C3D4E5F\"", 0), 0u) << batch.substr(0, 80);
    EXPECT_NE(batch.find("\"12\":[{\"3\":\"12\",\"21\":1,\"66\":"), std::string::npos);
    EXPECT_NE(batch.find("\"20\":\"10|"), std::string::npos); // the start-up line
    for (int i = 0; i < 12; ++i)
        EXPECT_NE(batch.find("|10|2|120|"), std::string::npos);
    EXPECT_NE(batch.find("|-11|"), std::string::npos);
    EXPECT_TRUE(stats.pendingLines().empty());
}

} // namespace
} // namespace pw::test

namespace pw::test {
namespace {

TEST_F(KitFlows, DownstreamSmsOpensTheWindowWhateverTheServicesCode) {
    initialise();
    api().mobileReceiveSMSLogin("138 0013&8000");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "smsReceive");
    EXPECT_EQ(m_heard[0].code, 0);
    EXPECT_EQ(m_heard[0].text, "sent");
    EXPECT_EQ(zel_two::shareZelTwo().phoneNumber(), "138 0013&8000");
    auto sms = m_service.requests("receiveVerificationSms.shtm").at(0);
    EXPECT_EQ(sms.params["phone"], "138 0013&8000");
    EXPECT_EQ(sms.params["msg"].substr(0, 4), "ZESL");
    EXPECT_EQ(sms.params["msg"].substr(sms.params["msg"].size() - 8), "-1-10-33");
    EXPECT_EQ(api().canExLogin(), 90);

    struct Case {
        const char* answer;
        int code;
        const char* text;
        int window; // canExLogin right after the answer
    };
    const Case cases[] = {
        {R"({"Result":0,"resultCode":-5,"resultMsg":"too often"})", -5, "too often", 90},
        {R"({"resultMsg":"no codes"})", 0, "no codes", 90}, // missing keys read as 0
        {R"({"Result":1,"resultCode":0})", zel::UnknownError, "", 0},
        {"not json", zel::UnknownError, "", 0},
    };
    for (const Case& c : cases) {
        pump([&] { return !zel_two::shareZelTwo().busy(); });
        GlobalConstants::sharedInstance().stopProcess();
        m_heard.clear();
        m_service.smsAnswer = c.answer;
        api().mobileReceiveSMSLogin("13800138000");
        ASSERT_TRUE(heardCount(1)) << c.answer;
        EXPECT_EQ(m_heard[0].code, c.code) << c.answer;
        EXPECT_EQ(m_heard[0].text, c.text) << c.answer;
        EXPECT_EQ(api().canExLogin(), c.window) << c.answer;
    }
    GlobalConstants::sharedInstance().stopProcess();
}

TEST_F(KitFlows, ValidationHandsOnTheAnswerOrTheFailure) {
    initialise();
    EXPECT_FALSE(api().validate(""));
    EXPECT_TRUE(api().validate("a+b/c="));
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "validate");
    EXPECT_FALSE(m_heard[0].text.empty());
}

} // namespace
} // namespace pw::test

namespace pw::test {
namespace {

TEST_F(KitFlows, AnHttpsServiceAddressIsSpokenToOverTls) {
    initialise();
    // The fake speaks plain HTTP only: over TLS the handshake fails, so the
    // request never reaches it in the clear.
    std::string plain = m_service.baseUrl();
    SiteHosts::set(SiteHosts::Service::Account, "https" + plain.substr(4));
    zelConfig::resetShared();
    api().loginByPT("reader", "secret");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), zel::GuidFailed);
    EXPECT_EQ(m_service.count("redirectex.shtm"), 0u);
}

// The engine's older variants run on a thread of the caller's and answer on
// the main thread.
class OlderVariants : public KitFlows {
protected:
    void inBackground(const std::function<void()>& work) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        EXPECT_TRUE(pump([&] { return done.load(); }));
        worker.join();
    }
    zel_two& engine() { return zel_two::shareZelTwo(); }
};

TEST_F(OlderVariants, FilterNumberCharKeepsDialChars) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : {Case{"+86 138-0013 8000", "+86138-00138000"}, Case{"#*12ab 3", "#*123"}, Case{"", ""},
                          Case{"电话：１３８", ""}})
        EXPECT_EQ(zel_two::filterNumberChar(c.in), c.out) << c.in;
}

TEST_F(OlderVariants, DownstreamSmsAndCodeCheckInBackground) {
    initialise();
    inBackground([&] { engine().mobileReceiveSMSLoginInBackground(" 138 0013 8000 "); });
    ASSERT_EQ(m_heard.size(), 1u);
    EXPECT_EQ(m_heard[0].what, "smsReceive");
    EXPECT_EQ(m_heard[0].code, 0);
    EXPECT_EQ(m_heard[0].text, "sent");
    EXPECT_EQ(engine().phoneNumber(), "13800138000");
    auto sms = m_service.requests("receiveVerificationSms.shtm").at(0);
    EXPECT_EQ(sms.params["phone"], "13800138000");
    EXPECT_EQ(sms.params["msg"].rfind("ZESL" + PersistentUtil::sharedInstance().stringForKey("uuid") + "-1-10-33", 0),
              0u);
    EXPECT_EQ(GlobalConstants::sharedInstance().values().remainExLogin, 90); // the code's window is open

    m_service.smsAnswer = R"({"Result":1})";
    inBackground([&] { engine().mobileReceiveSMSLoginInBackground("13800138000"); });
    inBackground([&] { engine().mobileReceiveSMSLoginInBackground("no digits"); });
    ASSERT_EQ(m_heard.size(), 3u);
    EXPECT_EQ(m_heard[1].code, zel::UnknownError);
    EXPECT_EQ(m_heard[1].text, "");
    EXPECT_EQ(m_heard[2].code, zel::NeedPhoneNumber);
    EXPECT_EQ(m_service.count("receiveVerificationSms.shtm"), 2u);

    // The code check asks the verification address and stores the session.
    m_service.pollAnswers.push_back(R"({"resultCode":0,"resultMsg":"verified","sessionId":")" +
                                    m_service.encryptForDevice("S-1") + R"(","token":")" +
                                    m_service.encryptForDevice("abcdTOKEN") + R"(","phoneNo":")" +
                                    m_service.encryptForDevice("abcd13800138000") + R"(","guid":"guid-0002"})");
    inBackground([&] { engine().checkVerificationCodeInBackground("4321"); });
    ASSERT_EQ(m_heard.size(), 4u);
    EXPECT_EQ(m_heard[3].what, "code");
    EXPECT_EQ(m_heard[3].code, 0);
    EXPECT_EQ(m_heard[3].text, "verified");
    zelConfig& config = zelConfig::shareZelConfig();
    EXPECT_EQ(config.getSessionId(), "S-1");
    EXPECT_EQ(config.getToken(), "TOKEN");
    EXPECT_EQ(config.getPhoneNo(), "13800138000");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("guid"), "guid-0002");
    ASSERT_TRUE(engine().verify());
    auto check = m_service.requests("verifyClientEx.shtm").back();
    EXPECT_EQ(check.params["verifyCode"], "4321");
    EXPECT_EQ(check.params["needVerifyCode"], "1");

    m_service.pollAnswers.push_back(R"({"resultCode":-5,"resultMsg":"wrong code"})");
    inBackground([&] { engine().checkVerificationCodeInBackground("0000"); });
    ASSERT_EQ(m_heard.size(), 5u);
    EXPECT_EQ(m_heard[4].code, -5);
    EXPECT_EQ(m_heard[4].text, "wrong code");
    EXPECT_EQ(config.getSessionId(), "");
    EXPECT_EQ(config.getToken(), "");
}

TEST_F(OlderVariants, AutomaticLoginsInBackground) {
    initialise();
    // Nothing stored: neither login is tried.
    inBackground([&] { engine().autoLoginInBackground(); });
    inBackground([&] { engine().autoPtLoginInBackground(); });
    ASSERT_EQ(m_heard.size(), 2u);
    EXPECT_EQ(m_heard[0].what, "fail");
    EXPECT_EQ(m_heard[0].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), zel::NoAutoLoginMark);
    EXPECT_EQ(m_heard[1].result["errorCode"].asInt(), zel::AutoLoginExpired);
    EXPECT_EQ(m_service.count("autoLogin.shtm") + m_service.count("redirectex.shtm"), 0u);

    // By phone number and token.
    zelConfig& config = zelConfig::shareZelConfig();
    config.setPhoneNo("13800138000");
    config.setToken("TOKEN");
    m_service.autoLoginAnswer =
        R"({"Result":0,"resultCode":0,"sessionId":")" + m_service.encryptForDevice("S-9") + R"("})";
    inBackground([&] { engine().autoLoginInBackground(); });
    ASSERT_EQ(m_heard.size(), 3u);
    EXPECT_EQ(m_heard[2].what, "success");
    EXPECT_EQ(m_heard[2].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[2].result["needValidate"].asBool(), true);
    EXPECT_EQ(config.getSessionId(), "S-9");
    auto login = m_service.requests("autoLogin.shtm").at(0);
    EXPECT_EQ(login.params["phoneNo"], "13800138000");
    EXPECT_EQ(login.params["token"], "TOKEN");
    m_service.autoLoginAnswer = R"({"Result":0,"resultCode":-7,"resultMsg":"expired"})";
    inBackground([&] { engine().autoLoginInBackground(); });
    ASSERT_EQ(m_heard.size(), 4u);
    EXPECT_EQ(m_heard[3].what, "fail");
    EXPECT_EQ(m_heard[3].result["errorCode"].asInt(), -7);
    EXPECT_EQ(m_heard[3].result["errorMsg"].asString(), "expired");

    // By the passport session key, request code 205.
    PersistentUtil::sharedInstance().setValue("SK-1", "SESSIONKEY");
    inBackground([&] { engine().autoPtLoginInBackground(); });
    ASSERT_EQ(m_heard.size(), 5u);
    EXPECT_EQ(m_heard[4].what, "success");
    EXPECT_EQ(m_heard[4].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[4].result["errorMsg"].asString(), "welcome back");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "SK-300");
    EXPECT_EQ(config.getSessionId(), "S-300");
    auto second = m_service.requests("redirectex.shtm").back();
    EXPECT_EQ(second.params["RequestCode"], "205");
    EXPECT_EQ(second.params["SessionKey"], "SK-1");
    EXPECT_EQ(second.params["guid"], "pt-guid-01");

    m_service.autoLoginReply = "RetValue=-3^$^DescMsg=key expired";
    inBackground([&] { engine().autoPtLoginInBackground(); });
    ASSERT_EQ(m_heard.size(), 6u);
    EXPECT_EQ(m_heard[5].what, "fail");
    EXPECT_EQ(m_heard[5].result["errorCode"].asInt(), -3);
    EXPECT_EQ(m_heard[5].result["errorMsg"].asString(), "key expired");
}

TEST_F(OlderVariants, PassportLoginInBackground) {
    initialise();
    inBackground([&] { engine().loginByPTInBackground("reader&one", "p@ss=word"); });
    ASSERT_EQ(m_heard.size(), 1u);
    ASSERT_EQ(m_heard[0].what, "success") << m_heard[0].result["errorMsg"].asString().value_or("");
    EXPECT_EQ(m_heard[0].code, ZelOpPassportLogin);
    EXPECT_EQ(m_heard[0].result["loginType"].asInt(), 200);
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("SESSIONKEY"), "SK-100");
    EXPECT_EQ(zelConfig::shareZelConfig().getPtAccount(), "reader&one");
    auto second = m_service.requests("redirectex.shtm").back();
    EXPECT_EQ(second.params["RequestCode"], "201");
    EXPECT_EQ(m_service.decryptPassportField(second.params["Account"]), "reader&one");
    EXPECT_EQ(m_service.decryptPassportField(second.params["Pwd"]), "p@ss=word");

    m_service.passportReply = "RetValue=0^$^DescMsg=ok^$^AuthenState=1^$^RandomNum=0427^$^SESSIONKEY=SK-2";
    inBackground([&] { engine().loginByPTInBackground("reader", "pw"); });
    m_service.passportReply = "RetValue=-10890001^$^DescMsg=mismatch";
    inBackground([&] { engine().loginByPTInBackground("reader", "bad"); });
    ASSERT_EQ(m_heard.size(), 3u);
    EXPECT_EQ(m_heard[1].result["loginType"].asInt(), 201);
    EXPECT_EQ(m_heard[1].result["randomNum"].asString(), "0427");
    EXPECT_EQ(GlobalConstants::sharedInstance().values().sessionKey, "SK-2");
    EXPECT_EQ(m_heard[2].what, "fail");
    EXPECT_EQ(m_heard[2].result["errorCode"].asInt(), zel::PasswordMismatch);
    EXPECT_EQ(m_heard[2].result["errorMsg"].asString(), "mismatch");
}

TEST_F(OlderVariants, GuidFetches) {
    initialise();
    bool ok = false;
    inBackground([&] { ok = engine().getGuidWith("imsi-1", "smsp-2"); });
    EXPECT_TRUE(ok);
    ASSERT_TRUE(engine().guid());
    EXPECT_EQ(zel::textField(*engine().guid(), "guid"), "guid-0001");
    auto fetch = m_service.requests("guid.shtm").back();
    EXPECT_EQ(fetch.params["imsi"], "imsi-1");
    EXPECT_EQ(fetch.params["smsp"], "smsp-2");
    EXPECT_EQ(fetch.params["appId"], "10");

    m_service.guidAnswer = R"({"Result":1,"resultMsg":"refused"})";
    inBackground([&] { ok = engine().getGuid("imsi-3"); });
    EXPECT_FALSE(ok);
    ASSERT_TRUE(engine().guid()); // the answer is kept all the same
    EXPECT_EQ(zel::textField(*engine().guid(), "resultMsg"), "refused");
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("guid"), "guid-0001");

    // Before the SMS compose: a failed fetch ends the upstream login.
    inBackground([&] { engine().mobileSendSMSLoginGetGUIDInBackground(); });
    ASSERT_EQ(m_heard.size(), 1u);
    EXPECT_EQ(m_heard[0].what, "smsSend");
    EXPECT_EQ(m_heard[0].code, zel::GuidFailed);
    EXPECT_EQ(m_heard[0].text, "guid获取失败");
    EXPECT_EQ(engine().resultCode(), zel::GuidFailed);
}

} // namespace
} // namespace pw::test
