#include "shelf/GridLayout.h"
#include "shelf/GridPaging.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace pw {
namespace {

TEST(GridPaging, PageArithmetic) {
    struct Case {
        double x;
        double w;
        int page;
    };
    const std::vector<Case> cases = {
        {0, 320, 0},         {159, 320, 0},  {160, 320, 1},   {320, 320, 1},  {1.4 * 320, 320, 1},
        {1.6 * 320, 320, 2}, {-160, 320, 0}, {-161, 320, -1}, {1279, 320, 4}, {100, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridPaging::pageAtOffset(c.x, c.w), c.page) << c.x << " / " << c.w;

    // Categories A and B: search, first category, A, B.
    const int pages = 4;
    EXPECT_EQ(GridPaging::pageControlWidth(pages), 64);
    EXPECT_EQ(GridPaging::pageControlX(320, 64), 128);
    EXPECT_EQ(GridPaging::titleIndex(1, pages), std::optional<int>(1));
    EXPECT_EQ(GridPaging::titleIndex(-1, pages), std::nullopt);
    EXPECT_EQ(GridPaging::titleIndex(4, pages), std::nullopt);
    EXPECT_EQ(GridPaging::clampPage(-1, pages), 0);
    EXPECT_EQ(GridPaging::clampPage(7, pages), 3);
    EXPECT_EQ(GridPaging::pagesToLoad(0, pages), (std::vector<int>{0, 1}));
    EXPECT_EQ(GridPaging::pagesToLoad(2, pages), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(GridPaging::pagesToLoad(3, pages), (std::vector<int>{2, 3}));
    EXPECT_EQ(GridPaging::pagesToLoad(5, pages), (std::vector<int>{}));
    EXPECT_EQ(GridPaging::pageForCategoryRow(0), 1);
}

TEST(GridLayout, TilesRowsAndRanges) {
    struct Case {
        bool tablet;
        double w, h;
        int books;
        std::vector<int> rowSizes;
    };
    const std::vector<Case> cases = {
        {false, 480, 320, 7, {4, 3}},    {false, 320, 480, 7, {3, 3, 1}}, {false, 320, 320, 3, {3}},
        {true, 768, 1024, 9, {4, 4, 1}}, {true, 1024, 768, 12, {6, 6}},   {false, 320, 480, 0, {}},
    };
    for (const Case& c : cases) {
        const int per = GridLayout::tilesPerRow(c.tablet, c.w, c.h);
        std::vector<int> sizes;
        int next = 0;
        for (int r = 0; r < GridLayout::rowCount(c.books, per); ++r) {
            const auto range = GridLayout::rowRange(r, per, c.books);
            EXPECT_EQ(range.first, next);
            EXPECT_EQ(range.first % per, 0); // the row starts at tile slot 0
            next = range.end;
            sizes.push_back(range.end - range.first);
        }
        EXPECT_EQ(sizes, c.rowSizes) << c.w << "x" << c.h;
    }
    EXPECT_EQ(GridLayout::rowHeight(false), 130);
    EXPECT_EQ(GridLayout::rowHeight(true), 188);
}

TEST(GridLayout, PageBooks) {
    auto book = [](int64_t bid, int64_t cid, const char* name, int64_t read) {
        BookRecord b;
        b.bid = bid;
        b.cid = cid;
        b.bname = name;
        b.lstReadt = read;
        return b;
    };
    const std::vector<BookRecord> all = {book(1, 5, "Alpha", 10), book(2, 7, "beta", -1), book(3, 5, "gamma", -1)};
    using K = GridLayout::PageKind;
    struct Case {
        K kind;
        int shelf;
        int64_t cid;
        bool searching;
        const char* text;
        std::vector<int64_t> want;
    };
    const std::vector<Case> cases = {
        {K::Search, 1, 0, false, "", {}},          {K::Search, 1, 0, true, "", {}},
        {K::Search, 1, 0, true, "A", {1, 2, 3}},   {K::Search, 1, 0, true, "ALP", {1}},
        {K::FirstCategory, 1, -1, false, "", {1}}, {K::FirstCategory, 2, -1, false, "", {1, 2, 3}},
        {K::Category, 1, 5, false, "", {1, 3}},    {K::Category, 1, 5, true, "GAM", {3}},
        {K::Category, 1, 5, true, "", {1, 3}},     {K::Category, 1, 9, false, "", {}},
    };
    for (const Case& c : cases) {
        std::vector<int64_t> got;
        for (const BookRecord* b : GridLayout::pageBooks(c.kind, all, c.shelf, c.cid, c.searching, c.text))
            got.push_back(b->bid);
        EXPECT_EQ(got, c.want) << static_cast<int>(c.kind) << " " << c.text;
    }
}

} // namespace
} // namespace pw
