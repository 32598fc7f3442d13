#pragma once
// The process-wide levelled log dispatcher of the web server. Messages are
// stamped and handed, on one serial queue, to every registered logger (each
// on its own queue). At most 1000 messages may be pending: the next caller
// waits until the oldest has been handed to every logger.
#include "platform/core/DispatchQueue.h"
#include "transfer/log/WSLogger.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw {

class WSLog {
public:
    static constexpr int kMaxPendingMessages = 1000;
    static constexpr int kHTTPLogContext = 80;

    static std::shared_ptr<core::DispatchQueue> loggingQueue();
    static void addLogger(const std::shared_ptr<WSLogger>& logger);
    static void removeLogger(const std::shared_ptr<WSLogger>& logger);
    static void removeAllLoggers();

    // Errors go synchronously (asynchronous = false), the rest asynchronously.
    static void log(bool asynchronous, int level, int flag, int context, const char* file, const char* function,
                    int line, const char* format, ...) __attribute__((format(printf, 8, 9)));
    static void queueLogMessage(std::shared_ptr<WSLogMessage> message, bool asynchronous);
    // Returns when every logger that can flush has flushed.
    static void flushLog();
    // The application is about to end: every logger flushes (the dispatcher
    // hears the platform's will-terminate notification from its first use).
    static void applicationWillTerminate();
    // Permits left of the pending-message bound (for tests).
    static long availablePermits();

    // Per-source levels, for tools that change them while running. A source
    // (a class, by name) takes part by registering both a getter and a setter
    // of its level; one lacking either is not registered. The dispatcher
    // itself still filters nothing: the level test stays with the caller.
    static void registerClass(const std::string& name, std::function<int()> level, std::function<void(int)> setLevel);
    static void unregisterClass(const std::string& name);
    static bool isRegisteredClass(const std::string& name);
    // Sorted by name.
    static std::vector<std::string> registeredClassNames();
    // -1 for a class that is not registered.
    static int logLevelForClass(const std::string& name);
    // Ignored for a class that is not registered.
    static void setLogLevelForClass(int level, const std::string& name);
};

// Call-site helpers: a message whose flag is not in its unit's level is never built.
#define WS_LOG_MAYBE(async, lvl, flg, ctx, ...)                                                                        \
    do {                                                                                                               \
        if ((lvl) & (flg))                                                                                             \
            ::pw::WSLog::log(async, lvl, flg, ctx, __FILE__, __func__, __LINE__, __VA_ARGS__);                         \
    } while (0)
#define WS_LOG_ERROR(lvl, ...)                                                                                         \
    WS_LOG_MAYBE(false, lvl, ::pw::WSLogMessage::FlagError, ::pw::WSLog::kHTTPLogContext, __VA_ARGS__)
#define WS_LOG_WARN(lvl, ...)                                                                                          \
    WS_LOG_MAYBE(true, lvl, ::pw::WSLogMessage::FlagWarning, ::pw::WSLog::kHTTPLogContext, __VA_ARGS__)
#define WS_LOG_INFO(lvl, ...)                                                                                          \
    WS_LOG_MAYBE(true, lvl, ::pw::WSLogMessage::FlagInfo, ::pw::WSLog::kHTTPLogContext, __VA_ARGS__)

} // namespace pw
