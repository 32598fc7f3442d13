#pragma once
// A book row of a store list answer, and how it becomes a list record. Every
// key is checked for presence and type: a row the site sends short or odd
// shows placeholder texts, never fails.
#include "platform/core/Value.h"
#include "store/RZCellBookInfo.h"
#include "store/RZCellBookInfoPlus.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pw::core {
class DateFormatter;
}

namespace pw {

class StoreBookRow {
public:
    explicit StoreBookRow(const core::Value& row);

    std::optional<std::string> bookName;
    std::optional<std::string> authorName;
    std::optional<int64_t> lastUpdateChapterID;
    std::optional<int64_t> lastVipUpdateChapterId;
    std::optional<std::string> lastUpdateChapterName;
    std::optional<int64_t> lastChapterUpdateTime; // milliseconds since 1970
    std::optional<std::string> lastVipUpdateChapterName;
    std::optional<int64_t> lastVipChapterUpdateTime;
    std::optional<int64_t> bookId;
    std::optional<int64_t> imageStatus;
    std::optional<std::string> extraName;
    std::optional<std::string> extraValue;

    struct Options {
        // A time of 0 shows "暂无数据" instead of the first day of 1970.
        bool placeholders = false;
        bool readImageStatus = true;
    };
    // Fills a record's texts; `format` turns whole seconds into the date text.
    void fill(RZCellBookInfo& info, const core::DateFormatter& format, Options options) const;
    std::shared_ptr<RZCellBookInfo> cellBookInfo(const core::DateFormatter& format, Options options) const;
    // The top lists' record: the placeholder texts and the ranking's extra line.
    std::shared_ptr<RZCellBookInfoPlus> cellBookInfoPlus(const core::DateFormatter& format) const;
};

} // namespace pw
