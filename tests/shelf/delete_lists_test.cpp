#include "shelf/BookSelection.h"
#include "shelf/ShelfDeleteLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pw {
namespace {

using S = ShelfDeleteLists::Selected;

TEST(ShelfDeleteLists, RowsAndStatements) {
    struct Case {
        const char* what;
        std::vector<S> selection;
        std::vector<int64_t> rzRemoved; // site books whose database goes
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {"a UMD and a TXT book: one list of both, no trailing comma",
         {{3, -999, "a/三国.UMD"}, {5, -999, "b.txt"}},
         {},
         {"delete from book where BookId in(3,5)", "delete from bookmark where BookId in(3,5)"}},
        {"books being downloaded run no statement", {{3, 77, "77.rz", true}, {4, -999, "x.txt", true}}, {77}, {}},
        {"a site book whose database stays is kept whole",
         {{6, 80, "80.rz"}, {7, 81, "81.RZ"}},
         {81},
         {"delete from book where BookId in(7)", "delete from bookmark where BookId in(7)"}},
        {"other types and names without an extension are left",
         {{8, -999, "x.epub"}, {9, -999, "dir.txt/book"}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        std::vector<int64_t> asked;
        const auto rows = ShelfDeleteLists::rowsToDelete(c.selection, [&](const S& s) {
            asked.push_back(s.rzid);
            return std::find(c.rzRemoved.begin(), c.rzRemoved.end(), s.rzid) != c.rzRemoved.end();
        });
        EXPECT_EQ(ShelfDeleteLists::deleteStatements(rows), c.want) << c.what;
        for (int64_t rz : asked) // only site books not downloading are asked
            EXPECT_GT(rz, 0) << c.what;
    }
}

TEST(ShelfDeleteLists, IdListsAndMoves) {
    EXPECT_EQ(ShelfDeleteLists::idList({}), "");
    EXPECT_EQ(ShelfDeleteLists::idList({12, 7}), "12,7,"); // the site gets the final comma
    EXPECT_EQ(ShelfDeleteLists::trimmedIdList({12, 7}), "12,7");
    EXPECT_EQ(ShelfDeleteLists::trimmedIdList({}), "");
    const std::vector<S> selection = {{1, -999, "a.txt"}, {2, 55, "55.rz"}, {3, -999, "b.umd"}};
    EXPECT_EQ(ShelfDeleteLists::movableBookIds(selection), (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(ShelfDeleteLists::moveTarget(-5), -1);
    EXPECT_EQ(ShelfDeleteLists::moveTarget(4), 4);
}

TEST(BookSelection, SelectAllTogglesAndTakeEmpties) {
    std::vector<BookRecord> books(3);
    for (int i = 0; i < 3; ++i) {
        books[i].bid = 10 + i;
        books[i].cid = i; // every category of the shelf counts
        books[i].rzId = i == 1 ? 501 : -999;
        books[i].file = i == 1 ? "501.rz" : "b.txt";
    }
    BookSelection sel;
    sel.toggle(books[1]);
    EXPECT_TRUE(sel.isSelected(11));
    sel.toggle(books[1]); // the same book again: deselected, others untouched
    EXPECT_TRUE(sel.empty());

    sel.toggle(books[0]);
    sel.selectAllBooks(books); // every book, those chosen before included, once
    EXPECT_EQ(sel.size(), 3u);
    sel.clear();
    EXPECT_TRUE(sel.empty());

    sel.selectAllBooks(books);
    const auto taken = sel.take([](int64_t rzid) { return rzid == 501; });
    EXPECT_TRUE(sel.empty());
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_TRUE(taken[1].downloading);
    EXPECT_EQ(
        ShelfDeleteLists::deleteStatements(ShelfDeleteLists::rowsToDelete(taken, [](const auto&) { return true; })),
        (std::vector<std::string>{"delete from book where BookId in(10,12)",
                                  "delete from bookmark where BookId in(10,12)"}));
    EXPECT_EQ(ShelfDeleteLists::movableBookIds(taken), (std::vector<int64_t>{10, 12}));
}

} // namespace
} // namespace pw
