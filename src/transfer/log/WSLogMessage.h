#pragma once
// One log record: built by the dispatcher, read by loggers and formatters.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

class WSLogMessage {
public:
    enum Flag { FlagError = 1, FlagWarning = 2, FlagInfo = 4 };
    enum Level { LevelErrorsAndWarnings = 3, LevelWithInfo = 7 };

    WSLogMessage(std::string logMsg, int level, int flag, int context, const char* file, const char* function,
                 int line);

    int logLevel() const { return m_logLevel; }
    int logFlag() const { return m_logFlag; }
    int logContext() const { return m_logContext; }
    const std::string& logMsg() const { return m_logMsg; }
    double timestamp() const { return m_timestamp; } // seconds since 1970
    const char* file() const { return m_file; }
    const char* function() const { return m_function; }
    int lineNumber() const { return m_lineNumber; }
    uint32_t machThreadID() const { return m_machThreadID; }

    // Built on first request and kept.
    const std::string& threadID() const;
    std::string_view fileName() const;
    const std::optional<std::string>& methodName() const;

private:
    int m_logLevel = 0;
    int m_logFlag = 0;
    int m_logContext = 0;
    std::string m_logMsg;
    double m_timestamp = 0;
    const char* m_file = nullptr;     // not copied: the build's source paths live for the process
    const char* m_function = nullptr; // may be null
    int m_lineNumber = 0;
    uint32_t m_machThreadID = 0;
    mutable std::optional<std::string> m_threadID;
    mutable std::optional<std::string_view> m_fileName;
    mutable std::optional<std::optional<std::string>> m_methodName;
};

// The last path component up to its last ".", as a view of the given bytes.
std::string_view ExtractFileNameWithoutExtension(const char* path);

} // namespace pw
