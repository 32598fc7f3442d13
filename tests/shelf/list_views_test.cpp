// The list shelf as views: rows with their action bar, sections, search and
// the notifications the visible rows follow.
#include "ShelfViewTestSupport.h"

#include "foundation/db/CategoryTB.h"
#include "foundation/db/MainDB.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SearchBar.h"
#include "shelf/BooklistCell.h"
#include "shelf/BooklistController.h"
#include "shelf/BooklistTable.h"
#include "shelf/BooklistTableSectionView.h"
#include "shelf/RZPageControl.h"
#include "shelf/SearchHeaderView.h"
#include "shelf/ShelfNotifications.h"

namespace pw {
namespace {

using test::ShelfViewTest;

class ListRow : public ShelfViewTest {};

TEST_F(ListRow, LaysOutFromTheCoverAndStretchesWithTheRow) {
    for (int shelf : {1, 2}) {
        bookcaseType = shelf;
        auto row = BooklistCell::create(320, 110);
        EXPECT_EQ(row->lblBookName()->frame(), (gfx::Rect{98, 10, 170, 23}));
        EXPECT_EQ(row->lblAuthor()->frame(), (gfx::Rect{98, 38, 210, 23}));
        EXPECT_EQ(row->lblLstReadTime()->frame(), (gfx::Rect{98, 66, 210, 23}));
        EXPECT_EQ(row->progress()->frame(), (gfx::Rect{98, 94, 160, 23}));
        EXPECT_EQ(row->menuView()->frame(), (gfx::Rect{0, 75, 320, 35}));
        EXPECT_EQ(row->firstButton()->frame(), (gfx::Rect{74.5, 4, 58, 28}));
        EXPECT_EQ(row->secondButton()->frame(), (gfx::Rect{187.5, 4, 58, 28}));
        EXPECT_EQ(row->firstButton()->currentTitle(), shelf == 1 ? "更新" : "删除");
        EXPECT_EQ(row->secondButton()->currentTitle(), shelf == 1 ? "删除" : "移动");
        row->setFrame({0, 0, 480, 110});
        EXPECT_EQ(row->lblAuthor()->frame(), (gfx::Rect{98, 38, 370, 23}));
        EXPECT_EQ(row->imgType()->frame().x(), 480 - 43);
    }
}

TEST_F(ListRow, AuthorTextCarriesThePercentage) {
    const std::vector<std::pair<double, std::string>> cases = {
        {12.34, "作者 ［ 12.3% ］"}, {0, "作者 ［ 0.0% ］"}, {100, "作者 ［ 100.0% ］"}, {99.96, "作者 ［ 100.0% ］"}};
    for (const auto& [percent, want] : cases)
        EXPECT_EQ(BooklistCell::authorText("作者", percent), want) << percent;
}

TEST_F(ListRow, TypeIconNeverOutlivesItsBook) {
    auto row = BooklistCell::create(320, 110);
    const std::vector<std::pair<std::string, std::string>> cases = {{"RZ", "icon_book_rz.png"},
                                                                    {"TXT", "icon_book_txt.png"},
                                                                    {"UMD", "icon_book_umd.png"},
                                                                    {"EPUB", "icon_book_epub.png"},
                                                                    {"PDF", ""},
                                                                    {"txt", ""}};
    for (const auto& [type, icon] : cases) {
        row->setTypeImage("UMD");
        row->setTypeImage(type);
        EXPECT_EQ(row->typeImageName(), icon) << type;
    }
    row->setTypeImage("TXT");
    row->reset();
    EXPECT_EQ(row->typeImageName(), "");
}

TEST_F(ListRow, ActionsPostTheirNoticesAndMoveSelectsExactlyThatBook) {
    bookcaseType = 2;
    auto row = BooklistCell::create(320, 110);
    row->setBookId(4);
    row->setRzBookId(-999);
    row->setFile("b.umd");
    row->secondButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    ASSERT_EQ(postedNames(), (std::vector<std::string>{shelfnote::BookTapWhenEditing, shelfnote::BooklistMoveBook}));
    EXPECT_EQ(posted[1].payload, posted[0].payload);

    // The main screen: the tap toggles, the move makes it the whole selection,
    // even when the book was chosen before (the toggle took it out) and others were.
    BookSelection selection;
    selection.toggle(BookSelectionInfo{11, 0, "x.rz", 9});
    selection.toggle(BookSelectionInfo::fromValue(posted[0].payload));
    selection.toggle(BookSelectionInfo::fromValue(posted[0].payload));
    selection.selectOnly(BookSelectionInfo::fromValue(posted[1].payload));
    EXPECT_EQ(selection.size(), 1u);
    EXPECT_TRUE(selection.isSelected(4));

    posted.clear();
    row->firstButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    ASSERT_EQ(postedNames(), std::vector<std::string>{shelfnote::BooklistDeleteBook});
    EXPECT_EQ(BookSelectionInfo::fromValue(posted[0].payload).file, "b.umd");

    bookcaseType = 1;
    auto site = BooklistCell::create(320, 110);
    site->setRzBookId(77);
    posted.clear();
    site->firstButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    ASSERT_EQ(postedNames(), std::vector<std::string>{shelfnote::DownAllBook});
    EXPECT_EQ(posted[0].payload["rzbid"].asInt(), 77);
}

class ListShelf : public ShelfViewTest {
protected:
    void SetUp() override {
        ShelfViewTest::SetUp();
        ASSERT_TRUE(makeMainDatabase());
        m_scroll = ui::View::create<ui::ScrollView>(gfx::Rect(0, 0, 320, 460));
        m_window->addSubview(m_scroll);
        m_pageControl = RZPageControl::create({0, 440, 64, 16});
        m_title = ui::Button::create();
    }
    void load(std::vector<CategoryRecord> categories, std::vector<BookRecord> books, bool editing = false) {
        m_categories = std::make_shared<std::vector<CategoryRecord>>(std::move(categories));
        m_list = BooklistController::create();
        m_list->clearScroll();
        m_list->setRzPageControl(m_pageControl);
        m_list->setScrollView(m_scroll);
        m_list->setAllCategories(m_categories);
        m_list->setBtnTitle(m_title);
        m_list->setAllBooks(std::make_shared<std::vector<BookRecord>>(std::move(books)));
        m_list->loadBooklist(editing);
        table().layoutIfNeeded();
    }
    ui::TableView& table() { return *m_list->booklistTable()->tableView(); }
    BooklistTable& list() { return *m_list->booklistTable(); }
    std::vector<std::string> names(int64_t section) {
        std::vector<std::string> out;
        for (const BookRecord* b : list().sections()[static_cast<size_t>(section)].books)
            out.push_back(b->bname);
        return out;
    }

    std::shared_ptr<ui::ScrollView> m_scroll;
    std::shared_ptr<RZPageControl> m_pageControl;
    std::shared_ptr<ui::Button> m_title;
    ShelfCategories m_categories;
    std::shared_ptr<BooklistController> m_list;
};

TEST_F(ListShelf, OpensWithoutTheSearchEntryUnderAHiddenSearchBar) {
    load({{-2, "搜索书籍", 0, 0}, {-1, "最近阅读", 0, 0}, {5, "A", 0, 0}}, {book(1, 11, 5, "a")});
    EXPECT_EQ(m_categories->size(), 2u);
    EXPECT_TRUE(m_pageControl->isHidden());
    EXPECT_EQ(m_title->currentTitle(), "书架");
    EXPECT_EQ(table().contentOffset().y, 44);
    EXPECT_EQ(table().numberOfSections(), 2);
    auto header = std::dynamic_pointer_cast<BooklistTableSectionView>(
        std::static_pointer_cast<ui::TableViewDelegate>(m_list->booklistTable()->shared_from_this())
            ->viewForHeader(table(), 1));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->nameLabel()->text(), "A");
    EXPECT_EQ(header->amountLabel()->text(), "（共 1 本）");
}

TEST_F(ListShelf, AClosedSectionCountsItsBooksAndOpensForGood) {
    ASSERT_TRUE(CategoryTB::addCategory("闭"));
    int64_t cid = 0;
    for (const auto& c : CategoryTB::getAllCategory().value_or(core::Value::Array{}))
        if (c["cname"].asString() == "闭")
            cid = c["cid"].asInt().value_or(0);
    ASSERT_GT(cid, 0);
    std::vector<BookRecord> five;
    for (int i = 1; i <= 5; ++i)
        five.push_back(book(i, 10 + i, cid, "b" + std::to_string(i)));
    load({{-1, "最近阅读", 0, 0}, {cid, "闭", 1, 0}}, five);
    EXPECT_EQ(table().numberOfRows(1), 0);
    EXPECT_EQ(list().sections()[1].amount, 5);

    auto header = BooklistTableSectionView::create("闭", 320, 5, false, 1);
    header->setDelegate(&list());
    header->toggleOpen();
    advance(0.01);
    EXPECT_EQ(table().numberOfRows(1), 5);
    EXPECT_EQ((*m_categories)[1].expand, 0);
    bool stored = false;
    for (const auto& c : CategoryTB::getAllCategory().value_or(core::Value::Array{}))
        if (c["cid"].asInt() == cid)
            stored = c["expand"].asInt() == 0;
    EXPECT_TRUE(stored);
}

TEST_F(ListShelf, TappingTheFirstHeaderClosesItForThisLoadOnly) {
    load({{-1, "最近阅读", 0, 0}}, {book(1, 11, 5, "a"), book(2, 12, 5, "b")});
    table().setContentOffset({0, 0});
    table().layoutIfNeeded();
    auto header = [this]() -> BooklistTableSectionView* {
        for (const auto& v : table().subviews())
            if (auto* h = dynamic_cast<BooklistTableSectionView*>(v.get()); h && !h->isHidden())
                return h;
        return nullptr;
    };
    ASSERT_NE(header(), nullptr);
    tapView(header());
    advance(0.05);
    table().layoutIfNeeded();
    EXPECT_EQ(table().numberOfRows(0), 0);
    EXPECT_EQ(list().sections()[0].amount, 2);
    ASSERT_NE(header(), nullptr);
    EXPECT_EQ(header()->arrowImageName(), "carat.png");
    tapView(header());
    advance(0.05);
    EXPECT_EQ(table().numberOfRows(0), 2);

    // The synthetic first category is kept in memory only: a reload opens it.
    tapView(header());
    advance(0.05);
    load({{-1, "最近阅读", 0, 0}}, {book(1, 11, 5, "a")});
    EXPECT_EQ(table().numberOfRows(0), 1);
}

TEST_F(ListShelf, SearchOpensEverySectionAndClearingRestoresIt) {
    load({{-1, "最近阅读", 0, 0}, {5, "A", 1, 0}, {6, "B", 0, 0}},
         {book(1, 11, 5, "Shadow", 100), book(2, 12, 6, "hawk", -1), book(3, 13, 6, "Dune", 100)});
    EXPECT_EQ(names(0), (std::vector<std::string>{"Shadow", "Dune"})); // never-opened books stay out
    EXPECT_EQ(names(1), std::vector<std::string>{});
    ui::SearchBar& bar = *list().searchView()->schBar();
    bar.setText("H");
    list().searchBarSearchButtonClicked(bar);
    EXPECT_EQ(names(0), std::vector<std::string>{"Shadow"});
    EXPECT_EQ(names(1), std::vector<std::string>{"Shadow"});
    EXPECT_EQ(names(2), std::vector<std::string>{"hawk"});
    bar.setText("");
    list().textDidChange(bar, "");
    EXPECT_EQ(names(1), std::vector<std::string>{});
    EXPECT_EQ(names(2), (std::vector<std::string>{"hawk", "Dune"}));
}

TEST_F(ListShelf, RowsShowTheirBookAndAReusedRowNoStaleIcon) {
    std::vector<BookRecord> books = {book(1, 11, 5, "Typed", 100, "TXT")};
    books[0].percent = 12.34;
    load({{-1, "最近阅读", 0, 0}}, books);
    table().setContentOffset({0, 0});
    table().layoutIfNeeded();
    auto rows = list().visibleRows();
    ASSERT_EQ(rows.size(), 1u);
    BooklistCell* row = rows[0];
    EXPECT_EQ(row->lblBookName()->text(), "Typed");
    EXPECT_EQ(row->lblAuthor()->text(), "作者 ［ 12.3% ］");
    EXPECT_EQ(row->typeImageName(), "icon_book_txt.png");
    EXPECT_EQ(row->tag(), 11);
    // The type badge's place in the first row: search header 44, section header 36.
    const gfx::Rect badge(320 - 43, 44 + 36 + 10, 33, 18);
    auto blue = [](gfx::Pixel p) { return p.b > 150 && p.r < 110; };
    settle();
    gfx::Image before = renderScreen();
    EXPECT_GT(countPixels(before, badge, blue), 200);

    books = {book(2, 12, 5, "Odd", 100, "PDF")};
    m_list->setAllBooks(std::make_shared<std::vector<BookRecord>>(books));
    m_list->archiveCategoryBooksAndRefreshTable();
    table().layoutIfNeeded();
    rows = list().visibleRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], row); // the same row view, reused
    EXPECT_EQ(row->lblBookName()->text(), "Odd");
    EXPECT_EQ(row->typeImageName(), "");
    EXPECT_TRUE(row->imgType()->image().isNull());
    settle();
    gfx::Image after = renderScreen();
    after.writePNG((artifactsDir() / "list_row_reused_without_type.png").string());
    EXPECT_EQ(countPixels(after, badge, blue), 0);
}

TEST_F(ListShelf, TapsOpenOutsideEditModeAndBarsFollowEditMode) {
    load({{-1, "最近阅读", 0, 0}}, {book(1, 11, 5, "a"), book(2, 12, 5, "b")});
    table().setContentOffset({0, 0});
    table().layoutIfNeeded();
    list().didSelectRow(table(), {0, 1});
    ASSERT_EQ(postedNames(), std::vector<std::string>{shelfnote::BookTap});
    EXPECT_EQ(BookSelectionInfo::fromValue(posted[0].payload).bid, 2);

    m_list->enterEditingState(true);
    EXPECT_FALSE(list().searchView()->btnSyncBookcase()->isEnabled());
    for (BooklistCell* row : list().visibleRows())
        EXPECT_FALSE(row->menuView()->isHidden());
    posted.clear();
    list().didSelectRow(table(), {0, 0});
    EXPECT_TRUE(posted.empty());
    m_list->enterEditingState(false);
    for (BooklistCell* row : list().visibleRows())
        EXPECT_TRUE(row->menuView()->isHidden());
}

TEST_F(ListShelf, VisibleRowsFollowDownloadsCoversAndNewChapters) {
    load({{-1, "最近阅读", 0, 0}}, {book(1, 11, 5, "a"), book(2, 12, 5, "b")});
    table().setContentOffset({0, 0});
    table().layoutIfNeeded();
    auto rows = list().visibleRows();
    ASSERT_EQ(rows.size(), 2u);
    auto& nc = core::NotificationCenter::defaultCenter();
    nc.post(shelfnote::MultiBookAllDownBegin,
            core::Value(core::Value::Map{{"dictBids", core::Value(core::Value::Map{{"11", 0.01}, {"12", 0.01}})}}));
    EXPECT_FALSE(rows[0]->progress()->isHidden());
    EXPECT_FALSE(rows[1]->progress()->isHidden());
    nc.post(shelfnote::BookAllDownFailed, core::Value(core::Value::Map{{"rzbid", 12}, {"progress", 1.0}}));
    EXPECT_TRUE(rows[1]->progress()->isHidden());
    nc.post(shelfnote::UpdateBooksNewImage, core::Value(core::Value::Map{{"12", 3}}));
    EXPECT_TRUE(rows[0]->imgNew()->isHidden());
    EXPECT_FALSE(rows[1]->imgNew()->isHidden());
    writeCover(11, {10, 200, 10, 255});
    nc.post(shelfnote::BookCoverReload, core::Value(core::Value::Map{{"rzbid", 11}}));
    EXPECT_EQ(rows[0]->coverImagePath(), AppPaths::coverFile(11).string());
    EXPECT_GT(rows[0]->imgCover()->image().pixelAt(30, 40).g, 150);
}

TEST_F(ListShelf, ScrollsToASectionByMenuRow) {
    std::vector<BookRecord> many;
    for (int i = 1; i <= 8; ++i)
        many.push_back(book(i, 10 + i, i <= 6 ? 5 : 6, "b" + std::to_string(i)));
    load({{-1, "最近阅读", 0, 0}, {5, "A", 0, 0}, {6, "B", 1, 0}}, many);
    m_list->scrollToCategory(-1, 1);
    EXPECT_EQ(table().contentOffset().y, table().rectForRow({1, 0}).y());
    m_list->scrollToCategory(-1, 2); // closed: its header comes into view
    const gfx::Rect header = table().rectForHeaderInSection(2);
    EXPECT_LE(table().contentOffset().y, header.y());
    EXPECT_GE(table().contentOffset().y + table().bounds().height(), header.maxY());
    const double before = table().contentOffset().y;
    m_list->scrollToCategory(-1, 3);
    EXPECT_EQ(table().contentOffset().y, before);
}

} // namespace
} // namespace pw
