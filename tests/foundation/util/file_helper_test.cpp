#include "foundation/util/FileHelper.h"

#include "foundation/db/BookDB.h"
#include "platform/core/Paths.h"
#include "platform/gfx/Image.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using pw::FileHelper;
using pw::core::Value;

namespace {

class FileHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_home.empty());
        for (const char* dir : {"Documents/torvane/main", "Documents/torvane/book", "Documents/torvane/cover",
                                "Documents/local/cover/umd", "Library/Caches/Store"})
            fs::create_directories(m_home / dir);
        pw::core::Paths::setHome(m_home);
    }
    void TearDown() override { pw::core::Paths::setHome({}); }

    static void writeFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
    static void writePicture(const fs::path& p) {
        ASSERT_TRUE(pw::gfx::Image::filled(4, 4, {200, 10, 10, 255}).writeJPEG(p.string(), 0.8));
    }

    pw::test::TempDir m_dir{"pw-filehelper"};
    fs::path m_home{m_dir.path()};
};

TEST_F(FileHelperTest, CoverPresenceNeedsADecodablePicture) {
    EXPECT_FALSE(FileHelper::isBookCoverImageExistByRZBookId(7));
    writeFile(m_home / "Documents/torvane/cover/7.jpg", "not a picture");
    EXPECT_FALSE(FileHelper::isBookCoverImageExistByRZBookId(7));
    writePicture(m_home / "Documents/torvane/cover/7.jpg");
    EXPECT_TRUE(FileHelper::isBookCoverImageExistByRZBookId(7));

    // A truncated download counts as absent.
    std::ifstream in(m_home / "Documents/torvane/cover/7.jpg", std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    writeFile(m_home / "Library/Caches/Store/8.jpg", whole.substr(0, 20));
    EXPECT_FALSE(FileHelper::isCacheBookCoverImageExistByRZBookId(8));
    writePicture(m_home / "Library/Caches/Store/8.jpg");
    EXPECT_TRUE(FileHelper::isCacheBookCoverImageExistByRZBookId(8));

    writePicture(m_home / "Library/Caches/Store/banner.png");
    EXPECT_TRUE(FileHelper::isCacheImageExistByName("banner.png"));
    EXPECT_FALSE(FileHelper::isCacheImageExistByName("missing.png"));
    EXPECT_FALSE(FileHelper::isCacheImageExistByName("../../Documents/torvane/cover/7.jpg"));
}

TEST_F(FileHelperTest, DeletingCoversAndFiles) {
    EXPECT_TRUE(FileHelper::deleteBookCoverFileByRZBookId(9)); // nothing there
    writePicture(m_home / "Documents/torvane/cover/9.jpg");
    EXPECT_TRUE(FileHelper::deleteBookCoverFileByRZBookId(9));
    EXPECT_FALSE(fs::exists(m_home / "Documents/torvane/cover/9.jpg"));

    fs::path f = m_home / "Documents/x.txt";
    EXPECT_TRUE(FileHelper::deleteFileAtPath(f));
    writeFile(f, "x");
    EXPECT_TRUE(FileHelper::deleteFileAtPath(f));
    EXPECT_FALSE(fs::exists(f));
}

TEST_F(FileHelperTest, DeletingALocalBookRemovesOnlyItsSideFiles) {
    const fs::path docs = m_home / "Documents";
    const fs::path umdCover = m_home / "Documents/local/cover/umd/a.jpg";
    struct Row {
        const char* book;
        int format;
        bool indexGone, coverGone;
    };
    const Row rows[] = {
        {"book.txt", 3, true, false},
        {"a.umd", 2, false, true},
        {"book.txt", 1, false, false},
    };
    for (const Row& r : rows) {
        const fs::path book = docs / r.book;
        writeFile(book, "content");
        writeFile(docs / "book.txt.index", "index");
        writePicture(umdCover);
        EXPECT_TRUE(FileHelper::deleteLocalBookByFilePath(book.string(), r.format));
        EXPECT_TRUE(fs::exists(book)) << "the book file is the caller's to remove";
        EXPECT_EQ(!fs::exists(docs / "book.txt.index"), r.indexGone) << r.book << " " << r.format;
        EXPECT_EQ(!fs::exists(umdCover), r.coverGone) << r.book << " " << r.format;
    }
    // Nothing to remove is no failure.
    EXPECT_TRUE(FileHelper::deleteLocalBookByFilePath((docs / "none.umd").string(), 2));
}

TEST_F(FileHelperTest, CopyingABundleResource) {
    const fs::path to = m_home / "Documents/table.txt";
    EXPECT_TRUE(FileHelper::copyResource("GBKEncode", "txt", to));
    EXPECT_GT(fs::file_size(to), 1000u);
    EXPECT_FALSE(FileHelper::copyResource("GBKEncode", "txt", to)) << "an existing destination is kept";
    EXPECT_FALSE(FileHelper::copyResource("no-such-resource", "rz", m_home / "Documents/none.rz"));
    EXPECT_FALSE(fs::exists(m_home / "Documents/none.rz"));
}

TEST_F(FileHelperTest, LoadingAStoredChapter) {
    const std::int64_t book = 4242;
    std::string title = "untouched", text = "untouched";
    const Value user(77);

    // No per-book database.
    EXPECT_EQ(FileHelper::loadRZBookTitleAndChapterContent(book, 1, false, user, title, text), -2);

    ASSERT_TRUE(pw::BookDB::createBookDBIfNotExists(book));
    Value::Array chapters;
    for (int c = 1; c <= 4; ++c)
        chapters.push_back(Value::Map{{"c", c},
                                      {"n", "第" + std::to_string(c) + "章"},
                                      {"v", c >= 3 ? 1 : 0},
                                      {"p", 0},
                                      {"t", 1300000000000},
                                      {"w", 3000},
                                      {"vc", 1}});
    ASSERT_TRUE(pw::BookDB::addChapters(chapters, book));

    // The row exists, the text was never saved.
    EXPECT_EQ(FileHelper::loadRZBookTitleAndChapterContent(book, 1, false, user, title, text), -2);
    EXPECT_EQ(title, "untouched");

    ASSERT_TRUE(pw::BookDB::saveChapterWithRZBookId(book, 1, "风雪夜。"));
    EXPECT_EQ(FileHelper::loadRZBookTitleAndChapterContent(book, 1, false, user, title, text), 1);
    EXPECT_EQ(title, "第1章");
    EXPECT_EQ(text, "风雪夜。");

    const std::string paid = "付费章节";
    ASSERT_TRUE(pw::BookDB::saveVipChapterWithRZBookId(book, 3, pw::core::asByteView(paid), user));
    EXPECT_EQ(FileHelper::loadRZBookTitleAndChapterContent(book, 3, true, user, title, text), 1);
    EXPECT_EQ(title, "第3章");
    EXPECT_EQ(text, paid);

    // Stored bytes that are not UTF-8 cannot be made into text.
    const std::string broken = "\xFF\xFE\xFD";
    ASSERT_TRUE(pw::BookDB::saveVipChapterWithRZBookId(book, 4, pw::core::asByteView(broken), user));
    title = text = "untouched";
    EXPECT_EQ(FileHelper::loadRZBookTitleAndChapterContent(book, 4, true, user, title, text), -3);
    EXPECT_EQ(title, "untouched");
    EXPECT_EQ(text, "untouched");
}

} // namespace
