#include "store/StoreSearchResultController.h"

#include "foundation/util/Utils.h"
#include "platform/core/DateFormatter.h"
#include "store/StoreBookRow.h"

#include <charconv>

namespace pw {
namespace {

std::string unmarked(std::string s) {
    for (std::string_view tag : {"<b>", "</b>"})
        for (size_t at = s.find(tag); at != std::string::npos; at = s.find(tag, at))
            s.erase(at, tag.size());
    return s;
}

std::string textOf(const core::Value& v) {
    if (auto s = v.asString())
        return *s;
    if (auto n = v.asInt())
        return std::to_string(*n);
    return {};
}

// "/Date(1500)/" -> 1500.
std::optional<int64_t> dateMillis(const core::Value& v) {
    if (auto n = v.asInt())
        return n;
    std::string s = v.asString().value_or("");
    for (std::string_view part : {"/Date(", ")/"})
        if (size_t at = s.find(part); at != std::string::npos)
            s.erase(at, part.size());
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || s.empty())
        return std::nullopt;
    return n;
}

} // namespace

std::string StoreSearchResultController::keywordUrl(const std::string& keyword, int page) {
    return storeUrl("/api/SearchBooks.ashx") + "?key=" + encodingStringParameter(keyword) +
           "&p=" + std::to_string(page);
}

std::string StoreSearchResultController::filterUrl(const std::string& query, int page) {
    return storeUrl("/BookStoreAPI/GetBookStore.ashx") + "?" + query + "&pageindex=" + std::to_string(page);
}

StoreBookListController::Rows StoreSearchResultController::keywordRows(const core::Value& rows,
                                                                       const core::DateFormatter& format) {
    Rows out;
    if (!rows.asArray())
        return out;
    for (const auto& row : *rows.asArray()) {
        auto info = std::make_shared<RZCellBookInfo>();
        info->bookName = unmarked(textOf(row["BookName"]));
        info->authorName = "小说作者：" + unmarked(textOf(row["AuthorName"]));
        const core::Value& chapter = row["NewChapterName"];
        const std::string name = textOf(chapter);
        info->chapterName = chapter.isNull() || name == "<null>" || !row.get("NewChapterName")
                                ? "最新章节："
                                : "最新章节：" + unmarked(name);
        // A time that is missing or does not read as a number counts as 0: the row always shows a time.
        const int64_t millis = dateMillis(row["NewChapterTime"]).value_or(0);
        info->chapterUpdateTime = "更新时间：" + format.format(static_cast<double>(millis / 1000));
        info->bookId = static_cast<long>(row["BookId"].asInt().value_or(0));
        info->imageStatus = static_cast<int>(row["ImageStatus"].asInt().value_or(-1));
        out.push_back(info);
    }
    return out;
}

std::optional<StoreBookListController::Rows> StoreSearchResultController::rowsOf(const core::Value& answer) {
    if (isSearchByKeyword) {
        // An array holding the page's rows first; an empty page still counts.
        if (!answer.asArray() || answer.asArray()->empty())
            return std::nullopt;
        return keywordRows((*answer.asArray())[0], format());
    }
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return std::nullopt;
    Rows rows;
    for (const auto& row : *data->asArray()) {
        auto info = StoreBookRow(row).cellBookInfo(format(), {.placeholders = true});
        info->bookName = unmarked(info->bookName);
        info->authorName = unmarked(info->authorName);
        rows.push_back(info);
    }
    return rows;
}

} // namespace pw
