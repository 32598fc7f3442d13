#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "site/ProcessLocalRZBook.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace pw;
using namespace pw::test;

namespace {
void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string record(int64_t id, int ret, const std::string& name) {
    return R"({"ret":)" + std::to_string(ret) + R"(,"BookId":)" + std::to_string(id) + R"(,"BookName":")" + name +
           R"(","Author":"佚名","LastChapterId":3,"LastChapterName":"第三","LastChapterTime":1700000000000,)" +
           R"("Chapters":[{"c":1,"n":"第一"}]})";
}
} // namespace

class BundledBooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunLoop::claimMain();
        core::Paths::setHome(m_home.path());
        core::Paths::setResources(m_bundle.path());
        for (const char* dir : {"Documents/torvane/main", "Documents/torvane/book", "Documents/torvane/cover"})
            std::filesystem::create_directories(m_home.path() / dir);
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        // A real book database to install: made here, then moved into the bundle.
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(5001));
        std::filesystem::rename(AppPaths::bookDatabase(5001), m_bundle.path() / "5001.rz");
        std::filesystem::copy_file(m_bundle.path() / "5001.rz", m_bundle.path() / "5003.rz");
        write(m_bundle.path() / "5001.jpg", "\xFF\xD8\xFF\xE0 not much of a picture");
    }
    void TearDown() override {
        core::Paths::setResources({});
        core::Paths::setHome({});
    }
    int reloads() {
        core::RunLoop::current().runUntil([] { return false; }, 0.05);
        return m_reloads;
    }

    TempDir m_home{"pw-bundle-home"};
    TempDir m_bundle{"pw-bundle"};
    int m_reloads = 0;
    core::ObserverToken m_watch = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_BookReload", [this](const core::Notification&) { ++m_reloads; });
};

TEST_F(BundledBooksTest, InstallsTheListedBooksOnceAndLeavesTheBundleAlone) {
    // The list in UTF-16 with its mark, as an editor may save it, with a raw
    // line break inside a name; 5002 is not a valid record, 5003 has no cover.
    const std::string list =
        "[" + record(5002, 1, "无效") + "," + record(5001, 0, "诗\n经") + "," + record(5003, 0, "楚辞") + "]";
    auto utf16 = core::text::encodeFromUtf8(list, "UTF-16LE");
    ASSERT_TRUE(utf16);
    write(m_bundle.path() / "bookinfos.txt", "\xFF\xFE" + *utf16);
    EXPECT_TRUE(ProcessLocalRZBook::doWork());
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(5001), 1);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(5002), 0);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(5003), 0);
    EXPECT_TRUE(std::filesystem::exists(AppPaths::bookDatabase(5003))); // copied before the cover was missed
    EXPECT_TRUE(std::filesystem::exists(AppPaths::coverFile(5001)));
    auto name = BookTB::getBookNameByRZBookId(5001);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, "诗\xEF\xBF\xBD经"); // the raw line break read as a replacement character
    // Owned by no user yet: the first user to ask takes it over.
    EXPECT_EQ(BookTB::isBookBelongWithRZBookId(5001, core::Value("1000001")), 1);
    EXPECT_EQ(reloads(), 1);

    // The bundle is untouched; the run is recorded instead, and a second run does nothing.
    for (const char* file : {"bookinfos.txt", "5001.rz", "5001.jpg", "5003.rz"})
        EXPECT_TRUE(std::filesystem::exists(m_bundle.path() / file)) << file;
    EXPECT_EQ(SettingTB::readSettingWithKey(ProcessLocalRZBook::kDoneSettingKey), "1");
    EXPECT_FALSE(ProcessLocalRZBook::doWork());
    EXPECT_EQ(reloads(), 1);
}

TEST_F(BundledBooksTest, WithoutAListNothingHappensAndABrokenListStillEndsTheImport) {
    EXPECT_FALSE(ProcessLocalRZBook::doWork());
    EXPECT_EQ(reloads(), 0);
    EXPECT_FALSE(SettingTB::readSettingWithKey(ProcessLocalRZBook::kDoneSettingKey));

    write(m_bundle.path() / "bookinfos.txt", "[{\"ret\":0,");
    EXPECT_TRUE(ProcessLocalRZBook::doWork());
    EXPECT_EQ(reloads(), 1);
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(5001), 0);

    // process() runs the same work on a thread of its own.
    SettingTB::deleteSettingWithKey(ProcessLocalRZBook::kDoneSettingKey);
    write(m_bundle.path() / "bookinfos.txt", "[" + record(5001, 0, "诗经") + "]");
    ProcessLocalRZBook::process();
    ASSERT_TRUE(core::RunLoop::current().runUntil([&] { return m_reloads == 2; }, 10));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(5001), 1);
}
