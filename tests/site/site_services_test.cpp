#include "ClientTest.h"

#include "Catalogue.h"
#include "endpoints/AccountData.h"
#include "foundation/codec/Base64Codec.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/MessageTB.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Timer.h"
#include "platform/device/Device.h"
#include "platform/device/Providers.h"
#include "site/CheckRZBookUpdate.h"
#include "site/CheckVersion.h"
#include "site/Ostra.h"
#include "site/Report.h"

#include <cstdio>

using namespace pw;
using namespace pw::test;
using standin::AccountData;
using standin::Catalogue;
using standin::Host;
using standin::Notice;
using standin::Reply;
using standin::StandinSite;

// ---- version check

class VersionCheckTest : public ClientTest {
protected:
    NoticeLog m_log{{"NSNotificationCenter_NewVersionAvailable", "NSNotificationCenter_NoNewVersion",
                     "NSNotificationCenter_VersionCheckFailed"}};
    std::string checkOnce(CheckVersion& check) {
        const size_t before = m_log.all().size();
        check.checkVersion();
        if (!waitFor([&] { return m_log.all().size() > before; }))
            return "timeout";
        drain(0.1);
        EXPECT_EQ(m_log.all().size(), before + 1);
        return m_log.all().back().name.substr(std::string("NSNotificationCenter_").size());
    }
};

TEST_F(VersionCheckTest, TellsANewerVersionFromTheSameAndFromAFailure) {
    auto check = CheckVersion::create();
    EXPECT_EQ(checkOnce(*check), "NoNewVersion");
    {
        std::lock_guard lock(m_site->lock());
        m_site->extension<AccountData>().versionCode = 16;
    }
    EXPECT_EQ(checkOnce(*check), "NewVersionAvailable");
    const auto& note = m_log.all().back().payload;
    EXPECT_EQ(note["versionName"].asString(), "1.1.6");
    EXPECT_EQ(note["description"].asString(), "修正了若干问题");
    EXPECT_FALSE(note["url"].asString().value_or("").empty());
    EXPECT_EQ(m_site->requests(Host::Interface, "/PagewelliOSUpdate.txt").size(), 2u);

    m_site->script(Host::Interface, "/PagewelliOSUpdate.txt", Reply::text(200, "not json"));
    EXPECT_EQ(checkOnce(*check), "NoNewVersion");
    m_site->script(Host::Interface, "/PagewelliOSUpdate.txt", Reply::text(500, "<html>error</html>"));
    EXPECT_EQ(checkOnce(*check), "VersionCheckFailed");
    m_site->script(Host::Interface, "/PagewelliOSUpdate.txt", Reply::drop("{}", 0), 2);
    EXPECT_EQ(checkOnce(*check), "VersionCheckFailed");
}

TEST_F(VersionCheckTest, ASecondCheckCancelsTheFirst) {
    auto check = CheckVersion::create();
    m_site->script(Host::Interface, "/PagewelliOSUpdate.txt", Reply::stall(30));
    check->checkVersion();
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interface, "/PagewelliOSUpdate.txt") == 1; }));
    EXPECT_EQ(checkOnce(*check), "NoNewVersion");
    drain(0.3);
    EXPECT_EQ(m_log.all().size(), 1u);
}

// ---- install report

namespace {
struct FixedLocation : device::LocationProvider {
    bool allowed = true;
    std::optional<device::LocationFix> where;
    bool authorized() const override { return allowed; }
    std::optional<device::LocationFix> fix() override { return where; }
};

std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text)
        if (c == '|')
            out.emplace_back();
        else
            out.back().push_back(c);
    return out;
}
} // namespace

class ReportTest : public ClientTest {
protected:
    void TearDown() override {
        device::LocationProvider::install(nullptr);
        ClientTest::TearDown();
    }
    std::vector<std::string> reports() {
        std::lock_guard lock(m_site->lock());
        return m_site->extension<AccountData>().reports;
    }
};

TEST_F(ReportTest, TheInstallReportIsSentOnce) {
    auto report = Report::create();
    report->reportR1IfNeeded();
    ASSERT_TRUE(waitFor([&] { return Report::hasReported(); }));
    EXPECT_EQ(SettingTB::readSettingWithKey("r1"), "1");
    report->reportR1IfNeeded();
    Report::create()->reportR1IfNeeded(); // the next launch
    drain();
    EXPECT_EQ(m_site->count(Host::Interface, "/api/R1.ashx"), 1u);
    ASSERT_EQ(reports().size(), 1u);
    const auto f = fields(reports()[0]);
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(f[0], device::Device::current().identifierForVendor());
    EXPECT_EQ(f[1], "0.0"); // no location service on this machine
    EXPECT_EQ(f[2], "0.0");
    EXPECT_EQ(f[3], "1.4.0beta");
    EXPECT_EQ(f[8], "3");
}

TEST_F(ReportTest, CoordinatesOnlyWhenAllowedAndOnlyAPlainZeroAnswerCounts) {
    auto location = std::make_shared<FixedLocation>();
    location->allowed = false;
    device::LocationProvider::install(location);
    auto report = Report::create();
    report->reportR1();
    drain();
    EXPECT_EQ(m_site->count(Host::Interface, "/api/R1.ashx"), 0u);

    location->allowed = true;
    location->where = device::LocationFix{31.2304, 121.4737};
    for (const char* answer : {"0 ", "00", "1"}) {
        m_site->script(Host::Interface, "/api/R1.ashx", Reply::text(200, answer));
        const size_t before = m_site->count(Host::Interface, "/api/R1.ashx");
        report->reportR1();
        ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interface, "/api/R1.ashx") > before; }));
        drain(0.1);
        EXPECT_FALSE(Report::hasReported()) << answer;
    }
    EXPECT_EQ(report->latitudeString(), "31.2304°");
    EXPECT_EQ(report->longitudeString(), "121.474°");
    report->reportR1();
    ASSERT_TRUE(waitFor([&] { return Report::hasReported(); }));
    const auto f = fields(reports().back());
    EXPECT_EQ(f[1], "31.2304°");
    EXPECT_EQ(f[2], "121.474°");
}

// ---- update and notice poll

class UpdatePollTest : public ClientTest {};

TEST_F(UpdatePollTest, TheQueryNamesTheReminderBooksAndTheStoredKeys) {
    SiteHosts::set(SiteHosts::Service::Interface, "http://127.0.0.1:9");
    EXPECT_EQ(CheckRZBookUpdate::pollURL(0, 0, {}), "http://127.0.0.1:9/api/GetBookUpdate.ashx?id=0&t=0&c=2&v=15");
    EXPECT_EQ(CheckRZBookUpdate::pollURL(7, 1765000000, {11, 22, 3000000005}),
              "http://127.0.0.1:9/api/GetBookUpdate.ashx?id=7&t=1765000000&c=2&v=15&b=11,22,3000000005");
}

TEST_F(UpdatePollTest, NewChaptersAndTheThreeKindsOfNotice) {
    const standin::Book* lunyu = m_site->catalogue().book(Catalogue::kLunyu);
    ASSERT_NE(lunyu, nullptr);
    // The shelf knows the book up to its fifth chapter and wants reminders.
    ASSERT_EQ(
        BookTB::addBookWithRZBookId(Catalogue::kLunyu, "论语", "", "", "RZ", "", core::Value("1"), 5, "第五", 0, 0), 0);
    BookTB::setNotifyBookUpdateByRZBookId(Catalogue::kLunyu, true);
    const std::string longMessage = "二十五个字的一条消息，用来看看通知栏只显示前十个字符是否正确。";
    {
        std::lock_guard lock(m_site->lock());
        auto& d = m_site->extension<AccountData>();
        d.notices = {Notice{7, 1, longMessage, "", "", 0}, Notice{5, 2, "", "showPic", "0", 0},
                     Notice{6, 3, "", "", "", Catalogue::kChuci}};
    }
    NoticeLog log({"NSNotificationCenter_UpdateBooks", "NSNotificationCenter_UpdateBooksNewImage",
                   "NSNotificationCenter_NewMessageNofity", "NSNotificationCenter_DownAllBook_Silent"});
    auto poll = CheckRZBookUpdate::create();
    poll->doWork();
    ASSERT_TRUE(waitFor([&] { return log.count("NSNotificationCenter_NewMessageNofity") == 1; }));

    const auto asked = m_site->requests(Host::Interface, "/api/GetBookUpdate.ashx");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].target, "/api/GetBookUpdate.ashx?id=0&t=0&c=2&v=15&b=1002");
    const std::string key = std::to_string(Catalogue::kLunyu);
    ASSERT_EQ(log.count("NSNotificationCenter_UpdateBooks"), 1u);
    EXPECT_EQ(log.named("NSNotificationCenter_UpdateBooks")[0].payload[key].asString(),
              "《论语》有更新：" + lunyu->chapters.back().name);
    EXPECT_EQ(log.named("NSNotificationCenter_UpdateBooksNewImage")[0].payload[key].asInt(), lunyu->chapters.back().id);
    ASSERT_EQ(log.count("NSNotificationCenter_DownAllBook_Silent"), 1u);
    EXPECT_EQ(log.named("NSNotificationCenter_DownAllBook_Silent")[0].payload["rzbid"].asInt(), Catalogue::kChuci);
    EXPECT_EQ(log.named("NSNotificationCenter_NewMessageNofity")[0].payload["7"].asString(),
              MessageTB::titleForMessage(longMessage));
    EXPECT_EQ(SettingTB::readSettingWithKey("showPic"), "0");
    EXPECT_EQ(SettingTB::readSettingWithKey("k_MessageLastRequestNId"), "7");
    EXPECT_FALSE(SettingTB::readSettingWithKey("k_MessageLastRequestTime").value_or("0") == "0");
    auto stored = MessageTB::getMessageWithNotifyId(7);
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)["message"].asString(), longMessage);
    EXPECT_EQ(MessageTB::getAllMessage()->size(), 1u); // only the user message is a message

    // The next poll asks from notice 7 on and hears of nothing new.
    log.clear();
    poll->doWork();
    ASSERT_TRUE(waitFor([&] { return m_site->requests(Host::Interface, "/api/GetBookUpdate.ashx").size() == 2; }));
    drain();
    const auto second = m_site->requests(Host::Interface, "/api/GetBookUpdate.ashx")[1].param("id");
    EXPECT_EQ(second, "7");
    EXPECT_EQ(log.all().size(), 0u);
}

TEST_F(UpdatePollTest, TheTimerStartsAndStops) {
    auto poll = CheckRZBookUpdate::create();
    poll->startToCheckRZBookUpdate();
    ASSERT_TRUE(poll->timer());
    EXPECT_TRUE(poll->timer()->isValid());
    EXPECT_EQ(poll->timer()->interval(), 300);
    auto timer = poll->timer();
    poll->stopToCheckRZBookUpdate();
    EXPECT_FALSE(timer->isValid());
}

// ---- statistics beacon

class BeaconTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        m_clock->setNow(1765000000.0); // the fixture's clock: wall time moves only when the test says
    }
    // Sends one beacon the way the queue runs it and answers the query it sent.
    std::string beacon(const std::optional<std::string>& title = std::nullopt) {
        const size_t before = m_site->requests(Host::Statistics).size();
        auto op =
            std::make_shared<Ostra>(std::string("main"), title, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
        op->start();
        auto all = m_site->requests(Host::Statistics);
        return all.size() > before ? all.back().target : std::string();
    }
    static std::string version() {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", std::strtod(device::Device::current().systemVersion().c_str(), nullptr));
        return buf;
    }
};

TEST_F(BeaconTest, GlobalThenDailyThenSessionOverASimulatedDay) {
    const std::string page = "&referrer=main&pageTitle=%E4%B9%A6%20%E6%9E%B6&host=pagewell.client"
                             "&pagePathName=&pageQueryString=&pageUrl=&topPageUrl=&isErrorPage=0&curToken=";
    EXPECT_EQ(beacon("书 架"), "/statajax.aspx?opName=AddGlobalUser&clientColorDepth=32&clientScreenWidth=320"
                               "&clientScreenHeight=480&flashVersion=" +
                                   version() + page);
    EXPECT_EQ(SettingTB::readSettingWithKey("k_globalId"), "77");

    SettingTB::saveSettingWithKey("vemoToken", "a b+c/");
    EXPECT_EQ(beacon("书 架"), "/statajax.aspx?opName=AddDailyUser&clientColorDepth=32&globalId=77"
                               "&clientScreenWidth=320.000000&clientScreenHeight=480.000000&flashVersion=" +
                                   version() + page + "a%20b%2Bc%2F");
    EXPECT_EQ(SettingTB::readSettingWithKey("k_lastTime"), "1765000000.000000");

    m_clock->advance(3600);
    EXPECT_EQ(beacon(), "/statajax.aspx?opName=AddSessionUser&globalId=77&referrer=main&pageTitle=&host=pagewell.client"
                        "&pagePathName=&pageQueryString=&pageUrl=&topPageUrl=&isErrorPage=0&curToken=a%20b%2Bc%2F");
    m_clock->setNow(1765000000.0 + 86400);
    EXPECT_NE(beacon().find("opName=AddSessionUser"), std::string::npos);
    m_clock->setNow(1765000000.0 + 86401);
    EXPECT_NE(beacon().find("opName=AddDailyUser&clientColorDepth=32&globalId=77&"), std::string::npos);
    EXPECT_EQ(SettingTB::readSettingWithKey("k_lastTime"), "1765086401.000000");
    EXPECT_NE(beacon().find("opName=AddSessionUser"), std::string::npos);
}

TEST_F(BeaconTest, OnlyAReplyOfTheExactFormCounts) {
    m_site->script(Host::Statistics, "/statajax.aspx", Reply::text(200, R"(xx{value:"0|99|1"})"));
    EXPECT_NE(beacon().find("AddGlobalUser"), std::string::npos);
    EXPECT_FALSE(SettingTB::readSettingWithKey("k_globalId"));
    EXPECT_NE(beacon().find("AddGlobalUser"), std::string::npos); // still unregistered: asks again
    EXPECT_EQ(SettingTB::readSettingWithKey("k_globalId"), "77");

    struct Case {
        std::string reply;
        int tag;
        std::optional<int64_t> first;
    } cases[] = {
        {R"({value:"0|77|5"})", Ostra::AddGlobalUser, 77},
        {R"({value:"0|123456789012|5"})", Ostra::AddGlobalUser, 123456789012},
        {R"({value:"0||5"})", Ostra::AddGlobalUser, std::nullopt},
        {R"({value:"0|77|5"} )", Ostra::AddGlobalUser, std::nullopt},
        {R"({value:"1|77|5"})", Ostra::AddGlobalUser, std::nullopt},
        {R"({value:"0|5"})", Ostra::AddDailyUser, 5},
        {R"({value:"0|5"})", Ostra::AddGlobalUser, std::nullopt},
        {R"({value:"0|77|5"})", Ostra::AddSessionUser, std::nullopt},
        {R"({value:"0|99999999999999999999"})", Ostra::AddSessionUser, std::nullopt},
    };
    for (const auto& c : cases) {
        auto parsed = Ostra::parseReply(c.reply, c.tag);
        EXPECT_EQ(parsed.has_value(), c.first.has_value()) << c.reply;
        if (parsed && c.first)
            EXPECT_EQ(parsed->first, *c.first) << c.reply;
    }
}
