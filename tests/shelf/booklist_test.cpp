#include "platform/core/DateFormatter.h"
#include "shelf/BooklistSections.h"
#include "shelf/LastReadText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw {
namespace {

BookRecord book(int64_t bid, int64_t cid, std::string name, int64_t lstReadt = 100) {
    BookRecord b;
    b.bid = bid;
    b.cid = cid;
    b.bname = std::move(name);
    b.lstReadt = lstReadt;
    return b;
}

// Book ids of each section's rows, and each section's count.
std::vector<std::pair<std::vector<int64_t>, int>> shape(const std::vector<BooklistSections::Section>& sections) {
    std::vector<std::pair<std::vector<int64_t>, int>> out;
    for (const auto& s : sections) {
        std::vector<int64_t> ids;
        for (const BookRecord* b : s.books)
            ids.push_back(b->bid);
        out.emplace_back(ids, s.amount);
    }
    return out;
}

using Shape = std::vector<std::pair<std::vector<int64_t>, int>>;

TEST(BooklistSections, SortsBooksByOpenStateSearchAndShelf) {
    // Site shelf: synthetic "最近阅读", an open group 5, a closed group 7.
    const std::vector<BookRecord> books = {
        book(1, 5, "Alpha"), book(2, 7, "beta"),     book(3, 5, "Gamma", -1),
        book(4, 7, "Delta"), book(5, 7, "ALPHABET"), book(6, 9, "orphan"),
    };
    struct Case {
        const char* what;
        int firstExpand;
        int closedExpand;
        int bookcaseType;
        bool searching;
        const char* text;
        Shape want;
    };
    const std::vector<Case> cases = {
        {"never-read books stay out of the first section only",
         0,
         1,
         1,
         false,
         "",
         {{{1, 2, 4, 5, 6}, 5}, {{1, 3}, 2}, {{}, 3}}},
        {"a closed first section counts without rows", 1, 0, 1, false, "", {{{}, 5}, {{1, 3}, 2}, {{2, 4, 5}, 3}}},
        {"search opens every section and counts matches in any case",
         1,
         1,
         1,
         true,
         "a",
         {{{1, 2, 4, 5, 6}, 5}, {{1, 3}, 2}, {{2, 4, 5}, 3}}},
        {"search for a word", 0, 1, 1, true, "alpha", {{{1, 5}, 2}, {{1}, 1}, {{5}, 1}}},
        {"search text without the search flag is ignored",
         0,
         1,
         1,
         false,
         "alpha",
         {{{1, 2, 4, 5, 6}, 5}, {{1, 3}, 2}, {{}, 3}}},
        {"searching with an empty text is no search", 0, 1, 1, true, "", {{{1, 2, 4, 5, 6}, 5}, {{1, 3}, 2}, {{}, 3}}},
        {"the local shelf puts every book in the first section and each in its category's",
         0,
         0,
         2,
         false,
         "",
         {{{1, 2, 3, 4, 5, 6}, 6}, {{1, 3}, 2}, {{2, 4, 5}, 3}}},
        {"a closed local category counts its books", 0, 1, 2, false, "", {{{1, 2, 3, 4, 5, 6}, 6}, {{1, 3}, 2}, {{}, 3}}},
        {"the local shelf searches every section", 0, 1, 2, true, "GAM", {{{3}, 1}, {{3}, 1}, {{}, 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<CategoryRecord> cats = {
            {-1, "最近阅读", c.firstExpand}, {5, "书架1", 0}, {7, "书架2", c.closedExpand}};
        EXPECT_EQ(shape(BooklistSections::archive(cats, &books, c.bookcaseType, c.searching, c.text)), c.want)
            << c.what;
    }
}

TEST(BooklistSections, EdgesOfTheInputs) {
    const std::vector<CategoryRecord> cats = {{-1, "导入电子书", 0}, {5, "x", 0}};
    // No book list yet: one empty section per category.
    EXPECT_EQ(shape(BooklistSections::archive(cats, nullptr, 1, false, "")), (Shape{{{}, 0}, {{}, 0}}));
    const std::vector<BookRecord> books = {book(1, 5, "x")};
    EXPECT_TRUE(BooklistSections::archive({}, &books, 1, false, "").empty());
    // Without a -1 entry the first section is treated as closed.
    const std::vector<CategoryRecord> noFirst = {{5, "x", 0}};
    EXPECT_EQ(shape(BooklistSections::archive(noFirst, &books, 1, false, "")), (Shape{{{}, 1}}));

    EXPECT_TRUE(BooklistSections::nameMatches("三国演义", "演义"));
    EXPECT_FALSE(BooklistSections::nameMatches("三国演义", "水浒"));
    EXPECT_TRUE(BooklistSections::nameMatches("Straße", "STRASSE")); // full case folding
    EXPECT_TRUE(BooklistSections::headerOpen({7, "", 1}, true));
    EXPECT_FALSE(BooklistSections::headerOpen({7, "", 1}, false));
    EXPECT_EQ(BooklistSections::amountText(5), "（共 5 本）");
}

TEST(LastReadText, Table) {
    const core::DateFormatter fmt("yyyy-MM-dd HH:mm", "en_US_POSIX", "GMT");
    const double now = 1'700'000'000.0; // 2023-11-14 22:13:20 GMT
    struct Case {
        int64_t t;
        const char* want;
    };
    const int64_t n = static_cast<int64_t>(now);
    const std::vector<Case> cases = {
        {-1, "尚未开始阅读"},
        {0, "尚未开始阅读"},
        {n, "刚刚读过"},
        {n - 59, "刚刚读过"},
        {n + 500, "刚刚读过"},
        {n - 60, "1 分钟前读过"},
        {n - 61, "1 分钟前读过"},
        {n - 3599, "59 分钟前读过"},
        {n - 3600, "1 小时前读过"},
        {n - (3 * 3600 + 5 * 60), "3 小时前读过"},
        {n - 86399, "23 小时前读过"},
        {n - 86400, "上次阅读：2023-11-13 22:13"},
        {n - 2 * 86400, "上次阅读：2023-11-12 22:13"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LastReadText::text(c.t, now, fmt), c.want) << c.t - n;
}

} // namespace
} // namespace pw
