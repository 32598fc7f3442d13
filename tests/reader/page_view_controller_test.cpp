#include "reader/PageViewController.h"

#include <gtest/gtest.h>

#include <functional>

#include "reader/ReaderHost.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "reader/BookDBChapterStore.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/TurnTestSupport.h"
#include "reading/umd/UmdWriter.h"
#include "support/TempDir.h"

namespace pw {
namespace {

struct Host : ReaderHost {
    std::vector<std::string> tips;
    std::vector<std::pair<std::string, int64_t>> prompts;
    std::string statusName;
    void showTip(const std::string& text, double) override { tips.push_back(text); }
    void setStatusName(const std::string& name) override { statusName = name; }
    void showDownloadPrompt(const std::string& title, bool, int64_t id) override { prompts.emplace_back(title, id); }
    void startLoginCheck(const ReaderAction&) override {}
};

class PageViewControllerTest : public test::TurnTest {
protected:
    void SetUp() override {
        TurnTest::SetUp();
        writer.chapters = {{u"第一章", std::u16string(400, u'甲')}, {u"第二章", std::u16string(400, u'乙')}};
        path = (dir.path() / "book.umd").string();
        test::UmdWriter::write(path, writer.build());
        offsets = writer.chapterOffsets();
    }

    std::shared_ptr<PageViewController> open(const std::optional<std::vector<int64_t>>& stored, int turnType = 0) {
        auto screen = std::make_shared<PageViewController>(host);
        screen->bookFormat = 2;
        screen->bookId = m_bookId;
        screen->filePath = path;
        screen->chapterId = offsets[0];
        screen->contentTitle = "第一章";
        screen->content = u"第一章\n\n" + writer.chapters[0].text;
        screen->umdContentTotalLength = static_cast<int64_t>(writer.wholeText().size()) * 2;
        auto mgr = std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
        mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
        screen->viewDidLoad(std::move(mgr), phoneConfig(turnType), {0, 0, 320, 480}, stored);
        runPreloads();
        return screen;
    }

    Host host;
    test::TempDir dir;
    test::UmdWriter writer;
    std::string path;
    std::vector<int64_t> offsets;
};

TEST_F(PageViewControllerTest, OpensAtTheStoredPlace) {
    auto first = open(std::vector<int64_t>{-1, 0, 0, 0, 0, 0});
    EXPECT_EQ(first->pageMgr()->currPage()->start, 0);
    EXPECT_EQ(host.statusName, "第一章");
    auto later = open(std::vector<int64_t>{50, 0, 0, 0, 0, 0});
    EXPECT_EQ(later->pageMgr()->currPage()->start, 50);
    auto tooShort = open(std::vector<int64_t>{50, 0});
    EXPECT_EQ(tooShort->pageMgr()->currPage()->start, 0);
}

TEST_F(PageViewControllerTest, TapsFollowTheMenuState) {
    auto screen = open(std::nullopt);
    const int64_t start = screen->pageMgr()->currPage()->start;
    screen->handleTap({160, 240}); // the centre opens the menu
    EXPECT_EQ(screen->pageState(), 0x1);
    screen->handleTap({300, 400}); // with the menu open a tap only closes it
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_EQ(screen->pageMgr()->currPage()->start, start);
    screen->handleTap({300, 400}); // now it turns
    runPreloads();
    EXPECT_GT(screen->pageMgr()->currPage()->start, start);
    // Pans are ignored while a menu is open.
    screen->showReadPageMenu();
    const int64_t at = screen->pageMgr()->currPage()->start;
    screen->handlePan(PageViewController::PanPhase::Began, {300, 200});
    screen->handlePan(PageViewController::PanPhase::Ended, {10, 200});
    EXPECT_EQ(screen->pageMgr()->currPage()->start, at);
}

TEST_F(PageViewControllerTest, TurningPastTheChapterEndEntersTheNext) {
    auto screen = open(std::nullopt);
    for (int i = 0; i < 50 && screen->chapters().chapterId == offsets[0]; ++i) {
        screen->handleTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(screen->chapters().chapterId, offsets[1]);
    EXPECT_EQ(host.statusName, "第二章");
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    for (int i = 0; i < 50 && host.tips.empty(); ++i) {
        screen->handleTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(host.tips, std::vector<std::string>{"已到达末尾"});
}

TEST_F(PageViewControllerTest, StatusTimerStopsAndTheScreenIsFreed) {
    auto screen = open(std::vector<int64_t>{200, 0, 0, 0, 0, 0});
    EXPECT_TRUE(screen->statusTimerRunning());
    advance(1.1);
    EXPECT_NE(screen->statusPercent(), "");
    EXPECT_EQ(screen->statusPercent().back(), '%');
    screen->goToMainView();
    EXPECT_FALSE(screen->statusTimerRunning());
    std::weak_ptr<PageViewController> weak = screen;
    screen.reset();
    EXPECT_TRUE(weak.expired()); // nothing (timer, manager) keeps the screen alive
    advance(2.0);                // and a leftover tick finds nothing to call
}

TEST_F(PageViewControllerTest, MenuCommandsLeaveTheirStates) {
    auto screen = open(std::nullopt);
    struct Case {
        const char* name;
        std::function<void(PageViewController&)> command;
        int state;
    };
    const Case cases[] = {
        {"menu", [](PageViewController& s) { s.showReadPageMenu(); }, 0x1},
        {"percent jump", [](PageViewController& s) { s.showPageSliderMenu(0x10); }, 0x12},
        {"download choices", [](PageViewController& s) { s.showPageDownMenu(); }, 0x20},
        {"bookmark choices", [](PageViewController& s) { s.showPageBookmarkMenu(); }, 0x8},
        {"preset background",
         [](PageViewController& s) {
             s.showReadPageMenu();
             s.handleColorBtnChoose(15002, true);
         },
         0x801},
        {"font colour box",
         [](PageViewController& s) {
             s.showReadPageMenu();
             s.handleColorBtnChoose(15008, true);
         },
         0x1800},
        {"page colour box", [](PageViewController& s) { s.handleColorBtnChoose(15007, true); }, 0x2800},
        {"turn type",
         [](PageViewController& s) {
             s.showReadPageMenu();
             s.handlePageTurningBtnChoose(2);
         },
         0},
        {"auto scroll",
         [](PageViewController& s) {
             s.showReadPageMenu();
             s.handleAutoScrollBtnChoose(1);
         },
         0x200},
    };
    for (const auto& c : cases) {
        screen->setPageState(0);
        c.command(*screen);
        EXPECT_EQ(screen->pageState(), c.state) << c.name;
    }
    // The menu does not open over another one.
    screen->setPageState(0x20);
    screen->showReadPageMenu();
    EXPECT_EQ(screen->pageState(), 0x20);
    // With automatic scrolling running a tap only stops it.
    screen->setPageState(0);
    screen->handleAutoScrollBtnChoose(0);
    EXPECT_TRUE(screen->pageMgr()->isAutoScrolling());
    screen->handleTap({160, 240});
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_FALSE(screen->pageMgr()->isAutoScrolling());
}

TEST_F(PageViewControllerTest, PercentJumpOnlyInJumpMode) {
    auto screen = open(std::nullopt);
    screen->showPageSliderMenu(0);
    screen->sliderMenuProcess(50);
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    screen->showPageSliderMenu(0x10);
    screen->sliderMenuProcess(25.7); // a quarter of the book: inside chapter one
    runPreloads();
    EXPECT_EQ(screen->chapters().chapterId, offsets[0]);
    EXPECT_GT(screen->pageMgr()->currPage()->start, 0);
    screen->sliderMenuProcess(75); // into chapter two
    runPreloads();
    EXPECT_EQ(screen->chapters().chapterId, offsets[1]);
}

// A site book on its own database: the turn crosses into the stored next
// chapter, and stops at one not downloaded with the download prompt.
TEST_F(PageViewControllerTest, SiteBookCrossesIntoStoredChaptersOnly) {
    constexpr int64_t kBook = 4321;
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(kBook));
    core::Value::Array chapters;
    for (int64_t id : {1, 2, 3})
        chapters.push_back(core::Value(core::Value::Map{{"c", core::Value(id)},
                                                        {"n", core::Value("第" + std::to_string(id) + "章")},
                                                        {"v", core::Value(0)},
                                                        {"p", core::Value(0)},
                                                        {"t", core::Value(int64_t(1'600'000'000'000))},
                                                        {"w", core::Value(3000)},
                                                        {"vc", core::Value(1)}}));
    ASSERT_TRUE(BookDB::addChapters(chapters, kBook));
    const std::string text(600, 'x');
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(kBook, 1, text));
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(kBook, 2, text));

    BookDBChapterStore store;
    auto screen = std::make_shared<PageViewController>(host, &store);
    screen->bookFormat = 1;
    screen->rzBookId = kBook;
    screen->chapterId = 1;
    screen->bookId = m_bookId;
    screen->contentTitle = "第1章";
    screen->content = u"第1章\n\n" + std::u16string(600, u'x');
    auto mgr = std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
    mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
    screen->viewDidLoad(std::move(mgr), phoneConfig(0), {0, 0, 320, 480}, std::nullopt);
    runPreloads();
    for (int i = 0; i < 40 && screen->chapters().chapterId == 1; ++i) {
        screen->handleTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(screen->chapters().chapterId, 2);
    EXPECT_EQ(host.statusName, "第2章");
    for (int i = 0; i < 40 && host.prompts.empty(); ++i) {
        screen->handleTap({300, 400});
        runPreloads();
    }
    ASSERT_EQ(host.prompts.size(), 1u);
    EXPECT_EQ(host.prompts[0], (std::pair<std::string, int64_t>{"第3章", 3}));
    EXPECT_EQ(screen->chapters().chapterId, 2);
    EXPECT_EQ(screen->chapters().downType(), (ReaderAction{ReaderActionDownloadChapter, false, 3}));
    // The reader stays on the last page of chapter two.
    const int64_t lastStartOfTwo = screen->pageMgr()->currPage()->start;
    EXPECT_GT(lastStartOfTwo, 0);
}

// The engine stores the place after each turn; a new screen opened with what
// the book table answers starts on that page.
TEST_F(PageViewControllerTest, TxtPlaceSurvivesClosingAndReopening) {
    const std::u16string chunk = std::u16string(3000, u'字');
    auto openTxt = [&](const std::optional<std::vector<int64_t>>& stored) {
        auto screen = std::make_shared<PageViewController>(host);
        screen->bookFormat = 3;
        screen->bookId = m_bookId;
        screen->contentTitle = "书";
        screen->content = chunk;
        screen->txtLoadAll = true;
        screen->txtContentTotalLength = 9000;
        auto mgr = std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
        mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
        screen->viewDidLoad(std::move(mgr), phoneConfig(2), {0, 0, 320, 480}, stored);
        runPreloads();
        return screen;
    };
    auto screen = openTxt(std::nullopt);
    for (int i = 0; i < 3; ++i) {
        screen->handleTap({300, 400});
        runPreloads();
    }
    const int64_t shown = screen->pageMgr()->currPage()->start;
    ASSERT_GT(shown, 0);
    screen->goToMainView();
    screen.reset();

    const auto row = BookTB::getBookReadingInfoByBookId(m_bookId);
    ASSERT_TRUE(row);
    std::vector<int64_t> stored;
    for (const auto& v : *row)
        stored.push_back(v.asInt().value_or(0));
    auto reopened = openTxt(stored);
    EXPECT_EQ(reopened->pageMgr()->currPage()->start, shown);
}

} // namespace
} // namespace pw
