#include "transfer/log/WSAbstractDatabaseLogger.h"
#include "transfer/log/WSFileLogger.h"
#include "platform/core/DispatchSource.h"
#include "transfer/log/WSLog.h"
#include "transfer/log/WSLogFileManagerDefault.h"
#include "transfer/log/WSTTYLogger.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/Semaphore.h"
#include "platform/net/ExtendedAttributes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

using namespace pw;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/pw-wslog-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
};

struct RecordingLogger : WSAbstractLogger {
    std::string name;
    std::vector<std::string>* sink;
    std::mutex* mutex;
    core::Semaphore* gate = nullptr;
    RecordingLogger(std::string n, std::vector<std::string>* s, std::mutex* m)
        : name(std::move(n)), sink(s), mutex(m) {}
    void logMessage(const WSLogMessage& m) override {
        if (gate)
            gate->wait();
        std::lock_guard l(*mutex);
        sink->push_back(name + ":" + m.logMsg());
    }
};

} // namespace

TEST(WSLog, LoggersHearSynchronousMessagesInReverseRegistrationOrderAndTwiceWhenAddedTwice) {
    std::vector<std::string> seen;
    std::mutex m;
    auto a = std::make_shared<RecordingLogger>("A", &seen, &m);
    auto b = std::make_shared<RecordingLogger>("B", &seen, &m);
    WSLog::addLogger(a);
    WSLog::addLogger(b);
    WSLog::addLogger(a);
    WSLog::log(false, 3, WSLogMessage::FlagError, 80, __FILE__, __func__, __LINE__, "%s[%d]", "err", 7);
    {
        std::lock_guard l(m);
        ASSERT_EQ(seen.size(), 3u); // all there before the call returned
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "A:err[7]"), 2);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "B:err[7]"), 1);
    }
    WSLog::removeLogger(a); // removes one of A's two registrations
    WSLog::log(false, 3, WSLogMessage::FlagError, 80, __FILE__, __func__, __LINE__, "again");
    {
        std::lock_guard l(m);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "A:again"), 1);
    }
    WSLog::removeAllLoggers();
    WSLog::flushLog();
    EXPECT_EQ(WSLog::availablePermits(), WSLog::kMaxPendingMessages);
}

TEST(WSLog, TheThousandAndFirstPendingMessageWaitsForTheOldest) {
    std::vector<std::string> seen;
    std::mutex m;
    core::Semaphore gate(0);
    auto slow = std::make_shared<RecordingLogger>("S", &seen, &m);
    slow->gate = &gate;
    WSLog::addLogger(slow);
    for (int i = 0; i < WSLog::kMaxPendingMessages; ++i)
        WSLog::log(true, 7, WSLogMessage::FlagInfo, 80, __FILE__, __func__, __LINE__, "m%d", i);
    EXPECT_EQ(WSLog::availablePermits(), 0);
    std::atomic<bool> returned{false};
    std::thread late([&] {
        WSLog::log(true, 7, WSLogMessage::FlagInfo, 80, __FILE__, __func__, __LINE__, "late");
        returned = true;
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(returned);
    gate.signal(); // the oldest reaches the logger: one permit comes back
    late.join();
    EXPECT_TRUE(returned);
    for (int i = 0; i < WSLog::kMaxPendingMessages; ++i)
        gate.signal();
    WSLog::removeLogger(slow);
    WSLog::flushLog();
    std::lock_guard l(m);
    ASSERT_EQ(seen.size(), static_cast<size_t>(WSLog::kMaxPendingMessages + 1));
    EXPECT_EQ(seen.front(), "S:m0");
    EXPECT_EQ(seen.back(), "S:late");
}

TEST(WSLog, FileNamesAreCutFromSourcePaths) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"/src/Core/HTTPServer.m", "HTTPServer"},
        {"HTTPServer", "HTTPServer"},
        {"/a.b/HTTPServer", "HTTPServer"},
        {"x.tar.gz", "x.tar"},
    };
    for (auto& c : cases)
        EXPECT_EQ(ExtractFileNameWithoutExtension(c.path), c.name) << c.path;
    EXPECT_TRUE(ExtractFileNameWithoutExtension(nullptr).empty());
}

TEST(WSLog, PerClassLevelsReachOnlyRegisteredClasses) {
    int alpha = WSLogMessage::LevelErrorsAndWarnings;
    WSLog::registerClass(
        "Alpha", [&] { return alpha; }, [&](int l) { alpha = l; });
    WSLog::registerClass(
        "GetterOnly", [] { return 7; }, nullptr);
    EXPECT_TRUE(WSLog::isRegisteredClass("Alpha"));
    EXPECT_EQ(WSLog::registeredClassNames(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(WSLog::logLevelForClass("Alpha"), 3);
    WSLog::setLogLevelForClass(WSLogMessage::LevelWithInfo, "Alpha");
    EXPECT_EQ(alpha, 7);
    EXPECT_EQ(WSLog::logLevelForClass("Alpha"), 7);
    // A class that lacks either accessor, or never registered, has no level.
    for (const char* name : {"GetterOnly", "Beta"}) {
        EXPECT_FALSE(WSLog::isRegisteredClass(name));
        EXPECT_EQ(WSLog::logLevelForClass(name), -1);
        WSLog::setLogLevelForClass(1, name);
    }
    WSLog::unregisterClass("Alpha");
    EXPECT_TRUE(WSLog::registeredClassNames().empty());
    EXPECT_EQ(alpha, 7);
}

TEST(WSLogFileManager, RecognisesLogFileNames) {
    struct Case {
        const char* name;
        bool isLog;
    } cases[] = {
        {"log-ABC123.txt", true}, {"log-0F9E8D", true},       {"log-abc123.txt", false},
        {"log-ABC12", false},     {"xlog-ABC123.txt", false}, {"log-ABCG23.txt", false},
    };
    for (auto& c : cases)
        EXPECT_EQ(WSLogFileManagerDefault::isLogFile(c.name), c.isLog) << c.name;
}

TEST(WSFileLogger, RollsBySizeKeepsAtMostTheConfiguredArchivesAndNeverReopensAnArchivedFile) {
    TempDir dir;
    auto manager = std::make_shared<WSLogFileManagerDefault>((dir.path / "Logs").string());
    manager->setMaximumNumberOfLogFiles(3);
    auto logger = std::make_shared<WSFileLogger>(manager);
    logger->setLogFormatter(nullptr);
    logger->setMaximumFileSize(18);
    WSLog::addLogger(logger);
    std::vector<std::string> currents;
    for (int i = 0; i < 12; ++i) {
        // Creation times must differ for the newest-first order.
        std::this_thread::sleep_for(3ms);
        WSLog::log(false, 3, WSLogMessage::FlagError, 80, __FILE__, __func__, __LINE__, "line %02d is twelve\n", i);
    }
    WSLog::removeLogger(logger);
    WSLog::flushLog();
    auto infos = manager->sortedLogFileInfos();
    // Every message filled a file (18 bytes), so each rolled. Pruning runs when
    // a file is created: 3 archives stay besides the one current then, which
    // has rolled too since.
    ASSERT_EQ(infos.size(), 4u);
    for (auto& info : infos) {
        EXPECT_TRUE(info.isArchived()) << info.filePath();
        std::ifstream in(info.filePath());
        std::string content((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(content.size(), 18u) << content; // no doubled newline
    }
    std::ifstream newest(infos[0].filePath());
    std::string line;
    std::getline(newest, line);
    EXPECT_EQ(line, "line 11 is twelve");

    // A new logger does not append to an archived file, nor to a full one.
    auto full = dir.path / "Logs" / "log-FFFFFF.txt";
    std::this_thread::sleep_for(5ms);
    std::ofstream(full) << std::string(30, 'x');
    auto second = std::make_shared<WSFileLogger>(manager);
    second->setMaximumFileSize(20);
    second->setLogFormatter(nullptr);
    second->loggerQueue()->sync([&] { second->logMessage(WSLogMessage("short", 3, 1, 80, __FILE__, nullptr, 0)); });
    auto path = second->currentLogFilePath();
    ASSERT_TRUE(path.has_value());
    EXPECT_NE(*path, full.string());
    EXPECT_TRUE(WSLogFileInfo(full.string()).isArchived());
    EXPECT_EQ(manager->sortedLogFileInfos().size(), 4u); // the new current one and 3 archives
    second->rollLogFile();
    second->loggerQueue()->sync([] {});
    EXPECT_FALSE(second->currentLogFilePath().has_value());
    EXPECT_TRUE(WSLogFileInfo(*path).isArchived());
}

TEST(WSTTYLogger, WritesOneLineOnlyToATerminal) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    auto tty = WSTTYLogger::sharedInstance();
    tty->setOutput(fds[1], false);
    tty->logMessage(WSLogMessage("hidden", 3, 2, 80, __FILE__, nullptr, 0));
    tty->setOutput(fds[1], true);
    tty->logMessage(WSLogMessage("shown\n", 3, 2, 80, __FILE__, nullptr, 0));
    ::close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    EXPECT_EQ(out.find("hidden"), std::string::npos);
    ASSERT_GE(out.size(), 7u);
    EXPECT_EQ(out.substr(out.size() - 8), "] shown\n");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    tty->setOutput(2, ::isatty(2) == 1);
}

namespace {
struct CountingDatabaseLogger : WSAbstractDatabaseLogger {
    std::atomic<int> saves{0}, deletes{0}, pending{0};
    bool db_log(const WSLogMessage&) override {
        ++pending;
        return true;
    }
    void db_save() override {
        ++saves;
        pending = 0;
    }
    void db_delete() override { ++deletes; }
};
} // namespace

TEST(WSAbstractDatabaseLogger, SavesByCountOrTimeAndDeletesWhenTheAgeLimitDrops) {
    std::atomic<long long> ns{1'000'000'000};
    core::DispatchSource::setClock([&] { return std::chrono::nanoseconds(ns.load()); });
    auto advance = [&](std::chrono::seconds s) {
        ns += std::chrono::nanoseconds(s).count();
        core::DispatchSource::clockAdvanced();
    };
    auto logger = std::make_shared<CountingDatabaseLogger>();
    auto log = [&](int n) {
        logger->loggerQueue()->sync([&] {
            for (int i = 0; i < n; ++i)
                logger->logMessage(WSLogMessage("x", 3, 1, 80, __FILE__, nullptr, 0));
        });
    };
    logger->loggerQueue()->sync([&] { logger->didAddLogger(); });
    log(499);
    EXPECT_EQ(logger->saves, 0);
    log(1);
    EXPECT_EQ(logger->saves, 1); // the 500th entry
    log(499);
    logger->setSaveThreshold(400); // already past the new threshold: saves at once
    EXPECT_EQ(logger->saves, 2);

    log(3);
    advance(59s);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(logger->saves, 2);
    advance(1s); // 60 s after the first unsaved entry
    for (int i = 0; i < 200 && logger->saves < 3; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(logger->saves, 3);

    int deletes = logger->deletes;
    logger->setMaxAge(60 * 60 * 24); // lowered: deletes now
    EXPECT_EQ(logger->deletes, deletes + 1);
    logger->setMaxAge(60 * 60 * 24 * 30); // raised: nothing
    EXPECT_EQ(logger->deletes, deletes + 1);
    logger->loggerQueue()->sync([&] { logger->willRemoveLogger(); });
    core::DispatchSource::setClock(nullptr);
}

TEST(WSFileLogger, RollsByAgeWhenOwnedPlainlyAndDefaultsToTheDocumentsLogsFolder) {
    TempDir dir;
    auto manager = std::make_shared<WSLogFileManagerDefault>((dir.path / "Logs").string());
    std::string first;
    {
        // Not owned by a shared pointer: the age timer still rolls the file.
        WSFileLogger logger(manager);
        logger.setLogFormatter(nullptr);
        logger.setRollingFrequency(0.2);
        logger.loggerQueue()->sync([&] { logger.logMessage(WSLogMessage("aged", 3, 1, 80, __FILE__, nullptr, 0)); });
        first = logger.currentLogFilePath().value_or("");
        ASSERT_FALSE(first.empty());
        for (int i = 0; i < 500 && logger.currentLogFilePath(); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(logger.currentLogFilePath().has_value());
    }
    EXPECT_TRUE(WSLogFileInfo(first).isArchived());

    core::Paths::setHome(dir.path / "home");
    EXPECT_EQ(WSLogFileManagerDefault::defaultLogsDirectory(), (dir.path / "home" / "Documents" / "Logs").string());
    WSFileLogger plain;
    EXPECT_EQ(plain.logFileManager()->logsDirectory(), WSLogFileManagerDefault::defaultLogsDirectory());
    EXPECT_TRUE(fs::is_directory(dir.path / "home" / "Documents" / "Logs"));
    core::Paths::setHome({});
}

TEST(WSLogFileInfo, OrdersNewestFirstAndDescribesItself) {
    TempDir dir;
    auto older = dir.path / "log-AAAAAA.txt";
    std::ofstream(older) << "old";
    std::this_thread::sleep_for(20ms);
    auto newer = dir.path / "log-BBBBBB.txt";
    std::ofstream(newer) << "newer";
    auto a = WSLogFileInfo::logFileWithPath(older.string());
    auto b = WSLogFileInfo::logFileWithPath(newer.string());
    EXPECT_EQ(b->reverseCompareByCreationDate(*a), -1);
    EXPECT_EQ(a->reverseCompareByCreationDate(*b), 1);
    EXPECT_EQ(a->reverseCompareByModificationDate(*a), 0);
    EXPECT_EQ(b->reverseCompareByModificationDate(*a), -1);
    auto attributes = b->fileAttributes();
    EXPECT_EQ(attributes["fileSize"].asInt(), 5);
    EXPECT_EQ(attributes["fileType"].asString(), "regular");
    auto text = b->description();
    size_t at = 0;
    for (const char* key : {"filePath = ", "fileName = log-BBBBBB.txt", "fileAttributes = {", "creationDate = ",
                            "modificationDate = ", "fileSize = 5", "age = ", "isArchived = 0"}) {
        auto found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in " << text;
        at = found;
    }
}

TEST(WSLog, FlushesEveryLoggerWhenTheApplicationWillTerminate) {
    struct Flushing : WSAbstractLogger {
        std::atomic<int> flushes{0};
        void flush() override { ++flushes; }
    };
    auto logger = std::make_shared<Flushing>();
    WSLog::addLogger(logger);
    WSLog::loggingQueue()->sync([] {});
    core::NotificationCenter::defaultCenter().post("UIApplicationWillTerminateNotification");
    EXPECT_EQ(logger->flushes.load(), 1);
    WSLog::removeLogger(logger);
    WSLog::loggingQueue()->sync([] {});
}
