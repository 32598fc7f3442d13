#include "UiTestSupport.h"

#include "platform/ui/Button.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

namespace pw::ui::test {
namespace {

using gfx::Point;
using gfx::Rect;

class ScrollTableTest : public UiTest {};

struct ScrollEvents : ScrollViewDelegate {
    std::vector<std::string> seen;
    void scrollViewWillBeginDragging(ScrollView&) override { seen.push_back("drag"); }
    void scrollViewDidEndDragging(ScrollView&, bool d) override { seen.push_back(d ? "end+decel" : "end"); }
    void scrollViewDidEndDecelerating(ScrollView&) override { seen.push_back("stopped"); }
};

TEST_F(ScrollTableTest, PagingSettlesOnTheNextPageAfterAFlick) {
    auto sv = View::create<ScrollView>(Rect(0, 0, 320, 480));
    sv->pagingEnabled = true;
    sv->setContentSize({960, 480});
    auto events = std::make_shared<ScrollEvents>();
    sv->setDelegate(events);
    m_window->addSubview(sv);
    drag({300, 200}, {220, 200}, 0.1, 5); // short and quick
    settle();
    EXPECT_EQ(sv->contentOffset(), Point(320, 0));
    EXPECT_EQ(events->seen, (std::vector<std::string>{"drag", "end+decel", "stopped"}));
    // A slow drag less than half a page goes back.
    drag({300, 200}, {220, 200}, 1.0, 20);
    settle();
    EXPECT_EQ(sv->contentOffset(), Point(320, 0));
    // Never past the last page.
    drag({300, 200}, {20, 200}, 0.1, 5);
    settle();
    drag({300, 200}, {20, 200}, 0.1, 5);
    settle();
    EXPECT_EQ(sv->contentOffset(), Point(640, 0));
}

TEST_F(ScrollTableTest, FlickDeceleratesAndStaysInsideTheContent) {
    auto sv = View::create<ScrollView>(Rect(0, 0, 320, 480));
    sv->setContentSize({320, 5000});
    m_window->addSubview(sv);
    drag({160, 400}, {160, 100}, 0.1, 5);
    EXPECT_TRUE(sv->isDecelerating());
    const double afterDrag = sv->contentOffset().y;
    settle();
    EXPECT_FALSE(sv->isDecelerating());
    EXPECT_GT(sv->contentOffset().y, afterDrag + 100);
    EXPECT_LE(sv->contentOffset().y, 5000 - 480);
    // Pulling past the top bounces back to it.
    sv->setContentOffset({0, 0});
    drag({160, 100}, {160, 300}, 0.5, 10);
    EXPECT_LT(sv->contentOffset().y, 0);
    EXPECT_GT(sv->contentOffset().y, -200); // resisted
    settle();
    EXPECT_EQ(sv->contentOffset().y, 0);
}

TEST_F(ScrollTableTest, ButtonInsideAScrollViewLosesTheTouchWhenDraggingStarts) {
    auto sv = View::create<ScrollView>(Rect(0, 0, 320, 480));
    sv->setContentSize({320, 2000});
    auto b = Button::create();
    b->setFrame({0, 100, 320, 100});
    sv->addSubview(b);
    m_window->addSubview(sv);
    int ups = 0, cancels = 0;
    b->addTarget([&](Control&) { ++ups; }, ControlEventTouchUpInside);
    b->addTarget([&](Control&) { ++cancels; }, ControlEventTouchCancel);
    drag({160, 180}, {160, 120});
    EXPECT_EQ(ups, 0);
    EXPECT_EQ(cancels, 1);
    settle();
    sv->setContentOffset({0, 0});
    tap({160, 150});
    EXPECT_EQ(ups, 1);
}

// A data source of numbered rows in one section; deleting removes from the model.
struct Rows : TableViewDataSource, TableViewDelegate {
    std::vector<std::string> rows;
    int made = 0;
    std::vector<IndexPath> selected;
    int64_t numberOfRows(TableView&, int64_t) override { return static_cast<int64_t>(rows.size()); }
    std::shared_ptr<TableViewCell> cellForRow(TableView& tv, const IndexPath& ip) override {
        auto cell = tv.dequeueReusableCell("row");
        if (!cell) {
            cell = TableViewCell::create(TableViewCellStyle::Default, "row");
            ++made;
        }
        cell->textLabel().setText(rows[static_cast<size_t>(ip.row)]);
        return cell;
    }
    void commitEditingStyle(TableView& tv, TableViewCellEditingStyle style, const IndexPath& ip) override {
        if (style != TableViewCellEditingStyle::Delete)
            return;
        rows.erase(rows.begin() + ip.row);
        tv.deleteRows({ip}, true);
    }
    void didSelectRow(TableView&, const IndexPath& ip) override { selected.push_back(ip); }
};

std::shared_ptr<Rows> makeRows(int n) {
    auto r = std::make_shared<Rows>();
    for (int i = 0; i < n; ++i)
        r->rows.push_back("第" + std::to_string(i) + "章");
    return r;
}

// A table of the screen's width over `rows`, shown in the window and loaded.
std::shared_ptr<TableView> showTable(View& window, const std::shared_ptr<Rows>& rows,
                                     TableViewStyle style = TableViewStyle::Plain) {
    auto table = TableView::create(Rect(0, 0, 320, 440), style);
    table->setDataSource(rows);
    table->setTableDelegate(rows);
    window.addSubview(table);
    table->reloadData();
    return table;
}

TEST_F(ScrollTableTest, TableMakesCellsOnlyForRowsInSightAndReusesThem) {
    auto rows = makeRows(1000);
    auto table = showTable(*m_window, rows);
    EXPECT_EQ(table->contentSize().height, 44000);
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(rows->made, 10);
    table->setContentOffset({0, 20000});
    ASSERT_FALSE(table->indexPathsForVisibleRows().empty());
    EXPECT_EQ(table->indexPathsForVisibleRows().front().row, 454);
    EXPECT_LE(rows->made, 12); // old cells came back from the queue
    EXPECT_EQ(table->cellForRow({0, 460})->textLabel().text(), "第460章");
    EXPECT_EQ(table->cellForRow({0, 0}), nullptr);
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 20000 + 45}), (IndexPath{0, 455}));
}

// A grouped section without a title still has a header gap; scrolling it out
// of sight and reloading must not touch a header view that was never made.
TEST_F(ScrollTableTest, AGroupedTableWithoutHeaderTitlesScrollsAndReloads) {
    auto rows = makeRows(40);
    auto table = showTable(*m_window, rows, TableViewStyle::Grouped);
    table->setContentOffset({0, 1200});
    EXPECT_FALSE(table->indexPathsForVisibleRows().empty());
    table->setContentOffset({0, 0});
    table->reloadData();
    table->setContentOffset({0, 600});
    EXPECT_EQ(table->cellForRow({0, 20})->textLabel().text(), "第20章");
}

TEST_F(ScrollTableTest, BackgroundViewStaysBehindTheRowsAndInSight) {
    auto rows = makeRows(100);
    auto table = showTable(*m_window, rows);
    auto background = View::create<View>(Rect(0, 0, 1, 1));
    table->setBackgroundView(background);
    EXPECT_EQ(table->subviews().front(), background);
    EXPECT_EQ(background->frame(), Rect(0, 0, 320, 440));
    table->setContentOffset({0, 2000});
    // New rows came into sight: all above the background, which moved along.
    EXPECT_EQ(table->subviews().front(), background);
    EXPECT_EQ(background->frame(), Rect(0, 2000, 320, 440));
    tap({100, 10}); // rows still take the touches
    EXPECT_EQ(rows->selected, (std::vector<IndexPath>{{0, 45}}));
    auto other = View::create<View>(Rect(0, 0, 1, 1));
    table->setBackgroundView(other);
    EXPECT_EQ(background->superview(), nullptr);
    EXPECT_EQ(table->subviews().front(), other);
    table->setBackgroundView(nullptr);
    EXPECT_EQ(other->superview(), nullptr);
    EXPECT_EQ(table->backgroundView(), nullptr);
}

TEST_F(ScrollTableTest, TappingARowSelectsIt) {
    auto rows = makeRows(20);
    auto table = showTable(*m_window, rows);
    tap({100, 44 * 3 + 10});
    ASSERT_EQ(rows->selected.size(), 1u);
    EXPECT_EQ(rows->selected[0], (IndexPath{0, 3}));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 3}));
    EXPECT_TRUE(table->cellForRow({0, 3})->isSelected());
    tap({100, 44 * 5 + 10});
    EXPECT_FALSE(table->cellForRow({0, 3})->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 5}));
}

TEST_F(ScrollTableTest, SwipeShowsDeleteAndItsTapDeletesTheRow) {
    auto rows = makeRows(5);
    auto table = showTable(*m_window, rows);
    drag({250, 44 + 20}, {100, 44 + 20}, 0.15, 6);
    ASSERT_EQ(table->swipedRow(), (IndexPath{0, 1}));
    auto* cell = table->cellForRow({0, 1});
    ASSERT_TRUE(cell->showingDeleteConfirmation());
    settle();
    tapView(cell->deleteConfirmationButton());
    EXPECT_EQ(rows->rows.size(), 4u);
    EXPECT_EQ(rows->rows[1], "第2章");
    EXPECT_FALSE(table->swipedRow());
    settle();
    EXPECT_EQ(table->cellForRow({0, 1})->textLabel().text(), "第2章");
    // A swipe then a tap elsewhere only puts the row back.
    drag({250, 20}, {100, 20}, 0.15, 6);
    ASSERT_TRUE(table->swipedRow());
    tap({100, 300});
    EXPECT_FALSE(table->swipedRow());
    EXPECT_EQ(rows->rows.size(), 4u);
}

TEST_F(ScrollTableTest, EditingModeMarksEditableCells) {
    struct ReadOnlyFirst : Rows {
        bool canEditRow(TableView&, const IndexPath& ip) override { return ip.row != 0; }
    };
    auto rows = std::make_shared<ReadOnlyFirst>();
    rows->rows = {"a", "b", "c"};
    auto table = showTable(*m_window, rows, TableViewStyle::Grouped);
    table->setEditing(true);
    EXPECT_FALSE(table->cellForRow({0, 0})->isEditing());
    EXPECT_TRUE(table->cellForRow({0, 1})->isEditing());
    EXPECT_EQ(table->rectForRow({0, 0}).x(), 10); // grouped rows are inset
    tap({100, table->rectForRow({0, 1}).midY()});
    EXPECT_TRUE(rows->selected.empty()); // no selection while editing
    table->setEditing(false);
    EXPECT_FALSE(table->cellForRow({0, 1})->isEditing());
}

} // namespace
} // namespace pw::ui::test
