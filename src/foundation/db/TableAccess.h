#pragma once

#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// What every table call shares: its own connection to an existing file, the
// current time, reading site values as integers, and turning rows into lists.
class TableAccess {
public:
    // Opens an existing database file read-write. A missing file is never
    // created here: only the create operations make database files.
    static std::optional<SQLDatabase> openExisting(const std::filesystem::path& path);

    // Wall time in whole seconds since 1970, and with its fraction.
    static int64_t nowSeconds();
    static double now();

    // A site value read as an integer: numbers as they are, texts by their
    // leading digits (as the site sends some ids as text), anything else 0.
    static int64_t integerValue(const core::Value& value);

    // Runs a query and makes one element per row; nullopt when the query could
    // not run or stepping failed part way, so a broken read is never taken for
    // a short list.
    // `expectedRows` only sizes the list up front.
    static std::optional<core::Value::Array> readRows(SQLDatabase& db, std::string_view sql,
                                                      std::initializer_list<SQLArg> args,
                                                      const std::function<core::Value(SQLResultSet&)>& makeRow,
                                                      size_t expectedRows = 0);
    static std::optional<std::vector<int64_t>> readIds(SQLDatabase& db, std::string_view sql,
                                                       std::initializer_list<SQLArg> args);
    // The first column of the first row as an integer: nullopt on failure,
    // and `none` when no row came.
    static std::optional<int64_t> readInteger(SQLDatabase& db, std::string_view sql, std::initializer_list<SQLArg> args,
                                              int64_t none);
    // The values of every column of every row, in one flat list.
    static std::optional<core::Value::Array> readFlat(SQLDatabase& db, std::string_view sql,
                                                      std::initializer_list<SQLArg> args);

    // Runs writes in one exclusive transaction: all of them or none. The
    // writer answers false at its first failing statement.
    static bool inTransaction(SQLDatabase& db, const std::function<bool()>& writes);

    // "?, ?, ?": one parameter per value of an IN list.
    static std::string placeholders(size_t count);
};

} // namespace pw
