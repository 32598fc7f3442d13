#include "foundation/db/BookDB.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>

namespace pw {

namespace {

using core::Value;

enum class Access { Missing, Unopened, Open };

struct Connection {
    Access access{Access::Missing};
    std::optional<SQLDatabase> db;
};

Connection openBook(int64_t rzBookId) {
    std::filesystem::path path = BookDB::bookDBPath(rzBookId);
    if (!core::FileManager::exists(path))
        return {Access::Missing, std::nullopt};
    auto db = TableAccess::openExisting(path);
    if (!db)
        return {Access::Unopened, std::nullopt};
    return {Access::Open, std::move(db)};
}

// 1 when the count query finds the chapter, 0 when not; -1 when the book's
// database cannot be read, -2 when the book has none.
int chapterMatches(int64_t rzBookId, const char* countSQL, int64_t chapterId) {
    Connection c = openBook(rzBookId);
    if (c.access == Access::Missing)
        return -2;
    if (c.access == Access::Unopened)
        return -1;
    auto count = TableAccess::readInteger(*c.db, countSQL, {chapterId}, 0);
    if (!count)
        return -1;
    return *count > 0 ? 1 : 0;
}

constexpr std::array<const char*, 4> createStatements = {
    "create table %s chapter (ChapterId integer primary key, ChapterName text, IsVip integer, IsDownloaded integer, "
    "Price integer, UpdateTime integer, WordsCount integer, ExtInt1 integer, ExtInt2 integer, ExtString1 text, "
    "ExtString2 text, ExtFloat1 float);",
    "create table %s chaptercontent (ChapterId integer primary key, Content text);",
    "create table %s vipchaptercontent (ChapterId integer primary key, Content BLOB,UserId integer);",
    "create table %s volumes (VolumeCode text primary key, VolumeName text);",
};

bool runCreates(SQLDatabase& db, bool ifNotExists) {
    for (const char* pattern : createStatements) {
        std::string sql(pattern);
        sql.replace(sql.find("%s "), 3, ifNotExists ? "if not exists " : "");
        if (!db.executeUpdate(sql))
            return false;
    }
    return db.executeUpdate("PRAGMA user_version = " + std::to_string(BookDB::UserVersion));
}

void removeDatabaseFiles(const std::filesystem::path& path) {
    // A journal left beside a removed file would be played back into the next
    // file of the same name.
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        core::FileManager::remove(path.string() + suffix);
}

std::optional<Value::Array> readList(int64_t rzBookId, std::string_view sql, std::initializer_list<SQLArg> args,
                                     const std::function<Value(SQLResultSet&)>& makeRow) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    return TableAccess::readRows(*c.db, sql, args, makeRow);
}

std::optional<std::vector<int64_t>> readIdList(int64_t rzBookId, std::string_view sql) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    return TableAccess::readIds(*c.db, sql, {});
}

Value text(const SQLResultSet& rs, int index) {
    return Value(rs.stringForColumnIndex(index).value_or(std::string()));
}

Value integer(const SQLResultSet& rs, int index) {
    return Value(rs.longLongIntForColumnIndex(index));
}

// [chapter id, title, vip, downloaded] of one chapter; empty when it is gone.
std::optional<Value::Array> chapterNavInfo(SQLDatabase& db, int64_t chapterId) {
    return TableAccess::readFlat(
        db, "select ChapterId, ChapterName, IsVip, IsDownloaded from chapter where ChapterId = ?", {chapterId});
}

// The chapter next to the given one in reading order (step 1 after it, -1
// before it). A chapter that is not in the book has no neighbours; an empty
// list also answers when the neighbour is missing or a placeholder (-1).
std::optional<Value::Array> neighbourChapterInfo(int64_t rzBookId, int64_t chapterId, int step) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    auto ids = TableAccess::readIds(*c.db, "select ChapterId from chapter order by ExtInt1, ChapterId", {});
    if (!ids)
        return std::nullopt;
    auto at = std::find(ids->begin(), ids->end(), chapterId);
    if (at == ids->end())
        return Value::Array{};
    const auto index = (at - ids->begin()) + step;
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(ids->size()) || (*ids)[static_cast<size_t>(index)] == -1)
        return Value::Array{};
    return chapterNavInfo(*c.db, (*ids)[static_cast<size_t>(index)]);
}

bool saveContent(int64_t rzBookId, int64_t chapterId, std::string_view insertSql,
                 std::initializer_list<SQLArg> insertArgs) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return false;
    SQLDatabase& db = *c.db;
    return TableAccess::inTransaction(db, [&] {
        return db.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = ?", {chapterId}) &&
               db.executeUpdate(insertSql, insertArgs);
    });
}

bool deleteContent(int64_t rzBookId, int64_t chapterId, std::string_view deleteSql) {
    Connection c = openBook(rzBookId);
    if (c.access == Access::Missing)
        return true;
    if (c.access == Access::Unopened)
        return false;
    SQLDatabase& db = *c.db;
    return TableAccess::inTransaction(db, [&] {
        return db.executeUpdate("update chapter set IsDownloaded = 0 where ChapterId = ?", {chapterId}) &&
               db.executeUpdate(deleteSql, {chapterId});
    });
}

std::optional<Value::Array> readContent(int64_t rzBookId, int64_t chapterId, std::string_view contentSql, bool bytes) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    SQLDatabase& db = *c.db;
    std::optional<Value> content;
    {
        auto rs = db.executeQuery(contentSql, {chapterId});
        if (!rs)
            return std::nullopt;
        if (rs->next()) {
            Value stored = rs->objectForColumnIndex(0);
            if (!stored.isNull()) {
                if (bytes && stored.isString())
                    content = Value(core::toBytes(*stored.stringPtr()));
                else if (!bytes && stored.isBytes())
                    content = Value(core::toString(*stored.bytesPtr()));
                else
                    content = std::move(stored);
            }
        } else if (rs->failed()) {
            return std::nullopt;
        }
    }
    auto rs = db.executeQuery("select ChapterName from chapter where ChapterId = ?", {chapterId});
    if (!rs)
        return std::nullopt;
    Value::Array values;
    if (rs->next()) {
        if (auto title = rs->stringForColumnIndex(0)) {
            values.emplace_back(std::move(*title));
            if (content)
                values.push_back(std::move(*content));
        }
    } else if (rs->failed()) {
        return std::nullopt;
    }
    return values;
}

bool insertEntries(SQLDatabase& db, const Value::Array& entries, std::string_view sql,
                   void (*argsFor)(const Value&, std::vector<SQLArg>&)) {
    if (entries.empty())
        return true;
    // One prepared insert for the whole list, in one transaction: one commit
    // whatever the length of the list.
    const bool cached = db.shouldCacheStatements();
    db.setShouldCacheStatements(true);
    std::vector<SQLArg> args;
    const bool ok = TableAccess::inTransaction(db, [&] {
        for (const Value& entry : entries) {
            args.clear();
            argsFor(entry, args);
            if (!db.executeUpdate(sql, std::span<const SQLArg>(args)))
                return false;
        }
        return true;
    });
    db.setShouldCacheStatements(cached);
    return ok;
}

bool insertEntries(int64_t rzBookId, const Value::Array& entries, std::string_view sql,
                   void (*argsFor)(const Value&, std::vector<SQLArg>&)) {
    Connection c = openBook(rzBookId);
    return c.access == Access::Open && insertEntries(*c.db, entries, sql, argsFor);
}

constexpr std::string_view kInsertChapter =
    "insert or ignore into chapter (ChapterId, ChapterName, IsVip, IsDownloaded, Price, UpdateTime, WordsCount, "
    "ExtInt1, ExtInt2, ExtString1, ExtString2, ExtFloat1) values (?, ?, ?, 0, ?, ?, ?, ?, -2, '', '', -2)";
constexpr std::string_view kInsertVolume = "insert or ignore into volumes (VolumeCode, VolumeName) values (?, ?)";

void chapterArgs(const Value& entry, std::vector<SQLArg>& args) {
    args.emplace_back(TableAccess::integerValue(entry["c"]));
    args.emplace_back(entry["n"]);
    args.emplace_back(TableAccess::integerValue(entry["v"]));
    args.emplace_back(TableAccess::integerValue(entry["p"]));
    args.emplace_back(TableAccess::integerValue(entry["t"]));
    args.emplace_back(TableAccess::integerValue(entry["w"]));
    args.emplace_back(TableAccess::integerValue(entry["vc"]));
}

void volumeArgs(const Value& entry, std::vector<SQLArg>& args) {
    args.emplace_back(entry["VolumeCode"]);
    args.emplace_back(entry["VolumeName"]);
}

} // namespace

std::filesystem::path BookDB::bookDBPath(int64_t rzBookId) {
    return AppPaths::bookDatabase(rzBookId);
}

// Files ----------------------------------------------------------------------

bool BookDB::isBookDBExistsWithRZBookIdPath(int64_t rzBookId, std::string* path) {
    if (!path)
        return false;
    *path = bookDBPath(rzBookId).string();
    return core::FileManager::exists(*path);
}

bool BookDB::isBookDBExistsWithRZBookId(int64_t rzBookId) {
    return core::FileManager::exists(bookDBPath(rzBookId));
}

namespace {
// Brings an opened book database to the current tables: a new file gets them
// all (or is removed again, so the book stays "missing" and the next call
// starts over), an older one the tables it lacks.
bool ensureTables(SQLDatabase& db, const std::string& path, bool existed) {
    if (existed) {
        auto rs = db.executeQuery("PRAGMA user_version");
        if (!rs || !rs->next())
            return false;
        int64_t version = rs->longLongIntForColumnIndex(0);
        rs->close();
        if (version >= BookDB::UserVersion)
            return true;
        return TableAccess::inTransaction(db, [&] { return runCreates(db, true); });
    }
    db.setShouldCacheStatements(true);
    if (TableAccess::inTransaction(db, [&] { return runCreates(db, false); }))
        return true;
    db.close();
    core::FileManager::remove(path);
    removeDatabaseFiles(path);
    return false;
}
} // namespace

bool BookDB::createBookDBIfNotExists(int64_t rzBookId) {
    std::string path;
    // Asked before opening, since opening makes a missing file.
    bool existed = isBookDBExistsWithRZBookIdPath(rzBookId, &path);
    SQLDatabase db(path);
    if (!db.open())
        return false;
    return ensureTables(db, path, existed);
}

std::optional<SQLDatabase> BookDB::openWriteAhead(int64_t rzBookId, bool createIfNotExists) {
    std::string path;
    bool existed = isBookDBExistsWithRZBookIdPath(rzBookId, &path);
    if (!existed && !createIfNotExists)
        return std::nullopt;
    SQLDatabase db(path);
    if (!db.openWithFlags(createIfNotExists ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READWRITE))
        return std::nullopt;
    // Before any table is made, so that a new file is written through the log
    // from its first page. A file another connection holds in its rollback
    // journal stays in it; the caller then works as every other connection
    // does, only slower.
    if (auto rs = db.executeQuery("PRAGMA journal_mode = WAL"); rs && rs->next()) {
        const bool wal = rs->stringForColumnIndex(0) == "wal";
        rs->close();
        if (wal)
            db.executeUpdate("PRAGMA synchronous = NORMAL");
    }
    if (createIfNotExists && !ensureTables(db, path, existed))
        return std::nullopt;
    return db;
}

bool BookDB::deleteBookDBFileByRZBookId(int64_t rzBookId) {
    std::filesystem::path path = bookDBPath(rzBookId);
    if (!core::FileManager::exists(path)) {
        removeDatabaseFiles(path);
        return true;
    }
    bool removed = core::FileManager::remove(path);
    if (removed)
        removeDatabaseFiles(path);
    return removed;
}

// Writing --------------------------------------------------------------------

bool BookDB::addChapters(const core::Value::Array& chapters, int64_t rzBookId) {
    return insertEntries(rzBookId, chapters, kInsertChapter, chapterArgs);
}

bool BookDB::addVolumes(const core::Value::Array& volumes, int64_t rzBookId) {
    return insertEntries(rzBookId, volumes, kInsertVolume, volumeArgs);
}

bool BookDB::addChapters(SQLDatabase& db, const core::Value::Array& chapters) {
    return insertEntries(db, chapters, kInsertChapter, chapterArgs);
}

bool BookDB::addVolumes(SQLDatabase& db, const core::Value::Array& volumes) {
    return insertEntries(db, volumes, kInsertVolume, volumeArgs);
}

bool BookDB::saveChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, std::string_view content) {
    return saveContent(rzBookId, chapterId, "insert or ignore into chaptercontent(ChapterId, Content) values(?, ?)",
                       {chapterId, content});
}

bool BookDB::saveVipChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, core::ByteView content,
                                        const core::Value& userId) {
    return saveContent(rzBookId, chapterId,
                       "insert or ignore into vipchaptercontent(ChapterId, Content, UserId) values(?, ?, ?)",
                       {chapterId, SQLArg::blob(content), SQLArg(userId)});
}

bool BookDB::saveChaptersWithRZBookId(int64_t rzBookId, const std::vector<std::pair<int64_t, std::string>>& chapters) {
    Connection c = openBook(rzBookId);
    return c.access == Access::Open && saveChapters(*c.db, chapters);
}

bool BookDB::saveVipChaptersWithRZBookId(int64_t rzBookId, const std::vector<std::pair<int64_t, std::string>>& chapters,
                                         const core::Value& userId) {
    Connection c = openBook(rzBookId);
    return c.access == Access::Open && saveVipChapters(*c.db, chapters, userId);
}

bool BookDB::saveChapters(SQLDatabase& db, const std::vector<std::pair<int64_t, std::string>>& chapters) {
    return TableAccess::inTransaction(db, [&] {
        for (const auto& [chapterId, text] : chapters)
            if (!db.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = ?", {chapterId}) ||
                !db.executeUpdate("insert or ignore into chaptercontent(ChapterId, Content) values(?, ?)",
                                  {chapterId, std::string_view(text)}))
                return false;
        return true;
    });
}

bool BookDB::saveVipChapters(SQLDatabase& db, const std::vector<std::pair<int64_t, std::string>>& chapters,
                             const core::Value& userId) {
    return TableAccess::inTransaction(db, [&] {
        for (const auto& [chapterId, bytes] : chapters)
            if (!db.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = ?", {chapterId}) ||
                !db.executeUpdate("insert or ignore into vipchaptercontent(ChapterId, Content, UserId) values(?, ?, ?)",
                                  {chapterId, SQLArg::blob(core::asByteView(bytes)), SQLArg(userId)}))
                return false;
        return true;
    });
}

bool BookDB::deleteChapterByRZBookId(int64_t rzBookId, int64_t chapterId) {
    return deleteContent(rzBookId, chapterId, "delete from chaptercontent where ChapterId = ?");
}

bool BookDB::deleteVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId) {
    return deleteContent(rzBookId, chapterId, "delete from vipchaptercontent where ChapterId = ?");
}

// Single answers -------------------------------------------------------------

int BookDB::chapterHasDownloadByRZBookId(int64_t rzBookId, int64_t chapterId) {
    return chapterMatches(rzBookId, "select count(*) from chapter where ChapterId = ? and IsDownloaded = 1", chapterId);
}

int BookDB::isVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId) {
    return chapterMatches(rzBookId, "select count(*) from chapter where IsVip = 1 and ChapterId = ?", chapterId);
}

int64_t BookDB::getAllChapterCountByRZBookId(int64_t rzBookId) {
    Connection c = openBook(rzBookId);
    if (c.access == Access::Missing)
        return -2;
    if (c.access == Access::Unopened)
        return -1;
    return TableAccess::readInteger(*c.db, "select count(*) from chapter", {}, 0).value_or(-1);
}

int64_t BookDB::getVipChapterLocalUserIdByRZBookId(int64_t rzBookId, int64_t chapterId) {
    Connection c = openBook(rzBookId);
    if (c.access == Access::Missing)
        return -1;
    if (c.access == Access::Unopened)
        return -2;
    return TableAccess::readInteger(*c.db, "select UserId from vipchaptercontent where ChapterId = ?", {chapterId}, 0)
        .value_or(-2);
}

int64_t BookDB::getLocalSecondMaxChapterIdWithRZBookId(int64_t rzBookId) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return 0;
    auto ids = TableAccess::readIds(*c.db, "select ChapterId from chapter order by ChapterId desc limit 2", {});
    if (!ids || ids->empty())
        return 0;
    return ids->back();
}

// Lists ----------------------------------------------------------------------

std::optional<core::Value::Array> BookDB::getAllChaptersWithRZBookId(int64_t rzBookId) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    // A whole chapter list runs to thousands of records: size the list once.
    auto count = TableAccess::readInteger(*c.db, "select count(*) from chapter", {}, 0);
    if (!count)
        return std::nullopt;
    // Copying a record with its keys in place is cheaper than building each
    // one key by key.
    Value::Map prototype;
    for (const char* key : {"cid", "cname", "vip", "down", "price", "t", "words", "vc"})
        prototype.set(key, Value());
    return TableAccess::readRows(
        *c.db,
        "select ChapterId, ChapterName, IsVip, IsDownloaded, Price, UpdateTime, WordsCount, ExtInt1, ExtInt2, "
        "ExtString1, ExtString2, "
        "ExtFloat1 from chapter order by ExtInt1, ChapterId",
        {},
        [&prototype](SQLResultSet& rs) {
            Value::Map record = prototype;
            *record.get("cid") = integer(rs, 0);
            *record.get("cname") = text(rs, 1);
            *record.get("vip") = integer(rs, 2);
            *record.get("down") = integer(rs, 3);
            *record.get("price") = integer(rs, 4);
            *record.get("t") = integer(rs, 5);
            *record.get("words") = integer(rs, 6);
            *record.get("vc") = integer(rs, 7);
            return Value(std::move(record));
        },
        static_cast<size_t>(std::max<int64_t>(*count, 0)));
}

std::optional<core::Value::Array> BookDB::getAllVolumeWithRZBookId(int64_t rzBookId) {
    return readList(rzBookId, "select VolumeCode, VolumeName from volumes order by VolumeCode", {},
                    [](SQLResultSet& rs) {
                        return Value(Value::Map{{"vcode", text(rs, 0)}, {"vname", text(rs, 1)}});
                    });
}

std::optional<std::vector<int64_t>> BookDB::getAllChapterIdByRZBookId(int64_t rzBookId) {
    return readIdList(rzBookId, "select ChapterId from chapter order by ExtInt1, ChapterId");
}

std::optional<std::vector<int64_t>> BookDB::getAllNotDownloadedChapterIdsByRZBookId(int64_t rzBookId) {
    return readIdList(rzBookId,
                      "select ChapterId from chapter where IsVip = 0 and IsDownloaded = 0 order by ExtInt1, ChapterId");
}

std::optional<std::vector<int64_t>> BookDB::getAllDownloadedVipChapterIdsByRZBookId(int64_t rzBookId) {
    return readIdList(rzBookId,
                      "select ChapterId from chapter where IsVip = 1 and IsDownloaded = 1 order by ExtInt1, ChapterId");
}

std::optional<std::vector<int64_t>> BookDB::getAllPriceZeroVipChapterIdByRZBookId(int64_t rzBookId) {
    return readIdList(
        rzBookId,
        "select ChapterId from chapter where IsVip = 1 and IsDownloaded = 0 and Price = 0 order by ExtInt1, ChapterId");
}

std::optional<core::Value::Array> BookDB::getFirstChapterInfoByRZBookId(int64_t rzBookId) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    return TableAccess::readFlat(
        *c.db, "select ChapterId, ChapterName, IsDownloaded, IsVip from chapter order by ExtInt1, ChapterId limit 1",
        {});
}

std::optional<core::Value::Array> BookDB::getChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId) {
    Connection c = openBook(rzBookId);
    if (c.access != Access::Open)
        return std::nullopt;
    return TableAccess::readFlat(*c.db, "select ChapterName, IsVip, IsDownloaded from chapter where ChapterId = ?",
                                 {chapterId});
}

std::optional<core::Value::Array> BookDB::getNextChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId) {
    return neighbourChapterInfo(rzBookId, chapterId, 1);
}

std::optional<core::Value::Array> BookDB::getPrevChapterInfoWithRZBookId(int64_t rzBookId, int64_t chapterId) {
    return neighbourChapterInfo(rzBookId, chapterId, -1);
}

std::optional<core::Value::Array> BookDB::getChapterContentWithRZBookId(int64_t rzBookId, int64_t chapterId) {
    return readContent(rzBookId, chapterId, "select Content from chaptercontent where ChapterId = ?", false);
}

std::optional<core::Value::Array> BookDB::getVipChapterContentWithRZBookId(int64_t rzBookId, int64_t chapterId,
                                                                           const core::Value&) {
    // The stored bytes are whoever bought them; the user id does not narrow the lookup.
    return readContent(rzBookId, chapterId, "select Content from vipchaptercontent where ChapterId = ?", true);
}

} // namespace pw
