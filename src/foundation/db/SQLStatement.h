#pragma once

#include "foundation/db/SQLiteHandles.h"

#include <string>

namespace pw {

// A prepared statement and the SQL text it came from. Owns the handle: it is
// finalized by close() or when the statement is destroyed.
class SQLStatement {
public:
    SQLStatement() = default;
    SQLStatement(SQLiteStatementPtr statement, std::string query);
    ~SQLStatement();

    SQLStatement(const SQLStatement&) = delete;
    SQLStatement& operator=(const SQLStatement&) = delete;
    SQLStatement(SQLStatement&& other) noexcept = default;
    SQLStatement& operator=(SQLStatement&& other) noexcept = default;

    void close();
    void reset();
    std::string description() const;

    sqlite3_stmt* statement() const { return m_statement.get(); }
    void setStatement(SQLiteStatementPtr statement);
    const std::string& query() const { return m_query; }
    void setQuery(std::string query) { m_query = std::move(query); }
    long useCount() const { return m_useCount; }
    void setUseCount(long count) { m_useCount = count; }

    // Set while a result set is stepping this statement, so a cached statement
    // is never handed to a second reader in the middle of the first one's rows.
    bool isBusyWithResultSet() const { return m_busyWithResultSet; }
    void setBusyWithResultSet(bool busy) { m_busyWithResultSet = busy; }

private:
    SQLiteStatementPtr m_statement{};
    std::string m_query{};
    long m_useCount{0};
    bool m_busyWithResultSet{false};
};

} // namespace pw
