#include "transfer/log/WSLog.h"

#include "platform/core/DispatchGroup.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Semaphore.h"

#include <cstdarg>
#include <map>
#include <mutex>
#include <optional>
#include <cstdio>
#include <thread>
#include <vector>

namespace pw {

namespace {
struct LoggerNode {
    std::shared_ptr<WSLogger> logger;
    std::shared_ptr<core::DispatchQueue> queue;
};

// Touched only on the logging queue, apart from the semaphore.
struct State {
    std::shared_ptr<core::DispatchQueue> queue = core::DispatchQueue::create("app.wslog");
    core::DispatchGroup group;
    core::Semaphore permits{WSLog::kMaxPendingMessages};
    unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    std::vector<LoggerNode> nodes; // front = most recently added
    core::ObserverToken willTerminate;
};

State& state() {
    // Lives for the process; loggers may log at exit.
    static State* s = [] {
        auto* made = new State;
        made->willTerminate = core::NotificationCenter::defaultCenter().addObserver(
            "UIApplicationWillTerminateNotification", [](const core::Notification&) { WSLog::applicationWillTerminate(); });
        return made;
    }();
    return *s;
}

void lt_log(const std::shared_ptr<WSLogMessage>& message) {
    auto& s = state();
    if (s.processors > 1) {
        for (auto& node : s.nodes) {
            auto logger = node.logger;
            s.group.async(node.queue, [logger, message] { logger->logMessage(*message); });
        }
        s.group.wait();
    } else {
        for (auto& node : s.nodes) {
            auto logger = node.logger;
            node.queue->sync([&] { logger->logMessage(*message); });
        }
    }
    s.permits.signal();
}
} // namespace

std::shared_ptr<core::DispatchQueue> WSLog::loggingQueue() {
    return state().queue;
}

void WSLog::addLogger(const std::shared_ptr<WSLogger>& logger) {
    if (!logger)
        return;
    state().queue->async([logger] {
        auto queue = logger->loggerQueue();
        if (!queue)
            queue = core::DispatchQueue::create(logger->loggerName());
        auto& nodes = state().nodes;
        nodes.insert(nodes.begin(), LoggerNode{logger, queue});
        logger->didAddLogger();
    });
}

void WSLog::removeLogger(const std::shared_ptr<WSLogger>& logger) {
    if (!logger)
        return;
    state().queue->async([logger] {
        logger->willRemoveLogger();
        auto& nodes = state().nodes;
        for (auto it = nodes.begin(); it != nodes.end(); ++it) {
            if (it->logger == logger) {
                nodes.erase(it);
                break;
            }
        }
    });
}

void WSLog::removeAllLoggers() {
    state().queue->async([] {
        auto& nodes = state().nodes;
        for (auto& node : nodes)
            node.logger->willRemoveLogger();
        nodes.clear();
    });
}

void WSLog::log(bool asynchronous, int level, int flag, int context, const char* file, const char* function, int line,
                const char* format, ...) {
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    queueLogMessage(std::make_shared<WSLogMessage>(std::move(text), level, flag, context, file, function, line),
                    asynchronous);
}

void WSLog::queueLogMessage(std::shared_ptr<WSLogMessage> message, bool asynchronous) {
    auto& s = state();
    s.permits.wait();
    if (asynchronous)
        s.queue->async([message] { lt_log(message); });
    else
        s.queue->sync([&] { lt_log(message); });
}

void WSLog::flushLog() {
    auto& s = state();
    s.queue->sync([&] {
        for (auto& node : s.nodes) {
            auto logger = node.logger;
            s.group.async(node.queue, [logger] { logger->flush(); });
        }
        s.group.wait();
    });
}

void WSLog::applicationWillTerminate() {
    flushLog();
}

long WSLog::availablePermits() {
    return state().permits.available();
}

namespace {
struct LogSource {
    std::function<int()> level;
    std::function<void(int)> setLevel;
};

// Read from any thread; one plain lock, held for one look-up or change.
struct SourceRegistry {
    std::mutex mutex;
    std::map<std::string, LogSource> sources;
};

SourceRegistry& sourceRegistry() {
    static auto* registry = new SourceRegistry; // sources may log at exit
    return *registry;
}

// The source's accessors run outside the lock: they may log themselves.
std::optional<LogSource> findSource(const std::string& name) {
    auto& r = sourceRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.sources.find(name);
    if (it == r.sources.end())
        return std::nullopt;
    return it->second;
}
} // namespace

void WSLog::registerClass(const std::string& name, std::function<int()> level, std::function<void(int)> setLevel) {
    if (name.empty() || !level || !setLevel)
        return;
    auto& r = sourceRegistry();
    std::lock_guard lock(r.mutex);
    r.sources[name] = LogSource{std::move(level), std::move(setLevel)};
}

void WSLog::unregisterClass(const std::string& name) {
    auto& r = sourceRegistry();
    std::lock_guard lock(r.mutex);
    r.sources.erase(name);
}

bool WSLog::isRegisteredClass(const std::string& name) {
    return findSource(name).has_value();
}

std::vector<std::string> WSLog::registeredClassNames() {
    auto& r = sourceRegistry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> names;
    for (auto& [name, source] : r.sources)
        names.push_back(name);
    return names;
}

int WSLog::logLevelForClass(const std::string& name) {
    auto source = findSource(name);
    return source ? source->level() : -1;
}

void WSLog::setLogLevelForClass(int level, const std::string& name) {
    if (auto source = findSource(name))
        source->setLevel(level);
}

} // namespace pw
