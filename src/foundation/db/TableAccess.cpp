#include "foundation/db/TableAccess.h"

#include "platform/core/Clock.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>

namespace pw {

std::optional<SQLDatabase> TableAccess::openExisting(const std::filesystem::path& path) {
    SQLDatabase db(path.string());
    if (!db.openWithFlags(SQLITE_OPEN_READWRITE))
        return std::nullopt;
    return db;
}

int64_t TableAccess::nowSeconds() {
    return static_cast<int64_t>(std::floor(core::Clock::shared().now()));
}

double TableAccess::now() {
    return core::Clock::shared().now();
}

int64_t TableAccess::integerValue(const core::Value& value) {
    switch (value.type()) {
    case core::Value::Type::Bool:
        return *value.asBool() ? 1 : 0;
    case core::Value::Type::Int:
        return *value.asInt();
    case core::Value::Type::Double: {
        double d = *value.asDouble();
        if (!std::isfinite(d))
            return 0;
        if (d >= 9.2e18)
            return INT64_MAX;
        if (d <= -9.2e18)
            return INT64_MIN;
        return static_cast<int64_t>(d);
    }
    case core::Value::Type::String: {
        const std::string& text = *value.stringPtr();
        long long parsed = std::strtoll(text.c_str(), nullptr, 10);
        return parsed;
    }
    default:
        return 0;
    }
}

std::optional<core::Value::Array> TableAccess::readRows(SQLDatabase& db, std::string_view sql,
                                                        std::initializer_list<SQLArg> args,
                                                        const std::function<core::Value(SQLResultSet&)>& makeRow,
                                                        size_t expectedRows) {
    auto rs = db.executeQuery(sql, args);
    if (!rs)
        return std::nullopt;
    core::Value::Array rows;
    rows.reserve(expectedRows);
    while (rs->next())
        rows.push_back(makeRow(*rs));
    if (rs->failed())
        return std::nullopt;
    return rows;
}

std::optional<std::vector<int64_t>> TableAccess::readIds(SQLDatabase& db, std::string_view sql,
                                                         std::initializer_list<SQLArg> args) {
    auto rs = db.executeQuery(sql, args);
    if (!rs)
        return std::nullopt;
    std::vector<int64_t> ids;
    while (rs->next())
        ids.push_back(rs->longLongIntForColumnIndex(0));
    if (rs->failed())
        return std::nullopt;
    return ids;
}

std::optional<int64_t> TableAccess::readInteger(SQLDatabase& db, std::string_view sql,
                                                std::initializer_list<SQLArg> args, int64_t none) {
    auto rs = db.executeQuery(sql, args);
    if (!rs)
        return std::nullopt;
    if (!rs->next())
        return rs->failed() ? std::nullopt : std::optional<int64_t>(none);
    int64_t value = rs->longLongIntForColumnIndex(0);
    rs->close();
    return value;
}

std::optional<core::Value::Array> TableAccess::readFlat(SQLDatabase& db, std::string_view sql,
                                                        std::initializer_list<SQLArg> args) {
    auto rs = db.executeQuery(sql, args);
    if (!rs)
        return std::nullopt;
    core::Value::Array values;
    while (rs->next()) {
        int count = rs->columnCount();
        for (int i = 0; i < count; ++i)
            values.push_back(rs->objectForColumnIndex(i));
    }
    if (rs->failed())
        return std::nullopt;
    return values;
}

bool TableAccess::inTransaction(SQLDatabase& db, const std::function<bool()>& writes) {
    if (!db.beginTransaction())
        return false;
    if (writes() && db.commit())
        return true;
    db.rollback();
    return false;
}

std::string TableAccess::placeholders(size_t count) {
    std::string out;
    out.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        out += '?';
    }
    return out;
}

} // namespace pw
