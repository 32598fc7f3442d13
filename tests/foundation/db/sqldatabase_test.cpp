#include "DBTestHome.h"

#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using pw::SQLArg;
using pw::SQLDatabase;
using pw::SQLError;
using pw::SQLResultSet;
using pw::core::Value;

namespace {

class SQLDatabaseTest : public DBTestHome {
protected:
    void SetUp() override {
        DBTestHome::SetUp();
        ASSERT_TRUE(m_db.open());
        ASSERT_TRUE(m_db.executeUpdate("create table t (a, b)"));
    }

    SQLDatabase m_db{std::nullopt};
};

TEST_F(SQLDatabaseTest, OpenAndCloseAreIdempotent) {
    EXPECT_TRUE(m_db.open());
    EXPECT_TRUE(m_db.goodConnection());
    EXPECT_TRUE(m_db.close());
    EXPECT_TRUE(m_db.close());
    EXPECT_FALSE(m_db.goodConnection());
    // A closed object refuses work instead of crashing.
    EXPECT_EQ(m_db.executeQuery("select 1"), nullptr);
    EXPECT_FALSE(m_db.executeUpdate("insert into t values (1, 2)"));
}

TEST_F(SQLDatabaseTest, FailedOpenLeavesTheObjectClosed) {
    SQLDatabase db((m_home / "no" / "such" / "folder.rz").string());
    EXPECT_FALSE(db.open());
    EXPECT_EQ(db.sqliteHandle(), nullptr);
    // A second attempt tries again rather than answering from a dead handle.
    EXPECT_FALSE(db.open());
    EXPECT_FALSE(db.goodConnection());
}

TEST_F(SQLDatabaseTest, BindingStoresEachKindAsItsSQLiteType) {
    const uint8_t bytes[] = {1, 2, 3};
    // Arguments view what they bind: the values must outlive the list.
    const Value five(5);
    const Value byteValue(pw::core::Bytes{9});
    struct Case {
        const char* name;
        SQLArg arg;
        int type;
    };
    std::vector<Case> cases = {
        {"null", SQLArg(nullptr), SQLITE_NULL},
        {"null value", SQLArg(Value()), SQLITE_NULL},
        {"null text pointer", SQLArg(static_cast<const char*>(nullptr)), SQLITE_NULL},
        {"empty blob", SQLArg::blob(nullptr, 0), SQLITE_BLOB},
        {"blob", SQLArg::blob(bytes, sizeof bytes), SQLITE_BLOB},
        {"bool true", SQLArg(true), SQLITE_INTEGER},
        {"int", SQLArg(-7), SQLITE_INTEGER},
        {"int64", SQLArg(int64_t(1) << 40), SQLITE_INTEGER},
        {"unsigned", SQLArg(7u), SQLITE_TEXT},
        {"unsigned 64", SQLArg(uint64_t(7)), SQLITE_TEXT},
        {"huge unsigned", SQLArg(std::numeric_limits<uint64_t>::max()), SQLITE_TEXT},
        {"short", SQLArg(int16_t(-3)), SQLITE_TEXT},
        {"unsigned short", SQLArg(uint16_t(3)), SQLITE_TEXT},
        {"unsigned char", SQLArg(uint8_t(3)), SQLITE_TEXT},
        {"float", SQLArg(1.5f), SQLITE_FLOAT},
        {"double (a date)", SQLArg(1700000000.25), SQLITE_FLOAT},
        {"text", SQLArg("书架1"), SQLITE_TEXT},
        {"empty text", SQLArg(std::string()), SQLITE_TEXT},
        {"value int", SQLArg(five), SQLITE_INTEGER},
        {"value bytes", SQLArg(byteValue), SQLITE_BLOB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_db.executeUpdate("delete from t"));
        ASSERT_TRUE(m_db.executeUpdate("insert into t (a) values (?)", {c.arg}));
        auto rs = m_db.executeQuery("select a from t");
        ASSERT_TRUE(rs && rs->next());
        EXPECT_EQ(sqlite3_column_type(rs->statement()->statement(), 0), c.type);
    }
    // Values come back as they went in.
    ASSERT_TRUE(m_db.executeUpdate("delete from t"));
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, ?)", {true, SQLArg::blob(bytes, sizeof bytes)}));
    EXPECT_EQ(m_db.intForQuery("select a from t"), 1);
    EXPECT_EQ(m_db.dataForQuery("select b from t"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SQLDatabaseTest, TemporaryTextOutlivesTheCallThatBoundIt) {
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, ?)",
                                   {std::string("a long enough text to leave the small buffer"), 1}));
    // The query's rows are read after the call returned and its arguments are gone.
    auto rs =
        m_db.executeQuery("select b from t where a = ?", {std::string("a long enough text to leave the small buffer")});
    ASSERT_TRUE(rs);
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 1);
}

TEST_F(SQLDatabaseTest, UpdateReportsStepErrorsAndFailedPrepares) {
    captureLog();
    ASSERT_TRUE(m_db.executeUpdate("create table u (k integer primary key, v)"));
    ASSERT_TRUE(m_db.executeUpdate("insert into u values (1, 'x')"));
    // A constraint failure is a step error: reported, never success.
    EXPECT_FALSE(m_db.executeUpdate("insert into u values (1, 'y')"));
    EXPECT_TRUE(m_db.hadError());
    EXPECT_TRUE(logged("DB Query: insert into u values (1, 'y')"));

    SQLError error;
    EXPECT_FALSE(m_db.executeUpdate("insert into nowhere values (1)", {}, &error));
    EXPECT_EQ(error.code, SQLITE_ERROR);
    EXPECT_NE(error.message.find("no such table"), std::string::npos);

    // Lists and records have no column type.
    EXPECT_FALSE(m_db.executeUpdate("insert into t values (?, ?)", {Value::array(), 1}));
    EXPECT_EQ(m_db.intForQuery("select count(*) from t"), 0);
}

// Mistakes of the calling code: where checks are on they stop the process at
// the call; in release builds the call is logged and fails, and nothing is stored.
struct MisuseCase {
    const char* name;
    bool (*call)(SQLDatabase&);
    const char* logged;
    const char* assertion;
};

const MisuseCase kMisuses[] = {
    {"too few values", [](SQLDatabase& db) { return db.executeUpdate("insert into t values (?, ?)", {1}); },
     "bind count is not correct", "fewer values than the statement's parameters"},
    {"update returning rows", [](SQLDatabase& db) { return db.executeUpdate("select 1"); },
     "executeUpdate was given a statement that returns rows", "an update that returns rows"},
    {"query without a statement", [](SQLDatabase& db) { return db.executeQuery("  -- nothing here") != nullptr; },
     "DB Query has no statement", "a query without a statement"},
};

TEST_F(SQLDatabaseTest, ProgrammerErrorsAreCaughtWhereTheyHappen) {
    for (const auto& c : kMisuses) {
        SCOPED_TRACE(c.name);
#if defined(PW_CHECKS)
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH(c.call(m_db), c.assertion);
#else
        captureLog();
        EXPECT_FALSE(c.call(m_db));
        EXPECT_TRUE(logged(c.logged));
        EXPECT_FALSE(m_db.inUse());
#endif
    }
    EXPECT_EQ(m_db.intForQuery("select count(*) from t"), 0);
}

TEST_F(SQLDatabaseTest, HadErrorOnlyForErrorCodes) {
    // 0, SQLITE_ROW and SQLITE_DONE are not errors; 1 to 99 are.
    EXPECT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    EXPECT_FALSE(m_db.hadError());
    auto rs = m_db.executeQuery("select a from t");
    ASSERT_TRUE(rs->next());
    EXPECT_FALSE(m_db.hadError());
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(m_db.hadError());
    EXPECT_FALSE(m_db.executeUpdate("garbage"));
    EXPECT_TRUE(m_db.hadError());
}

TEST_F(SQLDatabaseTest, StepErrorIsNotTheEndOfTheRows) {
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (1, 'first')"));
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, 'second')", {std::numeric_limits<int64_t>::min()}));
    // abs() of the smallest integer overflows on the second row.
    auto rs = m_db.executeQuery("select abs(a) from t order by rowid");
    ASSERT_TRUE(rs);
    ASSERT_TRUE(rs->next());
    EXPECT_FALSE(rs->failed());
    EXPECT_FALSE(rs->next());
    EXPECT_TRUE(rs->failed());
    EXPECT_EQ(m_db.openResultSetCount(), 0u);

    auto clean = m_db.executeQuery("select a from t where a = 1");
    ASSERT_TRUE(clean->next());
    EXPECT_FALSE(clean->next());
    EXPECT_FALSE(clean->failed());
}

TEST_F(SQLDatabaseTest, ResultSetReadersAndNames) {
    ASSERT_TRUE(m_db.executeUpdate("create table r (BookId integer, Name text, Score float, Data blob, Missing text)"));
    ASSERT_TRUE(m_db.executeUpdate("insert into r values (?, ?, ?, ?, NULL)",
                                   {int64_t(5000000000), "红楼梦", 2.5, SQLArg::blob("ab", 2)}));
    auto rs = m_db.executeQuery("select * from r");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->columnCount(), 5);
    EXPECT_EQ(rs->columnIndexForName("BookId"), rs->columnIndexForName("bookid"));
    EXPECT_EQ(rs->columnIndexForName("nothing"), -1);
    EXPECT_EQ(rs->longLongIntForColumn("BOOKID"), 5000000000);
    EXPECT_EQ(rs->stringForColumn("name"), "红楼梦");
    EXPECT_DOUBLE_EQ(rs->doubleForColumnIndex(2), 2.5);
    EXPECT_EQ(rs->dataForColumnIndex(3), (std::vector<uint8_t>{'a', 'b'}));
    EXPECT_EQ(rs->columnNameForIndex(1), "Name");

    // NULL: none for texts, the null value for objects, 0 for numbers.
    EXPECT_EQ(rs->stringForColumnIndex(4), std::nullopt);
    EXPECT_TRUE(rs->objectForColumnIndex(4).isNull());
    EXPECT_EQ(rs->intForColumnIndex(4), 0);
    EXPECT_TRUE(rs->columnIsNull("missing"));
    // Out of range and unknown names read as nothing.
    EXPECT_EQ(rs->stringForColumnIndex(-1), std::nullopt);
    EXPECT_EQ(rs->intForColumn("nothing"), 0);

    auto dict = rs->resultDict();
    ASSERT_TRUE(dict);
    EXPECT_EQ((*dict)["bookid"].asInt(), 5000000000);
    EXPECT_EQ((*dict)["name"].asString(), "红楼梦");
    EXPECT_TRUE((*dict)["data"].isBytes());
    EXPECT_TRUE(dict->contains("missing"));
    EXPECT_FALSE(dict->contains("BookId"));

    Value object = Value::map();
    rs->kvcMagic(object);
    EXPECT_EQ(object["BookId"].asString(), "5000000000");
    EXPECT_FALSE(object.contains("Missing"));

    // The name map is built on the first lookup by name, and one set by the
    // caller is used instead.
    auto fresh = m_db.executeQuery("select BookId, Name from r");
    ASSERT_TRUE(fresh->next());
    EXPECT_TRUE(fresh->columnNameToIndexMap().empty());
    EXPECT_EQ(fresh->intForColumn("bookid"), 705032704); // the low 32 bits of 5000000000
    EXPECT_EQ(fresh->columnNameToIndexMap(), (std::unordered_map<std::string, int>{{"bookid", 0}, {"name", 1}}));
    fresh->setColumnNameToIndexMap({{"title", 1}});
    EXPECT_EQ(fresh->stringForColumn("title"), "红楼梦");
    EXPECT_EQ(fresh->columnIndexForName("name"), -1);
}

TEST_F(SQLDatabaseTest, QueryWithoutRowsClosesItself) {
    auto rs = m_db.executeQuery("select a from t");
    ASSERT_TRUE(rs);
    EXPECT_EQ(m_db.openResultSetCount(), 1u);
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(rs->hasAnotherRow());
    EXPECT_EQ(m_db.openResultSetCount(), 0u);
    EXPECT_EQ(m_db.intForQuery("select a from t"), 0);
    EXPECT_EQ(m_db.stringForQuery("select a from t"), std::nullopt);
    rs->close(); // a second close is harmless
}

TEST_F(SQLDatabaseTest, InUseRefusesSecondOperation) {
    captureLog();
    m_db.setInUse(true);
    EXPECT_EQ(m_db.executeQuery("select 1"), nullptr);
    EXPECT_FALSE(m_db.executeUpdate("insert into t values (1, 2)"));
    EXPECT_EQ(m_db.lastInsertRowId(), 0);
    EXPECT_TRUE(logged("is currently in use"));
    m_db.setInUse(false);
    EXPECT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    EXPECT_EQ(m_db.lastInsertRowId(), 1);
    EXPECT_EQ(m_db.changes(), 1);
}

TEST_F(SQLDatabaseTest, StatementCacheReusesOneStatement) {
    m_db.setShouldCacheStatements(true);
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, ?)", {1, "x"}));
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, ?)", {2, "y"}));
    auto cached = m_db.cachedStatementForQuery("insert into t values (?, ?)");
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->useCount(), 2);
    EXPECT_EQ(m_db.intForQuery("select count(*) from t"), 2);

    // Two readers of one cached query at once each get their own rows.
    auto first = m_db.executeQuery("select a from t order by a");
    auto second = m_db.executeQuery("select a from t order by a");
    ASSERT_TRUE(first->next());
    ASSERT_TRUE(second->next());
    ASSERT_TRUE(second->next());
    EXPECT_EQ(first->intForColumnIndex(0), 1);
    EXPECT_EQ(second->intForColumnIndex(0), 2);
    first->close();
    second->close();
    // Once closed, the cached statement serves again from its first row.
    auto again = m_db.executeQuery("select a from t order by a");
    ASSERT_TRUE(again->next());
    EXPECT_EQ(again->intForColumnIndex(0), 1);
    again->close();

    m_db.setShouldCacheStatements(false);
    EXPECT_EQ(m_db.cachedStatementCount(), 0u);
}

TEST_F(SQLDatabaseTest, ClosingTheDatabaseClosesItsResultSets) {
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    auto rs = m_db.executeQuery("select a from t");
    ASSERT_TRUE(rs->next());
    EXPECT_TRUE(m_db.close());
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->parentDB(), nullptr);
}

TEST_F(SQLDatabaseTest, MovingKeepsResultSetsAttached) {
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    auto rs = m_db.executeQuery("select a from t");
    SQLDatabase moved = std::move(m_db);
    EXPECT_EQ(rs->parentDB(), &moved);
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 1);
    rs.reset();
    EXPECT_EQ(moved.openResultSetCount(), 0u);
}

TEST_F(SQLDatabaseTest, TransactionsCommitAndRollBack) {
    ASSERT_TRUE(m_db.beginTransaction());
    EXPECT_TRUE(m_db.inTransaction());
    EXPECT_TRUE(m_db.inUse());
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    ASSERT_TRUE(m_db.rollback());
    EXPECT_FALSE(m_db.inTransaction());
    EXPECT_EQ(m_db.intForQuery("select count(*) from t"), 0);

    ASSERT_TRUE(m_db.beginDeferredTransaction());
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (1, 2)"));
    ASSERT_TRUE(m_db.commit());
    EXPECT_EQ(m_db.intForQuery("select count(*) from t"), 1);
    // Commit without a transaction is an error, reported.
    EXPECT_FALSE(m_db.commit());
}

TEST(SQLDatabaseFormat, ConversionsBecomeParameters) {
    struct Case {
        const char* format;
        std::vector<SQLArg> values;
        std::optional<std::string> sql;
        size_t arguments;
    };
    std::vector<Case> cases = {
        {"select * from t where a = %d and b = %@", {3, "x"}, "select * from t where a = ? and b = ?", 2},
        {"%s%i%u%f%g%c", {"a", 1, 2u, 1.5, 2.5, 65}, "??????", 6},
        {"%hi %hu %qi %qu %ld %lu %lld %llu", {1, 2, 3, 4, 5, 6, 7, 8}, "? ? ? ? ? ? ? ?", 8},
        {"100%% done", {}, "100% done", 0},
        {"%%d stays text", {}, "%d stays text", 0},
        {"%x %h %l %q", {}, "x h l q", 0},
        {"", {}, "", 0},
        {"a = %d and b = %d", {1}, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<SQLArg> arguments;
        auto sql = SQLDatabase::extractSQL(c.format, c.values, arguments);
        EXPECT_EQ(sql, c.sql);
        if (c.sql) {
            EXPECT_EQ(arguments.size(), c.arguments);
        }
    }
    std::vector<SQLArg> arguments;
    SQLArg values[] = {3, "x"};
    SQLDatabase::extractSQL("%d %@", values, arguments);
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(arguments[0].integer(), 3);
    EXPECT_EQ(arguments[1].text(), "x");
    SQLArg character[] = {65};
    SQLDatabase::extractSQL("%c", character, arguments);
    EXPECT_EQ(arguments.back().text(), "A");
}

TEST_F(SQLDatabaseTest, FormatVariantsRunBoundStatements) {
    ASSERT_TRUE(m_db.executeUpdateWithFormat("insert into t values (%d, %@)", {7, "it's"}));
    auto rs = m_db.executeQueryWithFormat("select b from t where a = %d", {7});
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), "it's");
}

TEST_F(SQLDatabaseTest, SchemaConveniences) {
    ASSERT_TRUE(m_db.executeUpdate("create table \"odd)name\" (Col1 integer)"));
    EXPECT_TRUE(m_db.tableExists("T"));
    EXPECT_FALSE(m_db.tableExists("nothing"));
    EXPECT_TRUE(m_db.columnExists("t", "A"));
    EXPECT_FALSE(m_db.columnExists("t", "c"));
    // The table name reaches the pragma quoted, so it cannot end the statement early.
    EXPECT_TRUE(m_db.columnExists("odd)name", "col1"));
    EXPECT_FALSE(m_db.columnExists("t); drop table t; --", "a"));
    EXPECT_TRUE(m_db.tableExists("t"));

    auto schema = m_db.getSchema();
    ASSERT_TRUE(schema);
    int tables = 0;
    while (schema->next())
        ++tables;
    EXPECT_EQ(tables, 2);

    SQLError error;
    EXPECT_TRUE(m_db.validateSQL("select a from t"));
    EXPECT_FALSE(m_db.validateSQL("selec a from t", &error));
    EXPECT_EQ(error.code, SQLITE_ERROR);
    EXPECT_FALSE(error.message.empty());
    EXPECT_FALSE(m_db.inUse());
}

TEST_F(SQLDatabaseTest, OneValueQueries) {
    ASSERT_TRUE(m_db.executeUpdate("insert into t values (?, ?)", {1700000000.5, SQLArg::blob("z", 1)}));
    EXPECT_EQ(m_db.longForQuery("select 5000000000"), 5000000000);
    EXPECT_TRUE(m_db.boolForQuery("select 2"));
    EXPECT_DOUBLE_EQ(m_db.doubleForQuery("select a from t"), 1700000000.5);
    EXPECT_EQ(m_db.dateForQuery("select a from t"), 1700000000.5);
    EXPECT_EQ(m_db.dataForQuery("select b from t"), (std::vector<uint8_t>{'z'}));
    EXPECT_EQ(m_db.stringForQuery("select ?", {"x"}), "x");
    EXPECT_EQ(m_db.dateForQuery("select NULL"), std::nullopt);
    EXPECT_EQ(m_db.openResultSetCount(), 0u);
}

TEST(SQLDatabaseStatics, VersionAndKeys) {
    EXPECT_EQ(SQLDatabase::sqliteLibVersion(), std::string(sqlite3_libversion()));
    EXPECT_EQ(SQLDatabase::isThreadSafe(), sqlite3_threadsafe() != 0);
    SQLDatabase db;
    EXPECT_FALSE(db.setKey("k"));
    EXPECT_FALSE(db.rekey("k"));
}

} // namespace
