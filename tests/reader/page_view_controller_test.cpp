#include "reader/PageViewController.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "reader/PageHelpMenuLayout.h"
#include "reader/ReaderContentsScreens.h"
#include "reading/turn/StatusView.h"
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/TurnTestSupport.h"
#include "reading/umd/UmdWriter.h"
#include "support/TempDir.h"

namespace pw {
namespace {

class PageViewControllerTest : public test::TurnTest {
protected:
    void SetUp() override {
        TurnTest::SetUp();
        writer.chapters = {{u"第一章", std::u16string(400, u'甲')}, {u"第二章", std::u16string(400, u'乙')}};
        path = (dir.path() / "book.umd").string();
        test::UmdWriter::write(path, writer.build());
        offsets = writer.chapterOffsets();
        auto root = ui::ViewController::create();
        nav = ui::ViewController::create<ui::NavigationController>(root);
        m_window->setRootViewController(nav);
        settle();
    }

    void TearDown() override {
        nav.reset();
        TurnTest::TearDown();
    }

    // The screen as an opener makes it; the manager pages with the fixed-advance
    // breaker and holds its preloads back.
    std::shared_ptr<PageViewController> make(int format, int turnType = 0) {
        auto screen = PageViewController::create();
        screen->bookFormat = format;
        screen->bookId = m_bookId;
        screen->setPageManagerMaker([this] {
            auto mgr = std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
            mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
            return mgr;
        });
        screen->setRzConfig(phoneConfig(turnType));
        return screen;
    }

    void show(const std::shared_ptr<PageViewController>& screen) {
        nav->pushViewController(screen, false);
        settle();
        runPreloads();
    }

    std::shared_ptr<PageViewController> open(int turnType = 0) {
        auto screen = make(2, turnType);
        screen->filePath = path;
        screen->chapterId = offsets[0];
        screen->contentTitle = "第一章";
        screen->content = u"第一章\n\n" + writer.chapters[0].text;
        screen->umdContentTotalLength = static_cast<int64_t>(writer.wholeText().size()) * 2;
        show(screen);
        return screen;
    }

    void store(int64_t start) {
        ASSERT_TRUE(BookTB::saveBookReadingInfoWithBookId(m_bookId, start, 1, offsets[0], "第一章", 0));
    }

    test::TempDir dir;
    test::UmdWriter writer;
    std::string path;
    std::vector<int64_t> offsets;
    std::shared_ptr<ui::NavigationController> nav;
};

TEST_F(PageViewControllerTest, OpensAtTheStoredPlace) {
    struct Case {
        std::optional<int64_t> stored;
        int64_t start;
    };
    for (const Case& c : {Case{std::nullopt, 0}, Case{-1, 0}, Case{50, 50}}) {
        if (c.stored)
            store(*c.stored);
        auto screen = open();
        EXPECT_EQ(screen->pageMgr()->currPage()->start, c.start) << c.stored.value_or(-7);
        EXPECT_EQ(screen->statusView()->bookName(), "第一章");
        EXPECT_EQ(screen->title(), "返回阅读");
        EXPECT_TRUE(nav->isNavigationBarHidden());
        nav->popViewControllerAnimated(false);
        settle();
    }
}

TEST_F(PageViewControllerTest, TapsFollowTheMenuState) {
    auto screen = open();
    const int64_t start = screen->pageMgr()->currPage()->start;
    // The first touch only takes the help sheet away.
    auto* page = screen->pageMgr()->pageView().get();
    ASSERT_TRUE(page->viewWithTag(kPageHelpMenuTag));
    tap({160, 240});
    EXPECT_FALSE(page->viewWithTag(kPageHelpMenuTag));
    EXPECT_EQ(screen->pageState(), 0);
    tap({160, 240}); // the centre opens the menu
    EXPECT_EQ(screen->pageState(), 0x1);
    tap({300, 400}); // with the menu open a tap only closes it
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_EQ(screen->pageMgr()->currPage()->start, start);
    tap({300, 400}); // now it turns
    settle();
    runPreloads();
    EXPECT_GT(screen->pageMgr()->currPage()->start, start);
    // Pans are ignored while a menu is open.
    screen->showReadPageMenu();
    const int64_t at = screen->pageMgr()->currPage()->start;
    screen->handleRZViewPan(PageViewController::PanPhase::Began, {300, 200});
    screen->handleRZViewPan(PageViewController::PanPhase::Ended, {10, 200});
    EXPECT_EQ(screen->pageMgr()->currPage()->start, at);
}

TEST_F(PageViewControllerTest, TurningPastTheChapterEndEntersTheNext) {
    auto screen = open();
    for (int i = 0; i < 50 && screen->chapters().chapterId == offsets[0]; ++i) {
        screen->handleRZViewTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(screen->chapters().chapterId, offsets[1]);
    EXPECT_EQ(screen->statusView()->bookName(), "第二章");
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    for (int i = 0; i < 50 && screen->tips().empty(); ++i) {
        screen->handleRZViewTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(screen->tips(), std::vector<std::string>{"已到达末尾"});
    EXPECT_EQ(screen->progressHUD()->labelText(), "已到达末尾");
}

TEST_F(PageViewControllerTest, StatusTimerStopsAndTheScreenIsFreed) {
    store(200);
    auto screen = open();
    EXPECT_TRUE(screen->statusTimerRunning());
    advance(1.1);
    EXPECT_NE(screen->statusPercent(), "");
    EXPECT_EQ(screen->statusPercent().back(), '%');
    EXPECT_EQ(screen->statusView()->percent(), screen->statusPercent());
    screen->goToMainView();
    settle();
    EXPECT_FALSE(screen->statusTimerRunning());
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    std::weak_ptr<PageViewController> weak = screen;
    screen.reset();
    EXPECT_TRUE(weak.expired()); // nothing (timer, manager, recognisers) keeps the screen alive
    advance(2.0);                // and a leftover tick finds nothing to call
}

TEST_F(PageViewControllerTest, FullScreenAndRotation) {
    auto screen = open();
    advance(0.6);
    EXPECT_TRUE(ui::Application::shared().isStatusBarHidden()); // full screen while reading
    EXPECT_EQ(screen->view()->frame(), gfx::Rect(0, 0, 320, 480));
    EXPECT_TRUE(screen->shouldAutorotateToInterfaceOrientation(device::Orientation::Portrait));
    EXPECT_FALSE(screen->shouldAutorotateToInterfaceOrientation(device::Orientation::PortraitUpsideDown));
    // A tap that closes a menu puts a status bar shown meanwhile away again.
    for (auto open : {&PageViewController::showReadPageMenu, &PageViewController::showPageDownMenu}) {
        ((*screen).*open)();
        ui::Application::shared().setStatusBarHidden(false);
        screen->handleRZViewTap({300, 400});
        EXPECT_EQ(screen->pageState(), 0);
        EXPECT_TRUE(ui::Application::shared().isStatusBarHidden());
    }
    screen->pageMgr()->rzConfig()->setRotateLock(true);
    EXPECT_FALSE(screen->shouldAutorotateToInterfaceOrientation(device::Orientation::Portrait));
    nav->popViewControllerAnimated(false);
    settle();
    EXPECT_FALSE(ui::Application::shared().isStatusBarHidden()); // the shelf shows it again
}

// A screen pushed over the reader shows the status bar, and a chapter picked
// there opens while the reader is the smaller screen below it; once back and
// full screen again the page is drawn for the whole screen, not centred in it.
TEST_F(PageViewControllerTest, PageFillsTheScreenAgainAfterAScreenAboveIt) {
    auto screen = open();
    advance(0.6);
    const gfx::Size whole = screen->pageMgr()->currPage()->pageImage.size();
    nav->pushViewController(ui::ViewController::create(), false);
    settle();
    ASSERT_FALSE(ui::Application::shared().isStatusBarHidden());
    screen->chapters().openUmdFileWithChapterOffset(offsets[1], -1);
    settle();
    EXPECT_LT(screen->pageMgr()->currPage()->pageImage.size().height, whole.height);
    nav->popViewControllerAnimated(false);
    advance(0.6);
    runPreloads();
    EXPECT_TRUE(ui::Application::shared().isStatusBarHidden());
    EXPECT_EQ(screen->view()->frame(), gfx::Rect(0, 0, 320, 480));
    EXPECT_EQ(screen->pageMgr()->currPage()->pageImage.size(), whole);
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    EXPECT_EQ(screen->statusView()->bookName(), "第二章");
}

// Coming back to the foreground stops automatic scrolling; a rotation lays
// the pages out for the new size.
TEST_F(PageViewControllerTest, ForegroundAndRotation) {
    auto screen = open();
    screen->handleAutoScrollBtnChoose(1);
    ASSERT_TRUE(screen->pageMgr()->isAutoScrolling());
    core::NotificationCenter::defaultCenter().post(ui::kDidBecomeActiveNotification);
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_FALSE(screen->pageMgr()->isAutoScrolling());

    screen->view()->setFrame({0, 0, 480, 320});
    screen->willAnimateRotationToInterfaceOrientation(device::Orientation::LandscapeLeft, 0.3);
    runPreloads();
    EXPECT_EQ(screen->pageMgr()->rzConfig()->canvasSize(), gfx::Size(480, 320));
    EXPECT_EQ(screen->pageMgr()->currPage()->start, 0);
    EXPECT_EQ(screen->statusView()->percent(), screen->statusPercent());
}

TEST_F(PageViewControllerTest, MenuCommandsLeaveTheirStates) {
    auto screen = open();
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
    screen->handleRZViewTap({160, 240});
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_FALSE(screen->pageMgr()->isAutoScrolling());
}

TEST_F(PageViewControllerTest, PercentJumpOnlyInJumpMode) {
    auto screen = open();
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
// The engine stores the place whenever it shows a page; the screen going away
// writes nothing over what was stored meanwhile.
TEST_F(PageViewControllerTest, LeavingStoresNoPlaceOfItsOwn) {
    auto screen = open();
    screen->handleRZViewTap({300, 400});
    runPreloads();
    ASSERT_GT(screen->pageMgr()->currPage()->start, 0);
    store(7);
    screen->goToMainView();
    settle();
    const auto row = BookTB::getBookReadingInfoByBookId(m_bookId);
    ASSERT_TRUE(row && !row->empty());
    EXPECT_EQ((*row)[0].asInt(), 7);
}

// Site actions wait under the spinner; with no site to ask, the check ends
// at once in its failure words, still with the spinner, and goes away.
TEST_F(PageViewControllerTest, LoginCheckShowsTheSpinner) {
    auto screen = open();
    auto& hud = *screen->progressHUD();
    screen->showSpinnerTip("", 0);
    EXPECT_TRUE(hud.isShown());
    EXPECT_EQ(hud.mode(), ProgressHUDModeIndeterminate);
    EXPECT_EQ(hud.labelText().value_or("?"), "");
    EXPECT_FALSE(hud.hasScheduledHide());
    screen->checkIsLoginWithInfo({ReaderActionDownloadBookmark});
    EXPECT_EQ(hud.mode(), ProgressHUDModeIndeterminate);
    EXPECT_EQ(hud.labelText().value_or(""), "获取登录信息失败");
    EXPECT_TRUE(hud.hasScheduledHide());
    EXPECT_EQ(screen->tips().back(), "获取登录信息失败");
}

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

    auto screen = make(1);
    screen->rzBookId = kBook;
    screen->chapterId = 1;
    screen->contentTitle = "第1章";
    screen->content = u"第1章\n\n" + std::u16string(600, u'x');
    show(screen);
    for (int i = 0; i < 40 && screen->chapters().chapterId == 1; ++i) {
        screen->handleRZViewTap({300, 400});
        runPreloads();
    }
    EXPECT_EQ(screen->chapters().chapterId, 2);
    EXPECT_EQ(screen->statusView()->bookName(), "第2章");
    // The chapter list opens under the chapter now read, not the one opened with.
    EXPECT_EQ(ReaderContentsScreens::make(*screen)->title(), "第2章");
    for (int i = 0; i < 40 && !screen->downloadPrompt(); ++i) {
        screen->handleRZViewTap({300, 400});
        runPreloads();
    }
    ASSERT_TRUE(screen->downloadPrompt());
    EXPECT_EQ(screen->downloadPrompt()->title(), "下载提醒");
    EXPECT_EQ(screen->downloadPrompt()->message(), "“第3章”还木有下载，现在下载吗？");
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
    auto openTxt = [&] {
        auto screen = make(3, 2);
        screen->contentTitle = "书";
        screen->content = chunk;
        screen->txtLoadAll = true;
        screen->txtContentTotalLength = 9000;
        show(screen);
        return screen;
    };
    auto screen = openTxt();
    for (int i = 0; i < 3; ++i) {
        screen->handleRZViewTap({300, 400});
        settle();
        runPreloads();
    }
    const int64_t shown = screen->pageMgr()->currPage()->start;
    ASSERT_GT(shown, 0);
    screen->goToMainView();
    settle();
    screen.reset();
    auto reopened = openTxt();
    EXPECT_EQ(reopened->pageMgr()->currPage()->start, shown);
}

} // namespace
} // namespace pw
