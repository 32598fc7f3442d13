#include "foundation/db/SQLiteHandles.h"

#include <sqlite3.h>

namespace pw {

void SQLiteStatementFinalizer::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

void SQLiteConnectionCloser::operator()(sqlite3* db) const noexcept {
    sqlite3_close_v2(db);
}

} // namespace pw
