#include "StoreScreenTest.h"

#include "endpoints/AccountData.h"
#include "foundation/config/DeviceKind.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/NotificationCenter.h"
#include "site/GetBookCaseBooks.h"
#include "site/SiteAnswer.h"
#include "site/ZELLoginViewController.h"
#include "store/StoreBookDetailsController.h"
#include "store/StoreCategoryBookController.h"
#include "store/StoreCloseViewController.h"
#include "store/StoreController.h"
#include "store/StoreHomeViewController.h"
#include "store/StoreSearchFilterController.h"
#include "store/StoreSearchResultController.h"
#include "store/StoreSearchViewController.h"
#include "store/StoreUserProfileViewController.h"

#include "platform/ui/Application.h"
#include "platform/ui/Layer.h"

#include <cmath>

namespace pw::test {
namespace {

using standin::Book;
using standin::Catalogue;
using standin::Host;

class StoreFrameTest : public StoreScreenTest {
protected:
    // The bookshelf with the store pushed over it, as the main screen does.
    std::shared_ptr<StoreController> openStore() {
        auto shelf = ui::ViewController::create();
        m_main = ui::ViewController::create<ui::NavigationController>(shelf);
        m_main->setNavigationBarHidden(true, false);
        m_window->setRootViewController(m_main);
        StoreEnvironment::setMainNavigation(m_main);
        auto store = StoreController::create();
        store->genTab();
        m_main->pushViewController(store, false);
        settle();
        return store;
    }
    void TearDown() override {
        if (m_main)
            m_main->setViewControllers({}, false);
        m_window->setRootViewController(nullptr);
        settle();
        m_main.reset();
        StoreScreenTest::TearDown();
    }
    std::shared_ptr<ui::NavigationController> m_main;
};

ui::NavigationController& tab(StoreController& store, size_t i) {
    return static_cast<ui::NavigationController&>(*store.viewControllers()[i]);
}

TEST_F(StoreFrameTest, TabsShareTheOverlayAndEveryWayOutReturnsToTheShelf) {
    auto store = openStore();
    ASSERT_EQ(store->viewControllers().size(), 5u);
    std::vector<std::string> titles;
    for (const auto& item : store->tabBarItems())
        titles.push_back(item.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"强力推荐", "分类/排行", "个人中心", "搜索", "关闭书库"}));
    EXPECT_EQ(store->home()->pProgressHUD(), store->pProgressHUD());
    EXPECT_EQ(store->home()->navigationItem().leftBarButtonItem->title, "返回书架");
    EXPECT_EQ(store->close()->navigationItem().leftBarButtonItem, nullptr);
    keepScreen("store_home_tab");

    // A pushed screen gets the same overlay; the close tab leaves at once.
    auto details = StoreBookDetailsController::create();
    tab(*store, 0).pushViewController(details, false);
    settle();
    EXPECT_EQ(details->pProgressHUD(), store->pProgressHUD());
    store->tabTapped(4);
    settle();
    EXPECT_EQ(m_main->viewControllers().size(), 1u);

    // The notification leaves from deep inside a tab in one step.
    auto again = openStore();
    store.reset();
    again->tabTapped(1);
    settle();
    tab(*again, 1).pushViewController(StoreCategoryBookController::create(), false);
    settle();
    core::NotificationCenter::defaultCenter().post(StoreController::kBackToBookcase);
    settle();
    EXPECT_EQ(m_main->viewControllers().size(), 1u);
}

TEST_F(StoreFrameTest, TheProfileTabAsksForALoginAndItsLeftButtonGoesHome) {
    auto store = openStore();
    store->tabTapped(2);
    ASSERT_TRUE(waitFor([&] { return dynamic_cast<ZELLoginViewController*>(tab(*store, 2).topViewController()); }));
    auto* login = tab(*store, 2).topViewController();
    ASSERT_EQ(login->navigationItem().leftBarButtonItem->title, "返回书库");
    login->navigationItem().leftBarButtonItem->action();
    settle();
    pass(0.35); // the home tab 0.3 s after the pop
    EXPECT_EQ(tab(*store, 2).viewControllers().size(), 1u);
    EXPECT_EQ(store->selectedIndex(), 0u);
    // A pushed screen on the profile tab: choosing the tab asks nothing.
    tab(*store, 2).pushViewController(StoreBookDetailsController::create(), false);
    settle();
    m_site->clearRequests();
    store->tabTapped(2);
    pass(0.1);
    EXPECT_EQ(m_site->count(Host::Store, "/BookStoreAPI/GetUserInfo.ashx"), 0u);
}

TEST_F(StoreFrameTest, TheProfileShowsTheUserAndTheFourShelvesAndSyncsThem) {
    logInAsReader();
    auto store = openStore();
    store->tabTapped(2);
    auto* profile = store->profile();
    ASSERT_TRUE(waitFor([&] { return profile->shelf(0) && profile->shelf(0)->size() == 1; }));
    // The nickname and balance the rest of the site shows too.
    EXPECT_EQ(profile->lblNick().text(), "读者1000001");
    EXPECT_EQ(profile->lblRZB().text(), "墨川币：" + std::to_string(standin::AccountData::kStartingBalance));
    EXPECT_EQ((*profile->shelf(0))[0]->bookId, Catalogue::kSishu);
    EXPECT_EQ((*profile->shelf(0))[0]->imageStatus, -1);
    // Shelves without rows show the one empty row.
    EXPECT_EQ(profile->numberOfRows(*profile->table(3), 0), 1);
    profile->selectedAtIndex(1);
    ASSERT_TRUE(waitFor([&] { return profile->shelf(1) && profile->shelf(1)->size() == 2; }));
    profile->selectedAtIndex(2);
    ASSERT_TRUE(waitFor([&] { return profile->shelf(2) && !profile->shelf(2)->empty(); }));
    EXPECT_EQ(profile->shelf(2)->size(), 1u);
    // The read shelf is empty on the site too.
    profile->selectedAtIndex(3);
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Store, "/BookStoreAPI/GetBookCase.ashx") == 4; }));
    pass(0.2);
    ASSERT_TRUE(profile->shelf(3));
    EXPECT_TRUE(profile->shelf(3)->empty());
    // Each shelf asked once; going back to one with rows asks nothing.
    profile->selectedAtIndex(1);
    pass(0.1);
    EXPECT_EQ(params(Host::Store, "/BookStoreAPI/GetBookCase.ashx", "t"),
              (std::vector<std::string>{"0", "1", "2", "3"}));
    pass(0.5);
    keepScreen("profile");

    // Moving a list up folds the panel to the shelf tabs; pulling it down
    // past 30 points opens it; on a tablet the panel stays.
    auto foldedAt = [&](double y) {
        profile->table(1)->setContentOffset({0, y}, false);
        settle();
        return profile->topView().frame().y() == -110 && profile->bottomScroll()->frame().y() == 31;
    };
    EXPECT_TRUE(foldedAt(2));
    EXPECT_TRUE(foldedAt(-29));
    EXPECT_FALSE(foldedAt(-31));
    EXPECT_EQ(profile->bottomScroll()->frame().y(), 141);
    setDeviceKindProvider([] { return DeviceKind::Tablet; });
    EXPECT_FALSE(foldedAt(40));
    setDeviceKindProvider(nullptr);
    profile->table(1)->setContentOffset({0, 0}, false);
    // Both ways ease out: open in 0.2 s, fold in 0.45 s.
    for (bool open : {false, true}) {
        profile->openTop(open);
        bool seen = false;
        for (const auto& key : profile->topView().layer()->animationKeys()) {
            auto a = profile->topView().layer()->animationForKey(key);
            seen = true;
            EXPECT_EQ(a->timing, ui::TimingFunction::EaseOut) << key;
            EXPECT_DOUBLE_EQ(a->duration, open ? 0.2 : 0.45) << key;
        }
        EXPECT_TRUE(seen) << open;
        settle();
    }

    // "充值" opens the mobile site's recharge page in the desktop's browser.
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    profile->rechargeAccount();
    ui::Application::shared().setURLOpener(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{m_site->baseUrl(Host::Mobile) + "/Profile/Charge.aspx"});

    // A shelf answered -1: the tip, and the pull does not stay loading.
    m_site->script(Host::Store, "/BookStoreAPI/GetBookCase.ashx", standin::Reply::json(R"({"Result":-1,"Data":[]})"));
    profile->refreshTableHeaderDidTriggerRefresh(*profile->refreshHeader(1));
    EXPECT_TRUE(profile->refreshHeader(1)->isLoadingNow());
    ASSERT_TRUE(
        waitFor([&] { return hudText() == "未能登录成功" || profile->pProgressHUD()->labelText() == "未能登录成功"; }));
    EXPECT_FALSE(profile->refreshHeader(1)->isLoadingNow());
    EXPECT_EQ(profile->shelf(1)->size(), 2u);

    // The sync button stores the four shelves as local categories.
    profile->syncBookcase();
    ASSERT_TRUE(waitFor([&] { return profile->pProgressHUD()->labelText() == "保存书架信息完成"; }));
    std::vector<std::string> categories;
    for (const auto& c : CategoryTB::getAllRZCategory().value_or(core::Value::Array{}))
        categories.push_back(c["cname"].asString().value_or(""));
    for (int t = 0; t < 4; ++t)
        EXPECT_NE(std::find(categories.begin(), categories.end(), GetBookCaseBooks::categoryName(t)), categories.end())
            << t;
}

TEST_F(StoreFrameTest, HotWordPagesPointsAndOverlaps) {
    std::vector<std::string> words;
    for (int i = 0; i < 25; ++i)
        words.push_back("w" + std::to_string(i));
    // 25 words: pages 0 and 1 full, page 2 half, pages 3 and 4 empty, then 0 again.
    int fly = 0;
    std::vector<std::array<std::string, 10>> pages;
    for (int i = 0; i < 6; ++i) {
        auto [titles, next] = StoreSearchViewController::pageTitles(words, fly);
        pages.push_back(titles);
        fly = next;
    }
    EXPECT_EQ(pages[0][9], "w9");
    EXPECT_EQ(pages[1][0], "w10");
    EXPECT_EQ(pages[2][4], "w24");
    EXPECT_EQ(pages[2][5], "");
    EXPECT_EQ(pages[3][0], "");
    EXPECT_EQ(pages[5], pages[0]);

    const gfx::Point c{160, 100};
    for (auto [p, out] : std::vector<std::pair<gfx::Point, gfx::Point>>{
             {{160, 100}, {-320, -150}}, {{161, 101}, {322, 202}}, {{35, 180}, {-195, 360}}})
        EXPECT_EQ(StoreSearchViewController::outPoint(p, c), out);

    const auto points = StoreSearchViewController::inPoints({35, 56, 250, 207}, {0, 9, 90, 99, 55, 5, 50, 1, 2, 3});
    EXPECT_EQ(points[1], gfx::Point(35 + 9 * 25, 56));
    EXPECT_EQ(points[2], gfx::Point(35, 56 + 9 * 20));

    // Two words on one cell hide each other; a word inside another is hidden
    // even when the other one is hidden too.
    std::array<gfx::Rect, 10> frames;
    for (int i = 0; i < 10; ++i)
        frames[static_cast<size_t>(i)] = {i * 100.0, 0, 50, 20};
    frames[1] = frames[0];
    frames[2] = {frames[0].x() + 10, 5, 50, 20};
    const auto hidden = StoreSearchViewController::hiddenByOverlap(frames);
    EXPECT_TRUE(hidden[0] && hidden[1] && hidden[2]);
    EXPECT_FALSE(hidden[3]);
}

TEST_F(StoreFrameTest, TheSearchScreensBarDrawsAndTapsAndColours) {
    auto made = StoreSearchViewController::create();
    int next = 300;
    made->setRandom([&] { return next++; });
    auto search = show(made);
    EXPECT_FALSE(search->searchBar().backgroundImage().isNull());
    EXPECT_EQ(search->searchBar().backgroundColor(), gfx::Color::clear());
    ASSERT_TRUE(waitFor([&] { return !search->words().empty(); }));
    // Ten draws place the words; then per word one sizes it and three colour it, each mod 255.
    for (int i = 0; i < 3; ++i) {
        const int first = 300 + 10 + i * 4;
        EXPECT_EQ(search->arrInBtns()[static_cast<size_t>(i)]->titleColorForState(ui::ControlStateNormal),
                  gfx::Color::fromRGB255((first + 1) % 255, (first + 2) % 255, (first + 3) % 255))
            << i;
    }
    // The tap that closes the keyboard takes touches on the screen's view and the stage only.
    auto& tap = *search->view()->gestureRecognizers().front();
    const struct {
        ui::View* hit;
        bool taken;
    } touches[] = {
        {search->view().get(), true},
        {&search->animateView(), true},
        {&search->scroll(), false},
        {search->arrInBtns()[0].get(), false},
        {&search->searchBar(), false},
    };
    for (const auto& t : touches) {
        ui::Touch touch;
        touch.view = t.hit->weak_from_this();
        EXPECT_EQ(tap.shouldReceiveTouch(tap, touch), t.taken);
    }
    // The word places belong to every search screen and outlive this one.
    const auto in = StoreSearchViewController::inPointTable();
    const auto out = StoreSearchViewController::outPointTable();
    EXPECT_NE(in, (std::array<gfx::Point, StoreSearchViewController::kWordsPerPage>{}));
    m_nav->setViewControllers({}, false);
    settle();
    search.reset();
    made.reset();
    EXPECT_EQ(StoreSearchViewController::inPointTable(), in);
    EXPECT_EQ(StoreSearchViewController::outPointTable(), out);
}

TEST_F(StoreFrameTest, WordsFlyInAndOutAndATappedWordFliesIntoTheBarAndSearches) {
    auto search = show(StoreSearchViewController::create());
    ASSERT_TRUE(waitFor([&] { return !search->words().empty(); }));
    ui::Button* word = nullptr;
    size_t index = 0;
    for (; index < search->arrInBtns().size(); ++index)
        if (auto& b = search->arrInBtns()[index]; !b->isHidden() && !b->currentTitle().empty()) {
            word = b.get();
            break;
        }
    ASSERT_NE(word, nullptr);
    // Halfway in: grown from a tenth and still faint, on its way from the middle.
    const gfx::Point stand = word->center();
    advance(0.3);
    auto in = word->layer()->presentation();
    EXPECT_NEAR(in.opacity, 0.55, 0.1);
    EXPECT_NEAR(in.transform.a, 0.55, 0.1);
    EXPECT_NE(in.position, stand);
    advance(0.4);
    in = word->layer()->presentation();
    EXPECT_DOUBLE_EQ(in.opacity, 1);
    EXPECT_EQ(in.position, stand);

    // The next page: the shown words swell and fade on their way out.
    const std::string title = word->currentTitle();
    search->showSearchTopsAnimate();
    auto& out = *search->arrOutBtns()[index];
    EXPECT_EQ(out.currentTitle(), title);
    EXPECT_FALSE(out.isHidden());
    advance(0.75);
    const auto leaving = out.layer()->presentation();
    EXPECT_NEAR(leaving.transform.a, 1.25, 0.1);
    EXPECT_NEAR(leaving.opacity, 0.55, 0.1);
    advance(1);

    // Back to the first page, then a word tapped: it curves into the bar,
    // fills it in, searches, and stands where it was again.
    for (int i = 0; i < StoreSearchViewController::kPages - 1; ++i)
        search->showSearchTopsAnimate();
    advance(1.6);
    word = search->arrInBtns()[index].get();
    ASSERT_EQ(word->currentTitle(), title);
    const gfx::Rect frame = word->frame();
    search->keywordClick(*word);
    EXPECT_TRUE(search->isKeywordFlyingToSch());
    const gfx::Point target{33 + frame.size.width / 2, search->searchBar().frame().y() + 21};
    const auto path = StoreSearchViewController::curvePath({0, 0}, target);
    EXPECT_EQ(path.front(), gfx::Point(0, 0));
    EXPECT_EQ(path.back(), target);
    advance(0.2);
    // Halfway along the curve, which bends off the straight line towards (end x, start y).
    const gfx::Point mid = word->layer()->presentation().position;
    double nearest = 1e9;
    for (const auto& p : path)
        nearest = std::min(nearest, std::hypot(p.x - mid.x, p.y - mid.y));
    EXPECT_LT(nearest, 4);
    const double offChord = std::abs(target.y * mid.x - target.x * mid.y) / std::hypot(target.x, target.y);
    EXPECT_GT(offChord, 3);
    advance(0.3);
    EXPECT_EQ(search->searchBar().text(), title);
    EXPECT_EQ(top(), search.get());
    // Another tap, the filter and more words wait while the word flies.
    search->keywordClick(*search->arrInBtns()[(index + 1) % 10]);
    search->goToFilterView();
    search->showSearchTopsAnimate();
    advance(0.4);
    auto* results = dynamic_cast<StoreSearchResultController*>(top());
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->keyword, title);
    EXPECT_EQ(m_nav->viewControllers().size(), 2u);
    advance(0.8);
    EXPECT_FALSE(search->isKeywordFlyingToSch());
    EXPECT_EQ(word->frame(), frame);
    EXPECT_EQ(word->alpha(), 1);
}

TEST_F(StoreFrameTest, SearchByWordAndByFilterFindCatalogueBooks) {
    auto search = show(StoreSearchViewController::create());
    ASSERT_TRUE(waitFor([&] { return !search->words().empty(); }));
    EXPECT_EQ(search->flyCount(), 1);
    EXPECT_EQ(search->arrInBtns()[0]->currentTitle(), search->words()[0]);

    const Book& lunyu = book(Catalogue::kLunyu);
    search->searchBar().setText(lunyu.name);
    search->searchBarSearchButtonClicked(search->searchBar());
    settle();
    auto* results = dynamic_cast<StoreSearchResultController*>(top());
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->title(), "搜索：" + lunyu.name);
    ASSERT_TRUE(waitFor([&] { return results->currPage() == 1; }));
    ASSERT_EQ(results->arrBookData().size(), 1u);
    EXPECT_EQ(results->arrBookData()[0]->bookName, lunyu.name); // <b> taken out
    EXPECT_EQ(m_site->requests(Host::Store, "/api/SearchBooks.ashx").at(0).target,
              "/api/SearchBooks.ashx?key=%E8%AE%BA%E8%AF%AD&p=1");
    pass(0.3);
    keepScreen("search_results");
    // The site's empty array counts as a page: the next pull asks for page 2.
    results->refreshTableFooterDidTriggerRefresh(*results->refreshFooter());
    ASSERT_TRUE(waitFor([&] { return results->currPage() == 2; }));
    m_nav->popViewControllerAnimated(false);
    settle();

    search->goToFilterView();
    settle();
    auto* filter = dynamic_cast<StoreSearchFilterController*>(top());
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->currentQuery(),
              "channel=-1&size=-1&action=-1&order=6&update=-1&p=all&vipBoutiqueSignstatus=-1a-1a-1");
    filter->pickers()[5]->selectItemAtIndex(27);
    settle();
    EXPECT_EQ(filter->currentQuery(),
              "channel=-1&size=-1&action=-1&order=6&update=-1&p=0&vipBoutiqueSignstatus=-1a-1a-1");
    filter->beginSearch();
    settle();
    auto* listed = dynamic_cast<StoreSearchResultController*>(top());
    ASSERT_NE(listed, nullptr);
    ASSERT_TRUE(waitFor([&] { return listed->currPage() == 1; }));
    EXPECT_EQ(listed->arrBookData().size(), 6u);
    EXPECT_EQ(m_site->requests(Host::Store, "/BookStoreAPI/GetBookStore.ashx").at(0).target,
              "/BookStoreAPI/GetBookStore.ashx?channel=-1&size=-1&action=-1&order=6&update=-1&p=0&"
              "vipBoutiqueSignstatus=-1a-1a-1&pageindex=1");
}

TEST_F(StoreFrameTest, KeywordRowsReadTheSitesMarksAndTimes) {
    core::DateFormatter format("yyyy-MM-dd HH:mm", "en_US", "GMT");
    auto rows = SiteAnswer::parseCleaned(
        R"([{"BookName":"<b>论</b>语","AuthorName":"<b>孔</b>子","NewChapterName":"<null>","NewChapterTime":"/Date(86401500)/","BookId":7,"ImageStatus":0},)"
        R"({"BookName":"诗经","AuthorName":"佚名","NewChapterName":null,"NewChapterTime":"/Date(0)/","BookId":8,"ImageStatus":1},)"
        R"({"BookName":"楚辞","AuthorName":"屈原","NewChapterName":"<b>离骚</b>","NewChapterTime":"/Date(1500)/","BookId":9},)"
        R"({"BookName":"无时","BookId":10},{"BookName":"乱时","NewChapterTime":"昨天","BookId":11}])");
    ASSERT_TRUE(rows);
    const auto got = StoreSearchResultController::keywordRows(*rows, format);
    ASSERT_EQ(got.size(), 5u);
    for (size_t i : {3u, 4u}) // a time missing or unreadable reads as the start of 1970
        EXPECT_EQ(got[i]->chapterUpdateTime, "更新时间：1970-01-01 00:00") << i;
    EXPECT_EQ(got[0]->bookName, "论语");
    EXPECT_EQ(got[0]->authorName, "小说作者：孔子");
    EXPECT_EQ(got[0]->chapterName, "最新章节：");
    EXPECT_EQ(got[0]->chapterUpdateTime, "更新时间：1970-01-02 00:00");
    EXPECT_EQ(got[1]->chapterName, "最新章节：");
    EXPECT_EQ(got[1]->chapterUpdateTime, "更新时间：1970-01-01 00:00"); // keyword rows always show a time
    EXPECT_EQ(got[2]->chapterName, "最新章节：离骚");
    EXPECT_EQ(got[2]->imageStatus, -1);
    EXPECT_EQ(StoreSearchResultController::keywordUrl("a b&c", 2),
              m_site->baseUrl(Host::Store) + "/api/SearchBooks.ashx?key=a%20b%26c&p=2");
}

TEST_F(StoreFrameTest, PictureModeSwitchesEveryScreenAndSurvivesARestart) {
    auto books = StoreCategoryBookController::create();
    books->setChannelId(2);
    show(books);
    auto home = StoreHomeViewController::create();
    push(home);
    ASSERT_EQ(home->navigationItem().rightBarButtonItem->title, "无图版");
    home->navigationItem().rightBarButtonItem->action();
    EXPECT_TRUE(home->isNoImageMode());
    EXPECT_TRUE(books->isNoImageMode());
    EXPECT_EQ(books->navigationItem().rightBarButtonItem->title, "有图版");
    EXPECT_EQ(SettingTB::readSettingWithKey("showPic"), "1");
    // What the bar shows, on the screen on top and on the one below once back to it.
    auto shows = [&](const std::string& title) {
        for (const auto& v : m_nav->navigationBar().subviews())
            if (auto* b = dynamic_cast<ui::Button*>(v.get()); b && b->currentTitle() == title)
                return true;
        return false;
    };
    settle();
    EXPECT_TRUE(shows("有图版"));
    EXPECT_FALSE(shows("无图版"));
    m_nav->popViewControllerAnimated(false);
    settle();
    EXPECT_TRUE(shows("有图版"));

    // A new screen (as after a restart) starts without pictures and asks for no cover.
    m_nav->setViewControllers({}, false);
    settle();
    m_site->clearRequests();
    auto fresh = StoreCategoryBookController::create();
    fresh->setChannelId(2);
    show(fresh);
    EXPECT_TRUE(fresh->isNoImageMode());
    ASSERT_TRUE(waitFor([&] { return fresh->arrBookData().size() == 2; }));
    pass(0.3);
    // (The home screen's icons may still be on their way; covers are this list's.)
    for (const auto& r : m_site->requests(Host::Image))
        EXPECT_NE(r.path.rfind("/books/", 0), 0u) << r.target;
    auto* cell = dynamic_cast<BookInfoTableCell*>(fresh->table()->cellForRow({0, 0}));
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->imgCover().isHidden());
    EXPECT_EQ(cell->lblBookName().frame().x(), 18);
    // Where a cover would stand the row's own grey shows.
    const gfx::Pixel p = keepScreen("no_pictures").pixelAt(40, 64 + 60);
    EXPECT_NEAR(p.r, 233, 6);
    EXPECT_NEAR(p.g, 234, 6);
    EXPECT_NEAR(p.b, 235, 6);
}

TEST_F(StoreFrameTest, TheBalanceShowsAsTheSiteWroteIt) {
    for (const char* balance : {"12.5", "\"12.50\"", "0"}) {
        SCOPED_TRACE(balance);
        logInAsReader();
        m_site->script(Host::Store, "/BookStoreAPI/GetUserInfo.ashx",
                       standin::Reply::json(std::string(R"({"Result":0,"Data":{"NickName":"reader","Balance":)") +
                                            balance + R"(,"HeadImage":""}})"));
        auto store = openStore();
        store->tabTapped(2);
        auto* profile = store->profile();
        const std::string want = std::string("墨川币：") + (balance[0] == '"' ? "12.50" : balance);
        ASSERT_TRUE(waitFor([&] { return profile && profile->lblRZB().text() == want; }))
            << profile->lblRZB().text();
    }
}

} // namespace
} // namespace pw::test
