#include "foundation/codec/JSONCodec.h"
#include "platform/core/DateFormatter.h"
#include "store/StoreBookRow.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

core::Value row(std::string_view json) {
    auto v = objectFromJSONString(json);
    EXPECT_TRUE(v) << json;
    return v ? *v : core::Value();
}

TEST(StoreBookRowTest, RowsBecomeRecords) {
    const core::DateFormatter format("yyyy-MM-dd HH:mm", "en_US_POSIX", "GMT");
    struct Case {
        const char* what;
        const char* json;
        bool placeholders;
        const char* author;
        const char* chapter;
        const char* time;
        long bookId;
        int imageStatus;
    };
    const Case cases[] = {
        {"the paid chapter is newer",
         R"({"BookName":"论语","AuthorName":"孔子","LastUpdateChapterID":10,"LastVipUpdateChapterId":12,
             "LastUpdateChapterName":"学而","LastChapterUpdateTime":0,"LastVipUpdateChapterName":"为政",
             "LastVipChapterUpdateTime":1262304000000,"BookId":1002,"ImageStatus":1})",
         false, "小说作者：孔子", "最新章节：为政", "更新时间：2010-01-01 00:00", 1002, 1},
        {"equal ids choose the paid pair",
         R"({"AuthorName":"a","LastUpdateChapterID":12,"LastVipUpdateChapterId":12,"LastUpdateChapterName":"free",
             "LastChapterUpdateTime":5000,"LastVipUpdateChapterName":"paid","LastVipChapterUpdateTime":1500,
             "BookId":7,"ImageStatus":0})",
         false, "小说作者：a", "最新章节：paid", "更新时间：1970-01-01 00:00", 7, 0},
        {"the free chapter is newer; milliseconds are cut",
         R"({"AuthorName":"a","LastUpdateChapterID":3000000001,"LastVipUpdateChapterId":-1,
             "LastUpdateChapterName":"free","LastChapterUpdateTime":1262304059999,"BookId":3000000005})",
         false, "小说作者：a", "最新章节：free", "更新时间：2010-01-01 00:00", 3000000005L, -1},
        {"placeholders for a short row",
         R"({"BookId":5,"LastUpdateChapterID":1,"LastVipUpdateChapterId":0,"LastChapterUpdateTime":0})", true,
         "小说作者：暂无数据", "最新章节：暂无数据", "更新时间：暂无数据", 5, -1},
        {"odd types never fail the row",
         R"({"BookId":"42","AuthorName":null,"LastUpdateChapterID":[],"LastVipUpdateChapterId":{},
             "LastVipUpdateChapterName":3,"ImageStatus":"x"})",
         false, "小说作者：暂无数据", "最新章节：3", "更新时间：暂无数据", 42, -1},
        {"not even an object", "[1,2]", false, "小说作者：暂无数据", "最新章节：暂无数据", "更新时间：暂无数据", 0, -1},
    };
    for (const auto& c : cases) {
        auto info = StoreBookRow(row(c.json)).cellBookInfo(format, {.placeholders = c.placeholders});
        EXPECT_EQ(info->authorName, c.author) << c.what;
        EXPECT_EQ(info->chapterName, c.chapter) << c.what;
        EXPECT_EQ(info->chapterUpdateTime, c.time) << c.what;
        EXPECT_EQ(info->bookId, c.bookId) << c.what;
        EXPECT_EQ(info->imageStatus, c.imageStatus) << c.what;
    }
    // Without placeholders a real time of 0 is the first day of 1970.
    auto zero =
        StoreBookRow(row(R"({"LastVipUpdateChapterName":"p","LastVipChapterUpdateTime":0})")).cellBookInfo(format, {});
    EXPECT_EQ(zero->chapterUpdateTime, "更新时间：1970-01-01 00:00");
}

TEST(StoreBookRowTest, TopListRecordsKeepImageStatusUnreadAndJoinTheExtraLine) {
    const core::DateFormatter format("yyyy-MM-dd HH:mm", "en_US_POSIX", "GMT");
    auto plus = StoreBookRow(row(R"({"BookName":"诗经","ImageStatus":0,"ExtraName":"字数：","ExtraValue":"1234",
                                     "LastVipChapterUpdateTime":0})"))
                    .cellBookInfoPlus(format);
    EXPECT_EQ(plus->bookName, "诗经");
    EXPECT_EQ(plus->imageStatus, -1);
    EXPECT_EQ(plus->extraMsg, "字数：1234");
    EXPECT_EQ(plus->chapterUpdateTime, "更新时间：暂无数据");
    EXPECT_EQ(StoreBookRow(row(R"({"ExtraName":"字数："})")).cellBookInfoPlus(format)->extraMsg, "");
    EXPECT_EQ(RZCellBookInfo().imageStatus, -1);
}

} // namespace
} // namespace pw
