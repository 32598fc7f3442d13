#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace pw {

// Bookmarks (table `bookmark`). Records: `id`, `bid`, `desc`, `pos`, `pos2`,
// `t`, `percent`. A book's bookmarks go with the book (BookTB deletes).
class BookmarkTB {
public:
    static bool addBookmarkByBookId(int64_t bookId, std::string_view description, int64_t position, int64_t position2,
                                    int64_t createTime, double readPercent);
    // Oldest first.
    static std::optional<core::Value::Array> getAllBookmarkByBookId(int64_t bookId);
    static bool deleteBookmark(int64_t bookmarkId);
};

} // namespace pw
