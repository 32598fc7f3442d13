#include "DBTestHome.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/BookmarkTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using pw::BookTB;
using pw::SQLDatabase;
using pw::core::Value;

namespace {

std::vector<std::string> keysOf(const Value& record) {
    return record.asMap() ? record.asMap()->keys() : std::vector<std::string>{};
}

class BookTBTest : public DBTestHome {
protected:
    void SetUp() override {
        DBTestHome::SetUp();
        m_clock = std::make_shared<pw::core::ManualClock>(1'700'000'000.0);
        pw::core::Clock::setShared(m_clock);
        ASSERT_TRUE(pw::MainDB::createMainDBIfNotExists());
    }

    void TearDown() override {
        pw::core::Clock::setShared(nullptr);
        DBTestHome::TearDown();
    }

    int addSiteBook(int64_t rzBookId, int64_t userId = 7, int64_t lastChapterId = 100) {
        return BookTB::addBookWithRZBookId(rzBookId, "书" + std::to_string(rzBookId), "/c.jpg", "/b.rz", "RZ", "作者",
                                           Value(userId), Value(lastChapterId), Value("第一百章"),
                                           Value(int64_t(1'600'000'000'000)), 0);
    }

    SQLDatabase mainDB() {
        SQLDatabase db(pw::MainDB::mainDBPath().string());
        EXPECT_TRUE(db.open());
        return db;
    }

    std::shared_ptr<pw::core::ManualClock> m_clock;
};

TEST_F(BookTBTest, EveryOperationAnswersItsUnopenedValue) {
    std::filesystem::remove(pw::MainDB::mainDBPath());
    int64_t untouched = 55;
    struct Case {
        const char* name;
        std::function<bool()> answersUnopened;
    };
    std::vector<Case> cases = {
        {"isBookExistsByRZBookId", [] { return BookTB::isBookExistsByRZBookId(1) == -2; }},
        {"isBookBelongWithRZBookId", [] { return BookTB::isBookBelongWithRZBookId(1, Value(7)) == -2; }},
        {"getBookIdByRZBookId", [] { return BookTB::getBookIdByRZBookId(1) == -2; }},
        {"getRZBookIdByBookId", [] { return BookTB::getRZBookIdByBookId(1) == -2; }},
        {"getBookNameByRZBookId", [] { return !BookTB::getBookNameByRZBookId(1); }},
        {"getBookNameByBookId", [] { return !BookTB::getBookNameByBookId(1); }},
        {"addBookWithRZBookId", [this] { return addSiteBook(1) == -2; }},
        {"addBookCaseBooksWith", [] { return BookTB::addBookCaseBooksWith({}, Value(7), "书架1") == -2; }},
        {"addLocalBookWithBookName",
         [&] {
             return BookTB::addLocalBookWithBookName("n", "c", "f", "TXT", "a", &untouched) == -2 && untouched == 55;
         }},
        {"saveBookReadingInfoWithBookId", [] { return !BookTB::saveBookReadingInfoWithBookId(1, 0, 0, 0, "", 0); }},
        {"deleteBookReadingInfoWithRZBookId", [] { return !BookTB::deleteBookReadingInfoWithRZBookId(1); }},
        {"getRZBookReadingInfoByRZBookIdChapterId",
         [] { return !BookTB::getRZBookReadingInfoByRZBookIdChapterId(1, 1); }},
        {"getRZBookReadingInfoByRZBookId", [] { return !BookTB::getRZBookReadingInfoByRZBookId(1); }},
        {"getBookReadingInfoByBookId", [] { return !BookTB::getBookReadingInfoByBookId(1); }},
        {"getAllRZBooks", [] { return !BookTB::getAllRZBooks(); }},
        {"getAllLocalBooks", [] { return !BookTB::getAllLocalBooks(); }},
        {"getAllBooks", [] { return !BookTB::getAllBooks(); }},
        {"getAllBooksWithCategoryId", [] { return !BookTB::getAllBooksWithCategoryId(1); }},
        {"getRZBooksInfoByRZBookId", [] { return !BookTB::getRZBooksInfoByRZBookId(1); }},
        {"getAllLocalBooksFilePathAndIds", [] { return !BookTB::getAllLocalBooksFilePathAndIds(); }},
        {"getAllNotifyRZBooks", [] { return !BookTB::getAllNotifyRZBooks(); }},
        {"getAllNotifyRZBookIds", [] { return !BookTB::getAllNotifyRZBookIds(); }},
        {"getLocalLastChapterIdByRZBookId", [] { return !BookTB::getLocalLastChapterIdByRZBookId(1); }},
        {"updateBookDBStateByRZBookId", [] { return !BookTB::updateBookDBStateByRZBookId(1); }},
        {"updateLastChapterId", [] { return !BookTB::updateLastChapterId(Value(1), Value("n"), Value(1), 1); }},
        {"updateServerLstChapterId", [] { return !BookTB::updateServerLstChapterId(1, 1); }},
        {"setNotifyBookUpdateByRZBookId", [] { return !BookTB::setNotifyBookUpdateByRZBookId(1, true); }},
        {"isSetBookUpdateNotifyRZBookId", [] { return !BookTB::isSetBookUpdateNotifyRZBookId(1); }},
        {"updateBooks", [] { return !BookTB::updateBooks({1}, 2); }},
        {"updateBooksFromCategory", [] { return !BookTB::updateBooksFromCategory(1, 2); }},
        {"deleteBookWithBookId", [] { return !BookTB::deleteBookWithBookId(1); }},
        {"deleteBooksWithBookIds",
         [] {
             return !BookTB::deleteBooksWithBookIds({1, 2});
         }},
        {"deleteBookWithTransaction",
         [] {
             return !BookTB::deleteBookWithTransaction(true, {{"delete from book", {}}});
         }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.answersUnopened()) << c.name;
    // Asking never makes the file: only the start-up creates it, with its tables.
    EXPECT_FALSE(pw::MainDB::isMainDBExists());
}

TEST_F(BookTBTest, AddingASiteBookInsertsThenRefreshes) {
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(1234), 0);
    ASSERT_EQ(addSiteBook(1234), 0);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(1234), 1);
    int64_t bookId = BookTB::getBookIdByRZBookId(1234);
    EXPECT_GT(bookId, 0);
    EXPECT_EQ(BookTB::getRZBookIdByBookId(bookId), 1234);
    EXPECT_EQ(BookTB::getBookNameByRZBookId(1234), "书1234");
    EXPECT_EQ(BookTB::getBookNameByBookId(bookId), "书1234");

    auto books = BookTB::getAllBooks();
    ASSERT_TRUE(books);
    ASSERT_EQ(books->size(), 1u);
    const Value& book = books->front();
    EXPECT_EQ(keysOf(book), (std::vector<std::string>{"bid", "rzId", "bname", "cover", "file", "pos", "pos2", "type",
                                                      "lstReadt", "lstReadChptName", "percent", "cid", "author",
                                                      "usrId", "status", "ext1", "currLstChapterId", "lstChapterId"}));
    EXPECT_EQ(book["pos"].asInt(), -1);
    EXPECT_EQ(book["pos2"].asInt(), -1);
    EXPECT_EQ(book["type"].asString(), "RZ");
    EXPECT_EQ(book["lstReadt"].asInt(), 1'700'000'000);
    EXPECT_EQ(book["lstReadChptName"].asString(), "");
    EXPECT_EQ(book["cid"].asInt(), -1);
    EXPECT_EQ(book["usrId"].asInt(), 7);
    EXPECT_EQ(book["ext1"].asInt(), -2);
    EXPECT_EQ(book["currLstChapterId"].asInt(), -2);
    EXPECT_EQ(book["lstChapterId"].asInt(), 100);

    // Already on the shelf: only the read time and the newest chapter move.
    m_clock->advance(60);
    ASSERT_TRUE(BookTB::saveBookReadingInfoWithBookId(bookId, 30, 1'700'000'010, 99, "第九十九章", 42.5f));
    ASSERT_EQ(BookTB::addBookWithRZBookId(1234, "另一个名字", "/x.jpg", "/x.rz", "RZ", "别人", Value(8), Value(101),
                                          Value("第一百零一章"), Value(int64_t(1'600'000'100'000)), 1),
              0);
    SQLDatabase db = mainDB();
    auto rs = db.executeQuery(
        "select BookName, RZUserId, Position, Position2, LastReadTime, ExtString5, ExtInt5, ExtInt2, Status from book");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), "书1234");
    EXPECT_EQ(rs->intForColumnIndex(1), 7);
    EXPECT_EQ(rs->intForColumnIndex(2), 99);
    EXPECT_EQ(rs->intForColumnIndex(3), 30);
    EXPECT_EQ(rs->longLongIntForColumnIndex(4), 1'700'000'060);
    EXPECT_EQ(rs->stringForColumnIndex(5), "第一百零一章");
    EXPECT_EQ(rs->intForColumnIndex(6), 101);
    EXPECT_EQ(rs->longLongIntForColumnIndex(7), 1'600'000'100'000);
    EXPECT_EQ(rs->intForColumnIndex(8), 0);
    EXPECT_FALSE(rs->next());
}

TEST_F(BookTBTest, UnknownBooksAnswerTheirCodes) {
    EXPECT_EQ(BookTB::getBookIdByRZBookId(999), -3);
    EXPECT_EQ(BookTB::getRZBookIdByBookId(999), -3);
    EXPECT_EQ(BookTB::getBookNameByRZBookId(999), "");
    EXPECT_EQ(BookTB::getBookNameByBookId(999), std::nullopt);
    EXPECT_EQ(BookTB::getLocalLastChapterIdByRZBookId(999), Value::Array{});
    EXPECT_FALSE(BookTB::isSetBookUpdateNotifyRZBookId(999));
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(999, Value(7)), 0);
}

TEST_F(BookTBTest, BundledBookIsClaimedByItsFirstReader) {
    ASSERT_EQ(addSiteBook(77, BookTB::BundledBookUserId), 0);
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(77, Value("7")), 1);
    EXPECT_EQ((*BookTB::getAllBooks())[0]["usrId"].asInt(), 7);
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(77, Value(8)), 0);
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(77, Value(7)), 1);
}

TEST_F(BookTBTest, LocalBooksAreKeptApartFromSiteBooks) {
    ASSERT_EQ(addSiteBook(1), 0);
    ASSERT_TRUE(BookTB::setNotifyBookUpdateByRZBookId(1, true));
    int64_t localId = 0;
    ASSERT_EQ(BookTB::addLocalBookWithBookName("红楼梦", "", "hongloumeng.txt", "TXT", "曹雪芹", &localId), 0);
    EXPECT_GT(localId, 0);
    // A local book with the reminder flag set anyway still stays out of the site lists.
    SQLDatabase db = mainDB();
    ASSERT_TRUE(db.executeUpdate("update book set ExtInt3 = 1"));

    auto site = BookTB::getAllRZBooks();
    auto local = BookTB::getAllLocalBooks();
    ASSERT_TRUE(site && local);
    ASSERT_EQ(site->size(), 1u);
    EXPECT_EQ((*site)[0]["rzId"].asInt(), 1);
    ASSERT_EQ(local->size(), 1u);
    EXPECT_EQ((*local)[0]["bid"].asInt(), localId);
    EXPECT_EQ((*local)[0]["rzId"].asInt(), BookTB::LocalBookSiteId);
    EXPECT_EQ(keysOf((*local)[0]),
              (std::vector<std::string>{"bid", "rzId", "bname", "cover", "file", "type", "lstReadt", "percent", "cid",
                                        "author", "status", "currLstChapterId", "lstChapterId"}));
    EXPECT_EQ(BookTB::getAllNotifyRZBooks()->size(), 1u);
    EXPECT_EQ(BookTB::getAllNotifyRZBookIds(), (std::vector<int64_t>{1}));
    auto files = BookTB::getAllLocalBooksFilePathAndIds();
    ASSERT_TRUE(files);
    ASSERT_EQ(files->size(), 1u);
    EXPECT_EQ((*files)[0]["file"].asString(), "hongloumeng.txt");
    EXPECT_EQ((*files)[0]["bid"].asInt(), localId);
}

TEST_F(BookTBTest, FailedInsertHandsOutNoRowId) {
    SQLDatabase db = mainDB();
    ASSERT_TRUE(db.executeUpdate("drop table book"));
    int64_t bookId = 55;
    EXPECT_EQ(BookTB::addLocalBookWithBookName("n", "c", "f", "TXT", "a", &bookId), -1);
    EXPECT_EQ(bookId, 55);
    EXPECT_EQ(addSiteBook(1), -1);
    EXPECT_FALSE(BookTB::getAllBooks());
}

TEST_F(BookTBTest, ReadingPlaceIsSavedReadAndCleared) {
    ASSERT_EQ(addSiteBook(5), 0);
    int64_t bookId = BookTB::getBookIdByRZBookId(5);
    ASSERT_TRUE(BookTB::saveBookReadingInfoWithBookId(bookId, 120, 1'700'000'500, 3001, "第三章", 12.5));

    EXPECT_EQ(BookTB::getRZBookReadingInfoByRZBookIdChapterId(5, 3001),
              (Value::Array{Value(120), Value(1'700'000'500), Value("第三章"), Value(12.5)}));
    EXPECT_EQ(BookTB::getRZBookReadingInfoByRZBookIdChapterId(5, 3002), Value::Array{});
    EXPECT_EQ(BookTB::getRZBookReadingInfoByRZBookId(5),
              (Value::Array{Value(120), Value(1'700'000'500), Value("第三章"), Value(12.5), Value(3001)}));
    EXPECT_EQ(
        BookTB::getBookReadingInfoByBookId(bookId),
        (Value::Array{Value(120), Value(1'700'000'500), Value("第三章"), Value(12.5), Value(3001), Value("书5")}));
    EXPECT_EQ(BookTB::getBookReadingInfoByBookId(bookId + 1), Value::Array{});

    ASSERT_TRUE(BookTB::deleteBookReadingInfoWithRZBookId(5));
    auto info = BookTB::getRZBookReadingInfoByRZBookId(5);
    ASSERT_TRUE(info);
    EXPECT_EQ((*info)[0].asInt(), -1);
    EXPECT_EQ((*info)[4].asInt(), -1);
}

TEST_F(BookTBTest, SiteShelfSynchronisation) {
    Value::Array shelf = {
        Value(Value::Map{{"BookId", Value(10)},
                         {"BookName", Value("新书")},
                         {"AuthorName", Value("甲")},
                         {"LastChapterId", Value(500)},
                         {"LastChapterName", Value("第五百章")},
                         {"LastChapterTime", Value(int64_t(1'650'000'000'000))}}),
        Value(Value::Map{{"BookId", Value(11)},
                         {"BookName", Value("旧书")},
                         {"AuthorName", Value("乙")},
                         {"LastChapterId", Value("600")},
                         {"LastChapterName", Value("第六百章")},
                         {"LastChapterTime", Value(int64_t(1'650'000'000'001))}}),
    };
    EXPECT_EQ(BookTB::addBookCaseBooksWith(shelf, Value(7), "书架1"), -3);
    EXPECT_TRUE(BookTB::getAllBooks()->empty());

    ASSERT_TRUE(pw::CategoryTB::syncBookCases());
    int64_t groupId = (*pw::CategoryTB::getAllCategory())[1]["cid"].asInt().value();
    ASSERT_EQ(addSiteBook(11, 3), 0);
    int64_t oldId = BookTB::getBookIdByRZBookId(11);
    ASSERT_TRUE(BookTB::saveBookReadingInfoWithBookId(oldId, 9, 1'700'000'001, 44, "第四十四章", 5));

    ASSERT_EQ(BookTB::addBookCaseBooksWith(shelf, Value(7), "书架1"), 0);
    auto fresh = BookTB::getRZBooksInfoByRZBookId(10);
    ASSERT_TRUE(fresh);
    ASSERT_EQ(fresh->size(), 1u);
    EXPECT_EQ((*fresh)[0]["status"].asInt(), 1);
    EXPECT_EQ((*fresh)[0]["file"].asString(), (m_home / "Documents/torvane/book").string() + "/10.rz");

    SQLDatabase db = mainDB();
    auto rs = db.executeQuery("select Cover, LastReadTime, CategoryId, RZUserId, ExtInt5, ExtString5, ExtInt2, Type, "
                              "Author from book where RZBookId = 10");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), (m_home / "Documents/torvane/cover").string() + "/10.jpg");
    EXPECT_EQ(rs->intForColumnIndex(1), -1);
    EXPECT_EQ(rs->intForColumnIndex(2), groupId);
    EXPECT_EQ(rs->intForColumnIndex(3), 7);
    EXPECT_EQ(rs->intForColumnIndex(4), 500);
    EXPECT_EQ(rs->stringForColumnIndex(5), "第五百章");
    EXPECT_EQ(rs->longLongIntForColumnIndex(6), 1'650'000'000'000);
    EXPECT_EQ(rs->stringForColumnIndex(7), "RZ");
    EXPECT_EQ(rs->stringForColumnIndex(8), "甲");
    rs->close();

    // The book already there moves to the group, keeps its owner and its reading place.
    rs = db.executeQuery("select CategoryId, RZUserId, Position, Position2, ExtInt5 from book where RZBookId = 11");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), groupId);
    EXPECT_EQ(rs->intForColumnIndex(1), 3);
    EXPECT_EQ(rs->intForColumnIndex(2), 44);
    EXPECT_EQ(rs->intForColumnIndex(3), 9);
    EXPECT_EQ(rs->intForColumnIndex(4), 600);
    rs->close();
    EXPECT_EQ(BookTB::addBookCaseBooksWith({}, Value(7), "书架1"), 0);
}

TEST_F(BookTBTest, NewestChapterAndReminder) {
    ASSERT_EQ(addSiteBook(3, 7, 100), 0);
    EXPECT_EQ(BookTB::getLocalLastChapterIdByRZBookId(3), (Value::Array{Value(-2), Value("书3"), Value(100)}));
    ASSERT_TRUE(BookTB::updateServerLstChapterId(120, 3));
    ASSERT_TRUE(BookTB::updateBookDBStateByRZBookId(3));
    EXPECT_EQ(BookTB::getLocalLastChapterIdByRZBookId(3), (Value::Array{Value(120), Value("书3"), Value(120)}));

    m_clock->advance(5);
    ASSERT_TRUE(BookTB::updateLastChapterId(Value(130), Value("第一百三十章"), Value(int64_t(1'660'000'000'000)), 3));
    EXPECT_TRUE(BookTB::getAllNotifyRZBooks()->empty());
    ASSERT_TRUE(BookTB::setNotifyBookUpdateByRZBookId(3, true));
    EXPECT_TRUE(BookTB::isSetBookUpdateNotifyRZBookId(3));
    auto notify = BookTB::getAllNotifyRZBooks();
    ASSERT_EQ(notify->size(), 1u);
    const Value& book = (*notify)[0];
    EXPECT_EQ(keysOf(book),
              (std::vector<std::string>{"bid", "rzId", "bname", "cover", "file", "author", "usrId", "newchptname",
                                        "newchpttime", "currLstChapterId", "lstChapterId"}));
    EXPECT_EQ(book["newchptname"].asString(), "第一百三十章");
    EXPECT_EQ(book["newchpttime"].asInt(), 1'660'000'000'000);
    EXPECT_LT(*book["currLstChapterId"].asInt(), *book["lstChapterId"].asInt());
    EXPECT_EQ((*BookTB::getAllBooks())[0]["lstReadt"].asInt(), 1'700'000'005);

    ASSERT_TRUE(BookTB::setNotifyBookUpdateByRZBookId(3, false));
    EXPECT_FALSE(BookTB::isSetBookUpdateNotifyRZBookId(3));
    EXPECT_EQ(mainDB().intForQuery("select ExtInt3 from book"), -2);
}

TEST_F(BookTBTest, MovingBooksBetweenGroups) {
    for (int64_t id = 1; id <= 10; ++id)
        ASSERT_EQ(addSiteBook(id), 0);
    ASSERT_TRUE(BookTB::updateBooks({7, 9}, 3));
    auto group = BookTB::getAllBooksWithCategoryId(3);
    ASSERT_TRUE(group);
    std::vector<int64_t> ids;
    for (const Value& book : *group)
        ids.push_back(*book["bid"].asInt());
    EXPECT_EQ(ids, (std::vector<int64_t>{7, 9}));
    EXPECT_EQ(keysOf(group->front()).back(), "ext1");
    EXPECT_EQ(keysOf(group->front()).size(), 16u);

    EXPECT_TRUE(BookTB::updateBooks({}, 4));
    ASSERT_TRUE(BookTB::updateBooksFromCategory(3, -1));
    EXPECT_TRUE(BookTB::getAllBooksWithCategoryId(3)->empty());
    EXPECT_EQ(BookTB::getAllBooksWithCategoryId(-1)->size(), 10u);

    // A long selection goes through in slices, all in one transaction.
    std::vector<int64_t> many;
    for (int64_t id = 1; id <= 1200; ++id)
        many.push_back(id);
    ASSERT_TRUE(BookTB::updateBooks(many, 5));
    EXPECT_EQ(BookTB::getAllBooksWithCategoryId(5)->size(), 10u);
}

TEST_F(BookTBTest, DeletingBooksTakesTheirBookmarksAllOrNothing) {
    for (int64_t id = 1; id <= 3; ++id) {
        ASSERT_EQ(addSiteBook(id), 0);
        ASSERT_TRUE(pw::BookmarkTB::addBookmarkByBookId(id, "mark", 1, 2, 3, 4));
    }
    ASSERT_TRUE(BookTB::deleteBookWithBookId(1));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(1), 0);
    EXPECT_TRUE(pw::BookmarkTB::getAllBookmarkByBookId(1)->empty());
    EXPECT_EQ(pw::BookmarkTB::getAllBookmarkByBookId(2)->size(), 1u);

    ASSERT_TRUE(BookTB::deleteBooksWithBookIds({2, 3}));
    EXPECT_TRUE(BookTB::getAllBooks()->empty());
    EXPECT_TRUE(pw::BookmarkTB::getAllBookmarkByBookId(3)->empty());

    // When the bookmarks cannot be deleted, the book stays too.
    ASSERT_EQ(addSiteBook(4), 0);
    SQLDatabase db = mainDB();
    ASSERT_TRUE(db.executeUpdate("drop table bookmark"));
    EXPECT_FALSE(BookTB::deleteBookWithBookId(4));
    EXPECT_FALSE(BookTB::deleteBooksWithBookIds({4}));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(4), 1);
}

TEST_F(BookTBTest, StatementListRunsWithOrWithoutTransaction) {
    ASSERT_EQ(addSiteBook(1), 0);
    ASSERT_EQ(addSiteBook(2), 0);
    std::vector<BookTB::Statement> failing = {
        {"delete from book where RZBookId = ?", {Value(1)}},
        {"delete from nowhere where x = ?", {Value(2)}},
    };
    EXPECT_FALSE(BookTB::deleteBookWithTransaction(true, failing));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(1), 1);
    EXPECT_FALSE(BookTB::deleteBookWithTransaction(false, failing));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(1), 0);
    EXPECT_TRUE(BookTB::deleteBookWithTransaction(true, {{"delete from book where RZBookId = ?", {Value(2)}}}));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(2), 0);
}

} // namespace
