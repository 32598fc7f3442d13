#include "KitFixture.h"

#include "loginsdk/GlobalConstants.h"
#include "loginsdk/IntervalProcess.h"
#include "loginsdk/cipher/OADes.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/cipher/SdkBase64.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zel_two.h"
#include "platform/core/FileManager.h"
#include "platform/core/ManualClock.h"
#include "platform/core/PropertyList.h"
#include "platform/device/Providers.h"

#include <sys/stat.h>

namespace pw::test {
namespace {

using KitState = KitFixture;

std::string decodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        buffer = (buffer << 6) | static_cast<unsigned>(alphabet.find(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xff));
        }
    }
    return out;
}

TEST_F(KitState, ScramblingKeyFromTheHardwareAddress) {
    // Ten overlapping pairs of 0A1B2C3D4E5F: 0A A1 1B B2 2C C3 3D D4 4E E5,
    // summed modulo 255.
    EXPECT_EQ(zelConfig::macXorKey(std::string(kTestMac)),
              (0x0A + 0xA1 + 0x1B + 0xB2 + 0x2C + 0xC3 + 0x3D + 0xD4 + 0x4E + 0xE5) % 255);
    EXPECT_EQ(zelConfig::shareZelConfig().getMacXorKey(), zelConfig::macXorKey(std::string(kTestMac)));
    EXPECT_EQ(zelConfig::macXorKey(std::nullopt), zelConfig::macXorKey(std::string("AB")));
}

TEST_F(KitState, LoginValuesSurviveARestartAndStayPrivate) {
    zelConfig& config = zelConfig::shareZelConfig();
    config.setSessionId("session-1");
    config.setPhoneNo("13800138000");
    config.setToken(std::nullopt);
    config.setPtAccount("");
    auto file = zelConfig::kitFolder() / "tarvzel2.plist";
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Nothing in the file reads as the plain values.
    auto bytes = core::FileManager::readText(file).value_or("");
    EXPECT_EQ(bytes.find("13800138000"), std::string::npos);

    zelOpenAPI::resetKit();
    zelConfig& again = zelConfig::shareZelConfig();
    EXPECT_EQ(again.getSessionId(), "session-1");
    EXPECT_EQ(again.getPhoneNo(), "13800138000");
    EXPECT_EQ(again.getToken(), "");
    EXPECT_EQ(again.getPtAccount(), "");

    // Another device's file (another scrambling key) reads as empty values.
    zelConfig::overrideMacAddress(std::string("FFEEDDCCBBAA"));
    zelOpenAPI::resetKit();
    EXPECT_EQ(zelConfig::shareZelConfig().getSessionId(), "");
    EXPECT_EQ(zelConfig::shareZelConfig().getPhoneNo(), "");

    // A damaged file too.
    core::FileManager::writeFile(file, std::string_view("not a property list"));
    zelOpenAPI::resetKit();
    EXPECT_EQ(zelConfig::shareZelConfig().getSessionId(), "");
}

TEST_F(KitState, PersistentStore) {
    PersistentUtil& store = PersistentUtil::sharedInstance();
    store.setValue("SK-1", "SESSIONKEY");
    store.setValue("g", "guid");
    store.setValue(std::nullopt, "SESSIONKEY");
    PersistentUtil::resetShared();
    PersistentUtil& fresh = PersistentUtil::sharedInstance();
    EXPECT_FALSE(fresh.objectForKey("guid")); // nothing before the first load
    fresh.initData();
    EXPECT_EQ(fresh.stringForKey("guid"), "g");
    EXPECT_FALSE(fresh.objectForKey("SESSIONKEY"));
}

TEST_F(KitState, RandomIdsAreAlways32HexDigits) {
    for (int i = 0; i < 200; ++i) {
        std::string id = StringUtil::generateUUID();
        ASSERT_EQ(id.size(), 32u);
        ASSERT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
    }
    EXPECT_EQ(StringUtil::generateRandom(40).size(), 40u);
}

TEST_F(KitState, SessionIdentifiers) {
    zelOpenAPI::shareZelOpenAPI().setAppId(10);
    zelOpenAPI::shareZelOpenAPI().setAreaId(33);
    PersistentUtil::sharedInstance().setValue("k3y-0001", "key");
    PersistentUtil::sharedInstance().setValue("guid-1", "guid");
    auto field = [](const std::string& v) { return StringUtil::fieldCipherText(v); };
    EXPECT_EQ(field(""), tarvzel::Encrypt("k3y-0001", "0000"));
    EXPECT_EQ(field("abc"), tarvzel::Encrypt("k3y-0001", "0003abc"));
    EXPECT_EQ(field("中文"), tarvzel::Encrypt("k3y-0001", "0002中文"));

    struct Case {
        const char* phoneNo;
        const char* token;
        std::optional<std::string> code;
        std::string expected;
    };
    const std::string uuid = field("");
    const Case cases[] = {
        {"", "", std::nullopt,
         R"({"optype":"0","hasSDCard":0,"uuid":")" + uuid +
             R"(","guid":"guid-1","clientVersion":"2.3.0","endpointOS":"ios","imsi":"0A1B2C3D4E5F","appId":10,"areaId":33,"smsCode":""})"},
        {"1", "tk", std::string("5678"),
         R"({"optype":"0","hasSDCard":0,"uuid":")" + uuid + R"(","guid":"guid-1","token":")" + field("tk") +
             R"(","clientVersion":"2.3.0","endpointOS":"ios","imsi":"0A1B2C3D4E5F","appId":10,"areaId":33,"smsCode":"5678"})"},
        {"13800138000", "", std::string("a\"b"),
         R"({"optype":"0","hasSDCard":0,"uuid":")" + uuid + R"(","guid":"guid-1","phoneNo":")" + field("13800138000") +
             R"(","clientVersion":"2.3.0","endpointOS":"ios","imsi":"0A1B2C3D4E5F","appId":10,"areaId":33,"smsCode":"a\"b"})"},
    };
    for (const auto& c : cases) {
        zelConfig::shareZelConfig().setPhoneNo(c.phoneNo);
        zelConfig::shareZelConfig().setToken(c.token);
        EXPECT_EQ(StringUtil::requestSessionIdText(c.code), c.expected);
        EXPECT_EQ(decodeBase64(StringUtil::buildRequestSessionId(c.code)), c.expected);
    }

    zelConfig::shareZelConfig().setSessionId("S1");
    zelConfig::shareZelConfig().setPhoneNo("");
    zelConfig::shareZelConfig().setToken("");
    PersistentUtil::sharedInstance().setValue("s99", "tarvId");
    std::string common =
        R"("phoneNo":")" + field("") + R"(","token":")" + field("") +
        R"(","clientVersion":"2.3.0","endpointOS":"ios","imsi":"0A1B2C3D4E5F","appId":10,"areaId":33})";
    std::string head = R"("hasSDCard":0,"sessionId":"S1","uuid":")" + uuid + R"(","guid":"guid-1",)";
    EXPECT_EQ(StringUtil::typedSessionIdText(2), R"({"optype":"2",)" + head + common);
    EXPECT_EQ(StringUtil::typedSessionIdText(3), R"({"optype":"3",)" + head + R"("imei":"0A1B2C3D4E5F",)" + common);
    EXPECT_EQ(StringUtil::typedSessionIdText(4),
              R"({"optype":"4",)" + head + R"("tarvId":")" + field("s99") + "\"," + common);
}

TEST_F(KitState, CarrierTypeAndImsi) {
    struct Carrier : device::CarrierProvider {
        std::optional<device::CarrierInfo> info;
        std::optional<device::CarrierInfo> carrier() const override { return info; }
    };
    struct Case {
        std::optional<std::string> name;
        int type;
        const char* imsi;
    };
    const Case cases[] = {
        {std::nullopt, 0, "0A1B2C3D4E5F"},
        {std::string("中国移动"), 46002, "46002_0A1B2C3D4E5F"},
        {std::string("中国联通"), 46001, "46001_0A1B2C3D4E5F"},
        {std::string("Other"), 50000, "0A1B2C3D4E5F"},
    };
    for (const auto& c : cases) {
        auto carrier = std::make_shared<Carrier>();
        if (c.name)
            carrier->info = device::CarrierInfo{*c.name, "460", "00", "cn"};
        device::CarrierProvider::install(carrier);
        zelOpenAPI::resetKit();
        EXPECT_EQ(zelConfig::shareZelConfig().carrierType(), c.type);
        EXPECT_NE(StringUtil::requestSessionIdText(std::nullopt).find(std::string("\"imsi\":\"") + c.imsi + "\""),
                  std::string::npos);
    }
    device::CarrierProvider::install(nullptr);
}

TEST_F(KitState, CountdownOnAManualClock) {
    auto clock = std::make_shared<core::ManualClock>();
    core::RunLoop::current().setClock(clock);
    std::vector<int> ticks;
    IntervalProcess countdown;
    ASSERT_TRUE(countdown.startIntervalWith(60, [&](int left) { ticks.push_back(left); }));
    EXPECT_FALSE(countdown.startIntervalWith(5, [](int) {}));
    for (int second = 0; second < 61; ++second) {
        clock->advance(1.0);
        core::RunLoop::current().runPending();
    }
    ASSERT_EQ(ticks.size(), 59u);
    EXPECT_EQ(ticks.front(), 58);
    EXPECT_EQ(ticks.back(), 0);
    EXPECT_FALSE(countdown.isRunning());
    EXPECT_TRUE(countdown.startIntervalWith(3, [&](int left) { ticks.push_back(left); }));

    // Stopping sets the seconds left to 0 and no call follows.
    GlobalConstants& run = GlobalConstants::sharedInstance();
    ASSERT_TRUE(run.startProcessWithInterval(
        10, [&](int left) { run.update([&](GlobalValues& v) { v.remainExLogin = left; }); }));
    clock->advance(1.0);
    core::RunLoop::current().runPending();
    EXPECT_EQ(run.values().remainExLogin, 8);
    run.stopProcess();
    EXPECT_EQ(run.values().remainExLogin, 0);
    clock->advance(5.0);
    core::RunLoop::current().runPending();
    EXPECT_EQ(run.values().remainExLogin, 0);
    core::RunLoop::current().setClock(nullptr);
}

TEST_F(KitState, PassportAnswerFields) {
    auto parsed = zel_two::ptStringParserWithString(std::string("RetValue=0^$^SessionID=a=b^$^GUID=x^$^junk"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, (std::map<std::string, std::string>{{"RetValue", "0"}, {"GUID", "x"}}));
    EXPECT_EQ(zel_two::ptStringParserWithString(std::string("K=v")), (std::map<std::string, std::string>{{"K", "v"}}));
    EXPECT_FALSE(zel_two::ptStringParserWithString(std::string("")));
    EXPECT_FALSE(zel_two::ptStringParserWithString(std::nullopt));
}

TEST_F(KitState, ErrorTable) {
    EXPECT_EQ(zel::errorText(zel::PassportLoggingIn), "通行证登陆中 ");
    EXPECT_EQ(zel::getResDicWithErrorCode(zel::NotInitialised)["kParamMsg"].asString(), "SDK没有初始化");
    EXPECT_EQ(zel::getResDicWithErrorCode(12345)["errorMsg"].asString(), "未知错误");
    EXPECT_EQ(zel::buildResDicWithErrorCode(1, std::nullopt)["errorMsg"].asString(), "未知错误信息");
}

} // namespace
} // namespace pw::test
