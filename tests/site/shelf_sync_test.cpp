#include "ClientTest.h"

#include "Catalogue.h"
#include "endpoints/AccountData.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "site/BookFavorite.h"
#include "site/BookmarkSync.h"
#include "network/RQNetworkQueue.h"
#include "site/GetBookCaseBooks.h"

using namespace pw;
using namespace pw::test;
using standin::AccountData;
using standin::Catalogue;
using standin::Host;
using standin::Reply;
using standin::StandinSite;

namespace {

std::vector<int64_t> idsOfShelf(const core::Value& shelf) {
    std::vector<int64_t> ids;
    for (size_t i = 0; i < shelf.size(); ++i)
        ids.push_back(shelf[i]["BookId"].asInt().value_or(0));
    return ids;
}
} // namespace

class ShelfSyncTest : public ClientTest {};

TEST_F(ShelfSyncTest, TheFourShelvesBecomeTheLocalSiteCategories) {
    logInAsReader();
    Answers answers;
    auto sync = std::make_shared<GetBookCaseBooks>();
    sync->getBookCaseBookWithTarget(answers.receiver, answers.selector(), nullptr);
    ASSERT_TRUE(waitFor([&] { return answers.values.size() == 1; }));
    const core::Value data = answers.values[0];
    EXPECT_EQ(idsOfShelf(data["0"]), std::vector<int64_t>{Catalogue::kSishu});
    EXPECT_EQ(idsOfShelf(data["1"]), (std::vector<int64_t>{Catalogue::kShijing, Catalogue::kLunyu}));
    EXPECT_EQ(idsOfShelf(data["2"]), std::vector<int64_t>{Catalogue::kChuci});
    ASSERT_TRUE(data["3"].isArray()); // fetched, and empty
    EXPECT_EQ(data["3"].size(), 0u);
    std::vector<std::string> asked;
    for (const auto& r : m_site->requests(Host::Interface, "/api/GetBookCaseBooks.ashx"))
        asked.push_back(r.target);
    EXPECT_EQ(asked, (std::vector<std::string>{"/api/GetBookCaseBooks.ashx?t=0", "/api/GetBookCaseBooks.ashx?t=1",
                                               "/api/GetBookCaseBooks.ashx?t=2", "/api/GetBookCaseBooks.ashx?t=3"}));

    ASSERT_TRUE(sync->saveBookcaseWithUserId(m_user, data, nullptr));
    auto categories = CategoryTB::getAllRZCategory();
    ASSERT_TRUE(categories);
    std::map<std::string, int64_t> categoryIds;
    for (const auto& c : *categories)
        categoryIds[c["cname"].asString().value_or("")] = c["cid"].asInt().value_or(0);
    ASSERT_EQ(categoryIds.size(), 4u);
    auto books = BookTB::getAllRZBooks();
    ASSERT_TRUE(books);
    std::map<int64_t, int64_t> shelfOf;
    for (const auto& b : *books) {
        shelfOf[b["rzId"].asInt().value_or(0)] = b["cid"].asInt().value_or(0);
        EXPECT_EQ(b["status"].asInt(), 1); // the chapter list is still to be fetched
    }
    EXPECT_EQ(shelfOf.size(), 4u);
    EXPECT_EQ(shelfOf[Catalogue::kSishu], categoryIds["VIP书架"]);
    EXPECT_EQ(shelfOf[Catalogue::kLunyu], categoryIds["书架1"]);
    EXPECT_EQ(shelfOf[Catalogue::kChuci], categoryIds["书架2"]);
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(Catalogue::kShijing, core::Value(m_user)), 1);
}

TEST_F(ShelfSyncTest, ShelvesThatFailOrDoNotParseAreLeftOut) {
    // Not logged in: every shelf answers an error object, which is no shelf.
    Answers answers;
    auto sync = std::make_shared<GetBookCaseBooks>();
    sync->getBookCaseBookWithTarget(answers.receiver, answers.selector(), nullptr);
    ASSERT_TRUE(waitFor([&] { return answers.values.size() == 1; }));
    EXPECT_EQ(answers.values[0].size(), 0u);
    // Saving nothing still makes the four shelves.
    EXPECT_TRUE(sync->saveBookcaseWithUserId(m_user, answers.values[0], nullptr));
    EXPECT_EQ(CategoryTB::getAllRZCategory()->size(), 4u);

    logInAsReader();
    m_site->script(Host::Interface, "/api/GetBookCaseBooks.ashx", Reply::text(200, "<html>busy</html>", "text/html"));
    sync->getBookCaseBookWithTarget(answers.receiver, answers.selector(), nullptr);
    ASSERT_TRUE(waitFor([&] { return answers.values.size() == 2; }));
    EXPECT_FALSE(answers.values[1].contains("0"));
    EXPECT_TRUE(answers.values[1].contains("1"));
    EXPECT_TRUE(answers.values[1].contains("3"));
}

TEST_F(ShelfSyncTest, ANewFetchSupersedesTheOneRunning) {
    logInAsReader();
    Answers first, second;
    auto sync = std::make_shared<GetBookCaseBooks>();
    sync->getBookCaseBookWithTarget(first.receiver, first.selector(), nullptr);
    sync->getBookCaseBookWithTarget(second.receiver, second.selector(), nullptr);
    ASSERT_TRUE(waitFor([&] { return second.values.size() == 1; }));
    drain();
    EXPECT_TRUE(first.values.empty());
    EXPECT_EQ(second.values[0].size(), 4u);

    // A receiver that has gone is not called.
    Answers gone;
    sync->getBookCaseBookWithTarget(gone.receiver, gone.selector(), nullptr);
    gone.receiver.reset();
    ASSERT_TRUE(waitFor([&] { return sync->networkQueue()->operationCount() == 0; }));
    drain();
    EXPECT_TRUE(gone.values.empty());
}

class BookmarkTest : public ClientTest {};

TEST_F(BookmarkTest, TheSiteBookmarkIsWrittenAndReadBack) {
    logInAsReader();
    auto sync = BookmarkSync::create();
    Answers a;
    sync->bookmarkUploadWithTarget(a.receiver, a.selector(), Catalogue::kTang, Catalogue::kTangFirstChapter + 9, true);
    ASSERT_TRUE(waitFor([&] { return a.values.size() == 1; }));
    EXPECT_EQ(a.values[0][0].asBool(), true);
    EXPECT_EQ(m_site->requests(Host::Interface, "/api/AddFavoriteBookMark.ashx")[0].target,
              "/api/AddFavoriteBookMark.ashx?BookId=3000000005&ChapterId=6000000010&IsVipBook=1");

    sync->bookmarkSyncWithTarget(a.receiver, a.selector(), Catalogue::kTang);
    ASSERT_TRUE(waitFor([&] { return a.values.size() == 2; }));
    EXPECT_EQ(a.values[1][0].asBool(), true);
    EXPECT_EQ(a.values[1][1].asString(), "6000000010");
    EXPECT_EQ(m_site->requests(Host::Interface, "/api/GetBookMark.ashx")[0].target,
              "/api/GetBookMark.ashx?BookId=3000000005");
}

TEST_F(BookmarkTest, AnswersThatAreNotWhatTheSiteSendsAreFailures) {
    struct Case {
        bool upload;
        std::string answer;
        bool ok;
    } cases[] = {
        {false, "0", false},
        {false, "12345", true},
        {false, "12abc", false},
        {false, "<html>", false},
        {false, "-3", false},
        {true, R"({"data":0})", true},
        {true, R"({"data":1})", false},
        {true, "<html>", false},
        {true, R"({"msg":"x"})", false},
    };
    logInAsReader();
    auto sync = BookmarkSync::create();
    Answers a;
    for (const auto& c : cases) {
        const std::string path = c.upload ? "/api/AddFavoriteBookMark.ashx" : "/api/GetBookMark.ashx";
        m_site->script(Host::Interface, path, Reply::text(200, c.answer));
        const size_t before = a.values.size();
        if (c.upload)
            sync->bookmarkUploadWithTarget(a.receiver, a.selector(), Catalogue::kLunyu, 3, false);
        else
            sync->bookmarkSyncWithTarget(a.receiver, a.selector(), Catalogue::kLunyu);
        ASSERT_TRUE(waitFor([&] { return a.values.size() > before; })) << c.answer;
        EXPECT_EQ(a.values.back()[0].asBool(), c.ok) << c.answer;
        EXPECT_EQ(a.values.back()[1].asString(), c.answer);
    }
    // A failed request answers [false].
    m_site->script(Host::Interface, "/api/GetBookMark.ashx", Reply::drop("12345", 0), 2);
    sync->bookmarkSyncWithTarget(a.receiver, a.selector(), Catalogue::kLunyu);
    const size_t before = a.values.size();
    ASSERT_TRUE(waitFor([&] { return a.values.size() > before; }));
    EXPECT_EQ(a.values.back().size(), 1u);
    EXPECT_EQ(a.values.back()[0].asBool(), false);
}

class FavoritesTest : public ClientTest {};

TEST_F(FavoritesTest, DeletedBooksLeaveTheSiteShelves) {
    logInAsReader();
    auto favorite = std::make_shared<BookFavorite>();
    Answers a;
    favorite->deleteSiteBookFavoriteWithTarget(a.receiver, a.selector(), "1001,1002");
    ASSERT_TRUE(waitFor([&] { return a.values.size() == 1; }));
    EXPECT_EQ(a.values[0]["Message"].asString(), "已从书架删除2本书");
    const auto posted = m_site->requests(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx");
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].method, "POST");
    EXPECT_EQ(posted[0].body, "bids=1001%2C1002");
    {
        std::lock_guard lock(m_site->lock());
        EXPECT_TRUE(m_site->extension<AccountData>().shelves[StandinSite::kReaderId][1].empty());
    }

    // A reply that is not JSON answers null, as a failed request does.
    m_site->script(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx", Reply::text(200, "<html>oops</html>"));
    favorite->deleteSiteBookFavoriteWithTarget(a.receiver, a.selector(), "1004");
    ASSERT_TRUE(waitFor([&] { return a.values.size() == 2; }));
    EXPECT_TRUE(a.values[1].isNull());
}
