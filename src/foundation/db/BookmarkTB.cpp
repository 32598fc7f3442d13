#include "foundation/db/BookmarkTB.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"

namespace pw {

using core::Value;

bool BookmarkTB::addBookmarkByBookId(int64_t bookId, std::string_view description, int64_t position, int64_t position2,
                                     int64_t createTime, double readPercent) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate("insert into bookmark(BookId, Description, Position, Position2, CreateTime, ReadPercent) "
                             "values(?, ?, ?, ?, ?, ?)",
                             {bookId, description, position, position2, createTime, readPercent});
}

std::optional<core::Value::Array> BookmarkTB::getAllBookmarkByBookId(int64_t bookId) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return std::nullopt;
    return TableAccess::readRows(*db,
                                 "select Id, BookId, Description, Position, Position2, CreateTime, ReadPercent from "
                                 "bookmark  where BookId = ? order by Id",
                                 {bookId}, [](SQLResultSet& rs) {
                                     return Value(Value::Map{
                                         {"id", Value(rs.longLongIntForColumnIndex(0))},
                                         {"bid", Value(rs.longLongIntForColumnIndex(1))},
                                         {"desc", Value(rs.stringForColumnIndex(2).value_or(std::string()))},
                                         {"pos", Value(rs.longLongIntForColumnIndex(3))},
                                         {"pos2", Value(rs.longLongIntForColumnIndex(4))},
                                         {"t", Value(rs.longLongIntForColumnIndex(5))},
                                         {"percent", Value(rs.doubleForColumnIndex(6))},
                                     });
                                 });
}

bool BookmarkTB::deleteBookmark(int64_t bookmarkId) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate("delete from bookmark where Id = ?", {bookmarkId});
}

} // namespace pw
