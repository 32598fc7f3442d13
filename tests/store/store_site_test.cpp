#include "site/SiteTest.h"

#include "endpoints/AccountData.h"
#include "site/SiteAnswer.h"

#include <regex>

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;

// The store's interface as the stand-in serves it from its catalogue.
class StoreSiteTest : public SiteTest {
protected:
    core::Value get(const std::string& pathAndQuery, Host host = Host::Store) {
        auto r = fetch(m_site->baseUrl(host) + pathAndQuery);
        EXPECT_EQ(r->responseStatusCode(), 200) << pathAndQuery;
        auto v = SiteAnswer::parseCleaned(r->responseString().value_or(""));
        EXPECT_TRUE(v) << pathAndQuery;
        return v ? *v : core::Value();
    }
    static std::vector<int64_t> ids(const core::Value& rows) {
        std::vector<int64_t> out;
        if (rows.asArray())
            for (const auto& row : *rows.asArray())
                out.push_back(row["BookId"].asInt().value_or(-1));
        return out;
    }
};

TEST_F(StoreSiteTest, KeywordSearchFindsCatalogueBooksPageByPage) {
    // "论语" percent-escaped as the search screen sends it.
    auto found = get("/api/SearchBooks.ashx?key=%E8%AE%BA%E8%AF%AD&p=1");
    ASSERT_TRUE(found.isArray());
    const auto& rows = found.asArray()->at(0);
    ASSERT_EQ(ids(rows), std::vector<int64_t>{Catalogue::kLunyu});
    const auto& row = rows.asArray()->at(0);
    EXPECT_EQ(row["BookName"].asString(), "<b>论语</b>");
    EXPECT_TRUE(std::regex_match(row["NewChapterTime"].asString().value_or(""), std::regex(R"(/Date\(\d+\)/)")));
    EXPECT_TRUE(row["NewChapterName"].isString());
    EXPECT_TRUE(row["ImageStatus"].asInt());

    // Authors match too; a page past the end and an unknown word give one empty array.
    EXPECT_EQ(ids(get("/api/SearchBooks.ashx?key=%E5%B1%88%E5%8E%9F&p=1")[0]), std::vector<int64_t>{Catalogue::kChuci});
    for (const char* q : {"/api/SearchBooks.ashx?key=%E8%AE%BA%E8%AF%AD&p=2", "/api/SearchBooks.ashx?key=zzqx&p=1"}) {
        auto empty = get(q);
        ASSERT_TRUE(empty.isArray()) << q;
        ASSERT_EQ(empty.asArray()->size(), 1u) << q;
        EXPECT_TRUE(empty.asArray()->at(0).asArray()->empty()) << q;
    }
}

TEST_F(StoreSiteTest, ListsServeBookRowsWithBothChapterPairs) {
    auto category = get("/BookStoreAPI/GetCategoryBooks.ashx?ChannelId=2")["Data"];
    EXPECT_EQ(ids(category), (std::vector<int64_t>{Catalogue::kLunyu, Catalogue::kSishu}));
    for (const auto& row : *category.asArray()) {
        EXPECT_GT(row["LastVipUpdateChapterId"].asInt().value_or(0), 0);
        EXPECT_GT(row["LastUpdateChapterID"].asInt().value_or(0), 0);
        EXPECT_TRUE(row["LastVipUpdateChapterName"].isString());
        EXPECT_GT(row["LastChapterUpdateTime"].asInt().value_or(0), 0);
    }
    // Index entries carry absolute icon addresses that serve an image.
    auto channels = get("/BookStoreAPI/GetIndex.ashx?type=1")["Data"];
    ASSERT_EQ(channels.asArray()->size(), 3u);
    EXPECT_EQ(channels.asArray()->at(2)["Name"].asString(), "词曲");
    const std::string icon = channels.asArray()->at(0)["ImageUrl"].asString().value_or("");
    EXPECT_EQ(icon.rfind(m_site->baseUrl(Host::Image), 0), 0u);
    EXPECT_EQ(fetch(icon)->responseStatusCode(), 200);
    EXPECT_EQ(get("/BookStoreAPI/GetIndex.ashx?type=0")["Data"].asArray()->at(0)["TopId"].asInt(), 1);

    // Top lists and recommendation groups page by ten; a page past the end is empty.
    auto top = get("/BookStoreAPI/GetTopBooks.ashx?TopId=2&PageIndex=1")["Data"];
    ASSERT_FALSE(top.asArray()->empty());
    EXPECT_EQ(top.asArray()->at(0)["ExtraName"].asString(), "字数：");
    EXPECT_TRUE(get("/BookStoreAPI/GetTopBooks.ashx?TopId=2&PageIndex=2")["Data"].asArray()->empty());
    EXPECT_EQ(ids(get("/BookStoreAPI/GetRecommendDetail.ashx?GroupId=3&PageIndex=1")["Data"]),
              std::vector<int64_t>{Catalogue::kSongci});
    // The filter's query: "其他" and other non-numeric channels list everything.
    EXPECT_EQ(ids(get("/BookStoreAPI/GetBookStore.ashx?channel=3&size=0&action=0&order=0&update=0&p=0&"
                      "vipBoutiqueSignstatus=0&pageindex=1")["Data"]),
              std::vector<int64_t>{Catalogue::kSongci});
    EXPECT_EQ(ids(get("/BookStoreAPI/GetBookStore.ashx?channel=%E5%85%B6%E4%BB%96&pageindex=1")["Data"]).size(), 6u);

    auto detail = get("/BookStoreAPI/GetBookDetail.ashx?BookId=1002")["Data"];
    EXPECT_EQ(detail["BookName"].asString(), "论语");
    EXPECT_EQ(detail["ChannelId"].asInt(), 2);
    EXPECT_EQ(ids(get("/BookStoreAPI/GetRelatedBooks.ashx?BookId=1002")["Data"]),
              std::vector<int64_t>{Catalogue::kSishu});
    EXPECT_EQ(get("/BookStoreAPI/GetBookDetail.ashx?BookId=99")["Result"].asInt(), -1);
    EXPECT_EQ(get("/BookStoreAPI/GetCategoryBooks.ashx?ChannelId=1")["Data"].asArray()->size(), 3u);
    EXPECT_EQ(get("/BookStoreAPI/CoverRecommend.ashx")["Data"].asArray()->size(), 6u);
    EXPECT_EQ(get("/BookStoreAPI/GetRecommendList.ashx")["Data"].asArray()->at(1)["SiteType"].asInt(), 1);
    EXPECT_FALSE(get("/BookStoreAPI/GetSearchTops.ashx")["Data"].asArray()->empty());
}

TEST_F(StoreSiteTest, AccountAnswersShareTheInterfaceSession) {
    EXPECT_EQ(get("/api/AddFavoriteBook.ashx?bid=1002&bname=%E8%AE%BA%E8%AF%AD")["data"].asInt(), -997);
    EXPECT_EQ(get("/BookStoreAPI/GetUserInfo.ashx")["Result"].asInt(), -1);
    EXPECT_EQ(get("/BookStoreAPI/GetBookCase.ashx?t=0")["Result"].asInt(), -1);

    logInAsReader(); // on the interface host; the store host knows the cookie
    EXPECT_EQ(get("/api/AddFavoriteBook.ashx?bid=1002&bname=x")["data"].asInt(), 0);
    EXPECT_EQ(get("/api/AddFavoriteBook.ashx?bid=1002&bname=x")["data"].asInt(), -3);
    EXPECT_EQ(get("/api/AddFavoriteBook.ashx?bid=77&bname=x")["data"].asInt(), -1);
    auto user = get("/BookStoreAPI/GetUserInfo.ashx");
    // One nickname and one balance for the reader, as the login and the purchases know them.
    EXPECT_EQ(user["Data"]["NickName"].asString(), standin::StandinSite::nickNameOf(standin::StandinSite::kReaderId));
    EXPECT_EQ(user["Data"]["Balance"].asString(), std::to_string(standin::AccountData::kStartingBalance));
    EXPECT_EQ(fetch(user["Data"]["HeadImage"].asString().value_or(""))->responseStatusCode(), 200);
    // The profile's four shelves hold what the shelf synchronisation reads,
    // and a book added to the favourites shows on both.
    for (int t = 0; t < 4; ++t) {
        auto shelf = get("/BookStoreAPI/GetBookCase.ashx?t=" + std::to_string(t))["Data"];
        auto synced = get("/api/GetBookCaseBooks.ashx?t=" + std::to_string(t), Host::Interface);
        ASSERT_TRUE(shelf.isArray() && synced.isArray()) << t;
        ASSERT_EQ(shelf.size(), synced.size()) << t;
        for (size_t i = 0; i < shelf.size(); ++i) {
            EXPECT_EQ(shelf[i]["BookId"].asInt(), synced[i]["BookId"].asInt()) << t;
            EXPECT_EQ(shelf[i].get("ImageStatus"), nullptr);
        }
    }
    EXPECT_EQ(get("/BookStoreAPI/GetBookCase.ashx?t=2")["Data"][1]["BookId"].asInt(), 1002);
}

} // namespace
} // namespace pw::test
