#include "reader/ReaderChapters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/core/Text.h"
#include "reader/ReaderEngine.h"
#include "reader/ReaderHost.h"
#include "reading/txt/TxtTestFiles.h"
#include "reading/umd/UmdWriter.h"
#include "support/TempDir.h"

namespace pw {
namespace {

// Records every engine call as one line, so a case can assert the exact calls.
struct RecordingEngine : ReaderEngine {
    std::vector<std::string> calls;
    std::u16string data;
    void setChapterId(int64_t id) override { calls.push_back("chapter " + std::to_string(id)); }
    void setData(std::u16string text) override {
        data = std::move(text);
        calls.push_back("data " + std::to_string(data.size()));
    }
    void setTitle(std::string title) override { calls.push_back("title " + title); }
    void getPageFromPosition(int64_t p) override { calls.push_back("from " + std::to_string(p)); }
    void getPageToPosition(int64_t p) override { calls.push_back("to " + std::to_string(p)); }
};

struct RecordingHost : ReaderHost {
    std::vector<std::string> tips;
    std::string statusName;
    std::vector<std::pair<std::string, int64_t>> prompts;
    std::vector<ReaderAction> checks;
    void showTip(const std::string& text, double) override { tips.push_back(text); }
    void setStatusName(const std::string& name) override { statusName = name; }
    void showDownloadPrompt(const std::string& title, bool, int64_t id) override { prompts.emplace_back(title, id); }
    void startLoginCheck(const ReaderAction& action) override { checks.push_back(action); }
};

// Chapters 10, 20, 30, 40 of book 7; 30 is not downloaded, 40 is paid.
struct FakeStore : SiteChapterStore {
    std::vector<ChapterNav> chapters{
        {10, "一", false, true}, {20, "二", false, true}, {30, "三", false, false}, {40, "四", true, true}};
    std::optional<ChapterNav> at(int64_t id, int step) {
        for (size_t i = 0; i < chapters.size(); ++i)
            if (chapters[i].chapterId == id) {
                const auto j = static_cast<int64_t>(i) + step;
                if (j < 0 || j >= static_cast<int64_t>(chapters.size()))
                    return std::nullopt;
                return chapters[static_cast<size_t>(j)];
            }
        return std::nullopt;
    }
    std::optional<ChapterNav> nextChapter(int64_t, int64_t id) override { return at(id, 1); }
    std::optional<ChapterNav> prevChapter(int64_t, int64_t id) override { return at(id, -1); }
    std::optional<ChapterNav> chapterInfo(int64_t, int64_t id) override { return at(id, 0); }
    int loadChapter(int64_t, int64_t id, bool, const std::string&, std::string& title, std::string& text) override {
        for (const auto& c : chapters)
            if (c.chapterId == id && c.downloaded) {
                title = c.title;
                text = "正文" + std::to_string(id);
                return 1;
            }
        return -2;
    }
};

struct Reader {
    RecordingEngine engine;
    RecordingHost host;
    FakeStore store;
    ReaderChapters chapters{engine, host, &store};
};

TEST(ReaderSiteSeams, StoredChaptersContinueAndMissingOnesStop) {
    struct Case {
        int64_t at;
        bool previous;
        bool answer;
        std::vector<std::string> calls;
    };
    // "正文20" is 4 units, title one: "二\n\n正文20" is 7 long.
    const Case cases[] = {
        {10, false, true, {"chapter 20", "data 7", "title 二"}},
        {20, true, true, {"chapter 10", "data 7", "title 一"}},
        {20, false, false, {}}, // 30 is not downloaded: the turn stops
        {40, false, false, {}}, // no next chapter
        {10, true, false, {}},  // no previous chapter
    };
    for (const auto& c : cases) {
        Reader r;
        r.chapters.bookFormat = 1;
        r.chapters.rzBookId = 7;
        r.chapters.chapterId = c.at;
        EXPECT_EQ(r.chapters.canLoadAnotherChapter(c.previous, std::nullopt), c.answer) << c.at;
        EXPECT_EQ(r.engine.calls, c.calls) << c.at << " previous " << c.previous;
    }
}

TEST(ReaderSiteSeams, EndsOfTheBookAndMissingChapters) {
    Reader r;
    r.chapters.bookFormat = 1;
    r.chapters.rzBookId = 7;
    r.chapters.chapterId = 20;
    r.chapters.atLastPage(); // next is 30, not stored: prompt, no tip
    ASSERT_EQ(r.host.prompts.size(), 1u);
    EXPECT_EQ(r.host.prompts[0], (std::pair<std::string, int64_t>{"三", 30}));
    EXPECT_TRUE(r.host.tips.empty());
    EXPECT_TRUE(r.engine.calls.empty());

    r.chapters.chapterId = 40;
    r.chapters.atLastPage();
    EXPECT_EQ(r.host.tips, std::vector<std::string>{"已到达末尾"});

    r.chapters.chapterId = 20;
    r.chapters.atFirstPage(); // previous stored chapter opens at its last page
    EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"chapter 10", "data 7", "title 一", "to 7"}));
    EXPECT_EQ(r.host.statusName, "一");
    EXPECT_EQ(r.chapters.chapterId, 10);
}

TEST(ReaderSiteSeams, PromptConfirmationCarriesItsOwnChapter) {
    Reader r;
    r.chapters.bookFormat = 1;
    r.chapters.rzBookId = 7;
    r.chapters.chapterId = 20;
    r.chapters.atLastPage();
    r.chapters.downloadPromptConfirmed(true, 30);
    ASSERT_EQ(r.host.checks.size(), 1u);
    EXPECT_EQ(r.host.checks[0], (ReaderAction{ReaderActionDownloadChapter, true, 30}));
}

TEST(ReaderSiteSeams, UnreadableChapterKeepsThePage) {
    Reader r;
    r.chapters.bookFormat = 1;
    r.chapters.rzBookId = 7;
    EXPECT_FALSE(r.chapters.openChapterWithRZBookId(7, 30, false, -1));
    EXPECT_EQ(r.host.tips, std::vector<std::string>{"读取章节失败"});
    EXPECT_TRUE(r.engine.calls.empty());
}

class ReaderUmd : public ::testing::Test {
protected:
    void SetUp() override {
        writer.chapters = {{u"第一章", u"甲乙丙丁"}, {u"第二章", u"戊己"}, {u"第三章", u"庚辛壬"}};
        path = (dir.path() / "book.umd").string();
        test::UmdWriter::write(path, writer.build());
        offsets = writer.chapterOffsets();
        r.chapters.bookFormat = 2;
        r.chapters.filePath = path;
    }
    test::TempDir dir;
    test::UmdWriter writer;
    std::string path;
    std::vector<int64_t> offsets;
    Reader r;
};

TEST_F(ReaderUmd, SeamsMoveBetweenChaptersWithoutPositioning) {
    r.chapters.chapterId = offsets[1];
    EXPECT_TRUE(r.chapters.canLoadAnotherChapter(false, std::nullopt));
    // "第三章\n\n庚辛壬" is 8 units.
    EXPECT_EQ(r.engine.calls,
              (std::vector<std::string>{"chapter " + std::to_string(offsets[2]), "data 8", "title 第三章"}));
    EXPECT_EQ(r.engine.data, u"第三章\n\n庚辛壬");
    r.engine.calls.clear();
    EXPECT_FALSE(r.chapters.canLoadAnotherChapter(false, std::nullopt)); // past the last chapter
    EXPECT_TRUE(r.engine.calls.empty());
    EXPECT_TRUE(r.chapters.canLoadAnotherChapter(true, std::nullopt));
    EXPECT_EQ(r.chapters.chapterId, offsets[1]);
    r.chapters.chapterId = offsets[0];
    r.engine.calls.clear();
    EXPECT_FALSE(r.chapters.canLoadAnotherChapter(true, std::nullopt));
    EXPECT_TRUE(r.engine.calls.empty());
    r.chapters.atFirstPage();
    EXPECT_EQ(r.host.tips, std::vector<std::string>{"已到达第一页"});
}

TEST_F(ReaderUmd, MenuAndContentsOpenAtTheFirstPage) {
    r.chapters.chapterId = offsets[0];
    EXPECT_TRUE(r.chapters.goToNextChapter());
    EXPECT_EQ(r.engine.calls.back(), "from -1");
    r.chapters.umdChapterDidSelected(offsets[2]);
    EXPECT_EQ(r.chapters.chapterId, offsets[2]);
    EXPECT_EQ(r.engine.calls.back(), "from -1");
    r.chapters.bookmarkDidSelected(offsets[0], 3);
    EXPECT_EQ(r.engine.calls.back(), "from 2");
}

TEST_F(ReaderUmd, PercentJumpLandsInsideItsChapter) {
    // Byte offset 2 of chapter one ("甲乙丙丁") is "乙": whole 4, rest 3.
    r.chapters.loadContentWithOffset(offsets[0] + 2);
    EXPECT_EQ(r.chapters.chapterId, offsets[0]);
    EXPECT_EQ(r.engine.calls.back(), "from 0");
}

TEST_F(ReaderUmd, DamagedFileReportsInsteadOfLoading) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a book at all";
    r.chapters.chapterId = offsets[0];
    EXPECT_FALSE(r.chapters.canLoadAnotherChapter(false, std::nullopt));
    r.chapters.umdChapterDidSelected(offsets[1]);
    r.chapters.loadContentWithOffset(4);
    EXPECT_EQ(r.host.tips, (std::vector<std::string>(3, "读取章节失败")));
    EXPECT_TRUE(r.engine.calls.empty());
}

class ReaderTxt : public ::testing::Test {
protected:
    void SetUp() override {
        path = (dir.path() / "book.txt").string();
        std::ofstream(path, std::ios::binary)
            << test::bookOfSize(TxtFile::Encoding::Utf8, 3 * TxtFile::kPhoneBlockLength, false, true);
        TxtFile file;
        file.loadTxtFile(path);
        total = file.totalLength();
        r.chapters.bookFormat = 3;
        r.chapters.filePath = path;
        r.chapters.txtContentTotalLength = total;
    }
    test::TempDir dir;
    std::string path;
    int64_t total = 0;
    Reader r;
};

TEST_F(ReaderTxt, ChunkEdgesDecideTheSeams) {
    struct Case {
        bool previous;
        int64_t bStart, bEnd;
        bool answer;
    };
    // Seams fall at chunk ends, which are line ends.
    TxtFile file;
    std::optional<std::u16string> first;
    const int64_t second = file.getNextBlockContentWithStart(0, total, path, first);
    ASSERT_GT(second, 0);
    const Case cases[] = {
        {false, 0, second - 1, true},    {false, 0, total - 2, true},
        {false, 0, total - 1, false}, // the page ends at the file's last byte
        {true, 0, 100, false},        // a chunk starting at byte 0 has no previous one
        {true, second, total - 1, true}, {true, total - 500, total - 1, true},
    };
    for (const auto& c : cases) {
        Reader fresh;
        fresh.chapters.bookFormat = 3;
        fresh.chapters.filePath = path;
        fresh.chapters.txtContentTotalLength = total;
        EXPECT_EQ(fresh.chapters.canLoadAnotherChapter(c.previous, SeamData{0, 0, c.bStart, c.bEnd}), c.answer)
            << c.previous << " " << c.bStart << " " << c.bEnd;
        // A seam hands over the chunk and leaves the positioning to the engine.
        if (c.answer)
            ASSERT_EQ(fresh.engine.calls.size(), 1u);
        else
            EXPECT_TRUE(fresh.engine.calls.empty());
        EXPECT_TRUE(fresh.host.tips.empty());
    }
    EXPECT_FALSE(r.chapters.canLoadAnotherChapter(false, std::nullopt));
}

TEST_F(ReaderTxt, ContentsAndBookmarksPositionInTheChunk) {
    r.chapters.txtChapterDidSelected(0, 10);
    ASSERT_EQ(r.engine.calls.size(), 2u);
    EXPECT_EQ(r.engine.calls[1], "from 9");
    r.chapters.bookmarkDidSelected(0, 0);
    EXPECT_EQ(r.engine.calls.back(), "from -1");
    r.chapters.atLastPage();
    EXPECT_EQ(r.host.tips, std::vector<std::string>{"已到达末尾"});
}

TEST_F(ReaderTxt, UnreadableChunkIsReported) {
    std::filesystem::remove(path);
    EXPECT_FALSE(r.chapters.openTxtFile(2, 0, -1));
    r.chapters.loadContentWithOffset(100);
    EXPECT_EQ(r.host.tips, (std::vector<std::string>(2, "读取章节失败")));
    EXPECT_TRUE(r.engine.calls.empty());
}

} // namespace
} // namespace pw
