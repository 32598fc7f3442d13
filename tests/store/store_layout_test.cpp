// The store's lists laid out for the phone and the tablet: every list's rows
// span the window with the disclosure indicator at their right edge, and the
// paged lists' load-more footer spans the width under the last row.
#include "StoreScreenTest.h"

#include "foundation/widgets/MyRefreshTableFooterView.h"
#include "platform/ui/TableViewCell.h"
#include "store/StoreCategoryBookController.h"
#include "store/StoreCategoryViewController.h"
#include "store/StoreHomeViewController.h"
#include "store/StoreSearchResultController.h"
#include "store/StoreTopBookController.h"
#include "support/Idioms.h"

namespace pw::test {
namespace {

class StoreLayoutTest : public StoreScreenTest {};

TEST_F(StoreLayoutTest, ListRowsShowTheirIndicatorAtTheRightEdgeOnPhoneAndTablet) {
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        useIdiom(*m_window, idiom);
        settle();
        const double W = idiom.w;
        // Each list's first row: the table and the row as wide as the window,
        // the arrow's right edge at the row's.
        auto firstRow = [&](const char* screen, ui::TableView& table) {
            SCOPED_TRACE(screen);
            table.layoutIfNeeded();
            EXPECT_EQ(table.bounds().width(), W);
            auto* cell = table.cellForRow({0, 0});
            ASSERT_NE(cell, nullptr);
            cell->layoutIfNeeded();
            EXPECT_EQ(cell->frame().width(), W);
            EXPECT_EQ(static_cast<ui::TableViewCellAccessory>(cell->accessoryType),
                      ui::TableViewCellAccessory::DisclosureIndicator);
            ASSERT_NE(cell->accessoryIndicator(), nullptr);
            EXPECT_EQ(cell->accessoryIndicator()->frame().maxX(), W);
            EXPECT_LE(cell->contentView().frame().maxX(), cell->accessoryIndicator()->frame().x());
        };
        auto footerSpans = [&](const char* screen, StoreBookListController& books) {
            SCOPED_TRACE(screen);
            auto* footer = books.refreshFooter();
            ASSERT_NE(footer, nullptr);
            EXPECT_EQ(footer->frame().x(), 0);
            EXPECT_EQ(footer->frame().width(), W);
        };

        auto home = show(StoreHomeViewController::create());
        ASSERT_TRUE(waitFor([&] { return home->data().asArray() && home->data().asArray()->size() == 3; }));
        firstRow("home", *home->recTable());
        keepScreen(std::string("layout-home-") + idiom.name);

        auto index = show(StoreCategoryViewController::create());
        ASSERT_TRUE(waitFor([&] { return index->arrPaiHang().asArray()->size() == 3; }));
        firstRow("rankings", *index->tableWithTag(StoreCategoryViewController::kRankingTag));

        auto top = StoreTopBookController::create();
        top->setTopId(1);
        show(top);
        ASSERT_TRUE(waitFor([&] { return top->currPage() == 1; }));
        pass(0.1);
        firstRow("top list", *top->table());
        footerSpans("top list", *top);
        keepScreen(std::string("layout-top-list-") + idiom.name);

        auto found = StoreSearchResultController::create();
        found->keyword = "诗";
        show(found);
        ASSERT_TRUE(waitFor([&] { return found->currPage() == 1; }));
        pass(0.1);
        firstRow("search results", *found->table());
        footerSpans("search results", *found);

        auto books = StoreCategoryBookController::create();
        books->setChannelId(2);
        show(books);
        ASSERT_TRUE(waitFor([&] { return !books->arrBookData().empty(); }));
        pass(0.1);
        firstRow("category books", *books->table());
        m_window->setRootViewController(nullptr);
        settle();
    }
}

} // namespace
} // namespace pw::test
