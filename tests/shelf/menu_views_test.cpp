// The edit bar and the category menu.
#include "ShelfViewTestSupport.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "shelf/MainBottomMenu.h"
#include "shelf/MainCategoryMenu.h"
#include "shelf/ShelfNotifications.h"

namespace pw {
namespace {

using test::ShelfViewTest;

class EditBar : public ShelfViewTest {};

TEST_F(EditBar, FourButtonsCentredWithTheirGaps) {
    struct Case {
        bool tablet;
        double width, firstX, lastEnd;
    };
    const std::vector<Case> cases = {{false, 320, 5.5, 314.5}, {false, 480, 85.5, 394.5}, {true, 768, 204, 564}};
    for (const Case& c : cases) {
        setDeviceKindProvider([t = c.tablet] { return t ? DeviceKind::Tablet : DeviceKind::Phone; });
        auto bar = MainBottomMenu::create({0, 431, c.width, 49});
        bar->genMenuAndShow();
        EXPECT_EQ(bar->btnFirst()->frame().x(), c.firstX) << c.width;
        EXPECT_EQ(bar->btnFourth()->frame().maxX(), c.lastEnd) << c.width;
        EXPECT_EQ(bar->btnSecond()->frame().x() - bar->btnFirst()->frame().maxX(), MainBottomMenu::gap(c.tablet));
    }
}

TEST_F(EditBar, ShowingAgainBuildsNothingAndOffersSelectAll) {
    auto bar = MainBottomMenu::create({0, 431, 320, 49});
    m_window->addSubview(bar);
    bar->genMenuAndShow();
    ui::Button* first = bar->btnFirst();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(first->currentTitle(), "全选");
    bar->setHasSelectedAll(true);
    EXPECT_EQ(first->currentTitle(), "取消全选");
    const size_t views = bar->subviews().size();
    bar->close();
    EXPECT_TRUE(bar->isHidden());
    bar->genMenuAndShow();
    EXPECT_EQ(bar->subviews().size(), views);
    EXPECT_EQ(bar->btnFirst(), first);
    EXPECT_EQ(first->currentTitle(), "全选");
    EXPECT_FALSE(bar->hasSelectedAll());
    const std::vector<std::string> titles = {bar->btnFirst()->currentTitle(), bar->btnSecond()->currentTitle(),
                                             bar->btnThird()->currentTitle(), bar->btnFourth()->currentTitle()};
    EXPECT_EQ(titles, (std::vector<std::string>{"全选", "更新", "删除", "移动"}));
}

class CategoryMenu : public ShelfViewTest, public MainCategoryMenuDelegate {
protected:
    void SetUp() override {
        ShelfViewTest::SetUp();
        ASSERT_TRUE(makeMainDatabase());
        ASSERT_TRUE(CategoryTB::addCategory("小说"));
        ASSERT_TRUE(CategoryTB::addCategory("历史"));
        for (const char* name : {"a", "b"}) {
            int64_t bid = 0;
            BookTB::addLocalBookWithBookName(name, "", std::string(name) + ".txt", "TXT", "", &bid);
            m_books.push_back(bid);
        }
        ASSERT_TRUE(BookTB::updateBooks(m_books, categoryId("小说")));
        bookcaseType = 2;
        m_menu = MainCategoryMenu::create(m_window->bounds());
        m_menu->setDelegate(this);
        m_window->addSubview(m_menu);
    }
    void TearDown() override {
        m_menu.reset();
        ShelfViewTest::TearDown();
    }
    void categoryChooseWithId(int64_t cid) override { chosen.push_back(cid); }
    void scrollToCategory(int64_t cid, int row) override { scrolled.emplace_back(cid, row); }

    static int64_t categoryId(const std::string& name) {
        for (const auto& c : CategoryTB::getAllCategory().value_or(core::Value::Array{}))
            if (c["cname"].asString() == name)
                return c["cid"].asInt().value_or(0);
        return 0;
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> out;
        for (const CategoryRecord& c : m_menu->allCategories())
            out.push_back(c.cname);
        return out;
    }
    void open(bool move, bool edit) {
        m_menu->genMenuAndShow(move, edit);
        settle();
        m_menu->layoutIfNeeded();
        m_menu->table()->layoutIfNeeded();
    }

    std::shared_ptr<MainCategoryMenu> m_menu;
    std::vector<int64_t> m_books;
    std::vector<int64_t> chosen;
    std::vector<std::pair<int64_t, int>> scrolled;
};

TEST_F(CategoryMenu, ListsTheShelfsCategoriesAfterItsFirstRow) {
    open(false, true);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"导入电子书", "小说", "历史"}));
    EXPECT_EQ(m_menu->container()->frame(), (gfx::Rect{35, 40, 250, 410}));
    EXPECT_FALSE(m_menu->btnAddCategory()->isHidden());
    m_menu->didSelectRow(*m_menu->table(), {0, 2});
    EXPECT_EQ(scrolled, (std::vector<std::pair<int64_t, int>>{{categoryId("历史"), 2}}));

    bookcaseType = 1;
    ASSERT_TRUE(CategoryTB::syncBookCases());
    open(false, false);
    EXPECT_EQ(rowNames().front(), "最近阅读");
    EXPECT_EQ(rowNames().size(), 5u);
    EXPECT_TRUE(m_menu->btnAddCategory()->isHidden());
    EXPECT_TRUE(m_menu->btnBeginEdit()->isHidden());
    EXPECT_TRUE(m_menu->txtAddCategory()->isHidden());
    for (int64_t r = 0; r < 5; ++r)
        EXPECT_EQ(m_menu->editingStyleForRow(*m_menu->table(), {0, r}), ui::TableViewCellEditingStyle::None);
}

TEST_F(CategoryMenu, MoveModePassesTheFirstRowAsMinusOne) {
    open(true, true);
    ui::TableViewCell* first = m_menu->table()->cellForRow({0, 0});
    ASSERT_NE(first, nullptr);
    tapView(first);
    settle();
    EXPECT_EQ(chosen, std::vector<int64_t>{-1});
    EXPECT_TRUE(scrolled.empty());
    EXPECT_TRUE(m_menu->isHidden());
}

TEST_F(CategoryMenu, AddsCutNamesAndAnEmptyFieldChangesNothing) {
    open(false, true);
    m_menu->txtAddCategory()->setText("");
    m_menu->addCategory();
    EXPECT_EQ(rowNames().size(), 3u);
    EXPECT_TRUE(posted.empty());
    m_menu->txtAddCategory()->setText("abcdefghijklmnopqrst");
    m_menu->addCategory();
    EXPECT_EQ(rowNames().back(), "abcdefghijklmno");
    EXPECT_EQ(m_menu->txtAddCategory()->text(), "");
    EXPECT_EQ(postedNames(), std::vector<std::string>{shelfnote::CategoryUpdate});
}

TEST_F(CategoryMenu, RenamesInEditModeAndAnEmptyNameKeepsTheOld) {
    open(false, true);
    m_menu->switchEditMode();
    EXPECT_EQ(m_menu->editImageName(), "main_chaptermenu_btnEdit1.png");
    MainCategoryCell* first = m_menu->rowView(0);
    MainCategoryCell* row = m_menu->rowView(1);
    ASSERT_NE(row, nullptr);
    EXPECT_FALSE(first->txtName()->isEnabled()); // the first row keeps its name
    EXPECT_TRUE(row->txtName()->isEnabled());

    row->txtName()->setText("");
    row->textFieldShouldReturn(*row->txtName());
    EXPECT_EQ(categoryId("小说"), m_menu->allCategories()[1].cid);
    EXPECT_EQ(m_menu->rowView(1)->txtName()->text(), "小说");

    row = m_menu->rowView(1);
    row->txtName()->setText("一二三四五六七八九十一二三四五六七八九十");
    row->textFieldShouldReturn(*row->txtName());
    EXPECT_EQ(rowNames()[1], "一二三四五六七八九十一二三四五");
    EXPECT_EQ(postedNames(), std::vector<std::string>{shelfnote::CategoryUpdate});
    // The reload hands the rows reused cells: the first row still reads left-aligned,
    // flush with the table's edge, and the others centred past the delete control.
    settle();
    m_menu->table()->layoutIfNeeded();
    for (int r = 0; r < 3; ++r) {
        ui::TableViewCell* cell = m_menu->table()->cellForRow({0, r});
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(m_menu->rowView(r)->txtName()->textAlignment(),
                  r == 0 ? gfx::TextAlignment::Left : gfx::TextAlignment::Center)
            << r;
        EXPECT_EQ(cell->contentView().frame().x(), r == 0 ? 0 : 38) << r;
    }
    m_menu->switchEditMode();
    EXPECT_EQ(m_menu->editImageName(), "main_chaptermenu_btnEdit.png");
}

TEST_F(CategoryMenu, DeletingACategoryMovesItsBooksFirst) {
    open(false, true);
    const int64_t cid = categoryId("小说");
    EXPECT_EQ(m_menu->editingStyleForRow(*m_menu->table(), {0, 0}), ui::TableViewCellEditingStyle::None);
    EXPECT_EQ(m_menu->editingStyleForRow(*m_menu->table(), {0, 1}), ui::TableViewCellEditingStyle::Delete);
    m_menu->commitEditingStyle(*m_menu->table(), ui::TableViewCellEditingStyle::Delete, {0, 1});
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"导入电子书", "历史"}));
    EXPECT_EQ(categoryId("小说"), 0);
    EXPECT_EQ(BookTB::getAllBooksWithCategoryId(cid).value_or(core::Value::Array{}).size(), 0u);
    EXPECT_EQ(BookTB::getAllBooksWithCategoryId(-1).value_or(core::Value::Array{}).size(), 2u);
    EXPECT_EQ(postedNames(), std::vector<std::string>{shelfnote::CategoryAndBookReload});

    m_menu->commitEditingStyle(*m_menu->table(), ui::TableViewCellEditingStyle::Delete, {0, 0});
    EXPECT_EQ(rowNames().size(), 2u); // the first row stays
}

// A closed menu must not lie transparent over the shelf, taking its taps.
TEST_F(CategoryMenu, AClosedMenuIsHiddenAndAReopenedOneStays) {
    // Below the panel the open menu dims the shelf; closed, the shelf shows plain.
    const gfx::Rect below(20, 455, 280, 20);
    auto white = [](gfx::Pixel p) { return p.r > 245 && p.g > 245 && p.b > 245; };
    open(false, true);
    EXPECT_EQ(countPixels(renderScreen(), below, white), 0);
    m_menu->close();
    settle();
    EXPECT_TRUE(m_menu->isHidden());
    EXPECT_EQ(m_window->hitTest({160, 240}), m_window.get());
    EXPECT_EQ(countPixels(renderScreen(), below, white), 280 * 20);

    open(false, true);
    m_menu->close();
    advance(0.1);
    m_menu->genMenuAndShow(false, true); // opened again while it fades out
    settle();
    EXPECT_FALSE(m_menu->isHidden());
    EXPECT_DOUBLE_EQ(m_menu->alpha(), 1.0);
}

TEST_F(CategoryMenu, PhonePanelMakesRoomForTheKeyboardAndTabletsStay) {
    open(false, true);
    m_menu->textFieldDidBeginEditing(*m_menu->txtAddCategory());
    EXPECT_EQ(m_menu->opType(), 1);
    core::Value info = core::Value::map();
    core::Value end = core::Value::map();
    end.set("height", 216.0);
    info.set("frameEnd", end);
    core::NotificationCenter::defaultCenter().post(ui::kKeyboardWillShowNotification, info);
    settle();
    EXPECT_EQ(m_menu->container()->frame().y(), 40 - 216);
    EXPECT_EQ(m_menu->opType(), 0);
    m_menu->didAddCategory();
    settle();
    EXPECT_EQ(m_menu->container()->frame(), (gfx::Rect{35, 40, 250, 410}));

    setDeviceKindProvider([] { return DeviceKind::Tablet; });
    auto pad = MainCategoryMenu::create({0, 0, 768, 1004});
    m_window->addSubview(pad);
    pad->genMenuAndShow(false, true);
    EXPECT_EQ(pad->container()->frame(), (gfx::Rect{134, 40, 500, 320}));
    pad->textFieldDidBeginEditing(*pad->txtAddCategory());
    core::NotificationCenter::defaultCenter().post(ui::kKeyboardWillShowNotification, info);
    settle();
    EXPECT_EQ(pad->container()->frame(), (gfx::Rect{134, 40, 500, 320}));
}

} // namespace
} // namespace pw
