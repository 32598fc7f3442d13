#pragma once

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace pw {

// Owning holders of SQLite's handles: a statement is finalized and a
// connection closed when its holder goes, whatever path the code took.
struct SQLiteStatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept;
};

// sqlite3_close_v2: a connection still used by a statement is freed when its
// last statement goes instead of being leaked.
struct SQLiteConnectionCloser {
    void operator()(sqlite3* db) const noexcept;
};

using SQLiteStatementPtr = std::unique_ptr<sqlite3_stmt, SQLiteStatementFinalizer>;
using SQLiteConnectionPtr = std::unique_ptr<sqlite3, SQLiteConnectionCloser>;

} // namespace pw
