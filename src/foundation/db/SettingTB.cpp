#include "foundation/db/SettingTB.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"

namespace pw {

namespace {

bool save(std::string_view key, const SQLArg& value) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate("insert or replace into setting(Key, Value) values(?, ?)", {key, value});
}

} // namespace

bool SettingTB::saveSettingWithKey(std::string_view key, std::string_view value) {
    return save(key, value);
}

bool SettingTB::saveSettingWithKey(std::string_view key, std::nullptr_t) {
    return save(key, nullptr);
}

std::optional<std::string> SettingTB::readSettingWithKey(std::string_view key) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return std::nullopt;
    auto rs = db->executeQuery("select Value from setting where Key = ?", {key});
    if (!rs || !rs->next())
        return std::nullopt;
    return rs->stringForColumnIndex(0);
}

bool SettingTB::deleteSettingWithKey(std::string_view key) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate("delete from setting where Key = ?", {key});
}

} // namespace pw
