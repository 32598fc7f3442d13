#include "store/StoreBookRow.h"

#include "platform/core/DateFormatter.h"

#include <charconv>

namespace pw {
namespace {

constexpr const char* kNoData = "暂无数据";

std::optional<std::string> text(const core::Value& row, const char* key) {
    const core::Value* v = row.get(key);
    if (!v)
        return std::nullopt;
    if (v->isString())
        return v->asString();
    if (auto n = v->asInt())
        return std::to_string(*n);
    return std::nullopt;
}

// Numbers, and digits sent as text.
std::optional<int64_t> integer(const core::Value& row, const char* key) {
    const core::Value* v = row.get(key);
    if (!v)
        return std::nullopt;
    if (auto n = v->asInt())
        return n;
    if (auto s = v->asString()) {
        int64_t n = 0;
        const auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), n);
        if (ec == std::errc() && end == s->data() + s->size() && !s->empty())
            return n;
    }
    return std::nullopt;
}

} // namespace

StoreBookRow::StoreBookRow(const core::Value& row)
    : bookName(text(row, "BookName")), authorName(text(row, "AuthorName")),
      lastUpdateChapterID(integer(row, "LastUpdateChapterID")),
      lastVipUpdateChapterId(integer(row, "LastVipUpdateChapterId")),
      lastUpdateChapterName(text(row, "LastUpdateChapterName")),
      lastChapterUpdateTime(integer(row, "LastChapterUpdateTime")),
      lastVipUpdateChapterName(text(row, "LastVipUpdateChapterName")),
      lastVipChapterUpdateTime(integer(row, "LastVipChapterUpdateTime")), bookId(integer(row, "BookId")),
      imageStatus(integer(row, "ImageStatus")), extraName(text(row, "ExtraName")), extraValue(text(row, "ExtraValue")) {
}

void StoreBookRow::fill(RZCellBookInfo& info, const core::DateFormatter& format, Options options) const {
    info.bookName = bookName.value_or("");
    info.authorName = "小说作者：" + authorName.value_or(kNoData);
    // Equal ids choose the paid chapter; a missing id counts as 0.
    const bool paid = lastVipUpdateChapterId.value_or(0) >= lastUpdateChapterID.value_or(0);
    const auto& name = paid ? lastVipUpdateChapterName : lastUpdateChapterName;
    const auto& time = paid ? lastVipChapterUpdateTime : lastChapterUpdateTime;
    info.chapterName = "最新章节：" + name.value_or(kNoData);
    if (!time || (options.placeholders && *time == 0))
        info.chapterUpdateTime = std::string("更新时间：") + kNoData;
    else // whole seconds: the milliseconds are cut, not rounded
        info.chapterUpdateTime = "更新时间：" + format.format(static_cast<double>(*time / 1000));
    info.bookId = static_cast<long>(bookId.value_or(0));
    if (options.readImageStatus && imageStatus)
        info.imageStatus = static_cast<int>(*imageStatus);
}

std::shared_ptr<RZCellBookInfo> StoreBookRow::cellBookInfo(const core::DateFormatter& format, Options options) const {
    auto info = std::make_shared<RZCellBookInfo>();
    fill(*info, format, options);
    return info;
}

std::shared_ptr<RZCellBookInfoPlus> StoreBookRow::cellBookInfoPlus(const core::DateFormatter& format) const {
    auto info = std::make_shared<RZCellBookInfoPlus>();
    fill(*info, format, Options{.placeholders = true, .readImageStatus = false});
    if (extraName && extraValue)
        info->extraMsg = *extraName + *extraValue;
    return info;
}

} // namespace pw
