// The kit's smaller operations: the network indicator of its HTTP client, the
// self-check record, the statistics record's properties and text, the
// location refresh, and the JSON parser's and writer's error objects and
// stream writing.
#include "KitFlows.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/json/SdkJsonParser.h"
#include "loginsdk/json/SdkJsonStreamWriter.h"
#include "loginsdk/json/SdkJsonWriter.h"
#include "loginsdk/requests/ZELHttpRequest.h"
#include "loginsdk/stats/LogUtil.h"
#include "platform/core/ManualClock.h"
#include "platform/device/Providers.h"
#include "platform/ui/Application.h"

#include <functional>

namespace pw::test {
namespace {

TEST_F(KitFlows, TheHttpClientShowsTheNetworkIndicatorWhileItWaits) {
    auto& app = ui::Application::shared();
    ZELHttpRequest::showNetStatus();
    EXPECT_TRUE(app.isNetworkActivityIndicatorVisible());
    ZELHttpRequest::hiddenNetStatus();
    EXPECT_FALSE(app.isNetworkActivityIndicatorVisible());

    auto request = ZELHttpRequest::initWithURL(m_service.baseUrl() + "/zel/config/obtain.shtm");
    bool finished = false, shownAtFinish = false;
    request->setDidFinish([&](ZELHttpRequest&) {
        finished = true;
        shownAtFinish = app.isNetworkActivityIndicatorVisible();
    });
    request->startAsynchronous();
    EXPECT_TRUE(app.isNetworkActivityIndicatorVisible());
    ASSERT_TRUE(pump([&] { return finished; }));
    EXPECT_TRUE(shownAtFinish);
    EXPECT_FALSE(app.isNetworkActivityIndicatorVisible());
}

TEST_F(KitFlows, TheSelfCheckRecordKnowsItsAddressAndItsTarget) {
    AutoCheckContent record("init", core::Value(core::Value::Map{{"code", "1"}}));
    EXPECT_EQ(record.selfCheckUrl(), m_service.baseUrl() + "/zel/selfchk/send.shtm");
    record.setReqId(7);
    EXPECT_EQ(record.reqId(), 7u);
    auto target = std::make_shared<int>(0);
    int ends = 0;
    record.addTarget(target, [&](const std::any& arg) {
        EXPECT_FALSE(arg.has_value());
        ++ends;
    });
    auto request = ZELHttpRequest::initWithURL(m_service.baseUrl() + "/zel/config/obtain.shtm");
    request->startSynchronous();
    record.recordSuccess(*request);
    record.recordFail(*request);
    EXPECT_EQ(ends, 1);
    target.reset(); // a target gone is not called
    record.recordSuccess(*request);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(StringUtil::decript(), "descript");
}

TEST_F(KitFlows, TheStatisticsRecordTakesPropertiesByNameAndDescribesItself) {
    LogUtil& stats = LogUtil::sharedInstance();
    core::UserDefaults::standard().set("appId", core::Value("10"));
    stats.startCollectWithEventId(60);
    struct Case {
        const char* key;
        core::Value value;
        bool taken;
    };
    const Case cases[] = {
        {"eventCode", core::Value(50), true},      {"actionId", core::Value(110), true},
        {"statusCode", core::Value(-7), true},     {"sessionId", core::Value("S-1"), true},
        {"tarvId", core::Value("777"), true},      {"smsHost", core::Value("10658000"), true},
        {"noSuchField", core::Value("x"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stats.setValue(c.value, c.key, 60), c.taken) << c.key;
    EXPECT_FALSE(stats.setValue(core::Value(1), "eventCode", 61)); // no open record
    std::string description;
    stats.withRecord(60, [&](DataCollectionRecord& r) { description = r.description(); });
    for (const char* part : {"数据标识:50|", "|AppId:10|来源标识:2|动作标识:110|", "|状态:-7|", "|SessionId:S-1|",
                             "|TarvId:777|", "|sim: |短信特服号:10658000|", "|sdk版本:IOS"})
        EXPECT_NE(description.find(part), std::string::npos) << part << " in " << description;
    EXPECT_EQ(std::count(description.begin(), description.end(), '|'), 18);
}

class CountingLocation : public device::LocationProvider {
public:
    bool authorized() const override { return true; }
    std::optional<device::LocationFix> fix() override {
        ++asked;
        return device::LocationFix{31.2, 121.5};
    }
    int asked = 0;
};

TEST_F(KitFlows, TheHeaderRefreshesTheLocationEveryMinute) {
    auto clock = std::make_shared<core::ManualClock>();
    core::RunLoop::current().setClock(clock);
    auto location = std::make_shared<CountingLocation>();
    device::LocationProvider::install(location);
    PersistentUtil::sharedInstance().setValue(core::Value(true), "locationServiceEnable");
    {
        ZelHeader header;
        header.initLocation();
        EXPECT_EQ(location->asked, 1);
        for (int step = 0; step < 5; ++step) {
            clock->advance(30);
            core::RunLoop::current().runPending();
        }
        EXPECT_EQ(location->asked, 3); // at 60 s and 120 s
    }
    clock->advance(60); // the header is gone, and so is its refresh
    core::RunLoop::current().runPending();
    EXPECT_EQ(location->asked, 3);
    device::LocationProvider::install(nullptr);
    core::RunLoop::current().setClock(nullptr);
}

TEST(SdkJsonErrors, TheErrorVariantsCarryDomainCodeAndText) {
    SdkJsonParser parser;
    SdkJsonError error;
    EXPECT_TRUE(parser.objectWithString(std::string(R"({"a":1})"), &error));
    EXPECT_TRUE(error.domain.empty()); // untouched on success
    EXPECT_FALSE(parser.objectWithString(std::string("{"), &error));
    EXPECT_EQ(error.domain, SdkJsonParserErrorDomain);
    EXPECT_EQ(error.code, 0);
    EXPECT_EQ(error.localizedDescription, parser.error());
    EXPECT_FALSE(parser.objectWithString(std::string("["), nullptr)); // no place given

    SdkJsonWriter writer;
    EXPECT_FALSE(writer.stringWithObject(SdkJsonValue(std::string("bare")), &error));
    EXPECT_EQ(error.domain, SdkJsonWriterErrorDomain);
    EXPECT_EQ(error.localizedDescription, "Not valid type for JSON");
}

class Collect : public SdkJsonStreamWriterDelegate {
public:
    void writerAppendBytes(SdkJsonStreamWriter&, const char* bytes, size_t length) override {
        out.append(bytes, length);
    }
    std::string out;
};

TEST(SdkJsonStreamWriterTest, TokensWrittenOneByOne) {
    struct Case {
        const char* name;
        std::function<bool(SdkJsonStreamWriter&)> write;
        bool ok;
        const char* out;
        const char* error;
    };
    const Case cases[] = {
        {"object by tokens",
         [](SdkJsonStreamWriter& w) {
             return w.writeObjectOpen() && w.writeString("a") && w.writeBool(true) && w.writeString("b") &&
                    w.writeNull() && w.writeObjectClose();
         },
         true, R"({"a":true,"b":null})", ""},
        {"array of numbers",
         [](SdkJsonStreamWriter& w) {
             return w.writeArrayOpen() && w.writeNumber(SdkJsonValue(int64_t{-3})) &&
                    w.writeNumber(SdkJsonValue(2.5)) && w.writeArrayClose();
         },
         true, "[-3,2.5]", ""},
        {"a key that is no string",
         [](SdkJsonStreamWriter& w) { return w.writeObjectOpen() && w.writeBool(false); }, false, "{",
         "JSON object key must be string"},
        {"after the end", [](SdkJsonStreamWriter& w) { return w.writeArrayOpen() && w.writeArrayClose() && w.writeNull(); },
         false, "[]", "Stream is closed"},
        {"a close with nothing open", [](SdkJsonStreamWriter& w) { return w.writeObjectClose(); }, false, "",
         "Nothing to close"},
        {"not a number", [](SdkJsonStreamWriter& w) { return w.writeArrayOpen() && w.writeNumber(SdkJsonValue(NAN)); },
         false, "[", "NaN is not a valid number in JSON"},
    };
    for (const Case& c : cases) {
        Collect sink;
        SdkJsonStreamWriter writer(&sink);
        EXPECT_EQ(c.write(writer), c.ok) << c.name;
        EXPECT_EQ(sink.out, c.out) << c.name;
        EXPECT_EQ(writer.error(), c.error) << c.name;
    }
}

} // namespace
} // namespace pw::test
