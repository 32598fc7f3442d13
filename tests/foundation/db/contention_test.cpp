#include "DBTestHome.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLBusyRetry.h"
#include "foundation/db/SQLDatabase.h"
#include "platform/core/Log.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

using pw::BookDB;
using pw::SQLDatabase;
using pw::core::Value;

namespace {

constexpr int64_t kContentionBook = 8;

class ContentionTest : public DBTestHome {
protected:
    void SetUp() override {
        DBTestHome::SetUp();
        ASSERT_TRUE(pw::MainDB::createMainDBIfNotExists());
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(kContentionBook));
        Value::Array chapters;
        for (int id = 1; id <= 40; ++id)
            chapters.push_back(Value(Value::Map{
                {"c", Value(id)}, {"n", Value("章" + std::to_string(id))}, {"v", Value(0)}, {"vc", Value(1)}}));
        ASSERT_TRUE(BookDB::addChapters(chapters, kContentionBook));
    }

    void TearDown() override {
        SQLDatabase::setDefaultBusyTimeLimit(10.0);
        DBTestHome::TearDown();
    }

    std::string bookFile() const { return BookDB::bookDBPath(kContentionBook).string(); }
};

TEST_F(ContentionTest, HeldLockEndsInAReportedBusyFailure) {
    SQLDatabase holder(bookFile());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.beginTransaction());

    SQLDatabase waiter(bookFile());
    ASSERT_TRUE(waiter.open());
    waiter.setBusyTimeLimit(0.05);
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(waiter.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = 1"));
    EXPECT_EQ(waiter.lastErrorCode(), SQLITE_BUSY);
    EXPECT_FALSE(waiter.beginTransaction());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));

    // A retry count gives up on its own, whatever the time limit.
    waiter.setBusyTimeLimit(60);
    waiter.setBusyRetryTimeout(3);
    EXPECT_FALSE(waiter.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = 1"));

    // The table operations report the busy file as a failure, not as an answer.
    SQLDatabase::setDefaultBusyTimeLimit(0.05);
    EXPECT_FALSE(BookDB::saveChapterWithRZBookId(kContentionBook, 1, "正文"));
    EXPECT_EQ(BookDB::getAllChaptersWithRZBookId(kContentionBook), std::nullopt);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(kContentionBook, 1), -1);

    ASSERT_TRUE(holder.rollback());
    EXPECT_TRUE(BookDB::saveChapterWithRZBookId(kContentionBook, 1, "正文"));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(kContentionBook, 1), 1);
}

TEST_F(ContentionTest, BusyWaitsAreShortAndGivingUpNamesTheCall) {
    SQLDatabase holder(bookFile());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.beginTransaction());
    SQLDatabase waiter(bookFile());
    ASSERT_TRUE(waiter.open());
    waiter.setBusyRetryTimeout(200);
    // Every wait is the same 20 microseconds, however long the lock is held.
    pw::SQLBusyRetry retry(&waiter);
    int waits = 0;
    while (retry.waitAndRetry("test", __LINE__, false))
        ++waits;
    EXPECT_EQ(waits, 201);
    EXPECT_NEAR(retry.slept(), 202 * 20e-6, 1e-9);

    std::vector<std::string> lines;
    pw::core::Log::setLevel(pw::core::LogLevel::Warning);
    pw::core::Log::setSink([&](pw::core::LogLevel, std::string_view line) { lines.emplace_back(line); });
    EXPECT_FALSE(waiter.executeUpdate("update chapter set IsDownloaded = 1 where ChapterId = 1"));
    pw::core::Log::setSink(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    const std::regex busy("executeUpdate:[0-9]+ Database busy \\(" + bookFile() + "\\)");
    EXPECT_TRUE(std::regex_match(lines[0], busy)) << lines[0];
    EXPECT_EQ(lines[1], "Database busy");
    ASSERT_TRUE(holder.rollback());
}

TEST_F(ContentionTest, WaiterGoesOnOnceTheLockIsFreed) {
    SQLDatabase holder(bookFile());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.beginTransaction());
    ASSERT_TRUE(holder.executeUpdate("update chapter set ChapterName = 'held' where ChapterId = 2"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        holder.commit();
    });
    EXPECT_TRUE(BookDB::saveChapterWithRZBookId(kContentionBook, 2, "正文"));
    release.join();
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(kContentionBook, 2), (Value::Array{Value("held"), Value("正文")}));
}

TEST_F(ContentionTest, ConcurrentWritersAndReadersOnOneFile) {
    std::atomic<int> failures{0};
    std::atomic<bool> writing{true};
    auto writer = [&](int first) {
        for (int id = first; id <= 40; id += 2) {
            if (!BookDB::saveChapterWithRZBookId(kContentionBook, id, "正文" + std::to_string(id)))
                ++failures;
            if (!pw::SettingTB::saveSettingWithKey("k" + std::to_string(id), "v"))
                ++failures;
        }
    };
    std::thread reader([&] {
        while (writing) {
            auto chapters = BookDB::getAllChaptersWithRZBookId(kContentionBook);
            if (!chapters || chapters->size() != 40)
                ++failures;
        }
    });
    std::thread odd(writer, 1);
    std::thread even(writer, 2);
    odd.join();
    even.join();
    writing = false;
    reader.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(BookDB::getAllNotDownloadedChapterIdsByRZBookId(kContentionBook)->empty());
    EXPECT_EQ(BookDB::getChapterContentWithRZBookId(kContentionBook, 17), (Value::Array{Value("章17"), Value("正文17")}));
    EXPECT_EQ(pw::SettingTB::readSettingWithKey("k40"), "v");
}

} // namespace
