#include "DBTestHome.h"

#include "foundation/db/BookChapterWriter.h"
#include "foundation/db/BookDB.h"

#include <sys/wait.h>
#include <unistd.h>

using pw::BookChapterWriter;
using pw::BookDB;
using pw::SQLDatabase;
using pw::core::Value;

namespace {

constexpr int64_t kWriterBook = 4321;
using Batch = std::vector<std::pair<int64_t, std::string>>;

Value chapter(int64_t id) {
    return Value(Value::Map{{"c", Value(id)},
                            {"n", Value("第" + std::to_string(id) + "章")},
                            {"v", Value(0)},
                            {"p", Value(0)},
                            {"t", Value(int64_t(1'600'000'000'000))},
                            {"w", Value(100)},
                            {"vc", Value(1)}});
}

std::string journalMode(const std::filesystem::path& file) {
    SQLDatabase db(file.string());
    if (!db.open())
        return "unopened";
    auto rs = db.executeQuery("PRAGMA journal_mode");
    return rs && rs->next() ? rs->stringForColumnIndex(0).value_or("") : "";
}

std::string storedText(int64_t chapterId) {
    auto row = BookDB::getChapterContentWithRZBookId(kWriterBook, chapterId);
    return row && row->size() == 2 ? (*row)[1].asString().value_or("") : "";
}

class ChapterWriterTest : public DBTestHome {
protected:
    std::filesystem::path file() const { return bookFolder() / "4321.rz"; }
    void SetUp() override {
        DBTestHome::SetUp();
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(kWriterBook));
        ASSERT_TRUE(BookDB::addChapters({chapter(1), chapter(2), chapter(3), chapter(4)}, kWriterBook));
    }
};

} // namespace

// A batch is kept once saved, even when the process dies with the writer
// open; the next opener finds it, and a closed writer leaves the file in its
// rollback journal with no log beside it.
TEST_F(ChapterWriterTest, BatchesOutliveAKilledProcessAndTheFileIsLeftAsFound) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto writer = BookChapterWriter::open(kWriterBook);
        const bool saved = writer && writer->saveChapters(Batch{{1, "一"}, {2, "二"}});
        ::_exit(saved ? 0 : 1); // no destructor, no checkpoint: as a crash leaves it
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(kWriterBook, 1), 1);
    EXPECT_EQ(storedText(2), "二");
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(kWriterBook, 3), 0);

    {
        auto writer = BookChapterWriter::open(kWriterBook);
        ASSERT_NE(writer, nullptr);
        ASSERT_TRUE(writer->saveChapters(Batch{{3, "三"}}));
        ASSERT_TRUE(writer->saveVipChapters(Batch{{4, std::string("\0\1", 2)}}, Value(7)));
        // Other connections read what the writer stored while it is open.
        EXPECT_EQ(storedText(3), "三");
        EXPECT_EQ(BookDB::getVipChapterLocalUserIdByRZBookId(kWriterBook, 4), 7);
    }
    EXPECT_EQ(journalMode(file()), "delete");
    EXPECT_FALSE(std::filesystem::exists(file().string() + "-wal"));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(kWriterBook, 4), 1);
}

TEST_F(ChapterWriterTest, ARemovedOrMissingBookStoresNothing) {
    EXPECT_EQ(BookChapterWriter::open(99), nullptr);
    auto writer = BookChapterWriter::open(kWriterBook);
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(BookDB::deleteBookDBFileByRZBookId(kWriterBook));
    EXPECT_FALSE(writer->saveChapters(Batch{{1, "一"}}));
    writer.reset();
    EXPECT_FALSE(std::filesystem::exists(file()));
}

// A book's database made by the writer is written through the log from its
// first page: a process killed right after storing the list and a batch
// leaves a whole database (tables, list, batch), which the ordinary calls and
// a later writer take up as it is.
TEST_F(ChapterWriterTest, ANewBookMadeThroughTheLogOutlivesAKilledProcess) {
    constexpr int64_t Fresh = 5555;
    const auto freshFile = bookFolder() / "5555.rz";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto writer = BookChapterWriter::create(Fresh);
        const bool saved = writer && writer->addChapters({chapter(1), chapter(2), chapter(3)}) &&
                           writer->addVolumes({Value(Value::Map{{"VolumeCode", Value("v1")},
                                                                {"VolumeName", Value("卷一")}})}) &&
                           writer->saveChapters(Batch{{2, "二"}});
        ::_exit(saved ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(BookDB::createBookDBIfNotExists(Fresh));
    EXPECT_EQ(BookDB::getAllNotDownloadedChapterIdsByRZBookId(Fresh), (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Fresh, 2), 1);

    {
        auto writer = BookChapterWriter::create(Fresh); // already there: opened as it is
        ASSERT_NE(writer, nullptr);
        ASSERT_TRUE(writer->addChapters({chapter(3), chapter(4)})); // stored rows are kept
        ASSERT_TRUE(writer->saveChapters(Batch{{1, "一"}}));
    }
    EXPECT_EQ(journalMode(freshFile), "delete");
    EXPECT_FALSE(std::filesystem::exists(freshFile.string() + "-wal"));
    EXPECT_EQ(BookDB::getAllNotDownloadedChapterIdsByRZBookId(Fresh), (std::vector<int64_t>{3, 4}));
    EXPECT_EQ(BookDB::getAllChapterCountByRZBookId(Fresh), 4);
}
