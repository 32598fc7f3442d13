// The grid shelf as views: tiles, pages and the paging controller.
#include "ShelfViewTestSupport.h"

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SearchBar.h"
#include "shelf/BookcaseBookUnit.h"
#include "shelf/BookcaseController.h"
#include "shelf/BookcaseTable.h"
#include "shelf/RZPageControl.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/ShelfCoverCache.h"
#include "shelf/ShelfNotifications.h"

#include <chrono>
#include <map>

namespace pw {
namespace {

using test::ShelfViewTest;

TEST(BookTileGeometry, SlotsByDeviceAndRowWidth) {
    struct Case {
        bool tablet;
        int n, i;
        gfx::Rect want;
    };
    const std::vector<Case> cases = {
        {false, 3, 0, {12, 5, 96, 96}},   {false, 3, 1, {112, 5, 96, 96}},  {false, 3, 2, {212, 5, 96, 96}},
        {false, 4, 0, {28, 5, 96, 96}},   {false, 4, 1, {138, 5, 96, 96}},  {false, 4, 3, {358, 5, 96, 96}},
        {true, 4, 0, {57, 5, 165, 165}},  {true, 4, 3, {567, 5, 165, 165}}, {true, 6, 0, {42, 5, 165, 165}},
        {true, 6, 5, {842, 5, 165, 165}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BookcaseBookUnit::tileFrame(c.n, c.i, c.tablet), c.want) << c.tablet << " " << c.n << " " << c.i;
}

class BookTile : public ShelfViewTest {};

TEST_F(BookTile, ProgressBarShowsOnlyWhileDownloading) {
    auto tile = BookcaseBookUnit::create(3, 0);
    const std::vector<std::pair<float, bool>> cases = {{0.5f, true},  {0.0f, true},   {0.01f, true},
                                                       {1.0f, false}, {-1.0f, false}, {1.5f, false}};
    for (auto [p, shown] : cases) {
        tile->setupProgress(p);
        EXPECT_EQ(!tile->progress()->isHidden(), shown) << p;
        if (shown)
            EXPECT_FLOAT_EQ(tile->progress()->progress(), p);
    }
}

TEST_F(BookTile, TapOpensOrTogglesAndAlwaysClosesTheKeyboard) {
    auto tile = BookcaseBookUnit::create(3, 0);
    tile->setBookId(7);
    tile->setRzBookId(-999);
    tile->setFile("a.txt");
    tile->bookTap();
    ASSERT_EQ(postedNames(), (std::vector<std::string>{shelfnote::BookTap, shelfnote::HideKeyboard}));
    EXPECT_EQ(BookSelectionInfo::fromValue(posted[0].payload).rzid, -999);
    EXPECT_EQ(BookSelectionInfo::fromValue(posted[0].payload).bid, 7);

    posted.clear();
    tile->setIsEdit(true);
    tile->bookTap();
    EXPECT_TRUE(tile->selected());
    EXPECT_FALSE(tile->imgChoose()->isHidden());
    EXPECT_EQ(tile->chooseImageName(), "defaultcover_selected.png");
    EXPECT_NEAR(tile->imgChoose()->layer()->presentation().opacity, 0.6, 0.05); // fades in from 0.6
    EXPECT_EQ(postedNames(), (std::vector<std::string>{shelfnote::BookTapWhenEditing, shelfnote::HideKeyboard}));
    tile->bookTap();
    EXPECT_FALSE(tile->selected());
    EXPECT_EQ(tile->chooseImageName(), "defaultcover_unselected.png");
}

TEST_F(BookTile, CoversAreDecodedOnceAndReadAgainWhenRewritten) {
    ShelfCoverCache::clear();
    writeCover(31, {200, 20, 20, 255});
    const std::string path = AppPaths::coverFile(31).string();
    gfx::Image first = ShelfCoverCache::coverAt(path);
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(first.pixelAt(10, 10).r, 150);
    EXPECT_EQ(ShelfCoverCache::coverAt(path).surface(), first.surface());
    EXPECT_EQ(ShelfCoverCache::size(), 1u);

    // A later download writes the cover anew: the shelf shows the new one.
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::seconds(5));
    writeCover(31, {20, 20, 200, 255});
    EXPECT_GT(ShelfCoverCache::coverAt(path).pixelAt(10, 10).b, 150);
    EXPECT_EQ(ShelfCoverCache::size(), 1u);

    EXPECT_TRUE(ShelfCoverCache::coverAt(AppPaths::coverFile(32).string()).isNull());
    EXPECT_TRUE(ShelfCoverCache::coverAt("").isNull());
    ShelfCoverCache::clear();
}

class GridPage : public ShelfViewTest {
protected:
    std::shared_ptr<BookcaseTable> makePage(ShelfBooks books, bool searchPage, bool firstPage, int64_t cid,
                                            gfx::Rect frame = {0, 0, 320, 400}) {
        auto page = BookcaseTable::create();
        page->setFrame(frame);
        page->setAllBooks(std::move(books));
        page->setIsSearchPage(searchPage);
        page->setIsRecentReadPage(firstPage);
        page->setCategoryId(cid);
        m_window->addSubview(page);
        page->archiveCategoryBooks();
        page->setup();
        page->layoutIfNeeded();
        page->tableView() ? page->tableView()->layoutIfNeeded() : void();
        return page;
    }
    static std::vector<int64_t> ids(const std::vector<const BookRecord*>& books) {
        std::vector<int64_t> out;
        for (auto* b : books)
            out.push_back(b->bid);
        return out;
    }
    void search(BookcaseTable& page, const std::string& text) {
        ui::SearchBar& bar = *page.searchView()->schBar();
        bar.setText(text);
        page.searchBarSearchButtonClicked(bar);
    }
};

TEST_F(GridPage, ChoosesItsBooksByShelfAndPage) {
    auto books = std::make_shared<std::vector<BookRecord>>(
        std::vector<BookRecord>{book(1, 11, 5, "Alpha", 100), book(2, 12, 6, "Beta", -1), book(3, 13, 5, "Gamma", -1)});
    struct Case {
        int shelf;
        bool searchPage, firstPage;
        int64_t cid;
        std::vector<int64_t> want;
    };
    const std::vector<Case> cases = {
        {1, false, true, -1, {1}},       // the site shelf's first page: books read before
        {2, false, true, -1, {1, 2, 3}}, // the local shelf's: every book
        {1, false, false, 5, {1, 3}},    // a category page
        {1, true, false, -2, {1, 2, 3}}, // the search page holds every book, shows none
    };
    for (const Case& c : cases) {
        bookcaseType = c.shelf;
        auto page = makePage(books, c.searchPage, c.firstPage, c.cid);
        EXPECT_EQ(ids(page->categoryBooks()), c.want) << c.shelf << " " << c.cid;
        if (c.searchPage)
            EXPECT_EQ(page->tableView()->numberOfRows(0), 0);
        page->removeFromSuperview();
    }
}

TEST_F(GridPage, RowsFollowTheOrientation) {
    std::vector<BookRecord> seven;
    for (int i = 1; i <= 7; ++i)
        seven.push_back(book(i, 100 + i, 5, "B" + std::to_string(i)));
    auto books = std::make_shared<std::vector<BookRecord>>(seven);
    struct Case {
        gfx::Rect frame;
        int perRow;
        std::vector<int> tilesPerRow;
    };
    const std::vector<Case> cases = {{{0, 0, 320, 400}, 3, {3, 3, 1}}, {{0, 0, 480, 260}, 4, {4, 3}}};
    for (const Case& c : cases) {
        auto page = makePage(books, false, false, 5, c.frame);
        page->tableView()->setContentOffset({0, 0});
        page->tableView()->layoutIfNeeded();
        EXPECT_EQ(page->lineBookNum(), c.perRow);
        ASSERT_EQ(page->tableView()->numberOfRows(0), static_cast<int64_t>(c.tilesPerRow.size()));
        for (size_t r = 0; r < c.tilesPerRow.size(); ++r) {
            auto* cell = page->tableView()->cellForRow({0, static_cast<int64_t>(r)});
            ASSERT_NE(cell, nullptr) << r;
            int shown = 0;
            for (auto& v : cell->contentView().subviews())
                if (dynamic_cast<BookcaseBookUnit*>(v.get()) && !v->isHidden())
                    ++shown;
            EXPECT_EQ(shown, c.tilesPerRow[r]) << c.perRow << " row " << r;
        }
        page->removeFromSuperview();
    }
}

TEST_F(GridPage, SearchNarrowsOnlyOnTheSearchKey) {
    auto books = std::make_shared<std::vector<BookRecord>>(
        std::vector<BookRecord>{book(1, 11, 5, "Shadow Realm"), book(2, 12, 5, "the HAWK"), book(3, 13, 5, "Dune")});
    auto page = makePage(books, false, false, 5);
    ui::SearchBar& bar = *page->searchView()->schBar();
    bar.setText("ha");
    page->textDidChange(bar, "ha");
    EXPECT_EQ(page->tableView()->numberOfRows(0), 1); // typing alone changes nothing: 3 books, one row
    page->searchBarSearchButtonClicked(bar);
    EXPECT_EQ(ids(page->searchResult()), (std::vector<int64_t>{1, 2}));
    bar.setText("");
    page->textDidChange(bar, "");
    EXPECT_FALSE(page->getIsSearching());
    EXPECT_EQ(page->tableView()->numberOfRows(0), 1);

    auto searchPage = makePage(books, true, false, -2);
    search(*searchPage, "DUNE");
    EXPECT_EQ(ids(searchPage->searchResult()), (std::vector<int64_t>{3}));
    searchPage->resetSearchPage();
    EXPECT_TRUE(searchPage->searchResult().empty());
    EXPECT_EQ(searchPage->searchView()->schBar()->text(), "");
}

TEST_F(GridPage, TilesFollowSelectionDownloadsAndNewChapters) {
    std::map<int64_t, bool> chosen;
    ShelfHost::shared().isBookChosen = [&](int64_t bid) { return chosen[bid]; };
    ShelfHost::shared().isBookDownloadingNow = [](int64_t rz) { return rz == 12; };
    std::vector<BookRecord> list = {book(1, 11, 5, "A"), book(2, 12, 5, "B"), book(3, 13, 5, "C")};
    list[2].currLstChapterId = 5;
    list[2].lstChapterId = 9;
    auto page = makePage(std::make_shared<std::vector<BookRecord>>(list), false, false, 5);
    page->tableView()->setContentOffset({0, 0});
    page->tableView()->layoutIfNeeded();
    auto tiles = page->visibleTiles();
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_TRUE(tiles[0]->progress()->isHidden());
    EXPECT_FALSE(tiles[1]->progress()->isHidden()); // queued: its bar shows at once
    EXPECT_TRUE(tiles[0]->imgNew()->isHidden());
    EXPECT_FALSE(tiles[2]->imgNew()->isHidden());
    EXPECT_EQ(tiles[1]->tag(), 12);

    auto& nc = core::NotificationCenter::defaultCenter();
    nc.post(shelfnote::BookAllDownProgress, core::Value(core::Value::Map{{"rzbid", 11}, {"progress", 0.5}}));
    EXPECT_FLOAT_EQ(tiles[0]->progress()->progress(), 0.5f);
    nc.post(shelfnote::BookAllDownSuccess, core::Value(core::Value::Map{{"rzbid", 11}, {"progress", 1.0}}));
    EXPECT_TRUE(tiles[0]->progress()->isHidden());
    nc.post(shelfnote::UpdateBooksNewImage, core::Value(core::Value::Map{{"11", 40}}));
    EXPECT_FALSE(tiles[0]->imgNew()->isHidden());

    page->handlerEditSwitcher(true);
    EXPECT_FALSE(page->searchView()->btnSyncBookcase()->isEnabled());
    for (auto* t : tiles)
        EXPECT_FALSE(t->imgChoose()->isHidden());
    chosen[2] = true; // the main screen toggles first, the page follows
    nc.post(shelfnote::BookTapWhenEditing, BookSelectionInfo{12, 0, "12.rz", 2}.toValue());
    EXPECT_FALSE(tiles[0]->selected());
    EXPECT_TRUE(tiles[1]->selected());
    // The chosen tile carries a green tick at its cover's foot, the others none.
    settle();
    const gfx::Image screen = renderScreen();
    screen.writePNG((artifactsDir() / "grid_page_edit_selection.png").string());
    auto green = [](gfx::Pixel p) { return p.g > 140 && p.r < 100 && p.b < 120; };
    const auto markAt = [](int slot) { return gfx::Rect(12 + 100 * slot + 11 + 48, 44 + 5 + 2 + 66, 22, 22); };
    EXPECT_GT(countPixels(screen, markAt(1), green), 100);
    EXPECT_EQ(countPixels(screen, markAt(0), green), 0);
    nc.post(shelfnote::SelectAllBooksWhenEditing);
    for (auto* t : tiles)
        EXPECT_TRUE(t->selected());
    nc.post(shelfnote::CancelSelectAllBooksWhenEditing);
    for (auto* t : tiles)
        EXPECT_FALSE(t->selected());
    page->handlerEditSwitcher(false);
    for (auto* t : tiles)
        EXPECT_TRUE(t->imgChoose()->isHidden());

    // A finger on the cover: out of edit mode it opens the book.
    posted.clear();
    tapView(tiles[2]->imgCover());
    advance(0.5);
    ASSERT_EQ(postedNames(), (std::vector<std::string>{shelfnote::BookTap, shelfnote::HideKeyboard}));
    EXPECT_EQ(BookSelectionInfo::fromValue(posted[0].payload).bid, 3);
}

TEST_F(GridPage, GuideInvitesByShelfAndIgnoresTapsInEditMode) {
    auto none = std::make_shared<std::vector<BookRecord>>();
    struct Case {
        int shelf;
        bool firstPage;
        const char* text;
    };
    const std::vector<Case> cases = {
        {1, true, "您还没有开始阅读，试试点此同步墨川书架，或向左滑动去其他书架看看吧。"},
        {1, false, "目前还没有书籍。试试点此同步墨川书架，或到墨川书库看看吧。"},
        {2, false, "目前还没有书籍，试试点此导入本地电子书吧。"},
    };
    for (const Case& c : cases) {
        bookcaseType = c.shelf;
        auto page = makePage(none, false, c.firstPage, c.firstPage ? -1 : 5);
        ASSERT_NE(page->guideView(), nullptr);
        EXPECT_FALSE(page->guideView()->isHidden());
        EXPECT_EQ(page->guideLabel()->text(), c.text);
        page->removeFromSuperview();
    }
    int imports = 0;
    ShelfHost::shared().importLocalBook = [&] { ++imports; };
    bookcaseType = 2;
    auto page = makePage(none, false, false, 5);
    page->handleLabelTap();
    EXPECT_EQ(imports, 1);
    page->handlerEditSwitcher(true);
    page->handleLabelTap();
    EXPECT_EQ(imports, 1);
    EXPECT_FALSE(page->guidSearchView()->btnSyncBookcase()->isEnabled());
    bookcaseType = 1;
    page->handlerEditSwitcher(false);
    posted.clear();
    page->syncBookcaseOrImportLocalbook();
    EXPECT_EQ(postedNames(), std::vector<std::string>{shelfnote::SyncBookcase});
}

// A page set up without books shows the guide; when books arrive it must show
// them, not keep inviting the user to add some.
TEST_F(GridPage, APageThatGainsBooksDropsItsGuide) {
    writeCover(21, {220, 30, 30, 255});
    auto empty = std::make_shared<std::vector<BookRecord>>();
    auto page = makePage(empty, false, false, 5, {0, 0, 320, 460});
    m_window->setBackgroundColor(gfx::Color::fromRGB255(40, 60, 90));
    ASSERT_FALSE(page->guideView()->isHidden());

    auto filled = std::make_shared<std::vector<BookRecord>>(std::vector<BookRecord>{book(1, 21, 5, "Red")});
    page->setAllBooks(filled);
    page->archiveCategoryBooksAndRefreshTable();
    EXPECT_TRUE(page->guideView()->isHidden());
    ASSERT_NE(page->tableView(), nullptr);
    EXPECT_FALSE(page->tableView()->isHidden());
    page->tableView()->setContentOffset({0, 0});
    settle();
    const gfx::Image screen = renderScreen();
    screen.writePNG((artifactsDir() / "grid_page_gains_books.png").string());
    // The first tile's cover above its name band: table header 44, tile at
    // (12, 5), cover at (11, 2), name at (14, 35).
    const gfx::Rect cover(12 + 11 + 3, 44 + 5 + 2 + 2, 66, 28);
    const int red = countPixels(screen, cover, [](gfx::Pixel p) { return p.r > 180 && p.g < 80 && p.b < 80; });
    EXPECT_GT(red, static_cast<int>(cover.width() * cover.height() * 0.9));
}

class GridShelf : public ShelfViewTest {
protected:
    void SetUp() override {
        ShelfViewTest::SetUp();
        m_scroll = ui::View::create<ui::ScrollView>(gfx::Rect(0, 0, 320, 400));
        m_window->addSubview(m_scroll);
        m_pageControl = RZPageControl::create({0, 410, 10, 16});
        m_window->addSubview(m_pageControl);
        m_title = ui::Button::create();
        m_categories = std::make_shared<std::vector<CategoryRecord>>(
            std::vector<CategoryRecord>{{-1, "最近阅读", 0, 0}, {5, "A", 0, 0}, {6, "B", 0, 0}});
        m_grid = BookcaseController::create();
    }
    void TearDown() override {
        m_grid->clearScroll();
        m_grid.reset();
        ShelfViewTest::TearDown();
    }
    void load(std::vector<BookRecord> books) {
        m_grid->clearScroll();
        m_grid->setIsEditing(false);
        m_grid->setRzPageControl(m_pageControl);
        m_grid->setScrollView(m_scroll);
        m_grid->setAllCategories(m_categories);
        m_grid->setBtnTitle(m_title);
        m_grid->setAllBooks(std::make_shared<std::vector<BookRecord>>(std::move(books)));
        m_grid->loadBookcase();
    }
    std::shared_ptr<ui::ScrollView> m_scroll;
    std::shared_ptr<RZPageControl> m_pageControl;
    std::shared_ptr<ui::Button> m_title;
    ShelfCategories m_categories;
    std::shared_ptr<BookcaseController> m_grid;
};

TEST_F(GridShelf, OpensOnTheFirstCategoryWithOneSearchEntry) {
    load({book(1, 11, 5, "x")});
    load({book(1, 11, 5, "x")}); // twice: still one search entry
    ASSERT_EQ(m_categories->size(), 4u);
    EXPECT_EQ((*m_categories)[0].cid, -2);
    EXPECT_EQ((*m_categories)[0].cname, "搜索书籍");
    EXPECT_EQ(m_grid->numOfPages(), 4);
    EXPECT_EQ(m_pageControl->bounds().size, (gfx::Size{64, 16}));
    EXPECT_EQ(m_pageControl->currentPage(), 1);
    EXPECT_EQ(m_pageControl->firstDotImageName(), "pg_find.png");
    EXPECT_EQ(m_title->currentTitle(), "最近阅读");
    EXPECT_EQ(m_scroll->contentOffset().x, 320);
    EXPECT_EQ(m_scroll->contentSize().width, 4 * 320);
    for (int p : {0, 1, 2})
        EXPECT_NE(m_grid->page(p), nullptr) << p;
    EXPECT_EQ(m_grid->page(3), nullptr);
}

TEST_F(GridShelf, TitleFollowsTheNearestPageAndStopsMakeNeighbours) {
    load({});
    const std::vector<std::pair<double, std::string>> cases = {{1.4, "最近阅读"}, {1.6, "A"},  {2.6, "B"},
                                                               {3.6, "B"},        {-0.7, "B"}, {0.2, "搜索书籍"}};
    for (const auto& [pages, title] : cases) {
        m_scroll->setContentOffset({pages * 320, 0});
        m_grid->scrollViewDidScroll(*m_scroll);
        EXPECT_EQ(m_title->currentTitle(), title) << pages;
    }
    m_scroll->setContentOffset({3 * 320, 0});
    m_grid->whenScrollStop(*m_scroll);
    EXPECT_EQ(m_pageControl->currentPage(), 3);
    EXPECT_NE(m_grid->page(3), nullptr);
    m_scroll->setContentOffset({0, 0});
    m_grid->whenScrollStop(*m_scroll);
    EXPECT_EQ(m_pageControl->firstDotImageName(), "pg_find_light.png");
}

TEST_F(GridShelf, ScrollsToACategoryRowAndToTheFirstPageWithBooks) {
    load({book(1, 11, 6, "only in B", -1)});
    m_grid->scrollToCategory(1234, 0);
    settle();
    EXPECT_EQ(m_scroll->contentOffset().x, 320);
    EXPECT_EQ(m_pageControl->currentPage(), 1);

    // Page 1 (read before) and A are empty; B has the book.
    m_grid->scrollToFirstCategoryHasBooks();
    settle();
    EXPECT_EQ(m_pageControl->currentPage(), 3);
    EXPECT_EQ(m_scroll->contentOffset().x, 3 * 320);
    EXPECT_EQ(m_title->currentTitle(), "B");
    for (int p : {1, 2, 3})
        EXPECT_NE(m_grid->page(p), nullptr) << p;
}

TEST_F(GridShelf, SwipingFromTheFirstPageEmptiesTheSearchPage) {
    load({book(1, 11, 5, "Alpha")});
    BookcaseTable* search = m_grid->page(0);
    ui::SearchBar& bar = *search->searchView()->schBar();
    bar.setText("al");
    search->searchBarSearchButtonClicked(bar);
    ASSERT_EQ(search->searchResult().size(), 1u);
    m_grid->scrollViewWillBeginDragging(*m_scroll);
    EXPECT_EQ(bar.text(), "");
    EXPECT_TRUE(search->searchResult().empty());
}

TEST_F(GridShelf, ASwipeTurnsOnePageAndNamesIt) {
    load({book(1, 11, 5, "a"), book(2, 12, 6, "b")});
    m_scroll->layoutIfNeeded();
    drag({300, 300}, {40, 300}, 0.2, 10);
    settle();
    EXPECT_EQ(m_scroll->contentOffset().x, 2 * 320);
    EXPECT_EQ(m_pageControl->currentPage(), 2);
    EXPECT_EQ(m_title->currentTitle(), "A");
    EXPECT_NE(m_grid->page(3), nullptr);
    drag({40, 300}, {300, 300}, 0.2, 10);
    drag({40, 300}, {300, 300}, 0.2, 10);
    settle();
    EXPECT_EQ(m_scroll->contentOffset().x, 0);
    EXPECT_EQ(m_title->currentTitle(), "搜索书籍");
    EXPECT_EQ(m_pageControl->firstDotImageName(), "pg_find_light.png");
}

TEST_F(GridShelf, EditModeReachesEveryMadePageAndNewOnes) {
    load({book(1, 11, 5, "a")});
    m_grid->enterEditingState(true);
    for (int p : {0, 1, 2})
        EXPECT_TRUE(m_grid->page(p)->isEditing()) << p;
    m_scroll->setContentOffset({2 * 320, 0});
    m_grid->whenScrollStop(*m_scroll);
    EXPECT_TRUE(m_grid->page(3)->isEditing());
}

} // namespace
} // namespace pw
