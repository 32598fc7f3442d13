#include "reader/ChptsBookmarksModel.h"

#include <gtest/gtest.h>

#include <fstream>

#include "reading/umd/UmdWriter.h"
#include "support/TempDir.h"

namespace pw {
namespace {

TEST(ChptsBookmarks, UmdContentsMarkTheOpenChapter) {
    test::TempDir dir;
    test::UmdWriter writer;
    writer.chapters = {{u"第一章", u"甲乙"}, {u"第二章", u"丙丁"}, {u"第三章", u"戊"}};
    const std::string path = (dir.path() / "b.umd").string();
    test::UmdWriter::write(path, writer.build());
    const auto offsets = writer.chapterOffsets();

    ChptsBookmarksModel m;
    EXPECT_FALSE(m.canSelectItem());
    EXPECT_FALSE(m.pick(0));
    m.loadUmdContents(path, offsets[1]);
    ASSERT_EQ(m.rowCount(), 3u);
    EXPECT_EQ(m.rowTitle(2), "第三章");
    EXPECT_EQ(m.scrollToIndex(), 1);
    const auto p = m.pick(2);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->umdOffset, offsets[2]);
}

TEST(ChptsBookmarks, DamagedUmdEndsWithAnError) {
    test::TempDir dir;
    const std::string path = (dir.path() / "bad.umd").string();
    std::ofstream(path, std::ios::binary) << "broken";
    ChptsBookmarksModel m;
    m.loadUmdContents(path, 0);
    EXPECT_EQ(m.error(), "章节读取失败");
    EXPECT_TRUE(m.canSelectItem());
    EXPECT_EQ(m.rowCount(), 0u);
    EXPECT_FALSE(m.pick(0));
}

TEST(ChptsBookmarks, LateContentsAfterTheTabSwitchAreDropped) {
    ChptsBookmarksModel m;
    m.showBookmarks({{1, 5, 100, 20, "书签一", 1.5}});
    m.updateTxtContents({{"第一章", 0, 0}});
    EXPECT_EQ(m.rowCount(), 1u);
    EXPECT_EQ(m.rowTitle(0), "书签一");
    m.showContents();
    EXPECT_EQ(m.rowCount(), 0u);
    m.updateTxtContents({{"第一章", 0, 0}, {"第二章", 20480, 12}});
    const auto p = m.pick(1);
    ASSERT_TRUE(p && p->txtEntry);
    EXPECT_EQ(*p->txtEntry, (TxtChapterEntry{"第二章", 20480, 12}));
}

TEST(ChptsBookmarks, RowGoesOnlyWhenTheDeleteSucceeded) {
    ChptsBookmarksModel m;
    m.showBookmarks({{1, 5, 100, 20, "一", 1}, {2, 5, 200, 30, "二", 2}});
    EXPECT_FALSE(m.deleteBookmark(0, [](int64_t) { return false; }));
    EXPECT_EQ(m.rowCount(), 2u);
    int64_t deleted = 0;
    EXPECT_TRUE(m.deleteBookmark(1, [&](int64_t id) {
        deleted = id;
        return true;
    }));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(m.rowCount(), 1u);
    EXPECT_FALSE(m.deleteBookmark(5, [](int64_t) { return true; }));
    const auto p = m.pick(0);
    ASSERT_TRUE(p && p->bookmark);
    EXPECT_EQ(p->bookmark->pos, 100);
    EXPECT_EQ(p->bookmark->pos2, 20);
}

} // namespace
} // namespace pw
