#pragma once

#include <functional>
#include <string_view>

namespace pw::core {

enum class LogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3, Silent = 4 };

// The console log: one line per message on stderr. Messages below the level
// are dropped; tests silence it or catch lines with a sink.
class Log {
public:
    using Sink = std::function<void(LogLevel, std::string_view)>;

    static void setLevel(LogLevel level);
    static LogLevel level();
    static void setSink(Sink sink); // nullptr: back to stderr

    static void write(LogLevel level, std::string_view message);
    static void debug(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void info(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
};

} // namespace pw::core
