#include "foundation/db/SQLResultSet.h"

#include "foundation/db/DBLog.h"
#include "foundation/db/SQLBusyRetry.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLStatement.h"
#include "platform/core/Value.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

namespace pw {

namespace {

std::string lowercaseName(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

SQLResultSet::SQLResultSet(std::shared_ptr<SQLStatement> statement, SQLDatabase* parentDB)
    : m_parentDB(parentDB), m_statement(std::move(statement)) {}

std::unique_ptr<SQLResultSet> SQLResultSet::resultSetWithStatement(std::shared_ptr<SQLStatement> statement,
                                                                   SQLDatabase* parentDB) {
    return std::make_unique<SQLResultSet>(std::move(statement), parentDB);
}

SQLResultSet::~SQLResultSet() {
    close();
}

sqlite3_stmt* SQLResultSet::handle() const {
    return m_statement ? m_statement->statement() : nullptr;
}

bool SQLResultSet::validIndex(int index) const {
    sqlite3_stmt* statement = handle();
    return statement && index >= 0 && index < sqlite3_column_count(statement);
}

void SQLResultSet::close() {
    if (m_statement) {
        // Resetting lets a cached statement serve the next query.
        m_statement->reset();
        m_statement->setBusyWithResultSet(false);
        m_statement.reset();
    }
    if (m_parentDB) {
        m_parentDB->resultSetDidClose(this);
        m_parentDB = nullptr;
    }
}

bool SQLResultSet::next() {
    sqlite3_stmt* statement = handle();
    if (!statement)
        return false;
    SQLBusyRetry retry(m_parentDB);
    for (;;) {
        int rc = sqlite3_step(statement);
        m_lastStepResult = rc;
        if (rc == SQLITE_ROW) {
            m_returnedRow = true;
            return true;
        }
        if (rc == SQLITE_DONE) {
            close();
            return false;
        }
        if (rc == SQLITE_BUSY || (rc == SQLITE_LOCKED && !m_returnedRow)) {
            if (rc == SQLITE_LOCKED) {
                int resetRc = sqlite3_reset(statement);
                if (resetRc != SQLITE_LOCKED)
                    dbLog("Unexpected result from sqlite3_reset (" + std::to_string(resetRc) + ") rs");
            }
            if (retry.waitAndRetry("next", __LINE__))
                continue;
        } else {
            // A lock lost in the middle of the rows cannot be retried without
            // starting over, which would hand out rows twice: it is an error too.
            sqlite3* db = sqlite3_db_handle(statement);
            std::string message = db ? sqlite3_errmsg(db) : "";
            if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE)
                dbLog("Error calling sqlite3_step (" + std::to_string(rc) + ": " + message + ") rs");
            else
                dbLog("Unknown error calling sqlite3_step (" + std::to_string(rc) + ": " + message + ") rs");
        }
        m_failed = true;
        m_stepErrorCode = rc;
        close();
        return false;
    }
}

int SQLResultSet::columnCount() const {
    sqlite3_stmt* statement = handle();
    return statement ? sqlite3_column_count(statement) : 0;
}

int SQLResultSet::intForColumnIndex(int index) const {
    return validIndex(index) ? sqlite3_column_int(handle(), index) : 0;
}

int64_t SQLResultSet::longForColumnIndex(int index) const {
    return longLongIntForColumnIndex(index);
}

int64_t SQLResultSet::longLongIntForColumnIndex(int index) const {
    return validIndex(index) ? sqlite3_column_int64(handle(), index) : 0;
}

bool SQLResultSet::boolForColumnIndex(int index) const {
    return intForColumnIndex(index) != 0;
}

double SQLResultSet::doubleForColumnIndex(int index) const {
    return validIndex(index) ? sqlite3_column_double(handle(), index) : 0.0;
}

bool SQLResultSet::columnIndexIsNull(int index) const {
    return !validIndex(index) || sqlite3_column_type(handle(), index) == SQLITE_NULL;
}

std::optional<std::string> SQLResultSet::stringForColumnIndex(int index) const {
    if (columnIndexIsNull(index))
        return std::nullopt;
    const unsigned char* text = sqlite3_column_text(handle(), index);
    if (!text)
        return std::nullopt;
    int size = sqlite3_column_bytes(handle(), index);
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

std::optional<double> SQLResultSet::dateForColumnIndex(int index) const {
    if (columnIndexIsNull(index))
        return std::nullopt;
    return doubleForColumnIndex(index);
}

std::optional<std::vector<uint8_t>> SQLResultSet::dataForColumnIndex(int index) const {
    auto view = dataNoCopyForColumnIndex(index);
    if (!view)
        return std::nullopt;
    return std::vector<uint8_t>(view->begin(), view->end());
}

std::optional<std::string_view> SQLResultSet::dataNoCopyForColumnIndex(int index) const {
    if (columnIndexIsNull(index))
        return std::nullopt;
    const void* bytes = sqlite3_column_blob(handle(), index);
    int size = sqlite3_column_bytes(handle(), index);
    if (!bytes || size <= 0)
        return std::string_view();
    return std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(size));
}

const char* SQLResultSet::UTF8StringForColumnIndex(int index) const {
    if (columnIndexIsNull(index))
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(handle(), index));
}

core::Value SQLResultSet::objectForColumnIndex(int index) const {
    if (!validIndex(index))
        return core::Value();
    switch (sqlite3_column_type(handle(), index)) {
    case SQLITE_INTEGER:
        return core::Value(longLongIntForColumnIndex(index));
    case SQLITE_FLOAT:
        return core::Value(doubleForColumnIndex(index));
    case SQLITE_BLOB:
        return core::Value(core::Bytes(dataForColumnIndex(index).value_or(core::Bytes{})));
    case SQLITE_NULL:
        return core::Value();
    default: {
        auto text = stringForColumnIndex(index);
        return text ? core::Value(std::move(*text)) : core::Value();
    }
    }
}

int SQLResultSet::intForColumn(std::string_view name) {
    return intForColumnIndex(columnIndexForName(name));
}
int64_t SQLResultSet::longForColumn(std::string_view name) {
    return longForColumnIndex(columnIndexForName(name));
}
int64_t SQLResultSet::longLongIntForColumn(std::string_view name) {
    return longLongIntForColumnIndex(columnIndexForName(name));
}
bool SQLResultSet::boolForColumn(std::string_view name) {
    return boolForColumnIndex(columnIndexForName(name));
}
double SQLResultSet::doubleForColumn(std::string_view name) {
    return doubleForColumnIndex(columnIndexForName(name));
}
std::optional<std::string> SQLResultSet::stringForColumn(std::string_view name) {
    return stringForColumnIndex(columnIndexForName(name));
}
std::optional<double> SQLResultSet::dateForColumn(std::string_view name) {
    return dateForColumnIndex(columnIndexForName(name));
}
std::optional<std::vector<uint8_t>> SQLResultSet::dataForColumn(std::string_view name) {
    return dataForColumnIndex(columnIndexForName(name));
}
std::optional<std::string_view> SQLResultSet::dataNoCopyForColumn(std::string_view name) {
    return dataNoCopyForColumnIndex(columnIndexForName(name));
}
bool SQLResultSet::columnIsNull(std::string_view name) {
    return columnIndexIsNull(columnIndexForName(name));
}
const char* SQLResultSet::UTF8StringForColumnName(std::string_view name) {
    return UTF8StringForColumnIndex(columnIndexForName(name));
}
core::Value SQLResultSet::objectForColumnName(std::string_view name) {
    return objectForColumnIndex(columnIndexForName(name));
}

void SQLResultSet::setupColumnNames() {
    sqlite3_stmt* statement = handle();
    if (statement) {
        int count = sqlite3_column_count(statement);
        for (int i = 0; i < count; ++i) {
            const char* name = sqlite3_column_name(statement, i);
            m_columnNameToIndexMap.emplace(lowercaseName(name ? name : ""), i);
        }
    }
    m_columnNamesSetup = true;
}

int SQLResultSet::columnIndexForName(std::string_view name) {
    if (!m_columnNamesSetup)
        setupColumnNames();
    std::string key = lowercaseName(name);
    auto it = m_columnNameToIndexMap.find(key);
    if (it == m_columnNameToIndexMap.end()) {
        dbLog("Warning: I could not find the column named '" + key + "'.");
        return -1;
    }
    return it->second;
}

std::string SQLResultSet::columnNameForIndex(int index) const {
    if (!validIndex(index))
        return {};
    const char* name = sqlite3_column_name(handle(), index);
    return name ? name : "";
}

std::optional<core::Value> SQLResultSet::resultDict() {
    sqlite3_stmt* statement = handle();
    if (!statement || sqlite3_data_count(statement) < 1) {
        dbLog("Warning: There seem to be no columns in this set.");
        return std::nullopt;
    }
    if (!m_columnNamesSetup)
        setupColumnNames();
    core::Value dict = core::Value::map();
    int count = sqlite3_column_count(statement);
    for (int i = 0; i < count; ++i)
        dict.set(lowercaseName(columnNameForIndex(i)), objectForColumnIndex(i));
    return dict;
}

void SQLResultSet::kvcMagic(core::Value& object) const {
    sqlite3_stmt* statement = handle();
    if (!statement)
        return;
    int count = sqlite3_column_count(statement);
    for (int i = 0; i < count; ++i) {
        if (const char* text = UTF8StringForColumnIndex(i))
            object.set(columnNameForIndex(i), core::Value(text));
    }
}

} // namespace pw
