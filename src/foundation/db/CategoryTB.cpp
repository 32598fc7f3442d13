#include "foundation/db/CategoryTB.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"

#include <array>

namespace pw {

namespace {

using core::Value;

constexpr std::array<const char*, 4> SiteShelves = {"VIP书架", "书架1", "书架2", "书架3"};

std::optional<Value::Array> readCategories(std::string_view sql) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return std::nullopt;
    return TableAccess::readRows(*db, sql, {}, [](SQLResultSet& rs) {
        return Value(Value::Map{
            {"cid", Value(rs.longLongIntForColumnIndex(0))},
            {"cname", Value(rs.stringForColumnIndex(1).value_or(std::string()))},
            {"expand", Value(rs.longLongIntForColumnIndex(2))},
            // Stored with its fraction; the record gives whole seconds.
            {"t", Value(rs.longLongIntForColumnIndex(3))},
        });
    });
}

bool runCategoryUpdate(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate(sql, args);
}

} // namespace

bool CategoryTB::syncBookCases() {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return TableAccess::inTransaction(*db, [&] {
        for (const char* name : SiteShelves) {
            auto rs = db->executeQuery("select * from category where Name = ?", {name});
            if (!rs)
                return false;
            bool exists = rs->next();
            if (rs->failed())
                return false;
            rs->close();
            if (!exists && !db->executeUpdate("insert into category(Name, Expand, CreateTime) values(?, 0, ?)",
                                              {name, TableAccess::now()}))
                return false;
        }
        return true;
    });
}

std::optional<core::Value::Array> CategoryTB::getAllCategory() {
    return readCategories("select Id, Name, Expand, CreateTime from category");
}

std::optional<core::Value::Array> CategoryTB::getAllRZCategory() {
    return readCategories(
        "select Id, Name, Expand, CreateTime from category where Name in ('书架1', '书架2', '书架3', 'VIP书架')");
}

std::optional<core::Value::Array> CategoryTB::getAllLocalCategory() {
    return readCategories(
        "select Id, Name, Expand, CreateTime from category where Name  not in ('书架1', '书架2', '书架3', 'VIP书架')");
}

bool CategoryTB::addCategory(std::string_view name) {
    return runCategoryUpdate("insert into category(Name, Expand, CreateTime) values(?, 0, ?)", {name, TableAccess::now()});
}

bool CategoryTB::setExpandByCategoryId(int64_t categoryId, bool isExpand) {
    return runCategoryUpdate("update category set Expand = ? where Id = ?", {isExpand ? 0 : 1, categoryId});
}

bool CategoryTB::deleteCategory(int64_t categoryId) {
    return runCategoryUpdate("delete from category where Id = ?", {categoryId});
}

bool CategoryTB::changeCategoryName(std::string_view name, int64_t categoryId) {
    return runCategoryUpdate("update category set Name = ? where Id = ?", {name, categoryId});
}

} // namespace pw
