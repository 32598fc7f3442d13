// How the kit reads the account service's answers: missing keys, missing
// texts, silent endings, and what it sends when a value cannot be sealed.
#include "KitFlows.h"

#include "loginsdk/PersistentUtil.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/zel_two.h"
#include "platform/core/PropertyList.h"

#include <regex>

namespace pw::test {
namespace {

// The statistics lines waiting for upload, without the start-up line.
std::vector<std::vector<std::string>> pendingRecords() {
    std::vector<std::vector<std::string>> out;
    static const std::regex line(R"re("20":"([^"]*)")re");
    for (const std::string& item : LogUtil::sharedInstance().pendingLines()) {
        std::smatch m;
        if (!std::regex_search(item, m, line))
            continue;
        std::vector<std::string> fields;
        std::string text = m[1];
        for (size_t at = 0, bar; (bar = text.find('|', at)) != std::string::npos; at = bar + 1)
            fields.push_back(text.substr(at, bar - at));
        if (fields.size() == 22)
            out.push_back(fields);
    }
    return out;
}

TEST_F(KitFlows, ASecondInitialisationDuringTheFirstStartsASecondFetch) {
    ASSERT_TRUE(api().zelInit());
    ASSERT_TRUE(api().zelInit());
    ASSERT_TRUE(heardCount(2));
    EXPECT_EQ(m_service.count("config/obtain.shtm"), 2u);
    for (const Heard& h : m_heard) {
        EXPECT_EQ(h.what, "success");
        EXPECT_EQ(h.code, ZelOpInit);
    }
    EXPECT_FALSE(api().zelInit());
}

TEST_F(KitFlows, NameCheckAndRegistrationByTheServicesAnswer) {
    struct Case {
        const char* answer;
        const char* heard; // "" for nothing
        int code;
        const char* text;
    };
    const Case nameCheck[] = {
        {"{}", "success", 0, "成功"}, // missing "Result" and "resultCode" read as 0
        {R"({"resultCode":0,"existing":true})", "fail", zel::UserNameExists, "用户名已经存在"},
        {R"({"Result":1,"resultCode":0})", "fail", zel::UnknownError, "未知错误"},
        {R"({"Result":0,"resultCode":-7,"resultMsg":"bad name"})", "fail", -7, "bad name"},
        {"<html>busy</html>", "", 0, ""},
    };
    const Case registration[] = {
        {"{}", "success", 0, "成功"},
        {R"({"Result":2})", "fail", zel::UnknownError, "未知错误"},
        {R"({"resultCode":-8})", "fail", -8, "未知错误信息"},
        {"<html>busy</html>", "fail", zel::ServerFailed, ""},
    };
    initialise();
    auto run = [&](const Case& c, bool registering) {
        m_heard.clear();
        m_service.answerOverride[registering ? "register.shtm" : "existence.shtm"] = c.answer;
        if (registering)
            api().userNameRegister("reader", "secret");
        else
            api().userNameExists("reader");
        ASSERT_TRUE(pump([] { return !zel_two::shareZelTwo().busy(); }));
        core::RunLoop::main().runUntil([] { return false; }, 0); // what was queued behind the end
        if (std::string(c.heard).empty()) {
            EXPECT_TRUE(m_heard.empty()) << c.answer;
            return;
        }
        ASSERT_EQ(m_heard.size(), 1u) << c.answer;
        EXPECT_EQ(m_heard[0].what, c.heard) << c.answer;
        EXPECT_EQ(m_heard[0].code, registering ? ZelOpRegister : ZelOpUserNameCheck);
        EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), c.code) << c.answer;
        EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), c.text) << c.answer;
    };
    for (const Case& c : nameCheck)
        run(c, false);
    for (const Case& c : registration)
        run(c, true);
}

TEST_F(KitFlows, AGuidAnswerWithoutResultKeysLetsTheRegistrationGoOn) {
    initialise();
    m_service.guidAnswer = R"({"guid":"guid-0002","key":"k3y-0001"})";
    api().userNameRegister("abc", "pass");
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "success");
    ASSERT_EQ(m_service.count("register.shtm"), 1u);
    EXPECT_EQ(m_service.requests("register.shtm")[0].params["guid"], "guid-0002");
}

TEST_F(KitFlows, PassportValuesTheCipherCannotSealGoOutEmptyAndTheServiceAnswers) {
    m_service.keyWord = "1234567890123456789"; // 19 characters
    m_service.passportReply = "RetValue=-3";
    initialise();
    api().loginByPT("reader", "secret");
    ASSERT_TRUE(heardCount(1));
    auto steps = m_service.requests("redirectex.shtm");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].params.at("Account"), "");
    EXPECT_EQ(steps[1].params.at("Pwd"), "");
    EXPECT_EQ(steps[1].params.at("RequestCode"), "201");
    // The service's refusal, whose text is missing.
    EXPECT_EQ(m_heard[0].what, "fail");
    EXPECT_EQ(m_heard[0].result["errorCode"].asInt(), -3);
    EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), "未知错误信息");
}

TEST_F(KitFlows, AnAutomaticLoginWithoutATextAnswersTheUnknownText) {
    m_service.autoLoginReply = "RetValue=0^$^SessionID=S-9^$^SESSIONKEY=SK-9";
    initialise();
    PersistentUtil::sharedInstance().setValue(core::Value("SK-1"), "SESSIONKEY");
    ASSERT_TRUE(api().autoLogin());
    ASSERT_TRUE(heardCount(1));
    EXPECT_EQ(m_heard[0].what, "success");
    EXPECT_EQ(m_heard[0].code, ZelOpAutoLogin);
    EXPECT_EQ(m_heard[0].result["errorMsg"].asString(), "未知错误信息");
}

TEST_F(KitFlows, ThePassportLoginClosesEvents50And51AfterItsFirstStep) {
    initialise();
    api().loginByPT("reader", "secret");
    ASSERT_TRUE(heardCount(1));
    ASSERT_TRUE(pump([] { return !zel_two::shareZelTwo().busy(); }));
    // Event code, action and status of each line, in the order closed: 50
    // as it stood after step 1, then 51, then 52; step 2 finds 50 closed.
    std::vector<std::vector<std::string>> got;
    for (const auto& fields : pendingRecords())
        got.push_back({fields[0], fields[4], fields[6]});
    const std::vector<std::vector<std::string>> want = {
        {"0", "0", "0"},
        {"50", "110", "-10890008"},
        {"50", "120", "0"},
    };
    EXPECT_EQ(got, want);
}

TEST_F(KitFlows, TheSitesTokenIsSplitAtEveryBar) {
    initialise();
    api().callBack(0, core::Value(core::Value::Map{
                          {"type", "0"}, {"token", m_service.encryptForDevice("0000TOKEN|13900000000|more|parts")}}));
    EXPECT_EQ(zelConfig::shareZelConfig().getToken(), "TOKEN");
    EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "13900000000");
    api().callBack(0, core::Value(core::Value::Map{{"type", "1"},
                                                   {"token", m_service.encryptForDevice("0000T2|s12345|x")}}));
    EXPECT_EQ(PersistentUtil::sharedInstance().stringForKey("tarvId"), "s12345");
}

TEST_F(KitFlows, ReadingTheFileAgainLeavesTheSettingsTheKitHolds) {
    zelConfig& config = zelConfig::shareZelConfig();
    config.setToken("T");
    // Another writer adds an entry to the file behind the kit's back.
    const auto plist = config.folder() / "tarvzel2.plist";
    auto dict = *core::PropertyList::readFile(plist)->asMap();
    dict.set("foreign", core::Value("x"));
    ASSERT_TRUE(core::PropertyList::writeFile(plist, core::Value(dict)));
    EXPECT_TRUE(config.loadFromFile().contains("foreign"));
    EXPECT_EQ(config.getToken(), "T");
    config.setPtAccount("reader"); // writes the settings the kit holds
    auto after = core::PropertyList::readFile(plist);
    ASSERT_TRUE(after && after->isMap());
    EXPECT_FALSE(after->asMap()->contains("foreign"));
    EXPECT_TRUE(after->asMap()->contains("token"));
}

} // namespace
} // namespace pw::test
