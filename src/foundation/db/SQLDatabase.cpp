#include "foundation/db/SQLDatabase.h"

#include "foundation/db/DBLog.h"
#include "foundation/db/SQLBusyRetry.h"
#include "foundation/db/SQLResultSet.h"
#include "platform/core/Assert.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <utility>

namespace pw {

namespace {

std::atomic<double> g_defaultBusyTimeLimit{10.0};

bool isBusy(int rc) {
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// An identifier as SQLite reads it inside double quotes.
std::string quoteIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

} // namespace

SQLDatabase::SQLDatabase(std::optional<std::string> path) : m_databasePath(std::move(path)) {}

SQLDatabase::~SQLDatabase() {
    // Still busy after the retry: the holder hands the handle to SQLite to
    // free when its last statement goes, rather than leak it.
    close();
}

SQLDatabase::SQLDatabase(SQLDatabase&& other) noexcept {
    moveFrom(other);
}

SQLDatabase& SQLDatabase::operator=(SQLDatabase&& other) noexcept {
    if (this != &other) {
        close();
        m_db.reset();
        moveFrom(other);
    }
    return *this;
}

void SQLDatabase::moveFrom(SQLDatabase& other) noexcept {
    m_db = std::move(other.m_db);
    m_databasePath = std::move(other.m_databasePath);
    m_logsErrors = other.m_logsErrors;
    m_crashOnErrors = other.m_crashOnErrors;
    m_inUse = std::exchange(other.m_inUse, false);
    m_inTransaction = std::exchange(other.m_inTransaction, false);
    m_traceExecution = other.m_traceExecution;
    m_checkedOut = other.m_checkedOut;
    m_busyRetryTimeout = other.m_busyRetryTimeout;
    m_busyTimeLimit = other.m_busyTimeLimit;
    m_shouldCacheStatements = other.m_shouldCacheStatements;
    m_cachedStatements = std::move(other.m_cachedStatements);
    other.m_cachedStatements.clear();
    m_openResultSets = std::move(other.m_openResultSets);
    other.m_openResultSets.clear();
    for (SQLResultSet* resultSet : m_openResultSets)
        resultSet->setParentDB(this);
}

double SQLDatabase::defaultBusyTimeLimit() {
    return g_defaultBusyTimeLimit.load();
}

void SQLDatabase::setDefaultBusyTimeLimit(double seconds) {
    g_defaultBusyTimeLimit = seconds;
}

std::string SQLDatabase::sqliteLibVersion() {
    return sqlite3_libversion();
}

bool SQLDatabase::isThreadSafe() {
    return sqlite3_threadsafe() != 0;
}

std::string SQLDatabase::pathForLog() const {
    return m_databasePath ? *m_databasePath : std::string(":memory:");
}

bool SQLDatabase::open() {
    if (m_db)
        return true;
    return openWithFlags(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

bool SQLDatabase::openWithFlags(int flags) {
    if (m_db)
        return true;
    std::string path = m_databasePath ? *m_databasePath : std::string(":memory:");
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    // A failed open still hands back a handle; the holder frees it, so the
    // object stays closed and a later open tries again.
    SQLiteConnectionPtr db(raw);
    if (rc != SQLITE_OK) {
        dbLog("error opening!: " + std::to_string(rc));
        return false;
    }
    m_db = std::move(db);
    return true;
}

bool SQLDatabase::close() {
    clearCachedStatements();
    closeOpenResultSets();
    if (!m_db)
        return true;

    SQLBusyRetry retry(this);
    bool triedFinalizing = false;
    for (;;) {
        int rc = sqlite3_close(m_db.get());
        if (rc == SQLITE_OK)
            break;
        if (isBusy(rc)) {
            if (!triedFinalizing) {
                triedFinalizing = true;
                while (sqlite3_stmt* leaked = sqlite3_next_stmt(m_db.get(), nullptr)) {
                    dbLog("Closing leaked statement");
                    sqlite3_finalize(leaked);
                }
            }
            if (retry.waitAndRetry("close", __LINE__, false))
                continue;
            dbLog("close:" + std::to_string(__LINE__));
            dbLog("Database busy, unable to close");
            return false;
        }
        dbLog("error closing!: " + std::to_string(rc));
        break;
    }
    (void)m_db.release(); // closed above
    m_inTransaction = false;
    return true;
}

bool SQLDatabase::databaseExists() const {
    if (!m_db) {
        dbLog("The SQLDatabase " + pathForLog() + " is not open.");
        return false;
    }
    return true;
}

void SQLDatabase::warnInUse() const {
    dbLog("The SQLDatabase " + pathForLog() + " is currently in use.");
}

SQLiteStatementPtr SQLDatabase::prepare(std::string_view sql, const char* operation, int* resultCode) {
    SQLBusyRetry retry(this);
    for (;;) {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(m_db.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
        SQLiteStatementPtr statement(raw);
        *resultCode = rc;
        if (rc == SQLITE_OK) {
            if (!statement) {
                // Only blanks or a comment: nothing to run is a mistake of the caller.
                dbLog(std::string("DB Query has no statement: ") + std::string(sql));
                *resultCode = SQLITE_MISUSE;
                PW_ASSERT_MSG(statement, "a query without a statement");
            }
            return statement;
        }
        statement.reset();
        if (isBusy(rc)) {
            if (retry.waitAndRetry(operation, __LINE__))
                continue;
            return nullptr;
        }
        if (m_logsErrors) {
            dbLog("DB Error: " + std::to_string(lastErrorCode()) + " \"" + lastErrorMessage() + "\"");
            dbLog("DB Query: " + std::string(sql));
        }
        return nullptr;
    }
}

bool SQLDatabase::bindObject(const SQLArg& arg, int column, sqlite3_stmt* statement) {
    return bindValue(arg, column, statement, true);
}

bool SQLDatabase::bindValue(const SQLArg& arg, int column, sqlite3_stmt* statement, bool copy) {
    auto destructor = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
    int rc = SQLITE_OK;
    switch (arg.kind()) {
    case SQLArg::Kind::Null:
        rc = sqlite3_bind_null(statement, column);
        break;
    case SQLArg::Kind::Integer:
        rc = sqlite3_bind_int64(statement, column, arg.integer());
        break;
    case SQLArg::Kind::Real:
        rc = sqlite3_bind_double(statement, column, arg.real());
        break;
    case SQLArg::Kind::Text: {
        // An empty view may have no storage; SQLite reads a null pointer as NULL.
        const char* text = arg.text().data() ? arg.text().data() : "";
        rc = sqlite3_bind_text64(statement, column, text, arg.text().size(), destructor, SQLITE_UTF8);
        break;
    }
    case SQLArg::Kind::Blob: {
        static const uint8_t empty = 0;
        const void* bytes = arg.bytes().data() ? static_cast<const void*>(arg.bytes().data()) : &empty;
        rc = sqlite3_bind_blob64(statement, column, bytes, arg.bytes().size(), destructor);
        break;
    }
    case SQLArg::Kind::Unsupported:
        dbLog("Error: cannot bind a list or a record to parameter " + std::to_string(column));
        return false;
    }
    return rc == SQLITE_OK;
}

bool SQLDatabase::bindAll(sqlite3_stmt* statement, std::span<const SQLArg> args, std::string_view sql,
                          const char* operation, bool copy) {
    int count = sqlite3_bind_parameter_count(statement);
    if (static_cast<size_t>(count) > args.size()) {
        dbLog(std::string("Error: the bind count is not correct for the # of variables (") + operation + ") " +
              std::string(sql));
        PW_ASSERT_MSG(static_cast<size_t>(count) <= args.size(), "fewer values than the statement's parameters");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (m_traceExecution)
            dbLog("obj: " + args[i].description());
        if (!bindValue(args[i], i + 1, statement, copy))
            return false;
    }
    return true;
}

std::unique_ptr<SQLResultSet> SQLDatabase::executeQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    return executeQuery(sql, std::span<const SQLArg>(args.begin(), args.size()));
}

std::optional<SQLDatabase::BoundStatement> SQLDatabase::beginStatement(std::string_view sql,
                                                                       std::span<const SQLArg> args,
                                                                       const char* operation, bool copy,
                                                                       SQLError* error) {
    if (!databaseExists())
        return std::nullopt;
    if (m_inUse) {
        warnInUse();
        return std::nullopt;
    }
    m_inUse = true;
    if (m_traceExecution)
        dbLog(pathForLog() + " " + operation + ": " + std::string(sql));

    BoundStatement bound;
    if (m_shouldCacheStatements) {
        bound.cached = cachedStatementForQuery(sql);
        // A cached statement still stepped by an open result set cannot serve a
        // second reader; that one gets a statement of its own.
        if (bound.cached && (bound.cached->isBusyWithResultSet() || !bound.cached->statement()))
            bound.cached.reset();
    }
    bound.handle = bound.cached ? bound.cached->statement() : nullptr;
    if (!bound.handle) {
        int rc = 0;
        bound.owned = prepare(sql, operation, &rc);
        bound.handle = bound.owned.get();
        if (!bound.handle) {
            if (error && !isBusy(rc)) {
                error->code = rc;
                error->message = lastErrorMessage();
            }
            m_inUse = false;
            return std::nullopt;
        }
    }
    if (!bindAll(bound.handle, args, sql, operation, copy)) {
        if (bound.cached) {
            sqlite3_reset(bound.handle);
            sqlite3_clear_bindings(bound.handle);
        }
        m_inUse = false;
        return std::nullopt;
    }
    return bound;
}

std::unique_ptr<SQLResultSet> SQLDatabase::executeQuery(std::string_view sql, std::span<const SQLArg> args) {
    // The rows are read after this call returns, when the arguments are gone:
    // SQLite keeps its own copy of bound text and bytes.
    auto bound = beginStatement(sql, args, "executeQuery", true, nullptr);
    if (!bound)
        return nullptr;
    std::shared_ptr<SQLStatement> statement = std::move(bound->cached);
    if (!statement) {
        statement = std::make_shared<SQLStatement>(std::move(bound->owned), std::string(sql));
        if (m_shouldCacheStatements && !cachedStatementForQuery(sql))
            setCachedStatement(statement, sql);
    }
    statement->setBusyWithResultSet(true);
    statement->setUseCount(statement->useCount() + 1);

    auto resultSet = SQLResultSet::resultSetWithStatement(statement, this);
    resultSet->setQuery(std::string(sql));
    m_openResultSets.insert(resultSet.get());
    m_inUse = false;
    return resultSet;
}

std::unique_ptr<SQLResultSet> SQLDatabase::executeQueryWithArgumentsInArray(std::string_view sql,
                                                                            std::span<const SQLArg> args) {
    return executeQuery(sql, args);
}

std::unique_ptr<SQLResultSet> SQLDatabase::executeQueryWithFormat(std::string_view format,
                                                                  std::initializer_list<SQLArg> values) {
    std::vector<SQLArg> arguments;
    auto sql = extractSQL(format, std::span<const SQLArg>(values.begin(), values.size()), arguments);
    if (!sql)
        return nullptr;
    return executeQuery(*sql, arguments);
}

bool SQLDatabase::executeUpdate(std::string_view sql, std::initializer_list<SQLArg> args, SQLError* error) {
    return executeUpdate(sql, std::span<const SQLArg>(args.begin(), args.size()), error);
}

bool SQLDatabase::executeUpdate(std::string_view sql, std::span<const SQLArg> args, SQLError* error) {
    // The statement runs to its end inside this call, while the arguments live.
    auto bound = beginStatement(sql, args, "executeUpdate", false, error);
    if (!bound)
        return false;
    std::shared_ptr<SQLStatement> statement = std::move(bound->cached);
    sqlite3_stmt* handle = bound->handle;

    SQLBusyRetry retry(this);
    int rc = SQLITE_OK;
    for (;;) {
        rc = sqlite3_step(handle);
        if (!isBusy(rc))
            break;
        if (rc == SQLITE_LOCKED) {
            int resetRc = sqlite3_reset(handle);
            if (resetRc != SQLITE_LOCKED)
                dbLog("Unexpected result from sqlite3_reset (" + std::to_string(resetRc) + ") eu");
        }
        if (!retry.waitAndRetry("executeUpdate", __LINE__))
            break;
    }

    bool ok = false;
    if (rc == SQLITE_DONE) {
        ok = true;
    } else if (rc == SQLITE_ROW) {
        // Rows belong to executeQuery; the statement is stopped and reported as failed.
        dbLog("Error: executeUpdate was given a statement that returns rows");
        dbLog("DB Query: " + std::string(sql));
        PW_ASSERT_MSG(rc != SQLITE_ROW, "an update that returns rows");
    } else if (rc == SQLITE_ERROR) {
        dbLog("Error calling sqlite3_step (" + std::to_string(rc) + ": " + lastErrorMessage() + ") SQLITE_ERROR");
        dbLog("DB Query: " + std::string(sql));
    } else if (rc == SQLITE_MISUSE) {
        dbLog("Error calling sqlite3_step (" + std::to_string(rc) + ": " + lastErrorMessage() + ") SQLITE_MISUSE");
        dbLog("DB Query: " + std::string(sql));
    } else if (!isBusy(rc)) {
        dbLog("Unknown error calling sqlite3_step (" + std::to_string(rc) + ": " + lastErrorMessage() + ") eu");
        dbLog("DB Query: " + std::string(sql));
    }

    if (m_shouldCacheStatements && !statement && !cachedStatementForQuery(sql)) {
        statement = std::make_shared<SQLStatement>(std::move(bound->owned), std::string(sql));
        setCachedStatement(statement, sql);
    }
    if (statement) {
        statement->setUseCount(statement->useCount() + 1);
        sqlite3_reset(handle);
        // Bound text was viewed, not copied: drop it before the arguments go.
        sqlite3_clear_bindings(handle);
    }
    m_inUse = false;
    return ok;
}

bool SQLDatabase::executeUpdateWithFormat(std::string_view format, std::initializer_list<SQLArg> values) {
    std::vector<SQLArg> arguments;
    auto sql = extractSQL(format, std::span<const SQLArg>(values.begin(), values.size()), arguments);
    if (!sql)
        return false;
    return executeUpdate(*sql, std::span<const SQLArg>(arguments));
}

bool SQLDatabase::update(std::string_view sql, SQLError* error, std::initializer_list<SQLArg> args) {
    return executeUpdate(sql, args, error);
}

std::optional<std::string> SQLDatabase::extractSQL(std::string_view format, std::span<const SQLArg> values,
                                                   std::vector<SQLArg>& arguments) {
    std::string sql;
    sql.reserve(format.size());
    size_t next = 0;
    bool missing = false;
    auto take = [&](char conversion) {
        sql += '?';
        if (next >= values.size()) {
            missing = true;
            return;
        }
        const SQLArg& value = values[next++];
        if (conversion == 'c' && value.kind() == SQLArg::Kind::Integer)
            arguments.emplace_back(std::string(1, static_cast<char>(value.integer())));
        else
            arguments.push_back(value);
    };

    bool afterPercent = false;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (!afterPercent) {
            if (c == '%')
                afterPercent = true;
            else
                sql += c;
            continue;
        }
        afterPercent = false;
        char n1 = i + 1 < format.size() ? format[i + 1] : '\0';
        char n2 = i + 2 < format.size() ? format[i + 2] : '\0';
        switch (c) {
        case '@':
        case 'c':
        case 's':
        case 'd':
        case 'D':
        case 'i':
        case 'u':
        case 'U':
        case 'f':
        case 'g':
            take(c);
            break;
        case 'h':
        case 'q':
            if (n1 == 'i' || n1 == 'u') {
                take(n1);
                ++i;
            } else {
                sql += c;
            }
            break;
        case 'l':
            if (n1 == 'd' || n1 == 'u') {
                take(n1);
                ++i;
            } else if (n1 == 'l' && (n2 == 'd' || n2 == 'u')) {
                take(n2);
                i += 2;
            } else {
                sql += c;
            }
            break;
        default:
            // "%%" is a literal percent sign and the character after it is plain text.
            sql += c;
            break;
        }
    }
    if (missing) {
        dbLog("Error: the format has more conversions than values: " + std::string(format));
        return std::nullopt;
    }
    return sql;
}

bool SQLDatabase::beginTransaction() {
    bool ok = executeUpdate("BEGIN EXCLUSIVE TRANSACTION;");
    if (ok)
        m_inTransaction = true;
    return ok;
}

bool SQLDatabase::beginDeferredTransaction() {
    bool ok = executeUpdate("BEGIN DEFERRED TRANSACTION;");
    if (ok)
        m_inTransaction = true;
    return ok;
}

bool SQLDatabase::commit() {
    bool ok = executeUpdate("COMMIT TRANSACTION;");
    if (ok)
        m_inTransaction = false;
    return ok;
}

bool SQLDatabase::rollback() {
    bool ok = executeUpdate("ROLLBACK TRANSACTION;");
    if (ok)
        m_inTransaction = false;
    return ok;
}

std::string SQLDatabase::lastErrorMessage() const {
    if (!m_db)
        return "not open";
    return sqlite3_errmsg(m_db.get());
}

int SQLDatabase::lastErrorCode() const {
    if (!m_db)
        return SQLITE_MISUSE;
    return sqlite3_errcode(m_db.get());
}

bool SQLDatabase::hadError() const {
    int code = lastErrorCode();
    return code > 0 && code < 100;
}

int64_t SQLDatabase::lastInsertRowId() {
    if (m_inUse) {
        warnInUse();
        return 0;
    }
    if (!m_db)
        return 0;
    return sqlite3_last_insert_rowid(m_db.get());
}

int SQLDatabase::changes() {
    if (m_inUse) {
        warnInUse();
        return 0;
    }
    if (!m_db)
        return 0;
    return sqlite3_changes(m_db.get());
}

bool SQLDatabase::goodConnection() {
    if (!m_db)
        return false;
    auto rs = executeQuery("select name from sqlite_master where type='table'");
    if (!rs)
        return false;
    rs->next();
    bool ok = !rs->failed();
    rs->close();
    return ok;
}

std::shared_ptr<SQLStatement> SQLDatabase::cachedStatementForQuery(std::string_view sql) const {
    auto it = m_cachedStatements.find(sql);
    return it == m_cachedStatements.end() ? nullptr : it->second;
}

void SQLDatabase::setCachedStatement(std::shared_ptr<SQLStatement> statement, std::string_view sql) {
    if (!statement)
        return;
    statement->setQuery(std::string(sql));
    m_cachedStatements.insert_or_assign(std::string(sql), std::move(statement));
}

void SQLDatabase::clearCachedStatements() {
    for (auto& [sql, statement] : m_cachedStatements) {
        // A statement still stepped by an open result set is that result set's
        // to finish; it is finalized when the result set lets it go.
        if (!statement->isBusyWithResultSet())
            statement->close();
    }
    m_cachedStatements.clear();
}

void SQLDatabase::closeOpenResultSets() {
    auto copy = m_openResultSets;
    for (SQLResultSet* resultSet : copy)
        resultSet->close();
    m_openResultSets.clear();
}

void SQLDatabase::resultSetDidClose(SQLResultSet* resultSet) {
    m_openResultSets.erase(resultSet);
}

void SQLDatabase::setShouldCacheStatements(bool value) {
    m_shouldCacheStatements = value;
    if (!value)
        m_cachedStatements.clear();
}

// One-value queries --------------------------------------------------------

std::optional<std::string> SQLDatabase::stringForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return std::nullopt;
    auto value = rs->stringForColumnIndex(0);
    rs->close();
    return value;
}

int SQLDatabase::intForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return 0;
    int value = rs->intForColumnIndex(0);
    rs->close();
    return value;
}

int64_t SQLDatabase::longForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return 0;
    int64_t value = rs->longForColumnIndex(0);
    rs->close();
    return value;
}

bool SQLDatabase::boolForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return false;
    bool value = rs->boolForColumnIndex(0);
    rs->close();
    return value;
}

double SQLDatabase::doubleForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return 0;
    double value = rs->doubleForColumnIndex(0);
    rs->close();
    return value;
}

std::optional<std::vector<uint8_t>> SQLDatabase::dataForQuery(std::string_view sql,
                                                              std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return std::nullopt;
    auto value = rs->dataForColumnIndex(0);
    rs->close();
    return value;
}

std::optional<double> SQLDatabase::dateForQuery(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto rs = executeQuery(sql, args);
    if (!rs || !rs->next())
        return std::nullopt;
    auto value = rs->dateForColumnIndex(0);
    rs->close();
    return value;
}

// Schema -------------------------------------------------------------------

bool SQLDatabase::tableExists(std::string_view tableName) {
    auto rs = executeQuery("select [sql] from sqlite_master where [type] = 'table' and lower(name) = ?",
                           {lowercase(tableName)});
    if (!rs)
        return false;
    bool found = rs->next();
    rs->close();
    return found;
}

std::unique_ptr<SQLResultSet> SQLDatabase::getSchema() {
    return executeQuery("SELECT type, name, tbl_name, rootpage, sql FROM (SELECT * FROM sqlite_master UNION ALL SELECT "
                        "* FROM sqlite_temp_master) "
                        "WHERE type != 'meta' AND name NOT LIKE 'sqlite_%' ORDER BY tbl_name, type DESC, name");
}

std::unique_ptr<SQLResultSet> SQLDatabase::getTableSchema(std::string_view tableName) {
    // A pragma takes no parameters: the name goes in quoted, never as SQL.
    return executeQuery("PRAGMA table_info(" + quoteIdentifier(tableName) + ")");
}

bool SQLDatabase::columnExists(std::string_view tableName, std::string_view columnName) {
    std::string column = lowercase(columnName);
    auto rs = getTableSchema(lowercase(tableName));
    if (!rs)
        return false;
    bool found = false;
    while (rs->next()) {
        auto name = rs->stringForColumn("name");
        if (name && lowercase(*name) == column) {
            found = true;
            break;
        }
    }
    rs->close();
    return found;
}

bool SQLDatabase::validateSQL(std::string_view sql, SQLError* error) {
    if (!m_db)
        return false;
    m_inUse = true;
    SQLBusyRetry retry(this);
    bool valid = false;
    for (;;) {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(m_db.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
        SQLiteStatementPtr statement(raw); // only checked, never run
        if (rc == SQLITE_OK) {
            valid = true;
            break;
        }
        if (isBusy(rc)) {
            if (retry.waitAndRetry("validateSQL", __LINE__))
                continue;
        }
        if (error) {
            error->code = lastErrorCode();
            error->message = lastErrorMessage();
        }
        break;
    }
    m_inUse = false;
    return valid;
}

} // namespace pw
