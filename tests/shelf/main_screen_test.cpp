// The main screen end to end, headless, against the stand-in site: the first
// run, both shelves, opening local and site books, edit mode and categories.
#include "site/ClientTest.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/Text.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextView.h"
#include "reading/umd/UmdFile.h"
#include "reading/umd/UmdWriter.h"
#include "shelf/MainHelpStoreCloudView.h"
#include "shelf/MainHelpStoreTipView.h"
#include "shelf/MainViewController.h"
#include "shelf/ShelfCategoryEdits.h"
#include "shelf/BookcaseController.h"
#include "shelf/BooklistController.h"
#include "shelf/BooklistTable.h"
#include "shelf/BookcaseTable.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/MainBottomMenu.h"
#include "shelf/MainCategoryMenu.h"
#include "shelf/XieYiViewController.h"
#include "support/Idioms.h"
#include "foundation/config/DeviceKind.h"

#include <fstream>

namespace pw {
namespace {

namespace fs = std::filesystem;
using standin::Catalogue;
using standin::Host;

// What the reader maker hands out here; the shelf knows a reader by the test the application gives it.
class ReaderStandIn : public ui::ViewController {};

class MainScreenTest : public test::ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        if (IsSkipped())
            return;
        MainViewController::resetStartUpForTesting();
        PagewellAppDelegate::setMainScreenMaker([] { return MainViewController::create(); });
        ShelfScreens::reader() = [this](const ReaderOpening& o) {
            openings.push_back(o);
            return ui::ViewController::create<ReaderStandIn>();
        };
        ShelfScreens::isReader() = [](const ui::ViewController& vc) {
            return dynamic_cast<const ReaderStandIn*>(&vc) != nullptr;
        };
        ShelfScreens::chapterList() = [this](int64_t id, const std::string& title,
                                             std::function<void(const core::Value&, int64_t)> pick) {
            listed.push_back({id, title});
            chapterPick = std::move(pick);
            return ui::ViewController::create();
        };
        XieYiViewController::setTerminator([this](int status) { exitStatus = status; });
    }

    void TearDown() override {
        if (m_delegate) {
            m_delegate->navController()->dismissModalViewControllerAnimated(false);
            m_delegate.reset();
            ui::Application::shared().setDelegate(nullptr);
        }
        ShelfScreens::reset();
        PagewellAppDelegate::setMainScreenMaker({});
        XieYiViewController::setTerminator({});
        ClientTest::TearDown();
    }

    MainViewController& launch() {
        m_window->resignVisible();
        m_delegate = std::make_shared<PagewellAppDelegate>();
        ui::Application::shared().setDelegate(m_delegate);
        EXPECT_TRUE(ui::Application::shared().launch());
        settle();
        advance(0.5);
        return main();
    }
    MainViewController& main() {
        return *std::static_pointer_cast<MainViewController>(m_delegate->mainViewController());
    }
    ui::NavigationController& nav() { return *m_delegate->navController(); }

    // Runs the main loop and the fake clock until pred holds (answers arrive in real time).
    bool until(const std::function<bool()>& pred, double seconds = 30) {
        return waitPaced(pred, seconds);
    }

    void agreeToTerms() {
        SettingTB::saveSettingWithKey("rzxy", "1");
        SettingTB::saveSettingWithKey("r1", "1");
    }

    static core::Value tapOf(const BookRecord& b) {
        return core::Value(core::Value::Map{{"rzid", core::Value(b.rzId)},
                                            {"status", core::Value(int64_t(b.status))},
                                            {"file", core::Value(b.file)},
                                            {"bid", core::Value(b.bid)}});
    }
    const BookRecord* bookNamed(const std::string& file) {
        for (const auto& b : main().allBooks())
            if (b.file == file)
                return &b;
        return nullptr;
    }
    std::string hudText() { return main().progressHUD()->labelText().value_or(""); }

    // Puts a TXT and a UMD book into Documents and on the local shelf.
    void addLocalBooks() {
        const fs::path docs = m_home / "Documents";
        std::ofstream(docs / "novel.txt") << "第一章 开始\n" << std::string(200, 'a') << "\n第二章 继续\nbbb\n";
        test::UmdWriter w;
        w.chapters = {{u"第一回", u"甄士隐梦幻识通灵"}, {u"第二回", u"贾夫人仙逝扬州城"}};
        const auto bytes = w.build();
        std::ofstream(docs / "story.umd", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        int64_t id = 0;
        ASSERT_EQ(BookTB::addLocalBookWithBookName("novel.txt", "", "novel.txt", "TXT", "", &id), 0);
        txtId = id;
        ASSERT_EQ(BookTB::addLocalBookWithBookName("story.umd", "", "story.umd", "UMD", "曹雪芹", &id), 0);
        umdId = id;
    }

    std::shared_ptr<PagewellAppDelegate> m_delegate;
    std::vector<ReaderOpening> openings;
    std::vector<std::pair<int64_t, std::string>> listed;
    std::function<void(const core::Value&, int64_t)> chapterPick;
    std::optional<int> exitStatus;
    int64_t txtId = 0, umdId = 0;
};

TEST_F(MainScreenTest, FirstRunShowsTheAgreementThenTheStoreHintAndReportsInstallOnce) {
    fs::remove_all(m_home / "Documents");
    fs::remove_all(m_home / "Library/Caches/Store");
    auto& m = launch();
    for (const auto& f : MainViewController::startupFolders())
        EXPECT_TRUE(fs::is_directory(m_home / f)) << f;
    EXPECT_TRUE(fs::is_regular_file(m_home / "Documents/torvane/main/main.rz"));
    EXPECT_TRUE(m.mainDBReady());
    EXPECT_TRUE(m_delegate->supportRotate()); // k_SupportRotate absent
    // The agreement comes up modally with its two buttons.
    auto* xieyi = dynamic_cast<XieYiViewController*>(nav().presentedViewController());
    ASSERT_NE(xieyi, nullptr);
    ASSERT_EQ(xieyi->buttons().size(), 2u);
    EXPECT_EQ(xieyi->buttons()[0]->currentTitle(), "我同意");
    // On a 320 x 460 view the two buttons are 125 wide, at x 30 and 165.
    EXPECT_EQ(xieyi->buttons()[0]->frame().x(), 30);
    EXPECT_EQ(xieyi->buttons()[0]->frame().width(), 125);
    EXPECT_EQ(xieyi->buttons()[1]->frame().x(), 165);
    EXPECT_EQ(xieyi->buttons()[1]->currentTitle(), "我不同意");
    EXPECT_FALSE(xieyi->textView()->text().empty());
    // The install report went out once and, answered, is not sent again.
    ASSERT_TRUE(until([&] { return SettingTB::readSettingWithKey("r1") == "1"; }));
    EXPECT_EQ(m_site->count(Host::Interface, "/api/R1.ashx"), 1u);
    EXPECT_FALSE(m.mainHelpStoreTipView());

    xieyi->agree();
    settle();
    EXPECT_EQ(SettingTB::readSettingWithKey("rzxy"), "1");
    EXPECT_FALSE(nav().presentedViewController());
    ASSERT_TRUE(m.mainHelpStoreTipView());
    EXPECT_FALSE(m.mainHelpStoreTipView()->isHidden());
    EXPECT_TRUE(m.mainHelpStoreTipView()->layer()->animationForKey(MainHelpStoreTipView::kAnimationKey));
    ASSERT_TRUE(m.mainHelpStoreCloudView());
    // The first-run work: the version check asks for the update descriptor.
    EXPECT_TRUE(until([&] { return !m_site->requests(std::nullopt, "/PagewelliOSUpdate.txt").empty(); }));
    // The store tab takes the hint away.
    m.tabBarDidSelectItem(MainViewController::kTabStore);
    settle();
    EXPECT_FALSE(m.mainHelpStoreTipView());
    EXPECT_FALSE(m.mainHelpStoreCloudView());
    EXPECT_EQ(nav().topViewController()->title(), "书城");
}

TEST_F(MainScreenTest, RefusingEndsTheProcessUnsavedAndAnUnloadedViewStartsUpAgain) {
    auto& m = launch();
    auto* xieyi = dynamic_cast<XieYiViewController*>(nav().presentedViewController());
    ASSERT_NE(xieyi, nullptr);
    xieyi->refuse();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_NE(SettingTB::readSettingWithKey("rzxy"), "1");
    ASSERT_TRUE(until([&] { return SettingTB::readSettingWithKey("r1") == "1"; }));
    nav().dismissModalViewControllerAnimated(false);
    settle();

    // Unloading the view runs the whole teardown: no observer, no poll, no owned view is left.
    ASSERT_NE(m.checkRZBookUpdate(), nullptr);
    m.viewDidUnload();
    m.setView(nullptr);
    EXPECT_EQ(m.checkRZBookUpdate(), nullptr);
    EXPECT_EQ(m.checkLogin(), nullptr);
    EXPECT_EQ(m.progressHUD(), nullptr);
    EXPECT_EQ(m.mainBottomMenu(), nullptr);
    EXPECT_EQ(m.bookcaseController(), nullptr);
    EXPECT_TRUE(m.allBooks().empty());
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookTap", core::Value{});
    EXPECT_TRUE(openings.empty());

    // Loading it again is the start-up once more: report, agreement, poll.
    SettingTB::deleteSettingWithKey("r1");
    m.view();
    advance(0.5);
    drain(0.3);
    ASSERT_TRUE(until([&] { return SettingTB::readSettingWithKey("r1") == "1"; }));
    EXPECT_EQ(m_site->count(Host::Interface, "/api/R1.ashx"), 2u);
    EXPECT_NE(dynamic_cast<XieYiViewController*>(nav().presentedViewController()), nullptr);
    EXPECT_NE(m.checkRZBookUpdate(), nullptr);
    EXPECT_NE(m.progressHUD(), nullptr);
    EXPECT_EQ(m.allCategories()[1].cname, "最近阅读");
}

TEST_F(MainScreenTest, ShelvesHaveTheirFirstCategoryAndLayoutsSwitchWithOneOwner) {
    agreeToTerms();
    addLocalBooks();
    ASSERT_TRUE(CategoryTB::addCategory("武侠"));
    auto& m = launch();
    EXPECT_EQ(nav().presentedViewController(), nullptr);
    ASSERT_GE(m.allCategories().size(), 2u);
    EXPECT_EQ(m.allCategories()[1].cid, -1);
    EXPECT_EQ(m.allCategories()[1].cname, "最近阅读");
    EXPECT_TRUE(m.allBooks().empty());
    m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
    EXPECT_EQ(bookcaseType, 2);
    EXPECT_EQ(m.allCategories()[1].cname, "导入电子书");
    ASSERT_EQ(m.allCategories().size(), 3u); // the search entry, the first category, 武侠
    EXPECT_EQ(m.allCategories()[2].cname, "武侠");
    EXPECT_EQ(m.allBooks().size(), 2u);

    ASSERT_NE(m.bookcaseController(), nullptr);
    EXPECT_EQ(m.booklistController(), nullptr);
    // The grid put its search entry into the one shared category list.
    EXPECT_EQ(m.allCategories().front().cid, BookcaseController::kSearchCategoryId);
    m.btnSwitchBooksLayoutClick();
    EXPECT_EQ(m.booksLayoutStyle(), 2);
    ASSERT_NE(m.booklistController(), nullptr);
    EXPECT_EQ(m.bookcaseController(), nullptr);
    EXPECT_EQ(m.allCategories().front().cname, "导入电子书");
    // The list never shows the edit bar, though the list enters edit mode.
    m.btnEditClick();
    EXPECT_TRUE(m.isEditing());
    EXPECT_TRUE(m.mainBottomMenu()->isHidden());
    m.btnEditClick();
    m.btnSwitchBooksLayoutClick();
    ASSERT_NE(m.bookcaseController(), nullptr);
    m.btnEditClick();
    EXPECT_TRUE(m.bookcaseController()->isEditing());
    EXPECT_FALSE(m.mainBottomMenu()->isHidden());
    EXPECT_EQ(m.mainBottomMenu()->btnFourth()->currentTitle(), "移动");
    // Its picture is the button's background, like its neighbours', so the
    // title keeps the whole width under the icon.
    EXPECT_TRUE(m.mainBottomMenu()->btnFourth()->currentImage().isNull());
    EXPECT_FALSE(m.mainBottomMenu()->btnFourth()->currentBackgroundImage().isNull());
    EXPECT_FALSE(m.mainBottomMenu()->btnSecond()->isEnabled());
    // A tab change leaves edit mode.
    m.tabBarDidSelectItem(MainViewController::kTabSiteShelf);
    EXPECT_FALSE(m.isEditing());
    EXPECT_TRUE(m.mainBottomMenu()->isHidden());
}

TEST_F(MainScreenTest, LocalBooksOpenAtTheirStoredPlaces) {
    agreeToTerms();
    addLocalBooks();
    auto& m = launch();
    m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
    // A UMD book opens at the chapter it was left in.
    auto block = [&] {
        UmdFile f;
        f.loadUmdFile((m_home / "Documents/story.umd").string());
        f.getFileInfo();
        f.getChapters();
        return f.chapters()->listChapterOffset();
    }();
    ASSERT_EQ(block.size(), 2u);
    ASSERT_TRUE(BookTB::saveBookReadingInfoWithBookId(umdId, 0, 1700000000, block[1], "第二回", 50));
    m.handleBookTap(tapOf(*bookNamed("story.umd")));
    advance(0.7);
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_EQ(openings[0].bookFormat, 2);
    EXPECT_EQ(openings[0].rzBookId, -999);
    EXPECT_EQ(openings[0].bookId, umdId);
    EXPECT_EQ(openings[0].chapterId, block[1]);
    EXPECT_EQ(openings[0].contentTitle, "第二回");
    EXPECT_EQ(openings[0].content, u"第二回\n\n贾夫人仙逝扬州城");
    EXPECT_EQ(openings[0].umdLastChapterOffset, block[1]);
    EXPECT_GT(openings[0].umdContentTotalLength, 0);
    nav().popToRootViewControllerAnimated(false);
    settle();

    // A TXT book never opened starts at the file's start, titled by its name.
    m.handleBookTap(tapOf(*bookNamed("novel.txt")));
    advance(0.7);
    ASSERT_EQ(openings.size(), 2u);
    EXPECT_EQ(openings[1].bookFormat, 3);
    EXPECT_EQ(openings[1].contentTitle, "novel");
    EXPECT_FALSE(openings[1].chapterId.has_value());
    EXPECT_EQ(core::text::toUtf8Lenient(openings[1].content).substr(0, 16), "第一章 开始");
    EXPECT_TRUE(openings[1].txtLoadAll);
    EXPECT_EQ(openings[1].filePath, (m_home / "Documents/novel.txt").string());

    // A file that is not a UMD book is refused with its own tip.
    std::ofstream(m_home / "Documents/story.umd", std::ios::trunc) << "not a book";
    m.handleBookTap(tapOf(*bookNamed("story.umd")));
    advance(0.7);
    EXPECT_EQ(openings.size(), 2u);
    EXPECT_EQ(hudText(), "不是有效的 UMD格式");
    // In edit mode a tap selects instead.
    m.btnEditClick();
    m.handleBookTap(tapOf(*bookNamed("novel.txt")));
    advance(0.7);
    EXPECT_EQ(openings.size(), 2u);
}

TEST_F(MainScreenTest, SiteShelfSyncsAndItsBooksOpenThroughTheChapterListOrTheFirstChapter) {
    agreeToTerms();
    logInAsReader();
    auto& m = launch();
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_SyncBookcase");
    ASSERT_TRUE(until([&] { return m.allBooks().size() == 4; }));
    EXPECT_EQ(m.downType(), MainActionSyncBookcase);
    EXPECT_EQ(m.userId(), std::to_string(standin::StandinSite::kReaderId));
    EXPECT_GE(m.allCategories().size(), 6u); // search, the first category and the four site shelves

    const BookRecord lunyu = *std::find_if(m.allBooks().begin(), m.allBooks().end(),
                                           [](const BookRecord& b) { return b.rzId == Catalogue::kLunyu; });
    // No book database yet: the download sheet; "单章阅读" fetches the chapter list.
    m.handleBookTap(tapOf(lunyu));
    auto* sheet = m.shownSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->title(), "下载提醒");
    sheet->dismissWithClickedButtonIndex(1, false);
    EXPECT_EQ(m.downType(), MainActionChapterList);
    ASSERT_TRUE(until([&] { return !listed.empty(); }));
    EXPECT_EQ(listed[0].first, Catalogue::kLunyu);
    ASSERT_TRUE(BookDB::isBookDBExistsWithRZBookId(Catalogue::kLunyu));
    // A pick of a chapter not yet stored downloads it and opens it.
    auto chapters = BookDB::getAllChaptersWithRZBookId(Catalogue::kLunyu);
    ASSERT_TRUE(chapters && chapters->size() > 1);
    const core::Value second = (*chapters)[1];
    chapterPick(second, Catalogue::kLunyu);
    ASSERT_TRUE(until([&] { return !openings.empty(); }));
    EXPECT_EQ(openings[0].bookFormat, 1);
    EXPECT_EQ(openings[0].rzBookId, Catalogue::kLunyu);
    EXPECT_EQ(openings[0].chapterId, second["cid"].asInt());
    EXPECT_EQ(openings[0].bookId, lunyu.bid);
    const std::string title = second["cname"].asString().value_or("");
    EXPECT_EQ(core::text::toUtf8Lenient(openings[0].content).substr(0, title.size() + 2), title + "\n\n");
    nav().popToRootViewControllerAnimated(false);
    settle();

    // Never read and its first chapter not stored: the tap asks to download
    // the first chapter, which then passes the login check and opens.
    m.handleBookTap(tapOf(lunyu));
    auto* alert = m.shownAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->tag(), MainViewController::kAlertFirstChapter);
    const std::string firstTitle = (*chapters)[0]["cname"].asString().value_or("");
    EXPECT_EQ(alert->message(), "“" + firstTitle + "”还木有下载，现在下载吗？");
    alert->dismissWithClickedButtonIndex(1, false);
    EXPECT_EQ(m.downType(), MainActionFirstChapter);
    ASSERT_TRUE(until([&] { return openings.size() == 2; }));
    EXPECT_EQ(openings[1].chapterId, (*chapters)[0]["cid"].asInt());
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kLunyu, *(*chapters)[0]["cid"].asInt()), 1);
}

TEST_F(MainScreenTest, EditModeSelectsUpdatesAndDeletesLocallyAndOnTheSite) {
    agreeToTerms();
    logInAsReader();
    auto& m = launch();
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_SyncBookcase");
    ASSERT_TRUE(until([&] { return m.allBooks().size() == 4; }));
    for (const auto& b : m.allBooks())
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(b.rzId));

    m.btnEditClick();
    ASSERT_TRUE(m.isEditing());
    // Empty selection: nothing but the tip.
    m.confirmDelSelectedBooks();
    EXPECT_EQ(hudText(), "请选择书籍");
    EXPECT_EQ(m.shownAlert(), nullptr);
    // Select all takes every book of the shelf; a second press clears.
    m.selectAllBooks();
    EXPECT_EQ(m.dictBookChoose().size(), 4u);
    m.selectAllBooks();
    EXPECT_TRUE(m.dictBookChoose().empty());

    // Update: after the login check the selected books queue for download.
    const BookRecord sishu = *std::find_if(m.allBooks().begin(), m.allBooks().end(),
                                           [](const BookRecord& b) { return b.rzId == Catalogue::kSishu; });
    m.handleBookTapWhenEditing(tapOf(sishu));
    m.checkUpdateSelectedBooks();
    EXPECT_EQ(m.downType(), MainActionUpdateSelected);
    ASSERT_TRUE(until([&] { return !m.isEditing(); }));
    EXPECT_TRUE(m_delegate->downManager()->isBookDownloadingNow(Catalogue::kSishu));
    m_delegate->downManager()->cancelAllDownload();
    ASSERT_TRUE(until([&] { return !m_delegate->downManager()->isBookDownloadingNow(Catalogue::kSishu); }));
    advance(0.5);

    // Delete two books on this device only: rows, bookmarks and databases go.
    m.btnEditClick();
    std::vector<BookRecord> two(m.allBooks().begin(), m.allBooks().begin() + 2);
    for (const auto& b : two)
        m.handleBookTapWhenEditing(tapOf(b));
    m.confirmDelSelectedBooks();
    ASSERT_NE(m.shownAlert(), nullptr);
    EXPECT_EQ(m.shownAlert()->numberOfButtons(), 3);
    m.shownAlert()->dismissWithClickedButtonIndex(1, false);
    EXPECT_EQ(hudText(), "正在删除");
    advance(1.1);
    EXPECT_EQ(m.allBooks().size(), 2u);
    EXPECT_FALSE(m.isEditing());
    for (const auto& b : two) {
        EXPECT_FALSE(BookDB::isBookDBExistsWithRZBookId(b.rzId));
        EXPECT_EQ(BookTB::isBookExistsByRZBookId(b.rzId), 0);
    }
    EXPECT_EQ(m_site->count(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx"), 0u);

    // The other two locally and on the site: one request naming both, each
    // id followed by a comma.
    m.btnEditClick();
    m.selectAllBooks();
    m.confirmDelSelectedBooks();
    ASSERT_NE(m.shownAlert(), nullptr);
    m.shownAlert()->dismissWithClickedButtonIndex(2, false);
    EXPECT_EQ(m.downType(), MainActionDeleteSelectedEverywhere);
    ASSERT_TRUE(until([&] { return m_site->count(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx") == 1; }));
    EXPECT_TRUE(m.allBooks().empty());
    const auto removal = m_site->requests(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx")[0];
    const std::string bids = removal.param("bids");
    EXPECT_EQ(std::count(bids.begin(), bids.end(), ','), 2);
    EXPECT_EQ(bids.back(), ',');
    ASSERT_TRUE(until([&] { return hudText() != "正在删除网站书架书籍"; }));
}

TEST_F(MainScreenTest, SelectAllFollowsTheEditBarsButtonWhichEveryShowResets) {
    agreeToTerms();
    addLocalBooks();
    auto& m = launch();
    m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
    m.btnEditClick();
    auto* bar = m.mainBottomMenu();
    m.selectAllBooks();
    EXPECT_EQ(m.dictBookChoose().size(), 2u);
    EXPECT_TRUE(bar->hasSelectedAll());
    EXPECT_EQ(bar->btnFirst()->currentTitle(), "取消全选");
    // A single book's move narrows the selection; the button still reads
    // "取消全选", and pressing it clears.
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BooklistMoveBook", tapOf(*bookNamed("novel.txt")));
    EXPECT_EQ(m.dictBookChoose().size(), 1u);
    m.closeCategoryMenu();
    m.selectAllBooks();
    EXPECT_TRUE(m.dictBookChoose().empty());
    EXPECT_FALSE(bar->hasSelectedAll());
    EXPECT_EQ(bar->btnFirst()->currentTitle(), "全选");
    // Shown again, the bar starts from "全选" whatever it showed before.
    m.selectAllBooks();
    EXPECT_TRUE(bar->hasSelectedAll());
    m.showBottomMenu();
    EXPECT_FALSE(bar->hasSelectedAll());
    m.selectAllBooks();
    EXPECT_EQ(m.dictBookChoose().size(), 2u);
}

TEST_F(MainScreenTest, LocalBooksMoveBetweenCategoriesThatAreAddedRenamedAndDeleted) {
    agreeToTerms();
    addLocalBooks();
    auto& m = launch();
    m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
    ASSERT_TRUE(ShelfCategoryEdits::addCategory("科幻"));
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_CategoryUpdate");
    ASSERT_EQ(m.allCategories().size(), 3u);
    const int64_t cid = m.allCategories()[2].cid;

    // Edit mode, both books selected, moved through the category menu.
    m.btnEditClick();
    m.selectAllBooks();
    m.bottomMenuFourthClick();
    ASSERT_FALSE(m.mainCategoryMenu()->isHidden());
    EXPECT_TRUE(m.mainCategoryMenu()->isPrepareMoveBooks());
    ASSERT_EQ(m.mainCategoryMenu()->allCategories().size(), 2u);
    EXPECT_EQ(m.mainCategoryMenu()->allCategories()[1].cname, "科幻");
    m.mainCategoryMenu()->didSelectRow(*m.mainCategoryMenu()->table(), {0, 1});
    EXPECT_FALSE(m.isEditing());
    for (const auto& b : m.allBooks())
        EXPECT_EQ(b.cid, cid) << b.file;

    // In the list, in edit mode, a row's move takes exactly its own book, even
    // when the row's selection tap just before toggled it out of a selection
    // that held it; the move ends edit mode.
    m.btnSwitchBooksLayoutClick();
    ASSERT_NE(m.booklistController(), nullptr);
    m.btnEditClick();
    const BookRecord txt = *bookNamed("novel.txt");
    m.handleBookTapWhenEditing(tapOf(txt));
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookTapWhenEditing", tapOf(txt));
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BooklistMoveBook", tapOf(txt));
    ASSERT_FALSE(m.mainCategoryMenu()->isHidden());
    m.mainCategoryMenu()->didSelectRow(*m.mainCategoryMenu()->table(), {0, 0});
    EXPECT_EQ(bookNamed("novel.txt")->cid, -1);
    EXPECT_EQ(bookNamed("story.umd")->cid, cid);
    EXPECT_FALSE(m.isEditing());

    // Categories added, renamed and deleted through the title's category menu.
    auto named = [&](const std::string& name) -> const CategoryRecord* {
        for (const auto& c : m.allCategories())
            if (c.cname == name)
                return &c;
        return nullptr;
    };
    m.showCategoryMenu();
    settle();
    MainCategoryMenu& menu = *m.mainCategoryMenu();
    ASSERT_FALSE(menu.isPrepareMoveBooks());
    ASSERT_TRUE(menu.editingEnable());
    menu.txtAddCategory()->setText("历史");
    menu.addCategory();
    ASSERT_NE(named("历史"), nullptr);
    menu.switchEditMode();
    settle();
    MainCategoryCell* row = menu.rowView(1);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->txtName()->text(), "科幻");
    row->txtName()->setText("新科幻");
    row->textFieldShouldReturn(*row->txtName());
    ASSERT_NE(named("新科幻"), nullptr);
    EXPECT_EQ(named("新科幻")->cid, cid);
    menu.commitEditingStyle(*menu.table(), ui::TableViewCellEditingStyle::Delete, {0, 1});
    EXPECT_EQ(named("新科幻"), nullptr);
    EXPECT_NE(named("历史"), nullptr);
    EXPECT_EQ(bookNamed("story.umd")->cid, -1);
    m.closeCategoryMenu();

    // One book deleted from the local shelf: its row goes, its file stays.
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BooklistDeleteBook", tapOf(txt));
    ASSERT_NE(m.shownAlert(), nullptr);
    EXPECT_EQ(m.shownAlert()->numberOfButtons(), 2);
    m.shownAlert()->dismissWithClickedButtonIndex(1, false);
    EXPECT_EQ(bookNamed("novel.txt"), nullptr);
    EXPECT_TRUE(fs::exists(m_home / "Documents/novel.txt"));
}

TEST_F(MainScreenTest, UpdateNoticesGoToTheBarOrTheReaderAndBadgesReachTheRecords) {
    agreeToTerms();
    logInAsReader();
    auto& m = launch();
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_SyncBookcase");
    ASSERT_TRUE(until([&] { return m.allBooks().size() == 4; }));
    test::NoticeLog log({"NSNotificationCenter_ReadPageStatusMessage"});
    core::Value update(core::Value::Map{{std::to_string(Catalogue::kLunyu), core::Value("论语 更新了")},
                                        {std::to_string(Catalogue::kChuci), core::Value("楚辞 更新了")}});
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_UpdateBooks", update);
    EXPECT_EQ(log.count("NSNotificationCenter_ReadPageStatusMessage"), 0u);
    EXPECT_EQ(m.mainTopNotifyView()->arrMessage().size() + (m.mainTopNotifyView()->currentMessage() ? 1 : 0), 2u);
    // On the local shelf the notice bar is closed and stays out of it.
    m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
    EXPECT_TRUE(m.mainTopNotifyView()->arrMessage().empty());
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_UpdateBooks", update);
    EXPECT_TRUE(m.mainTopNotifyView()->arrMessage().empty());
    // A site message reaches the bar in every case.
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_NewMessageNofity",
                                                   core::Value(core::Value::Map{{"77", core::Value("新消息")}}));
    EXPECT_FALSE(m.mainTopNotifyView()->isHidden());
    m.tabBarDidSelectItem(MainViewController::kTabSiteShelf);

    // While a book is open the reader's status line gets one notice for all,
    // and bar messages go there too.
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Catalogue::kLunyu));
    core::Value chapter(core::Value::Map{{"c", core::Value(int64_t(7))},
                                         {"n", core::Value("学而")},
                                         {"v", core::Value(int64_t(0))},
                                         {"p", core::Value(int64_t(0))},
                                         {"t", core::Value(int64_t(0))},
                                         {"w", core::Value(int64_t(10))},
                                         {"vc", core::Value(int64_t(1))}});
    ASSERT_TRUE(BookDB::addChapters(core::Value::Array{chapter}, Catalogue::kLunyu));
    ASSERT_TRUE(BookDB::saveChapterWithRZBookId(Catalogue::kLunyu, 7, "学而时习之"));
    const BookRecord lunyu = *std::find_if(m.allBooks().begin(), m.allBooks().end(),
                                           [](const BookRecord& b) { return b.rzId == Catalogue::kLunyu; });
    m.handleBookTap(tapOf(lunyu));
    advance(0.7);
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_EQ(openings[0].content, u"学而\n\n学而时习之");
    settle();
    advance(0.5);
    EXPECT_TRUE(m.isReadingBook());
    log.clear();
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_UpdateBooks", update);
    ASSERT_EQ(log.count("NSNotificationCenter_ReadPageStatusMessage"), 1u);
    EXPECT_EQ(log.all()[0].payload.size(), 2u);
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BarMessage",
                                                   core::Value(core::Value::Map{{"msg", core::Value("下载完成")}}));
    EXPECT_EQ(log.count("NSNotificationCenter_ReadPageStatusMessage"), 2u);
    nav().popToRootViewControllerAnimated(false);
    settle();
    EXPECT_FALSE(m.isReadingBook());
    // A reader the store pushed on the same stack counts as well, and the books are read anew.
    const size_t shown = m.allBooks().size();
    ASSERT_EQ(BookTB::addBookWithRZBookId(424243, "新书", "", "424243.rz", "rz", "", core::Value(""), core::Value(),
                                          core::Value(), core::Value(), 0),
              0);
    nav().pushViewController(ui::ViewController::create(), false);
    settle();
    EXPECT_EQ(m.allBooks().size(), shown);
    nav().pushViewController(ui::ViewController::create<ReaderStandIn>(), false);
    settle();
    EXPECT_TRUE(m.isReadingBook());
    EXPECT_EQ(m.allBooks().size(), shown + 1);
    nav().popToRootViewControllerAnimated(false);
    settle();
    EXPECT_FALSE(m.isReadingBook());

    core::NotificationCenter::defaultCenter().post(
        "NSNotificationCenter_UpdateBooksNewImage",
        core::Value(core::Value::Map{{std::to_string(Catalogue::kChuci), core::Value(int64_t(987654))},
                                     {"424242", core::Value(int64_t(1))}}));
    // Matched on a worker, written into the shown records on the main thread.
    auto chuciBadge = [&] {
        const auto chuci = std::find_if(m.allBooks().begin(), m.allBooks().end(),
                                        [](const BookRecord& b) { return b.rzId == Catalogue::kChuci; });
        return chuci->lstChapterId;
    };
    EXPECT_TRUE(until([&] { return chuciBadge() == 987654; }));
}

TEST_F(MainScreenTest, ChapterAndPurchaseAnswersSaveOpenOrDownload) {
    agreeToTerms();
    logInAsReader();
    auto& m = launch();
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_SyncBookcase");
    ASSERT_TRUE(until([&] { return m.allBooks().size() == 4; }));
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(Catalogue::kChuci));
    core::Value chapter(core::Value::Map{{"c", core::Value(int64_t(3))},
                                         {"n", core::Value("离骚")},
                                         {"v", core::Value(int64_t(0))},
                                         {"p", core::Value(int64_t(0))},
                                         {"t", core::Value(int64_t(0))},
                                         {"w", core::Value(int64_t(0))},
                                         {"vc", core::Value(int64_t(1))}});
    ASSERT_TRUE(BookDB::addChapters(core::Value::Array{chapter}, Catalogue::kChuci));
    // A free chapter with no text is stored as two spaces, so it counts as downloaded, and opens.
    m.downChapterCallback(core::Value(core::Value::Map{{"bid", core::Value(Catalogue::kChuci)},
                                                       {"cid", core::Value(int64_t(3))},
                                                       {"vip", core::Value(false)},
                                                       {"cnt", core::Value("")}}));
    EXPECT_EQ(BookDB::chapterHasDownloadByRZBookId(Catalogue::kChuci, 3), 1);
    advance(0.7);
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_EQ(openings[0].chapterId, 3);
    nav().popToRootViewControllerAnimated(false);
    settle();
    m.downChapterCallback(core::Value());
    EXPECT_EQ(hudText(), "章节下载失败");

    // A purchase answer of three parts does nothing; the book alone starts its whole download.
    m.buyVipChapterCallback("1004,3,9");
    EXPECT_FALSE(m_delegate->downManager()->isBookDownloadingNow(Catalogue::kChuci));
    m.buyVipChapterCallback(std::to_string(Catalogue::kChuci));
    EXPECT_EQ(hudText(), "已开始后台下载");
    EXPECT_TRUE(m_delegate->downManager()->isBookDownloadingNow(Catalogue::kChuci));
    m_delegate->downManager()->cancelAllDownload();
    ASSERT_TRUE(until([&] { return !m_delegate->downManager()->isBookDownloadingNow(Catalogue::kChuci); }));
}

TEST_F(MainScreenTest, TheReaderAndThePurchaseScreenArePushedByTheirOwnSteps) {
    agreeToTerms();
    auto& m = launch();
    m.showPageViewController(Catalogue::kChuci, "离骚", "帝高阳之苗裔兮", 3);
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_EQ(openings[0].bookFormat, 1);
    EXPECT_EQ(openings[0].rzBookId, Catalogue::kChuci);
    EXPECT_EQ(openings[0].contentTitle, "离骚");
    EXPECT_EQ(openings[0].content, u"离骚\n\n帝高阳之苗裔兮");
    EXPECT_EQ(openings[0].chapterId, 3);
    nav().popToRootViewControllerAnimated(false);
    settle();

    std::vector<std::pair<int64_t, int64_t>> bought;
    std::function<void(const std::string&)> answer;
    ShelfScreens::purchase() = [&](int64_t book, int64_t chapter, std::function<void(const std::string&)> cb) {
        bought.emplace_back(book, chapter);
        answer = std::move(cb);
        return ui::ViewController::create();
    };
    m.showBuyChapterControllerWithRZBookId(Catalogue::kChuci, 5);
    advance(0.5);
    EXPECT_TRUE(bought.empty()); // the purchase screen comes after 0.7 s
    advance(0.3);
    ASSERT_EQ(bought.size(), 1u);
    m.showBuyChapterController(Catalogue::kLunyu, 8);
    ASSERT_EQ(bought.size(), 2u);
    EXPECT_EQ(bought[1], std::make_pair(Catalogue::kLunyu, int64_t(8)));
    EXPECT_EQ(nav().viewControllers().size(), 3u);
    answer("1,2,3"); // three parts: the answer reaches the main screen, which does nothing with it
    EXPECT_EQ(nav().viewControllers().size(), 3u);
}

// A reader hides the bars while it is shown, as the real one does.
class FullScreenReader : public ReaderStandIn {
public:
    void viewWillAppear(bool) override {
        if (auto* nav = navigationController())
            nav->setNavigationBarHidden(true, false);
        ui::Application::shared().setStatusBarHidden(true);
    }
    void viewWillDisappear(bool) override { ui::Application::shared().setStatusBarHidden(false); }
};

// Back on the shelf from the reader or the store, in either layout, the
// search header still waits hidden above the books at offset 44; on a phone
// and on a tablet (the device's screen and kind set before the launch).
TEST_F(MainScreenTest, BackFromTheReaderOrTheStoreTheSearchHeaderStillWaitsHidden) {
    for (const test::Idiom& idiom : test::kIdioms) {
        SCOPED_TRACE(idiom.name);
        if (idiom.tablet()) {
            // A fresh launch on the tablet's screen.
            m_delegate->navController()->dismissModalViewControllerAnimated(false);
            m_delegate.reset();
            ui::Application::shared().setDelegate(nullptr);
            ShelfScreens::reset();
            settle();
            device::Device::current().setScreen({idiom.w, idiom.h, 1});
            setDeviceKindProvider([] { return DeviceKind::Tablet; });
        }
        if (!idiom.tablet()) {
            agreeToTerms();
            addLocalBooks();
        }
        auto& m = launch();
        ASSERT_EQ(m.view()->bounds().width(), idiom.w);
        m.tabBarDidSelectItem(MainViewController::kTabLocalShelf);
        auto shownTable = [&]() -> ui::TableView* {
            if (m.bookcaseController())
                return m.bookcaseController()->page(1)->tableView();
            return m.booklistController()->booklistTable()->tableView();
        };
        auto visit = [&](bool reader) {
            if (reader) {
                nav().pushViewController(ui::ViewController::create<FullScreenReader>(), true);
            } else {
                m.tabBarDidSelectItem(MainViewController::kTabStore);
                // The store put a book on the shelf meanwhile.
                core::NotificationCenter::defaultCenter().post("NSNotificationCenter_CategoryAndBookReload");
            }
            settle();
            advance(1);
            nav().popToRootViewControllerAnimated(true);
            settle();
            advance(1);
        };
        for (int layout : {1, 2}) {
            if (m.booksLayoutStyle() != layout)
                m.btnSwitchBooksLayoutClick();
            for (bool reader : {true, false}) {
                ASSERT_NE(shownTable(), nullptr);
                EXPECT_EQ(shownTable()->contentOffset().y, SearchHeaderView::kHeight) << layout << reader;
                visit(reader);
                EXPECT_EQ(shownTable()->contentOffset().y, SearchHeaderView::kHeight)
                    << "layout " << layout << (reader ? " after the reader" : " after the store");
            }
        }
        // Pulled down, the header stays in view across a reload.
        shownTable()->setContentOffset({0, 0}, false);
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookReload");
        EXPECT_EQ(shownTable()->contentOffset().y, 0);
    }
}

} // namespace
} // namespace pw
