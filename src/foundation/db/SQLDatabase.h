#pragma once

#include "foundation/db/SQLArg.h"
#include "foundation/db/SQLStatement.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace pw {

class SQLResultSet;

// What a failed statement left behind: SQLite's code and message.
struct SQLError {
    int code{0};
    std::string message;
};

// One connection to one database file. Every table call makes its own, uses it
// on one thread and drops it; SQLite's file locks and the bounded busy retry
// arbitrate between connections. Not copyable; moving keeps handed-out result
// sets attached to the moved-to object.
class SQLDatabase {
public:
    // No path means a private in-memory database.
    explicit SQLDatabase(std::optional<std::string> path = std::nullopt);
    static SQLDatabase databaseWithPath(std::optional<std::string> path) { return SQLDatabase(std::move(path)); }
    ~SQLDatabase();

    SQLDatabase(const SQLDatabase&) = delete;
    SQLDatabase& operator=(const SQLDatabase&) = delete;
    SQLDatabase(SQLDatabase&& other) noexcept;
    SQLDatabase& operator=(SQLDatabase&& other) noexcept;

    static std::string sqliteLibVersion();
    static bool isThreadSafe();

    bool open();
    bool openWithFlags(int flags);
    bool close();

    // Queries hand out a cursor, or nullptr when the statement could not run.
    std::unique_ptr<SQLResultSet> executeQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    std::unique_ptr<SQLResultSet> executeQuery(std::string_view sql, std::span<const SQLArg> args);
    std::unique_ptr<SQLResultSet> executeQueryWithArgumentsInArray(std::string_view sql, std::span<const SQLArg> args);
    std::unique_ptr<SQLResultSet> executeQueryWithFormat(std::string_view format, std::initializer_list<SQLArg> values);

    // Updates answer true exactly when the statement ran to its end.
    bool executeUpdate(std::string_view sql, std::initializer_list<SQLArg> args = {}, SQLError* error = nullptr);
    bool executeUpdate(std::string_view sql, std::span<const SQLArg> args, SQLError* error = nullptr);
    bool executeUpdateWithArgumentsInArray(std::string_view sql, std::span<const SQLArg> args) {
        return executeUpdate(sql, args);
    }
    bool executeUpdateWithFormat(std::string_view format, std::initializer_list<SQLArg> values);
    bool update(std::string_view sql, SQLError* error, std::initializer_list<SQLArg> args);

    // Turns a printf-like format into SQL with a `?` per conversion and collects
    // the values in order; "%%" is a literal percent sign. nullopt when the
    // format asks for more values than it was given.
    static std::optional<std::string> extractSQL(std::string_view format, std::span<const SQLArg> values,
                                                 std::vector<SQLArg>& arguments);

    bool beginTransaction();
    bool beginDeferredTransaction();
    bool commit();
    bool rollback();

    std::string lastErrorMessage() const;
    int lastErrorCode() const;
    bool hadError() const;
    int64_t lastInsertRowId();
    int changes();

    bool goodConnection();
    bool databaseExists() const;
    void warnInUse() const;

    bool bindObject(const SQLArg& arg, int column, sqlite3_stmt* statement);

    std::shared_ptr<SQLStatement> cachedStatementForQuery(std::string_view sql) const;
    void setCachedStatement(std::shared_ptr<SQLStatement> statement, std::string_view sql);
    void clearCachedStatements();
    size_t cachedStatementCount() const { return m_cachedStatements.size(); }
    void closeOpenResultSets();
    void resultSetDidClose(SQLResultSet* resultSet);
    size_t openResultSetCount() const { return m_openResultSets.size(); }

    bool shouldCacheStatements() const { return m_shouldCacheStatements; }
    void setShouldCacheStatements(bool value);
    bool inUse() const { return m_inUse || m_inTransaction; }
    void setInUse(bool value) { m_inUse = value; }
    const std::optional<std::string>& databasePath() const { return m_databasePath; }
    sqlite3* sqliteHandle() const { return m_db.get(); }

    // The layer has no encryption.
    bool setKey(std::string_view) { return false; }
    bool rekey(std::string_view) { return false; }

    bool logsErrors() const { return m_logsErrors; }
    void setLogsErrors(bool value) { m_logsErrors = value; }
    bool crashOnErrors() const { return m_crashOnErrors; }
    void setCrashOnErrors(bool value) { m_crashOnErrors = value; }
    bool traceExecution() const { return m_traceExecution; }
    void setTraceExecution(bool value) { m_traceExecution = value; }
    bool checkedOut() const { return m_checkedOut; }
    void setCheckedOut(bool value) { m_checkedOut = value; }
    bool inTransaction() const { return m_inTransaction; }
    void setInTransaction(bool value) { m_inTransaction = value; }
    // Retries of one busy call before it gives up; 0 means no count limit.
    int busyRetryTimeout() const { return m_busyRetryTimeout; }
    void setBusyRetryTimeout(int value) { m_busyRetryTimeout = value; }
    // However many retries are allowed, a call waits at most this long for a busy file.
    double busyTimeLimit() const { return m_busyTimeLimit; }
    void setBusyTimeLimit(double seconds) { m_busyTimeLimit = seconds; }
    // The time limit new connections start with (10 s).
    static double defaultBusyTimeLimit();
    static void setDefaultBusyTimeLimit(double seconds);

    // One-value queries: the first column of the first row.
    std::optional<std::string> stringForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    int intForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    int64_t longForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    bool boolForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    double doubleForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    std::optional<std::vector<uint8_t>> dataForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});
    std::optional<double> dateForQuery(std::string_view sql, std::initializer_list<SQLArg> args = {});

    bool tableExists(std::string_view tableName);
    std::unique_ptr<SQLResultSet> getSchema();
    std::unique_ptr<SQLResultSet> getTableSchema(std::string_view tableName);
    bool columnExists(std::string_view tableName, std::string_view columnName);
    bool validateSQL(std::string_view sql, SQLError* error = nullptr);

private:
    friend class SQLResultSet;
    friend class SQLBusyRetry;

    void moveFrom(SQLDatabase& other) noexcept;
    // Prepares sql with the busy retry; nullptr on failure (logged, inUse left to the caller).
    SQLiteStatementPtr prepare(std::string_view sql, const char* operation, int* resultCode);
    struct BoundStatement {
        std::shared_ptr<SQLStatement> cached; // the cache's statement when a free one served the call
        SQLiteStatementPtr owned;             // a statement prepared for this call
        sqlite3_stmt* handle{nullptr};        // whichever of the two runs
    };
    // Claims the connection for one call, takes a free cached statement or
    // prepares one, and binds args. On failure the connection is released
    // and nothing stays bound.
    std::optional<BoundStatement> beginStatement(std::string_view sql, std::span<const SQLArg> args,
                                                 const char* operation, bool copy, SQLError* error);
    bool bindAll(sqlite3_stmt* statement, std::span<const SQLArg> args, std::string_view sql, const char* operation,
                 bool copy);
    bool bindValue(const SQLArg& arg, int column, sqlite3_stmt* statement, bool copy);
    std::string pathForLog() const;

    SQLiteConnectionPtr m_db{};
    std::optional<std::string> m_databasePath;
    bool m_logsErrors{false};
    bool m_crashOnErrors{false};
    bool m_inUse{false};
    bool m_inTransaction{false};
    bool m_traceExecution{false};
    bool m_checkedOut{false};
    int m_busyRetryTimeout{0};
    double m_busyTimeLimit{defaultBusyTimeLimit()};
    bool m_shouldCacheStatements{false};
    std::map<std::string, std::shared_ptr<SQLStatement>, std::less<>> m_cachedStatements;
    std::set<SQLResultSet*> m_openResultSets;
};

} // namespace pw
