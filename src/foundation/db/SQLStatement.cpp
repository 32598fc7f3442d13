#include "foundation/db/SQLStatement.h"

#include <sqlite3.h>

#include <utility>

namespace pw {

SQLStatement::SQLStatement(sqlite3_stmt* statement, std::string query)
    : m_statement(statement), m_query(std::move(query)) {}

SQLStatement::~SQLStatement() {
    close();
}

SQLStatement::SQLStatement(SQLStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_query(std::move(other.m_query)),
      m_useCount(other.m_useCount), m_busyWithResultSet(other.m_busyWithResultSet) {}

SQLStatement& SQLStatement::operator=(SQLStatement&& other) noexcept {
    if (this != &other) {
        close();
        m_statement = std::exchange(other.m_statement, nullptr);
        m_query = std::move(other.m_query);
        m_useCount = other.m_useCount;
        m_busyWithResultSet = other.m_busyWithResultSet;
    }
    return *this;
}

void SQLStatement::setStatement(sqlite3_stmt* statement) {
    if (statement == m_statement)
        return;
    close();
    m_statement = statement;
}

void SQLStatement::close() {
    if (m_statement) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    m_busyWithResultSet = false;
}

void SQLStatement::reset() {
    if (m_statement)
        sqlite3_reset(m_statement);
}

std::string SQLStatement::description() const {
    return "SQLStatement " + std::to_string(m_useCount) + " hit(s) for query " + m_query;
}

} // namespace pw
