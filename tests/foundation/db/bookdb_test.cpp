#include "DBTestHome.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/SQLDatabase.h"
#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using pw::BookDB;
using pw::SQLDatabase;
using pw::core::Value;

namespace {

constexpr int64_t Book = 1234;

Value chapter(int64_t id, int64_t volume, int vip = 0, int price = 0, const char* name = nullptr) {
    return Value(Value::Map{
        {"c", Value(id)},
        {"n", Value(name ? std::string(name) : "第" + std::to_string(id) + "章")},
        {"v", Value(vip)},
        {"p", Value(price)},
        {"t", Value(int64_t(1'600'000'000'000) + id)},
        {"w", Value(3000)},
        {"vc", Value(volume)},
    });
}

class BookDBTest : public DBTestHome {
protected:
    std::filesystem::path file() const { return bookFolder() / "1234.rz"; }

    // Chapters 1..3 in volume 2, 10 in volume 10, and 5 in volume 1: reading
    // order 5, 1, 2, 3, 10.
    void makeBook() {
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
        ASSERT_TRUE(BookDB::addChapters(
            {chapter(1, 2), chapter(2, 2, 1, 10), chapter(3, 2, 1, 0), chapter(10, 10), chapter(5, 1)}, Book));
    }

    std::vector<int64_t> ids(const std::optional<Value::Array>& info) const {
        std::vector<int64_t> out;
        if (info && !info->empty())
            out.push_back(*(*info)[0].asInt());
        return out;
    }
};

TEST_F(BookDBTest, NewFileHasItsTablesAndVersion) {
    std::string path;
    EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookIdPath(Book, nullptr));
    EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookIdPath(Book, &path));
    EXPECT_EQ(path, file().string());
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
    EXPECT_TRUE(BookDB::isBookDBExistsWithRZBookId(Book));
    EXPECT_EQ(userVersion(file()), 200);

    using Columns = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(columnsOf(file(), "chapter"), (Columns{{"ChapterId", "integer"},
                                                     {"ChapterName", "text"},
                                                     {"IsVip", "integer"},
                                                     {"IsDownloaded", "integer"},
                                                     {"Price", "integer"},
                                                     {"UpdateTime", "integer"},
                                                     {"WordsCount", "integer"},
                                                     {"ExtInt1", "integer"},
                                                     {"ExtInt2", "integer"},
                                                     {"ExtString1", "text"},
                                                     {"ExtString2", "text"},
                                                     {"ExtFloat1", "float"}}));
    EXPECT_EQ(columnsOf(file(), "chaptercontent"), (Columns{{"ChapterId", "integer"}, {"Content", "text"}}));
    EXPECT_EQ(columnsOf(file(), "vipchaptercontent"),
              (Columns{{"ChapterId", "integer"}, {"Content", "blob"}, {"UserId", "integer"}}));
    EXPECT_EQ(columnsOf(file(), "volumes"), (Columns{{"VolumeCode", "text"}, {"VolumeName", "text"}}));

    // Creating again leaves the file as it is.
    ASSERT_TRUE(BookDB::addChapters({chapter(1, 1)}, Book));
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Book), 1);
}

TEST_F(BookDBTest, OlderFileGainsVolumes) {
    for (int version : {0, 100, 199}) {
        SCOPED_TRACE(version);
        std::filesystem::remove(file());
        {
            SQLDatabase db(file().string());
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(db.executeUpdate(
                "create table chapter (ChapterId integer primary key, ChapterName text, IsVip integer, "
                "IsDownloaded integer, Price integer, UpdateTime integer, WordsCount integer, ExtInt1 integer, "
                "ExtInt2 integer, ExtString1 text, ExtString2 text, ExtFloat1 float)"));
            ASSERT_TRUE(db.executeUpdate("create table chaptercontent (ChapterId integer primary key, Content text);"));
            ASSERT_TRUE(db.executeUpdate(
                "create table vipchaptercontent (ChapterId integer primary key, Content BLOB,UserId integer);"));
            ASSERT_TRUE(db.executeUpdate("insert into chapter values (7, '旧章', 0, 1, 0, 0, 0, 1, -2, '', '', -2)"));
            ASSERT_TRUE(db.executeUpdate("insert into chaptercontent values (7, '旧文')"));
            ASSERT_TRUE(db.executeUpdate("PRAGMA user_version = " + std::to_string(version)));
        }
        EXPECT_TRUE(columnsOf(file(), "volumes").empty());
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
        EXPECT_EQ(userVersion(file()), 200);
        EXPECT_EQ(columnsOf(file(), "volumes").size(), 2u);
        EXPECT_EQ(BookDB::getChapterContentWithRZBookId(Book, 7), (Value::Array{Value("旧章"), Value("旧文")}));
    }
}

TEST_F(BookDBTest, MissingAndUnopenedFilesAnswerTheirCodes) {
    struct Case {
        const char* name;
        std::function<bool()> missing;
        std::function<bool()> unopened;
    };
    auto noList = [](auto answer) { return !answer.has_value(); };
    std::vector<Case> cases = {
        {"addChapters", [] { return !BookDB::addChapters({chapter(1, 1)}, Book); },
         [] { return !BookDB::addChapters({chapter(1, 1)}, Book); }},
        {"addVolumes", [] { return !BookDB::addVolumes({}, Book); }, [] { return !BookDB::addVolumes({}, Book); }},
        {"saveChapterWithRZBookId", [] { return !BookDB::saveChapterWithRZBookId(Book, 1, "x"); },
         [] { return !BookDB::saveChapterWithRZBookId(Book, 1, "x"); }},
        {"saveVipChapterWithRZBookId", [] { return !BookDB::saveVipChapterWithRZBookId(Book, 1, {}, Value(7)); },
         [] { return !BookDB::saveVipChapterWithRZBookId(Book, 1, {}, Value(7)); }},
        {"deleteChapterByRZBookId", [] { return BookDB::deleteChapterByRZBookId(Book, 1); },
         [] { return !BookDB::deleteChapterByRZBookId(Book, 1); }},
        {"deleteVipChapterByRZBookId", [] { return BookDB::deleteVipChapterByRZBookId(Book, 1); },
         [] { return !BookDB::deleteVipChapterByRZBookId(Book, 1); }},
        {"chapterHasDownloadByRZBookId", [] { return BookDB::chapterHasDownloadByRZBookId(Book, 1) == -2; },
         [] { return BookDB::chapterHasDownloadByRZBookId(Book, 1) == -1; }},
        {"isVipChapterByRZBookId", [] { return BookDB::isVipChapterByRZBookId(Book, 1) == -2; },
         [] { return BookDB::isVipChapterByRZBookId(Book, 1) == -1; }},
        {"getAllChapterCountByRZBookId", [] { return BookDB::getAllChapterCountByRZBookId(Book) == -2; },
         [] { return BookDB::getAllChapterCountByRZBookId(Book) == -1; }},
        {"getVipChapterLocalUserIdByRZBookId", [] { return BookDB::getVipChapterLocalUserIdByRZBookId(Book, 1) == -1; },
         [] { return BookDB::getVipChapterLocalUserIdByRZBookId(Book, 1) == -2; }},
        {"getLocalSecondMaxChapterIdWithRZBookId",
         [] { return BookDB::getLocalSecondMaxChapterIdWithRZBookId(Book) == 0; },
         [] { return BookDB::getLocalSecondMaxChapterIdWithRZBookId(Book) == 0; }},
        {"getAllChaptersWithRZBookId", [=] { return noList(BookDB::getAllChaptersWithRZBookId(Book)); },
         [=] { return noList(BookDB::getAllChaptersWithRZBookId(Book)); }},
        {"getAllVolumeWithRZBookId", [=] { return noList(BookDB::getAllVolumeWithRZBookId(Book)); },
         [=] { return noList(BookDB::getAllVolumeWithRZBookId(Book)); }},
        {"getAllChapterIdByRZBookId", [=] { return noList(BookDB::getAllChapterIdByRZBookId(Book)); },
         [=] { return noList(BookDB::getAllChapterIdByRZBookId(Book)); }},
        {"getAllNotDownloadedChapterIdsByRZBookId",
         [=] { return noList(BookDB::getAllNotDownloadedChapterIdsByRZBookId(Book)); },
         [=] { return noList(BookDB::getAllNotDownloadedChapterIdsByRZBookId(Book)); }},
        {"getFirstChapterInfoByRZBookId", [=] { return noList(BookDB::getFirstChapterInfoByRZBookId(Book)); },
         [=] { return noList(BookDB::getFirstChapterInfoByRZBookId(Book)); }},
        {"getNextChapterInfoWithRZBookId", [=] { return noList(BookDB::getNextChapterInfoWithRZBookId(Book, 1)); },
         [=] { return noList(BookDB::getNextChapterInfoWithRZBookId(Book, 1)); }},
        {"getPrevChapterInfoWithRZBookId", [=] { return noList(BookDB::getPrevChapterInfoWithRZBookId(Book, 1)); },
         [=] { return noList(BookDB::getPrevChapterInfoWithRZBookId(Book, 1)); }},
        {"getChapterContentWithRZBookId", [=] { return noList(BookDB::getChapterContentWithRZBookId(Book, 1)); },
         [=] { return noList(BookDB::getChapterContentWithRZBookId(Book, 1)); }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.missing()) << c.name << " on a missing file";
    // Nothing above made the file.
    EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookId(Book));

    // Something that exists but cannot be opened as a database file.
    std::filesystem::create_directories(file());
    for (const Case& c : cases)
        EXPECT_TRUE(c.unopened()) << c.name << " on a file that cannot be opened";
    EXPECT_FALSE(BookDB::createBookDBIfNotExists(Book));
}

TEST_F(BookDBTest, DeletingTheFile) {
    EXPECT_TRUE(BookDB::deleteBookDBFileByRZBookId(Book));
    makeBook();
    std::ofstream(file().string() + "-journal") << "stale";
    EXPECT_TRUE(BookDB::deleteBookDBFileByRZBookId(Book));
    EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookId(Book));
    EXPECT_FALSE(std::filesystem::exists(file().string() + "-journal"));
}

TEST_F(BookDBTest, ChapterListIsStoredOnceInReadingOrder) {
    makeBook();
    EXPECT_EQ(BookDB::getAllChapterIdByRZBookId(Book), (std::vector<int64_t>{5, 1, 2, 3, 10}));
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Book), 5);

    auto chapters = BookDB::getAllChaptersWithRZBookId(Book);
    ASSERT_TRUE(chapters);
    ASSERT_EQ(chapters->size(), 5u);
    const Value& second = (*chapters)[2];
    EXPECT_EQ(second.asMap()->keys(),
              (std::vector<std::string>{"cid", "cname", "vip", "down", "price", "t", "words", "vc"}));
    EXPECT_EQ(second["cid"].asInt(), 2);
    EXPECT_EQ(second["cname"].asString(), "第2章");
    EXPECT_EQ(second["vip"].asInt(), 1);
    EXPECT_EQ(second["down"].asInt(), 0);
    EXPECT_EQ(second["price"].asInt(), 10);
    EXPECT_EQ(second["t"].asInt(), 1'600'000'000'002);
    EXPECT_EQ(second["words"].asInt(), 3000);
    EXPECT_EQ(second["vc"].asInt(), 2);

    // Stored again with other names and flags: the first rows stay, downloaded flags included.
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Book, 1, "正文"));
    ASSERT_TRUE(BookDB::addChapters({chapter(1, 2, 1, 99, "改名"), chapter(11, 10)}, Book));
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Book), 6);
    EXPECT_EQ(BookDB::getChapterInfoWithRZBookId(Book, 1), (Value::Array{Value("第1章"), Value(0), Value(1)}));
    EXPECT_TRUE(BookDB::addChapters({}, Book));

    EXPECT_EQ(BookDB::getFirstChapterInfoByRZBookId(Book),
              (Value::Array{Value(5), Value("第5章"), Value(0), Value(0)}));
    EXPECT_EQ(BookDB::getAllNotDownloadedChapterIdsByRZBookId(Book), (std::vector<int64_t>{5, 10, 11}));
    EXPECT_EQ(BookDB::getAllPriceZeroVipChapterIdByRZBookId(Book), (std::vector<int64_t>{3}));
    ASSERT_TRUE(BookDB::saveVipChapterWithRZBookId(Book, 2, pw::core::asByteView("vip"), Value(7)));
    EXPECT_EQ(BookDB::getAllDownloadedVipChapterIdsByRZBookId(Book), (std::vector<int64_t>{2}));
    EXPECT_EQ(BookDB::isVipChapterByRZBookId(Book, 2), 1);
    EXPECT_EQ(BookDB::isVipChapterByRZBookId(Book, 1), 0);
}

TEST_F(BookDBTest, BadEntryRollsTheWholeListBack) {
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
    Value bad = chapter(2, 1);
    bad.set("n", Value::array()); // a list is no chapter name
    EXPECT_FALSE(BookDB::addChapters({chapter(1, 1), bad, chapter(3, 1)}, Book));
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Book), 0);
}

TEST_F(BookDBTest, VolumesSortAsText) {
    makeBook();
    ASSERT_TRUE(BookDB::addVolumes({Value(Value::Map{{"VolumeCode", Value("2")}, {"VolumeName", Value("第二卷")}}),
                                    Value(Value::Map{{"VolumeCode", Value("10")}, {"VolumeName", Value("第十卷")}})},
                                   Book));
    ASSERT_TRUE(
        BookDB::addVolumes({Value(Value::Map{{"VolumeCode", Value("2")}, {"VolumeName", Value("改名")}})}, Book));
    auto volumes = BookDB::getAllVolumeWithRZBookId(Book);
    ASSERT_TRUE(volumes);
    ASSERT_EQ(volumes->size(), 2u);
    EXPECT_EQ((*volumes)[0]["vcode"].asString(), "10");
    EXPECT_EQ((*volumes)[1]["vcode"].asString(), "2");
    EXPECT_EQ((*volumes)[1]["vname"].asString(), "第二卷");
}

TEST_F(BookDBTest, NextAndPreviousChapter) {
    makeBook();
    struct Case {
        int64_t from;
        std::vector<int64_t> next;
        std::vector<int64_t> previous;
    };
    // Reading order: 5, 1, 2, 3, 10.
    std::vector<Case> cases = {
        {5, {1}, {}}, {1, {2}, {5}}, {3, {10}, {2}}, {10, {}, {3}}, {4, {}, {}}, // not in the book
        {-1, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        EXPECT_EQ(ids(BookDB::getNextChapterInfoWithRZBookId(Book, c.from)), c.next);
        EXPECT_EQ(ids(BookDB::getPrevChapterInfoWithRZBookId(Book, c.from)), c.previous);
    }
    EXPECT_EQ(BookDB::getNextChapterInfoWithRZBookId(Book, 1),
              (Value::Array{Value(2), Value("第2章"), Value(1), Value(0)}));

    ASSERT_TRUE(BookDB::createBookDBIfNotExists(99));
    EXPECT_EQ(BookDB::getNextChapterInfoWithRZBookId(99, 1), Value::Array{});
    EXPECT_EQ(BookDB::getPrevChapterInfoWithRZBookId(99, 1), Value::Array{});
    EXPECT_EQ(BookDB::getFirstChapterInfoByRZBookId(99), Value::Array{});
}

TEST_F(BookDBTest, SecondHighestChapterId) {
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Book));
    EXPECT_EQ(BookDB::getLocalSecondMaxChapterIdWithRZBookId(Book), 0);
    ASSERT_TRUE(BookDB::addChapters({chapter(7, 1)}, Book));
    EXPECT_EQ(BookDB::getLocalSecondMaxChapterIdWithRZBookId(Book), 7);
    ASSERT_TRUE(BookDB::addChapters({chapter(9, 1), chapter(3, 5)}, Book));
    EXPECT_EQ(BookDB::getLocalSecondMaxChapterIdWithRZBookId(Book), 7);
}

TEST_F(BookDBTest, ChapterTextsAreSavedReadAndDeleted) {
    makeBook();
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(Book, 1), (Value::Array{Value("第1章")}));
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(Book, 404), Value::Array{});
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 1), 0);

    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Book, 1, "第一稿"));
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Book, 1, "第二稿"));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 1), 1);
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(Book, 1), (Value::Array{Value("第1章"), Value("第一稿")}));

    ASSERT_TRUE(BookDB::deleteChapterByRZBookId(Book, 1));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 1), 0);
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Book, 1, "第二稿"));
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(Book, 1), (Value::Array{Value("第1章"), Value("第二稿")}));

    const pw::core::Bytes paid = {0, 1, 2, 0xFF};
    ASSERT_TRUE(BookDB::saveVipChapterWithRZBookId(Book, 2, paid, Value(77)));
    EXPECT_EQ(BookDB::getVipChapterLocalUserIdByRZBookId(Book, 2), 77);
    EXPECT_EQ(BookDB::getVipChapterLocalUserIdByRZBookId(Book, 3), 0);
    EXPECT_EQ(BookDB::getVipChapterContentWithRZBookId(Book, 2, Value(1)), (Value::Array{Value("第2章"), Value(paid)}));
    ASSERT_TRUE(BookDB::deleteVipChapterByRZBookId(Book, 2));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 2), 0);
    EXPECT_EQ(BookDB::getVipChapterContentWithRZBookId(Book, 2, Value(77)), (Value::Array{Value("第2章")}));
}

TEST_F(BookDBTest, FailedSaveLeavesTheChapterNotDownloaded) {
    makeBook();
    SQLDatabase db(file().string());
    ASSERT_TRUE(db.open());
    ASSERT_TRUE(db.executeUpdate("drop table chaptercontent"));
    EXPECT_FALSE(BookDB::saveChapterWithRZBookId(Book, 1, "正文"));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 1), 0);
    ASSERT_TRUE(BookDB::saveVipChapterWithRZBookId(Book, 2, pw::core::asByteView("v"), Value(1)));
    ASSERT_TRUE(db.executeUpdate("drop table vipchaptercontent"));
    EXPECT_FALSE(BookDB::deleteVipChapterByRZBookId(Book, 2));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Book, 2), 1);
}

} // namespace
