#include "DBTestHome.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using pw::MainDB;
using pw::SQLDatabase;

namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;

Columns bookColumns() {
    Columns columns = {
        {"BookId", "integer"},     {"RZBookId", "integer"},     {"BookName", "text"},        {"Cover", "text"},
        {"FilePath", "text"},      {"Position", "integer"},     {"Position2", "integer"},    {"Type", "text"},
        {"FileSize", "integer"},   {"LastReadTime", "integer"}, {"LastReadChapter", "text"}, {"ReadPercent", "float"},
        {"CategoryId", "integer"}, {"Author", "text"},          {"RZUserId", "integer"},     {"Status", "integer"},
    };
    for (int i = 1; i <= 5; ++i)
        columns.emplace_back("ExtInt" + std::to_string(i), "integer");
    for (int i = 1; i <= 5; ++i)
        columns.emplace_back("ExtString" + std::to_string(i), "text");
    for (int i = 1; i <= 3; ++i)
        columns.emplace_back("ExtFloat" + std::to_string(i), "float");
    return columns;
}

const Columns messageColumns = {
    {"NotifyId", "integer"}, {"Title", "text"},         {"MType", "integer"},      {"IsRead", "integer"},
    {"SaveTime", "integer"}, {"CreateDate", "integer"}, {"ExpireDate", "integer"}, {"Type", "integer"},
    {"Status", "integer"},   {"UserId", "integer"},     {"Message", "text"},       {"Key", "text"},
    {"Value", "text"},       {"ClientType", "integer"},
};

class MainDBTest : public DBTestHome {
protected:
    std::filesystem::path file() const { return mainFolder() / "main.rz"; }

    // A file as an older release left it: no message table, at `version`.
    void writeOldFile(int version, bool withMessage) {
        SQLDatabase db(file().string());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate(
            "create table book (BookId integer primary key autoincrement, RZBookId integer, BookName text)"));
        ASSERT_TRUE(db.executeUpdate("create table setting (Key text primary key ,Value text);"));
        ASSERT_TRUE(db.executeUpdate(
            "create table bookmark (Id integer primary key autoincrement, BookId integer, Description text, "
            "Position integer, Position2 integer, CreateTime integer, ReadPercent float)"));
        ASSERT_TRUE(db.executeUpdate("create table category (Id integer primary key autoincrement, Name text, Expand "
                                     "integer, CreateTime integer)"));
        ASSERT_TRUE(db.executeUpdate("create index category_Name_index on category(Name);"));
        if (withMessage) {
            ASSERT_TRUE(db.executeUpdate("create table message (NotifyId integer primary key, Title text)"));
        }
        ASSERT_TRUE(db.executeUpdate("insert into setting values ('rzxy', '1')"));
        ASSERT_TRUE(db.executeUpdate("insert into book (RZBookId, BookName) values (42, '红楼梦')"));
        ASSERT_TRUE(db.executeUpdate("PRAGMA user_version = " + std::to_string(version)));
    }
};

TEST_F(MainDBTest, NewFileHasEveryTableAndVersionTwo) {
    EXPECT_FALSE(MainDB::isMainDBExists());
    ASSERT_TRUE(MainDB::createMainDBIfNotExists());
    EXPECT_TRUE(MainDB::isMainDBExists());
    EXPECT_EQ(MainDB::mainDBPath(), file());
    EXPECT_EQ(userVersion(file()), 2);

    struct Expected {
        const char* table;
        Columns columns;
    };
    std::vector<Expected> tables = {
        {"book", bookColumns()},
        {"setting", {{"Key", "text"}, {"Value", "text"}}},
        {"bookmark",
         {{"Id", "integer"},
          {"BookId", "integer"},
          {"Description", "text"},
          {"Position", "integer"},
          {"Position2", "integer"},
          {"CreateTime", "integer"},
          {"ReadPercent", "float"}}},
        {"category", {{"Id", "integer"}, {"Name", "text"}, {"Expand", "integer"}, {"CreateTime", "integer"}}},
        {"message", messageColumns},
    };
    for (const auto& t : tables) {
        SCOPED_TRACE(t.table);
        EXPECT_EQ(columnsOf(file(), t.table), t.columns);
    }

    SQLDatabase db(file().string());
    ASSERT_TRUE(db.open());
    EXPECT_EQ(db.stringForQuery("select sql from sqlite_master where name = 'category_Name_index'"),
              "CREATE INDEX category_Name_index on category(Name)");
    EXPECT_EQ(db.stringForQuery("select sql from sqlite_master where name = 'setting'"),
              "CREATE TABLE setting (Key text primary key ,Value text)");
    // Primary keys as declared.
    EXPECT_EQ(db.intForQuery("select pk from pragma_table_info('book') where name = 'BookId'"), 1);
    EXPECT_EQ(db.intForQuery("select pk from pragma_table_info('message') where name = 'NotifyId'"), 1);
    EXPECT_EQ(db.intForQuery("select count(*) from sqlite_master where name = 'sqlite_sequence'"), 1);
}

TEST_F(MainDBTest, OlderFilesAreUpgradedInPlace) {
    struct Case {
        const char* name;
        int version;
        bool withMessage;
    };
    std::vector<Case> cases = {
        {"version 0", 0, false},
        {"version 1", 1, false},
        {"version 1 that already has messages", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file());
        writeOldFile(c.version, c.withMessage);
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        EXPECT_EQ(userVersion(file()), 2);
        // Tables that were there are left exactly as they were, rows included.
        EXPECT_EQ(columnsOf(file(), "book"),
                  (Columns{{"BookId", "integer"}, {"RZBookId", "integer"}, {"BookName", "text"}}));
        Columns expectedMessage = c.withMessage ? Columns{{"NotifyId", "integer"}, {"Title", "text"}} : messageColumns;
        EXPECT_EQ(columnsOf(file(), "message"), expectedMessage);
        SQLDatabase db(file().string());
        ASSERT_TRUE(db.open());
        EXPECT_EQ(db.stringForQuery("select Value from setting where Key = 'rzxy'"), "1");
        EXPECT_EQ(db.stringForQuery("select BookName from book where RZBookId = 42"), "红楼梦");
    }
}

TEST_F(MainDBTest, CurrentFileIsLeftAlone) {
    {
        SQLDatabase db(file().string());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate("create table marker (x)"));
        ASSERT_TRUE(db.executeUpdate("PRAGMA user_version = 2"));
    }
    ASSERT_TRUE(MainDB::createMainDBIfNotExists());
    EXPECT_TRUE(columnsOf(file(), "message").empty());
    EXPECT_EQ(columnsOf(file(), "marker").size(), 1u);
}

TEST_F(MainDBTest, EmptyFileIsCompleted) {
    // An empty file at version 0 (left by an interrupted first start) gets every table.
    { std::ofstream(file()).flush(); }
    ASSERT_TRUE(MainDB::createMainDBIfNotExists());
    EXPECT_EQ(columnsOf(file(), "book"), bookColumns());
    EXPECT_EQ(columnsOf(file(), "message"), messageColumns);
    EXPECT_EQ(userVersion(file()), 2);
}

TEST_F(MainDBTest, FailedUpgradeChangesNothing) {
    // An index already holds the name the message table needs: that create
    // fails, and the tables made before it in the same upgrade are undone.
    {
        SQLDatabase db(file().string());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.executeUpdate("create table other (x)"));
        ASSERT_TRUE(db.executeUpdate("create index message on other(x)"));
    }
    EXPECT_FALSE(MainDB::createMainDBIfNotExists());
    EXPECT_EQ(userVersion(file()), 0);
    EXPECT_TRUE(columnsOf(file(), "book").empty());
    EXPECT_TRUE(columnsOf(file(), "setting").empty());
}

TEST_F(MainDBTest, FailuresAreReported) {
    // No folder: the file cannot be made.
    std::filesystem::remove_all(mainFolder());
    EXPECT_FALSE(MainDB::createMainDBIfNotExists());
    EXPECT_FALSE(MainDB::isMainDBExists());

    // A file that is not a database.
    std::filesystem::create_directories(mainFolder());
    {
        std::ofstream out(file());
        out << std::string(4096, 'x');
    }
    EXPECT_FALSE(MainDB::createMainDBIfNotExists());
}

} // namespace
