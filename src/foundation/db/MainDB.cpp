#include "foundation/db/MainDB.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <array>
#include <string>

namespace pw {

namespace {

// The create statements, in the order a new file receives them. The upgrade
// runs the same ones with "if not exists", so a file that lost tables (or an
// empty file) is completed without touching tables that are there.
constexpr std::array<const char*, 6> mainCreateStatements = {
    "create table %s book (BookId integer primary key autoincrement, RZBookId integer, BookName text, Cover text, "
    "FilePath text, Position integer, Position2 integer, Type text, FileSize integer, LastReadTime integer, "
    "LastReadChapter text, ReadPercent float, CategoryId integer, Author text, RZUserId integer, Status integer, "
    "ExtInt1 integer, ExtInt2 integer, ExtInt3 integer, ExtInt4 integer, ExtInt5 integer, ExtString1 text, "
    "ExtString2 text, ExtString3 text, ExtString4 text, ExtString5 text, ExtFloat1 float, ExtFloat2 float, ExtFloat3 "
    "float);",
    "create table %s setting (Key text primary key ,Value text);",
    "create table %s bookmark (Id integer primary key autoincrement, BookId integer, Description text, Position "
    "integer, "
    "Position2 integer, CreateTime integer, ReadPercent float);",
    "create table %s category (Id integer primary key autoincrement, Name text, Expand integer, CreateTime integer);",
    "create index %s category_Name_index on category(Name);",
    "create table %s message (NotifyId integer primary key autoincrement, Title text, MType integer, IsRead integer, "
    "SaveTime integer, CreateDate integer, ExpireDate integer, Type integer, Status integer, UserId integer, "
    "Message text, Key text, Value text, ClientType integer);",
};

std::string statement(const char* pattern, bool ifNotExists) {
    std::string text(pattern);
    auto at = text.find("%s ");
    text.replace(at, 3, ifNotExists ? "if not exists " : "");
    return text;
}

bool runMainCreates(SQLDatabase& db, bool ifNotExists) {
    for (const char* pattern : mainCreateStatements) {
        if (!db.executeUpdate(statement(pattern, ifNotExists)))
            return false;
    }
    // A pragma takes no parameters; the version is our own constant.
    return db.executeUpdate("PRAGMA user_version = " + std::to_string(MainDB::UserVersion));
}

} // namespace

std::filesystem::path MainDB::mainDBPath() {
    return AppPaths::mainDatabase();
}

bool MainDB::isMainDBExists() {
    return core::FileManager::exists(mainDBPath());
}

bool MainDB::createMainDBIfNotExists() {
    // Asked before opening, since opening makes a missing file.
    bool existed = isMainDBExists();
    SQLDatabase db(mainDBPath().string());
    if (!db.open())
        return false;

    if (existed) {
        auto rs = db.executeQuery("PRAGMA user_version");
        if (!rs)
            return false;
        if (!rs->next())
            return false;
        int64_t version = rs->longLongIntForColumnIndex(0);
        rs->close();
        if (version > 1)
            return true;
        return TableAccess::inTransaction(db, [&] { return runMainCreates(db, true); });
    }

    db.setShouldCacheStatements(true);
    return TableAccess::inTransaction(db, [&] { return runMainCreates(db, false); });
}

} // namespace pw
