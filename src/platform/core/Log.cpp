#include "platform/core/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace pw::core {

namespace {

std::atomic<LogLevel> g_level{LogLevel::Info};
std::mutex g_sinkMutex;
Log::Sink g_sink;

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Warning:
        return "warning";
    case LogLevel::Error:
        return "error";
    case LogLevel::Silent:
        break;
    }
    return "";
}

void writeFormatted(LogLevel level, const char* format, va_list args) {
    if (level < g_level.load())
        return;
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        return;
    std::string message(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(message.data(), message.size(), format, args);
    message.resize(static_cast<std::size_t>(n));
    Log::write(level, message);
}

} // namespace

void Log::setLevel(LogLevel level) {
    g_level = level;
}
LogLevel Log::level() {
    return g_level.load();
}

void Log::setSink(Sink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void Log::write(LogLevel level, std::string_view message) {
    if (level < g_level.load() || level == LogLevel::Silent)
        return;
    std::lock_guard lock(g_sinkMutex);
    if (g_sink) {
        g_sink(level, message);
        return;
    }
    std::fprintf(stderr, "pagewell [%s] %.*s\n", levelName(level), static_cast<int>(message.size()), message.data());
}

#define PW_LOG_FORWARD(name, lvl)                                                                                      \
    void Log::name(const char* format, ...) {                                                                          \
        va_list args;                                                                                                  \
        va_start(args, format);                                                                                        \
        writeFormatted(lvl, format, args);                                                                             \
        va_end(args);                                                                                                  \
    }

PW_LOG_FORWARD(debug, LogLevel::Debug)
PW_LOG_FORWARD(info, LogLevel::Info)
PW_LOG_FORWARD(warning, LogLevel::Warning)
PW_LOG_FORWARD(error, LogLevel::Error)

#undef PW_LOG_FORWARD

} // namespace pw::core
