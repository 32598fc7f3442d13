#include "reader/ChapterGrouping.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

std::vector<int64_t> ids(const std::vector<ChapterListEntry>& rows) {
    std::vector<int64_t> out;
    for (const auto& r : rows)
        out.push_back(r.cid);
    return out;
}

TEST(ChapterGrouping, VolumesSortedAndChaptersInReadingOrder) {
    const std::vector<ChapterListEntry> chapters{{1, "a", 20}, {2, "b", 3}, {3, "c", 20}, {4, "d", 7}, {5, "e", 3}};
    const std::vector<VolumeRecord> volumes{{"20", "第二卷"}, {"3", "第一卷"}, {"9", "空卷"}};
    struct Case {
        int64_t mark;
        int section, row;
    };
    const Case cases[] = {{3, 3, 1}, {2, 0, 0}, {5, 0, 1}, {4, 1, 0}, {99, -1, -1}, {0, -1, -1}};
    for (const auto& c : cases) {
        const auto g = archiveChapters(chapters, volumes, c.mark);
        // A chapter of an unknown volume adds "分卷 7"; codes sort as numbers.
        ASSERT_EQ(g.arrVolume,
                  (std::vector<VolumeRecord>{{"3", "第一卷"}, {"7", "分卷 7"}, {"9", "空卷"}, {"20", "第二卷"}}));
        EXPECT_EQ(ids(g.section(0)), (std::vector<int64_t>{2, 5}));
        EXPECT_EQ(ids(g.section(1)), (std::vector<int64_t>{4}));
        EXPECT_TRUE(g.section(2).empty());
        EXPECT_EQ(ids(g.section(3)), (std::vector<int64_t>{1, 3}));
        EXPECT_TRUE(g.section(4).empty());
        EXPECT_EQ(g.scrollToSection, c.section) << c.mark;
        EXPECT_EQ(g.scrollToRow, c.row) << c.mark;
    }
}

TEST(ChapterGrouping, NoVolumesMakesOneSection) {
    const auto g = archiveChapters({{1, "a", 5}, {2, "b", 6}}, {}, 2);
    EXPECT_EQ(g.arrVolume, (std::vector<VolumeRecord>{{"-1", "全部"}}));
    EXPECT_EQ(ids(g.section(0)), (std::vector<int64_t>{1, 2}));
    EXPECT_EQ(g.scrollToSection, 0);
    EXPECT_EQ(g.scrollToRow, 1);
    const auto empty = archiveChapters({}, {}, 0);
    EXPECT_EQ(empty.arrVolume.size(), 1u);
    EXPECT_TRUE(empty.section(0).empty());
}

TEST(ChapterGrouping, VolumeCodes) {
    EXPECT_EQ(volumeCodeOf("12"), 12);
    EXPECT_EQ(volumeCodeOf("-1"), -1);
    EXPECT_EQ(volumeCodeOf("abc"), 0);
    EXPECT_EQ(volumeCodeOf("4294967297"), 1); // narrowed like the stored lists
}

} // namespace
} // namespace pw
