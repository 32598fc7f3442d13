#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "reading/txt/TxtChapterParser.h"
#include "reading/txt/TxtFile.h"
#include "TxtTestFiles.h"
#include "support/PoetryBooks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pw {
namespace {

using test::TempDir;

TEST(TxtChapterScan, TitleCasesInOneChunk) {
    struct Case {
        const char* what;
        std::u16string chunk;
        std::vector<std::pair<std::string, int64_t>> found; // title, index
    };
    const Case cases[] = {
        {"title with a name", u"正文\n第十二章 风起\n内容", {{"第十二章 风起", 3}}},
        {"two full-width spaces before it", u"正文\n　　第一章 开始\n", {}},
        {"one character before it", u"正文\n《第一章 开始\n", {{"第一章 开始", 4}}},
        {"two characters before it", u"正文\n《《第一章 开始\n", {}},
        {"inside a sentence", u"此开卷第一回也。\n", {}},
        {"after a space in a sentence", u"正文 第四回中既将\n", {{"第四回中既将", 3}}},
        {"longer than 29 characters", u"\n第一章 一二三四五六七八九十一二三四五六七八九十一二三四五六\n", {}},
        {"exactly 29 characters",
         u"\n第一章 一二三四五六七八九十一二三四五六七八九十一二三四五\n",
         {{"第一章 一二三四五六七八九十一二三四五六七八九十一二三四五", 1}}},
        {"two on one line", u"\n第一章 第二章\n", {{"第一章 第二章", 1}}},
        {"carriage return ends it as a space", u"\n第三章 标题\r\n", {{"第三章 标题 ", 1}}},
        {"brackets and digits", u"\n【第3回】相见\n", {{"【第3回】相见", 1}}},
        {"full-width digits and spaces", u"\n第 １２ 节\n", {{"第 １２ 节", 1}}},
        {"at the very start", u"第一卷 上\n", {{"第一卷 上", 0}}},
        {"no line end after it", u"\n第九篇 末", {}},
        {"eleven numerals", u"\n第一二三四五六七八九十一章\n", {}},
        {"ten numerals outside the basic plane", u"\n第 𝟏𝟐𝟑𝟒𝟓𝟔𝟕𝟖𝟗𝟎 回\n", {{"第 𝟏𝟐𝟑𝟒𝟓𝟔𝟕𝟖𝟗𝟎 回", 1}}},
        {"every kind",
         u"第1章\n第2节\n第3卷\n第4回\n第5篇\n第6集\n",
         {{"第1章", 0}, {"第2节", 4}, {"第3卷", 8}, {"第4回", 12}, {"第5篇", 16}, {"第6集", 20}}},
    };
    for (const Case& c : cases) {
        std::vector<TxtChapterEntry> found;
        TxtFile::searchChaptersInBlock(c.chunk, 777, TxtFile::kChapterTitlePattern, found);
        std::vector<TxtChapterEntry> expected;
        for (const auto& [title, index] : c.found)
            expected.push_back({title, 777, index});
        EXPECT_EQ(found, expected) << c.what;
        // The same pattern written differently takes the plain search walk.
        std::vector<TxtChapterEntry> walked;
        const std::u16string wrapped = u"(?:" + std::u16string(TxtFile::kChapterTitlePattern) + u")";
        TxtFile::searchChaptersInBlock(c.chunk, 777, wrapped, walked);
        EXPECT_EQ(walked, expected) << c.what;
    }
}

// Scans the book and checks that the index holds exactly the expected titles,
// each entry opening its chapter at the title.
void expectIndexOfTitles(const std::string& path, TxtFile::Encoding encoding,
                         const std::vector<std::string>& expected) {
    TxtFile book;
    book.loadTxtFile(path);
    ASSERT_EQ(book.encoding(), encoding);
    ASSERT_TRUE(book.canDecode());
    float lastFraction = 0;
    const auto chapters = book.parseChaptersWithTxtFilePath(path, book.totalLength(), [&](float f) {
        EXPECT_GT(f, lastFraction);
        lastFraction = f;
    });
    ASSERT_EQ(chapters.size(), expected.size());
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i].title, expected[i]) << i;
        // The entry opens the chapter at its title.
        TxtFile reader;
        std::optional<std::u16string> chunk;
        reader.getNextBlockContentWithStart(chapters[i].chunkOffset, book.totalLength(), path, chunk);
        ASSERT_TRUE(chunk);
        const std::string at =
            core::text::toUtf8Lenient(std::u16string_view(*chunk).substr(static_cast<size_t>(chapters[i].index)));
        EXPECT_EQ(at.rfind(expected[i], 0), 0u) << i;
    }
}

// A book the size of a long novel, in GB18030: many chunks, chapters across their seams.
TEST(TxtChapterScan, LongBookIndexHoldsEveryChapterAtItsTitle) {
    std::string problem;
    const auto chapters = test::longPoetryChapters(&problem);
    ASSERT_TRUE(chapters) << problem;
    std::vector<std::string> expected;
    for (const auto& c : *chapters)
        expected.push_back(c.title);
    TempDir folder;
    const auto path = folder.path() / "long-gb18030.txt";
    ASSERT_TRUE(test::writeLongPoetryBook(path, "GB18030", &problem)) << problem;
    ASSERT_GT(std::filesystem::file_size(path), 1000000u);
    expectIndexOfTitles(path.string(), TxtFile::Encoding::Gb18030, expected);
}

// The classics of the poetry package, written as GB18030 and as UTF-16 books.
TEST(TxtChapterScan, ClassicsIndexHoldsEveryChapterAtItsTitle) {
    std::string problem;
    const auto chapters = test::poetryChapters(&problem);
    ASSERT_TRUE(chapters) << problem;
    std::vector<std::string> expected;
    for (const auto& c : *chapters)
        expected.push_back(c.title);
    const std::pair<const char*, TxtFile::Encoding> books[] = {{"GB18030", TxtFile::Encoding::Gb18030},
                                                               {"UTF-16LE", TxtFile::Encoding::Utf16Le}};
    TempDir folder;
    for (const auto& [charset, encoding] : books) {
        SCOPED_TRACE(charset);
        const auto path = folder.path() / (std::string("classics-") + charset + ".txt");
        ASSERT_TRUE(test::writePoetryBook(path, charset, &problem)) << problem;
        expectIndexOfTitles(path.string(), encoding, expected);
    }
}

class TxtChapterParserTest : public ::testing::Test {
protected:
    void SetUp() override { core::RunLoop::claimMain(); }
};

TEST_F(TxtChapterParserTest, QueuedScanWritesTheIndexAndPostsOnTheMainThread) {
    TempDir folder;
    std::string bytes;
    for (int i = 1; i <= 300; ++i)
        bytes += "第" + std::to_string(i) + "章 标题\n" + std::string(400, 'x') + "\n";
    const std::string path = folder.write("book.txt", bytes);
    TxtFile book;
    book.loadTxtFile(path);

    std::vector<double> progress;
    std::optional<core::Value> done;
    bool offMain = false;
    auto onProgress = core::NotificationCenter::defaultCenter().addObserver(
        TxtChapterParser::kParsingNotification, [&](const core::Notification& n) {
            offMain |= !core::RunLoop::isMainThread();
            progress.push_back(n.payload[TxtChapterParser::kProcessKey].asDouble().value_or(-1));
        });
    auto onDone = core::NotificationCenter::defaultCenter().addObserver(
        TxtChapterParser::kDoneNotification, [&](const core::Notification& n) {
            offMain |= !core::RunLoop::isMainThread();
            done = n.payload[TxtChapterParser::kChaptersKey];
        });

    TxtChapterParser::enqueue(path, book.totalLength());
    ASSERT_TRUE(core::RunLoop::main().runUntil([&] { return done.has_value(); }, 20));
    EXPECT_FALSE(offMain);
    for (double p : progress) {
        EXPECT_EQ(static_cast<int>(p) % 5, 0) << p;
        EXPECT_GT(p, 0);
        EXPECT_LE(p, 100);
    }
    const auto* list = done->asArray();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->size(), 300u);
    EXPECT_EQ((*list)[0][0].asString(), "第1章 标题");
    EXPECT_EQ((*list)[299][0].asString(), "第300章 标题");

    const auto index = TxtChapterParser::readIndex(TxtFile::indexPathFor(path));
    ASSERT_TRUE(index);
    ASSERT_EQ(index->size(), 300u);
    EXPECT_EQ((*index)[299].title, "第300章 标题");

    // With the index in place a second scan returns at once and says nothing.
    done.reset();
    progress.clear();
    auto again = TxtChapterParser::enqueue(path, book.totalLength());
    again->waitUntilFinished();
    core::RunLoop::main().runPending();
    EXPECT_FALSE(done);
    EXPECT_TRUE(progress.empty());
}

TEST_F(TxtChapterParserTest, BookWithoutTitlesGetsOneEntry) {
    TempDir folder;
    const std::string path = folder.write("plain.txt", "no titles here\njust lines\n");
    std::optional<core::Value> done;
    auto onDone = core::NotificationCenter::defaultCenter().addObserver(
        TxtChapterParser::kDoneNotification,
        [&](const core::Notification& n) { done = n.payload[TxtChapterParser::kChaptersKey]; });
    TxtChapterParser::enqueue(path, static_cast<int64_t>(std::filesystem::file_size(path)));
    ASSERT_TRUE(core::RunLoop::main().runUntil([&] { return done.has_value(); }, 20));
    const auto index = TxtChapterParser::readIndex(path + ".index");
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, (std::vector<TxtChapterEntry>{{"正文首页", 0, 0}}));
}

} // namespace
} // namespace pw
