#include "reader/ReaderChapters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/core/Text.h"
#include "reader/ReaderEngine.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderListAnswers.h"
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
    // Everything the overlay showed, in order: "tip" or "spinner" and the text.
    std::vector<std::string> overlay;
    void showTip(const std::string& text, double) override {
        tips.push_back(text);
        overlay.push_back("tip " + text);
    }
    void showSpinnerTip(const std::string& text, double, const std::string&) override {
        overlay.push_back("spinner " + text);
    }
    void setStatusName(const std::string& name) override { statusName = name; }
    void showDownloadPrompt(const std::string& title, bool, int64_t id) override { prompts.emplace_back(title, id); }
    void checkIsLoginWithInfo(const ReaderAction& action) override { checks.push_back(action); }
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
    // The paid flag as the book's database answers it, and who asked.
    std::map<int64_t, int> vipAnswers;
    std::vector<int64_t> vipAsked;
    int isVipChapterByRZBookId(int64_t, int64_t id) override {
        vipAsked.push_back(id);
        const auto it = vipAnswers.find(id);
        return it == vipAnswers.end() ? -2 : it->second;
    }
    std::vector<bool> loadedAsVip;
    int loadChapter(int64_t, int64_t id, bool vip, const std::string&, std::string& title, std::string& text) override {
        loadedAsVip.push_back(vip);
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

// A chapter picked in the list: the spinner comes first; a stored one opens
// at its first page after "正在读取章节", a missing one goes straight to the
// login check, and no record at all says so.
TEST(ReaderSiteSeams, ChapterListPicksOpenOrFetch) {
    struct Case {
        const char* name;
        std::optional<ChapterListEntry> record;
        std::vector<std::string> overlay;
        std::vector<ReaderAction> checks;
        std::string lastEngineCall;
    };
    const Case cases[] = {
        {"stored", ChapterListEntry{20, "二", 1, false, true}, {"spinner ", "tip 正在读取章节"}, {}, "from -1"},
        {"stored, paid", ChapterListEntry{40, "四", 1, true, true}, {"spinner ", "tip 正在读取章节"}, {}, "from -1"},
        {"not stored",
         ChapterListEntry{30, "三", 1, true, false},
         {"spinner "},
         {{ReaderActionDownloadChapter, true, 30}},
         ""},
        {"no record", std::nullopt, {"spinner ", "tip 打开章节失败"}, {}, ""},
    };
    for (const auto& c : cases) {
        Reader r;
        r.chapters.bookFormat = 1;
        r.chapters.rzBookId = 7;
        r.chapters.chapterId = 10;
        bool hidBar = false;
        ReaderListAnswers answers(r.chapters);
        answers.willOpenPick = [&] { hidBar = true; };
        if (c.record)
            answers.rzChapterDidSelected(*c.record, 7);
        else
            r.chapters.openChapterWithChapterInfo(std::nullopt, 7);
        EXPECT_EQ(hidBar, c.record.has_value()) << c.name;
        EXPECT_EQ(r.host.overlay, c.overlay) << c.name;
        EXPECT_EQ(r.host.checks, c.checks) << c.name;
        EXPECT_EQ(r.engine.calls.empty() ? "" : r.engine.calls.back(), c.lastEngineCall) << c.name;
        if (!c.checks.empty())
            EXPECT_EQ(r.chapters.downType(), c.checks.back()) << c.name;
    }
}

// A site book's bookmark opens its chapter with the paid flag the book's
// database gives; a book or chapter it cannot read ends in "未能打开章节".
TEST(ReaderSiteSeams, SiteBookmarkAsksThePaidFlag) {
    struct Case {
        int64_t rzBookId;
        int answer;
        bool asked;
        std::string tip;
        int64_t openedId;
    };
    const Case cases[] = {
        {7, 0, true, "", 20},
        {7, 1, true, "", 20},
        {7, -1, true, "未能打开章节", 0},
        {7, -2, true, "未能打开章节", 0},
        {-999, 1, false, "未能打开章节", 0},
    };
    for (const auto& c : cases) {
        Reader r;
        r.chapters.bookFormat = 1;
        r.chapters.rzBookId = c.rzBookId;
        r.store.vipAnswers[20] = c.answer;
        // The store's own record says free; only the asked flag may decide.
        r.chapters.bookmarkDidSelected(20, 5);
        EXPECT_EQ(r.store.vipAsked.size(), c.asked ? 1u : 0u) << c.answer;
        EXPECT_EQ(r.host.tips.empty() ? "" : r.host.tips.back(), c.tip) << c.answer;
        EXPECT_EQ(r.chapters.chapterId, c.openedId) << c.answer;
        if (c.openedId) {
            EXPECT_EQ(r.engine.calls.back(), "from 4") << c.answer;
            EXPECT_EQ(r.store.loadedAsVip, std::vector<bool>{c.answer == 1}) << c.answer;
        }
    }
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
    ReaderListAnswers(r.chapters).chapterDidSelected(offsets[2]);
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
    ReaderListAnswers(r.chapters).chapterDidSelected(offsets[1]);
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
    ReaderListAnswers(r.chapters).chapterDidSelected(TxtChapterEntry{"第一章", 0, 10});
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
