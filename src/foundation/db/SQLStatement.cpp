#include "foundation/db/SQLStatement.h"

#include <sqlite3.h>

#include <utility>

namespace pw {

SQLStatement::SQLStatement(SQLiteStatementPtr statement, std::string query)
    : m_statement(std::move(statement)), m_query(std::move(query)) {}

SQLStatement::~SQLStatement() = default;

void SQLStatement::setStatement(SQLiteStatementPtr statement) {
    if (statement.get() == m_statement.get()) {
        (void)statement.release(); // already held here
        return;
    }
    close();
    m_statement = std::move(statement);
}

void SQLStatement::close() {
    m_statement.reset();
    m_busyWithResultSet = false;
}

void SQLStatement::reset() {
    if (m_statement)
        sqlite3_reset(m_statement.get());
}

std::string SQLStatement::description() const {
    return "SQLStatement " + std::to_string(m_useCount) + " hit(s) for query " + m_query;
}

} // namespace pw
