#include "SiteTest.h"

#include "site/SiteAnswer.h"

namespace pw::test {
namespace {

using standin::Host;
using standin::Reply;
using standin::StandinSite;

// What the other clients' tests rely on in the stand-in itself.
class StandinTest : public SiteTest {
protected:
    std::string interface(const std::string& pathAndQuery) const {
        return m_site->baseUrl(Host::Interface) + pathAndQuery;
    }
};

TEST_F(StandinTest, ScriptsAnswerInOrderThenTheSiteAnswersAgain) {
    m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::text(500, "first"));
    m_site->script(Host::Interface, "/api/CheckLoginWithInfo.ashx", Reply::json("{\n  \"second\": 2\n}"), 2);
    std::vector<std::pair<int, std::string>> got;
    for (int i = 0; i < 4; ++i) {
        auto r = fetch(interface("/api/CheckLoginWithInfo.ashx?n=" + std::to_string(i)));
        got.emplace_back(r->responseStatusCode(), r->responseString().value_or(""));
    }
    EXPECT_EQ(got[0], std::make_pair(500, std::string("first")));
    EXPECT_EQ(got[1], std::make_pair(200, std::string("{\n  \"second\": 2\n}")));
    EXPECT_EQ(got[2], got[1]);
    EXPECT_EQ(got[3].second, "var loginInfo = {userId:'0',isLogin:false};");

    // Every request is recorded with its query and the status it got.
    auto sent = m_site->requests(Host::Interface, "/api/CheckLoginWithInfo.ashx");
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].status, 500);
    EXPECT_EQ(sent[3].status, 200);
    EXPECT_EQ(sent[3].param("n"), "3");
    EXPECT_EQ(sent[3].target, "/api/CheckLoginWithInfo.ashx?n=3");
}

TEST_F(StandinTest, UnknownPathsAreRecordedAndRefused) {
    auto r = fetch(m_site->baseUrl(Host::Statistics) + "/nothing/here?x=1");
    EXPECT_EQ(r->responseStatusCode(), 404);
    auto sent = m_site->requests(Host::Statistics);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].path, "/nothing/here");
    EXPECT_EQ(sent[0].status, 404);
    EXPECT_TRUE(m_site->requests(Host::Interface).empty());
}

TEST_F(StandinTest, TheSessionCookieMakesTheReaderKnown) {
    EXPECT_TRUE(fetch(interface("/Client/IGetBuyedChapterList.aspx?bookid=1002"))->responseString()->empty());
    // An unknown account-service session is refused without a cookie.
    auto refused = fetch(interface("/api/ZELLoginValidate.ashx?version=230&areaId=33&sessionid=S-999"));
    EXPECT_EQ(SiteAnswer::parseCleaned(*refused->responseString())->get("UserInfo"), nullptr);
    logInAsReader();
    EXPECT_EQ(*fetch(interface("/api/CheckLoginWithInfo.ashx"))->responseString(),
              "var loginInfo = {userId:'1000001',isLogin:true};");
    // The reader owns the first two paid chapters of each book (here 4 and 8).
    EXPECT_EQ(*fetch(interface("/Client/IGetBuyedChapterList.aspx?bookid=1002"))->responseString(), "4,8");
    m_site->setPurchases(StandinSite::kReaderId, 1002, {4, 12});
    EXPECT_EQ(*fetch(interface("/Client/IGetBuyedChapterList.aspx?bookid=1002"))->responseString(), "4,12");
    EXPECT_EQ(fetch(interface("/Client/IGetBookInfo.aspx?bookid=77&chapterId=0"))->responseString(),
              R"({"ret":1,"msg":"no such book"})");
}

} // namespace
} // namespace pw::test
