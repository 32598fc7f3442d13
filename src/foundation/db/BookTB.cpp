#include "foundation/db/BookTB.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/db/DBLog.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"
#include "platform/core/Paths.h"

#include <algorithm>

namespace pw {

namespace {

using core::Value;

constexpr int Unopened = -2;
constexpr int NoSuchBook = -3;
// Comfortably below SQLite's limit on parameters in one statement.
constexpr size_t IdsPerStatement = 500;

constexpr const char* BookColumns =
    "select BookId, RZBookId, BookName, Cover, FilePath, Position, Position2, Type, LastReadTime, "
    "LastReadChapter, ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt4, ExtInt5 from book";

std::optional<SQLDatabase> openMain() {
    return TableAccess::openExisting(MainDB::mainDBPath());
}

// A NULL text column reads as an empty text, so records keep their shape.
Value bookText(const SQLResultSet& rs, int index) {
    return Value(rs.stringForColumnIndex(index).value_or(std::string()));
}

Value bookInteger(const SQLResultSet& rs, int index) {
    return Value(rs.longLongIntForColumnIndex(index));
}

Value real(const SQLResultSet& rs, int index) {
    return Value(rs.doubleForColumnIndex(index));
}

// Every book listing selects BookId, RZBookId, BookName, Cover and FilePath
// first; the rest of its columns follow in the record in the order given.
Value::Map bookWith(const SQLResultSet& rs, std::initializer_list<Value::Map::Entry> rest) {
    Value::Map record{
        {"bid", bookInteger(rs, 0)}, {"rzId", bookInteger(rs, 1)}, {"bname", bookText(rs, 2)},
        {"cover", bookText(rs, 3)},  {"file", bookText(rs, 4)},
    };
    record.reserve(5 + rest.size());
    for (const auto& [key, value] : rest)
        record.append(key, value);
    return record;
}

Value bookRecord(SQLResultSet& rs) {
    return Value(bookWith(rs, {
                                  {"type", bookText(rs, 7)},
                                  {"lstReadt", bookInteger(rs, 8)},
                                  {"percent", real(rs, 10)},
                                  {"cid", bookInteger(rs, 11)},
                                  {"author", bookText(rs, 12)},
                                  {"status", bookInteger(rs, 14)},
                                  {"currLstChapterId", bookInteger(rs, 16)},
                                  {"lstChapterId", bookInteger(rs, 17)},
                              }));
}

// The full record up to `ext1`; the full list adds the chapter ids.
Value::Map fullRecordHead(SQLResultSet& rs) {
    return bookWith(rs, {
                            {"pos", bookInteger(rs, 5)},
                            {"pos2", bookInteger(rs, 6)},
                            {"type", bookText(rs, 7)},
                            {"lstReadt", bookInteger(rs, 8)},
                            {"lstReadChptName", bookText(rs, 9)},
                            {"percent", real(rs, 10)},
                            {"cid", bookInteger(rs, 11)},
                            {"author", bookText(rs, 12)},
                            {"usrId", bookInteger(rs, 13)},
                            {"status", bookInteger(rs, 14)},
                            {"ext1", bookInteger(rs, 15)},
                        });
}

std::optional<Value::Array> readBooks(std::string_view sql, std::initializer_list<SQLArg> args,
                                      Value (*make)(SQLResultSet&)) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    return TableAccess::readRows(*db, sql, args, make);
}

bool runUpdate(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto db = openMain();
    if (!db)
        return false;
    return db->executeUpdate(sql, args);
}

std::string coverPathFor(const std::string& bookId) {
    return AppPaths::coverFile(bookId).string();
}

std::string filePathFor(const std::string& bookId) {
    return AppPaths::bookDatabase(bookId).string();
}

// Runs `sql` once per slice of ids, with "(%s)" replaced by one `?` per id.
bool forIdSlices(SQLDatabase& db, std::string_view sqlPattern, const std::vector<int64_t>& ids,
                 std::initializer_list<SQLArg> leading) {
    for (size_t first = 0; first < ids.size(); first += IdsPerStatement) {
        size_t count = std::min(IdsPerStatement, ids.size() - first);
        std::string sql(sqlPattern);
        sql.replace(sql.find("%s"), 2, TableAccess::placeholders(count));
        std::vector<SQLArg> args(leading);
        for (size_t i = 0; i < count; ++i)
            args.emplace_back(ids[first + i]);
        if (!db.executeUpdate(sql, std::span<const SQLArg>(args)))
            return false;
    }
    return true;
}

} // namespace

// Presence, ids and names ----------------------------------------------------

int BookTB::isBookExistsByRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return Unopened;
    auto count = TableAccess::readInteger(*db, "select count(*) from book where RZBookId = ?", {rzBookId}, 0);
    if (!count)
        return Unopened;
    return *count > 0 ? 1 : 0;
}

int BookTB::isBookBelongWithRZBookId(int64_t rzBookId, const core::Value& userId) {
    auto db = openMain();
    if (!db)
        return Unopened;
    int64_t user = TableAccess::integerValue(userId);
    auto unclaimed = TableAccess::readInteger(*db, "select count(*) from book where RZBookId = ? and RZUserId = ?",
                                              {rzBookId, BundledBookUserId}, 0);
    if (!unclaimed)
        return Unopened;
    if (*unclaimed > 0)
        return db->executeUpdate("update book set RZUserId = ? where RZBookId = ?", {user, rzBookId}) ? 1 : 0;
    auto owned = TableAccess::readInteger(*db, "select count(*) from book where RZBookId = ? and RZUserId = ?",
                                          {rzBookId, user}, 0);
    if (!owned)
        return Unopened;
    return *owned >= 1 ? 1 : 0;
}

int64_t BookTB::getBookIdByRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return Unopened;
    return TableAccess::readInteger(*db, "select BookId from book where RZBookId = ?", {rzBookId}, NoSuchBook)
        .value_or(Unopened);
}

int64_t BookTB::getRZBookIdByBookId(int64_t bookId) {
    auto db = openMain();
    if (!db)
        return Unopened;
    return TableAccess::readInteger(*db, "select RZBookId from book where BookId = ?", {bookId}, NoSuchBook)
        .value_or(Unopened);
}

std::optional<std::string> BookTB::getBookNameByRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    auto rs = db->executeQuery("select BookName from book where RZBookId = ?", {rzBookId});
    if (!rs)
        return std::nullopt;
    if (!rs->next())
        return rs->failed() ? std::nullopt : std::optional<std::string>(std::string());
    return rs->stringForColumnIndex(0).value_or(std::string());
}

std::optional<std::string> BookTB::getBookNameByBookId(int64_t bookId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    auto rs = db->executeQuery("select BookName from book where BookId = ?", {bookId});
    if (!rs || !rs->next())
        return std::nullopt;
    return rs->stringForColumnIndex(0);
}

// Adding books ---------------------------------------------------------------

int BookTB::addBookWithRZBookId(int64_t rzBookId, std::string_view bookName, std::string_view cover,
                                std::string_view filePath, std::string_view type, std::string_view author,
                                const core::Value& userId, const core::Value& lastChapterId,
                                const core::Value& lastChapterName, const core::Value& lastChapterTime, int status) {
    auto db = openMain();
    if (!db)
        return Unopened;
    int64_t now = TableAccess::nowSeconds();
    auto count = TableAccess::readInteger(*db, "select count(*) from book where RZBookId = ?", {rzBookId}, 0);
    if (!count)
        return -1;
    if (*count > 0) {
        bool ok = db->executeUpdate(
            "update book set LastReadTime = ?, ExtString5 = ?, ExtInt5 = ?, ExtInt2 = ? where RZBookId = ?",
            {now, lastChapterName, lastChapterId, lastChapterTime, rzBookId});
        return ok ? 0 : -1;
    }
    bool ok = db->executeUpdate(
        "insert into book (RZBookId, BookName, Cover, FilePath, Position, Position2, Type, FileSize, LastReadTime, "
        "LastReadChapter, "
        "ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt2, ExtInt3, ExtInt4, ExtInt5, ExtString1, "
        "ExtString2, "
        "ExtString3, ExtString4, ExtString5, ExtFloat1, ExtFloat2, ExtFloat3) "
        "values (?, ?, ?, ?, -1, -1, ?, 0, ?, '', 0, -1, ?, ?, ?, -2, ?, -2, -2, ?, '', '', '', '', ?, -2, -2, -2)",
        {rzBookId, bookName, cover, filePath, type, now, author, TableAccess::integerValue(userId), status,
         lastChapterTime, lastChapterId, lastChapterName});
    return ok ? 0 : -1;
}

int BookTB::addBookCaseBooksWith(const core::Value::Array& books, const core::Value& userId,
                                 std::string_view categoryName) {
    auto db = openMain();
    if (!db)
        return Unopened;
    auto group = TableAccess::readInteger(*db, "select Id from category where Name = ?", {categoryName}, NoSuchBook);
    if (!group)
        return -1;
    if (*group == NoSuchBook)
        return -3;
    int64_t categoryId = *group;
    int64_t user = TableAccess::integerValue(userId);

    // One transaction: a shelf is stored whole or not at all, and the next
    // synchronisation starts from a consistent table.
    bool ok = TableAccess::inTransaction(*db, [&] {
        for (const Value& entry : books) {
            const Value& bookIdValue = entry["BookId"];
            if (!bookIdValue.isNumber() && !bookIdValue.isString()) {
                dbLog("Skipping a shelf entry without a book id");
                continue;
            }
            int64_t bookId = TableAccess::integerValue(bookIdValue);
            auto count =
                TableAccess::readInteger(*db, "select count(*) from book where RZBookId = ?", {bookIdValue}, 0);
            if (!count)
                return false;
            bool written;
            if (*count >= 1) {
                written = db->executeUpdate(
                    "update book set ExtInt5 = ?, CategoryId = ?, ExtString5 = ?, ExtInt2 = ? where RZBookId = ?",
                    {TableAccess::integerValue(entry["LastChapterId"]), categoryId, entry["LastChapterName"],
                     entry["LastChapterTime"], bookId});
            } else {
                std::string idText = bookIdValue.isString() ? *bookIdValue.stringPtr() : std::to_string(bookId);
                written = db->executeUpdate(
                    "insert into book (RZBookId, BookName, Cover, FilePath, Position, Position2, Type, FileSize, "
                    "LastReadTime, "
                    "LastReadChapter, ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt2, ExtInt3, "
                    "ExtInt4, ExtInt5, "
                    "ExtString1, ExtString2, ExtString3, ExtString4, ExtString5, ExtFloat1, ExtFloat2, ExtFloat3) "
                    "values (?, ?, ?, ?, -1, -1, 'RZ', 0, -1, '', 0, ?, ?, ?, 1, -2, ?, -2, -2, ?, '', '', '', '', ?, "
                    "-2, -2, -2)",
                    {bookIdValue, entry["BookName"], coverPathFor(idText), filePathFor(idText), categoryId,
                     entry["AuthorName"], user, entry["LastChapterTime"], entry["LastChapterId"],
                     entry["LastChapterName"]});
            }
            if (!written)
                return false;
        }
        return true;
    });
    return ok ? 0 : -1;
}

int BookTB::addLocalBookWithBookName(std::string_view bookName, std::string_view cover, std::string_view filePath,
                                     std::string_view type, std::string_view author, int64_t* bookId) {
    auto db = openMain();
    if (!db)
        return Unopened;
    bool ok = db->executeUpdate(
        "insert into book (RZBookId, BookName, Cover, FilePath, Position, Position2, Type, FileSize, LastReadTime, "
        "LastReadChapter, "
        "ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt2, ExtInt3, ExtInt4, ExtInt5, ExtString1, "
        "ExtString2, "
        "ExtString3, ExtString4, ExtString5, ExtFloat1, ExtFloat2, ExtFloat3) "
        "values (?, ?, ?, ?, -1, -1, ?, 0, ?, '', 0, -1, ?, ?, 0, -2, -2, -2, -2, -2, '', '', '', '', '', -2, -2, -2)",
        {LocalBookSiteId, bookName, cover, filePath, type, TableAccess::nowSeconds(), author, LocalBookSiteId});
    if (!ok)
        return -1;
    if (bookId)
        *bookId = db->lastInsertRowId();
    return 0;
}

// Reading position -----------------------------------------------------------

bool BookTB::saveBookReadingInfoWithBookId(int64_t bookId, int64_t startPosition, int64_t lastReadTime,
                                           int64_t lastChapterId, std::string_view lastChapterName, double percent) {
    return runUpdate("update book set Position = ?, Position2 = ?, LastReadTime = ?, LastReadChapter = ?, ReadPercent "
                     "= ? where BookId = ?",
                     {lastChapterId, startPosition, lastReadTime, lastChapterName, percent, bookId});
}

bool BookTB::deleteBookReadingInfoWithRZBookId(int64_t rzBookId) {
    return runUpdate("update book set Position = ?, Position2 = ? where RZBookId = ?", {-1, -1, rzBookId});
}

std::optional<core::Value::Array> BookTB::getRZBookReadingInfoByRZBookIdChapterId(int64_t rzBookId, int64_t chapterId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    return TableAccess::readFlat(
        *db,
        "select Position2, LastReadTime, LastReadChapter, ReadPercent from book where RZBookId = ? and Position = ?",
        {rzBookId, chapterId});
}

std::optional<core::Value::Array> BookTB::getRZBookReadingInfoByRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    return TableAccess::readFlat(
        *db, "select Position2, LastReadTime, LastReadChapter, ReadPercent, Position from book where RZBookId = ?",
        {rzBookId});
}

std::optional<core::Value::Array> BookTB::getBookReadingInfoByBookId(int64_t bookId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    return TableAccess::readFlat(
        *db,
        "select Position2, LastReadTime, LastReadChapter, ReadPercent, Position, BookName from book where BookId = ?",
        {bookId});
}

// Lists ----------------------------------------------------------------------

std::optional<core::Value::Array> BookTB::getAllRZBooks() {
    return readBooks(std::string(BookColumns) + " where RZBookId != ? order by LastReadTime desc", {LocalBookSiteId},
                     bookRecord);
}

std::optional<core::Value::Array> BookTB::getAllLocalBooks() {
    return readBooks(std::string(BookColumns) + " where RZBookId == ? order by LastReadTime desc", {LocalBookSiteId},
                     bookRecord);
}

std::optional<core::Value::Array> BookTB::getAllBooks() {
    return readBooks(std::string(BookColumns) + " order by LastReadTime desc", {}, [](SQLResultSet& rs) {
        Value::Map record = fullRecordHead(rs);
        record.set("currLstChapterId", bookInteger(rs, 16));
        record.set("lstChapterId", bookInteger(rs, 17));
        return Value(std::move(record));
    });
}

std::optional<core::Value::Array> BookTB::getAllBooksWithCategoryId(int64_t categoryId) {
    return readBooks(
        "select BookId, RZBookId, BookName, Cover, FilePath, Position, Position2, Type, LastReadTime, LastReadChapter, "
        "ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1 from book where CategoryId = ?",
        {categoryId}, [](SQLResultSet& rs) { return Value(fullRecordHead(rs)); });
}

std::optional<core::Value::Array> BookTB::getRZBooksInfoByRZBookId(int64_t rzBookId) {
    return readBooks(
        "select BookId, RZBookId, FilePath, Status from book where RZBookId = ?", {rzBookId}, [](SQLResultSet& rs) {
            return Value(Value::Map{
                {"bid", bookInteger(rs, 0)}, {"rzId", bookInteger(rs, 1)}, {"file", bookText(rs, 2)}, {"status", bookInteger(rs, 3)}});
        });
}

std::optional<core::Value::Array> BookTB::getAllLocalBooksFilePathAndIds() {
    return readBooks("select FilePath, BookId from book where RZBookId = ?", {LocalBookSiteId}, [](SQLResultSet& rs) {
        return Value(Value::Map{{"file", bookText(rs, 0)}, {"bid", bookInteger(rs, 1)}});
    });
}

std::optional<core::Value::Array> BookTB::getAllNotifyRZBooks() {
    return readBooks(
        "select BookId, RZBookId, BookName, Cover, FilePath, Author, RZUserId, ExtString5, ExtInt2, ExtInt4, ExtInt5 "
        "from book where ExtInt3 = 1 and RZBookId != ? order by LastReadTime desc",
        {LocalBookSiteId}, [](SQLResultSet& rs) {
            return Value(bookWith(rs, {
                                          {"author", bookText(rs, 5)},
                                          {"usrId", bookInteger(rs, 6)},
                                          {"newchptname", bookText(rs, 7)},
                                          {"newchpttime", bookInteger(rs, 8)},
                                          {"currLstChapterId", bookInteger(rs, 9)},
                                          {"lstChapterId", bookInteger(rs, 10)},
                                      }));
        });
}

std::optional<std::vector<int64_t>> BookTB::getAllNotifyRZBookIds() {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    return TableAccess::readIds(
        *db, "select RZBookId from book where ExtInt3 = 1 and RZBookId != ? order by LastReadTime desc",
        {LocalBookSiteId});
}

std::optional<core::Value::Array> BookTB::getLocalLastChapterIdByRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return std::nullopt;
    auto rs = db->executeQuery("select ExtInt4, BookName, ExtInt5 from book where RZBookId = ?", {rzBookId});
    if (!rs)
        return std::nullopt;
    Value::Array values;
    if (rs->next())
        values = {bookInteger(*rs, 0), bookText(*rs, 1), bookInteger(*rs, 2)};
    else if (rs->failed())
        return std::nullopt;
    return values;
}

// Newest chapter, reminder flag and groups -----------------------------------

bool BookTB::updateBookDBStateByRZBookId(int64_t rzBookId) {
    return runUpdate("update book set Status = 0, ExtInt4 = ExtInt5 where RZBookId = ?", {rzBookId});
}

bool BookTB::updateLastChapterId(const core::Value& lastChapterId, const core::Value& lastChapterName,
                                 const core::Value& lastChapterTime, int64_t rzBookId) {
    return runUpdate("update book set LastReadTime = ?, ExtString5 = ?, ExtInt5 = ?, ExtInt2 = ? where RZBookId = ?",
                     {TableAccess::nowSeconds(), lastChapterName, lastChapterId, lastChapterTime, rzBookId});
}

bool BookTB::updateServerLstChapterId(int64_t chapterId, int64_t rzBookId) {
    return runUpdate("update book set ExtInt5 = ? where RZBookId = ?", {chapterId, rzBookId});
}

bool BookTB::setNotifyBookUpdateByRZBookId(int64_t rzBookId, bool notify) {
    return runUpdate("update book set ExtInt3 = ? where RZBookId = ?", {notify ? 1 : -2, rzBookId});
}

bool BookTB::isSetBookUpdateNotifyRZBookId(int64_t rzBookId) {
    auto db = openMain();
    if (!db)
        return false;
    return TableAccess::readInteger(*db, "select ExtInt3 from book where RZBookId = ?", {rzBookId}, 0).value_or(0) == 1;
}

bool BookTB::updateBooks(const std::vector<int64_t>& bookIds, int64_t categoryId) {
    if (bookIds.empty())
        return true;
    auto db = openMain();
    if (!db)
        return false;
    return TableAccess::inTransaction(*db, [&] {
        return forIdSlices(*db, "update book set CategoryId = ? where BookId in (%s)", bookIds, {categoryId});
    });
}

bool BookTB::updateBooksFromCategory(int64_t fromCategoryId, int64_t toCategoryId) {
    return runUpdate("update book set CategoryId = ? where CategoryId = ?", {toCategoryId, fromCategoryId});
}

// Deleting -------------------------------------------------------------------

bool BookTB::deleteBookWithBookId(int64_t bookId) {
    return deleteBooksWithBookIds({bookId});
}

bool BookTB::deleteBooksWithBookIds(const std::vector<int64_t>& bookIds) {
    auto db = openMain();
    if (!db)
        return false;
    return TableAccess::inTransaction(*db, [&] {
        return forIdSlices(*db, "delete from book where BookId in (%s)", bookIds, {}) &&
               forIdSlices(*db, "delete from bookmark where BookId in (%s)", bookIds, {});
    });
}

bool BookTB::deleteBookWithTransaction(bool inTransaction, const std::vector<Statement>& statements) {
    auto db = openMain();
    if (!db)
        return false;
    auto runAll = [&] {
        for (const Statement& statement : statements) {
            std::vector<SQLArg> args(statement.args.begin(), statement.args.end());
            if (!db->executeUpdate(statement.sql, std::span<const SQLArg>(args)))
                return false;
        }
        return true;
    };
    if (inTransaction)
        return TableAccess::inTransaction(*db, runAll);
    return runAll();
}

} // namespace pw
