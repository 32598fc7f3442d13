#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace pw {

// The shelf groups (table `category`): the four site shelves "VIP书架",
// "书架1", "书架2", "书架3", and the user's own groups. Records: `cid`,
// `cname`, `expand` (0 open, 1 closed), `t` (whole seconds).
class CategoryTB {
public:
    // Makes sure the four site shelves exist, in their order.
    static bool syncBookCases();
    static std::optional<core::Value::Array> getAllCategory();
    static std::optional<core::Value::Array> getAllRZCategory();
    static std::optional<core::Value::Array> getAllLocalCategory();
    static bool addCategory(std::string_view name);
    static bool setExpandByCategoryId(int64_t categoryId, bool isExpand);
    // The group's books are not touched: move them first (BookTB::updateBooksFromCategory).
    static bool deleteCategory(int64_t categoryId);
    static bool changeCategoryName(std::string_view name, int64_t categoryId);
};

} // namespace pw
