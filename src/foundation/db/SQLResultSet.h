#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;

namespace pw::core {
class Value;
}

namespace pw {

class SQLDatabase;
class SQLStatement;

// The cursor over one query's rows. Column readers are valid while a row is
// current (after next() answered true). A step that fails ends the rows like the
// end does, but is remembered: failed() tells a broken read from a short one.
class SQLResultSet {
public:
    SQLResultSet(std::shared_ptr<SQLStatement> statement, SQLDatabase* parentDB);
    static std::unique_ptr<SQLResultSet> resultSetWithStatement(std::shared_ptr<SQLStatement> statement,
                                                                SQLDatabase* parentDB);
    ~SQLResultSet();

    SQLResultSet(const SQLResultSet&) = delete;
    SQLResultSet& operator=(const SQLResultSet&) = delete;

    bool next();
    bool hasAnotherRow() const { return m_lastStepResult == 100; }
    bool failed() const { return m_failed; }
    int stepErrorCode() const { return m_stepErrorCode; }
    void close();
    int columnCount() const;

    int intForColumnIndex(int index) const;
    int64_t longForColumnIndex(int index) const;
    int64_t longLongIntForColumnIndex(int index) const;
    bool boolForColumnIndex(int index) const;
    double doubleForColumnIndex(int index) const;
    std::optional<std::string> stringForColumnIndex(int index) const;
    std::optional<double> dateForColumnIndex(int index) const;
    std::optional<std::vector<uint8_t>> dataForColumnIndex(int index) const;
    // A view of SQLite's own bytes, valid until the next step, reset or close.
    std::optional<std::string_view> dataNoCopyForColumnIndex(int index) const;
    bool columnIndexIsNull(int index) const;
    const char* UTF8StringForColumnIndex(int index) const;
    core::Value objectForColumnIndex(int index) const;

    int intForColumn(std::string_view name);
    int64_t longForColumn(std::string_view name);
    int64_t longLongIntForColumn(std::string_view name);
    bool boolForColumn(std::string_view name);
    double doubleForColumn(std::string_view name);
    std::optional<std::string> stringForColumn(std::string_view name);
    std::optional<double> dateForColumn(std::string_view name);
    std::optional<std::vector<uint8_t>> dataForColumn(std::string_view name);
    std::optional<std::string_view> dataNoCopyForColumn(std::string_view name);
    bool columnIsNull(std::string_view name);
    const char* UTF8StringForColumnName(std::string_view name);
    core::Value objectForColumnName(std::string_view name);

    int columnIndexForName(std::string_view name);
    std::string columnNameForIndex(int index) const;

    // The current row as a map from lower-case column name to value; nullopt
    // when the row has no data columns.
    std::optional<core::Value> resultDict();
    // Copies the current row's non-NULL columns, as text, into the map.
    void kvcMagic(core::Value& object) const;
    void setupColumnNames();

    const std::string& query() const { return m_query; }
    void setQuery(std::string query) { m_query = std::move(query); }
    // Lower-case column name to column index; empty until a column is first
    // looked up by name. A map set here is used for the lookups instead.
    const std::unordered_map<std::string, int>& columnNameToIndexMap() const { return m_columnNameToIndexMap; }
    void setColumnNameToIndexMap(std::unordered_map<std::string, int> map) {
        m_columnNameToIndexMap = std::move(map);
        m_columnNamesSetup = true;
    }
    const std::shared_ptr<SQLStatement>& statement() const { return m_statement; }
    void setStatement(std::shared_ptr<SQLStatement> statement) { m_statement = std::move(statement); }
    SQLDatabase* parentDB() const { return m_parentDB; }
    void setParentDB(SQLDatabase* parent) { m_parentDB = parent; }

private:
    sqlite3_stmt* handle() const;
    bool validIndex(int index) const;

    SQLDatabase* m_parentDB{nullptr};
    std::shared_ptr<SQLStatement> m_statement;
    std::string m_query;
    std::unordered_map<std::string, int> m_columnNameToIndexMap;
    bool m_columnNamesSetup{false};
    int m_lastStepResult{0};
    bool m_failed{false};
    int m_stepErrorCode{0};
    bool m_returnedRow{false};
};

} // namespace pw
