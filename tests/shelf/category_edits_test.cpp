#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/DBTestHome.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "shelf/BooklistSections.h"
#include "shelf/ShelfCategoryEdits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw {
namespace {

TEST(ShelfCategoryEdits, NamesAreCutOnCharacterBoundaries) {
    struct Case {
        std::string in, want;
    };
    const std::string fourteen = "一二三四五六七八九十一二三四";
    const std::vector<Case> cases = {
        {"短", "短"},
        {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmno"},
        {fourteen + "五六", fourteen + "五"},
        {fourteen + "😀", fourteen}, // the pair would straddle the cut: it goes whole
        {"一二三四五六七八九十一二三😀", "一二三四五六七八九十一二三😀"}, // 13 + a pair = 15 units
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShelfCategoryEdits::cutName(c.in), c.want) << c.in;
}

class ShelfCategoryDb : public DBTestHome {
protected:
    void SetUp() override {
        DBTestHome::SetUp();
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        ASSERT_TRUE(ShelfCategoryEdits::addCategory("小说"));
        m_cid = categoryId("小说");
        ASSERT_GT(m_cid, 0);
        for (const char* name : {"a", "b"}) {
            int64_t bid = 0;
            BookTB::addLocalBookWithBookName(name, "", std::string(name) + ".txt", "txt", "", &bid);
            m_books.push_back(bid);
        }
        ASSERT_TRUE(BookTB::updateBooks(m_books, m_cid));
    }
    static int64_t categoryId(const std::string& name) {
        for (const auto& c : CategoryTB::getAllCategory().value_or(core::Value::Array{}))
            if (c["cname"].asString() == name)
                return c["cid"].asInt().value_or(0);
        return 0;
    }
    static size_t booksIn(int64_t cid) {
        return BookTB::getAllBooksWithCategoryId(cid).value_or(core::Value::Array{}).size();
    }

    int64_t m_cid{0};
    std::vector<int64_t> m_books;
};

TEST_F(ShelfCategoryDb, AddRenameAndDeleteMovingBooks) {
    EXPECT_FALSE(ShelfCategoryEdits::addCategory(""));
    EXPECT_FALSE(ShelfCategoryEdits::renameCategory("", m_cid, "小说"));
    EXPECT_FALSE(ShelfCategoryEdits::renameCategory("小说", m_cid, "小说"));
    EXPECT_TRUE(ShelfCategoryEdits::renameCategory("abcdefghijklmnopq", m_cid, "小说"));
    EXPECT_EQ(categoryId("abcdefghijklmno"), m_cid);

    EXPECT_FALSE(ShelfCategoryEdits::deleteCategory(-1));
    ASSERT_EQ(booksIn(m_cid), 2u);
    EXPECT_TRUE(ShelfCategoryEdits::deleteCategory(m_cid));
    EXPECT_EQ(categoryId("abcdefghijklmno"), 0);
    EXPECT_EQ(booksIn(m_cid), 0u);
    EXPECT_EQ(booksIn(-1), 2u);
}

TEST_F(ShelfCategoryDb, AFailedDeleteLeavesTheBooksInTheirCategory) {
    {
        SQLDatabase db(MainDB::mainDBPath().string());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(
            db.executeUpdate("create trigger keep before delete on category begin select raise(abort, 'kept'); end"));
    }
    EXPECT_FALSE(ShelfCategoryEdits::deleteCategory(m_cid));
    EXPECT_EQ(booksIn(m_cid), 2u); // the move was rolled back with the failed delete
    EXPECT_EQ(booksIn(-1), 0u);
    EXPECT_NE(categoryId("小说"), 0);
}

TEST_F(ShelfCategoryDb, OpeningAListSectionShowsItsRowsAndIsStored) {
    auto stored = [&] {
        for (const auto& c : CategoryTB::getAllCategory().value_or(core::Value::Array{}))
            if (c["cid"].asInt() == m_cid)
                return c["expand"].asInt().value_or(-1);
        return int64_t{-1};
    };
    std::vector<CategoryRecord> cats = {{-1, "导入电子书", 0}, {m_cid, "小说", 1}};
    std::vector<BookRecord> books(5);
    for (BookRecord& b : books)
        b.cid = m_cid;
    ASSERT_TRUE(BooklistSections::setSectionOpen(cats, 1, false, false));
    EXPECT_EQ(stored(), 1);
    auto sections = BooklistSections::archive(cats, &books, 1, false, "");
    EXPECT_EQ(BooklistSections::amountText(sections[1].amount), "（共 5 本）");
    EXPECT_TRUE(sections[1].books.empty());

    EXPECT_FALSE(BooklistSections::setSectionOpen(cats, 1, true, true)); // taps do nothing while searching
    EXPECT_EQ(cats[1].expand, 1);
    ASSERT_TRUE(BooklistSections::setSectionOpen(cats, 1, true, false));
    EXPECT_EQ(stored(), 0);
    EXPECT_EQ(BooklistSections::archive(cats, &books, 1, false, "")[1].books.size(), 5u);

    // The synthetic first section changes in memory only.
    ASSERT_TRUE(BooklistSections::setSectionOpen(cats, 0, false, false));
    EXPECT_EQ(cats[0].expand, 1);
    EXPECT_FALSE(BooklistSections::setSectionOpen(cats, 2, true, false));
}

} // namespace
} // namespace pw
