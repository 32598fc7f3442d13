#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

// The category menu's add, rename and delete on the local shelf.
class ShelfCategoryEdits {
public:
    // Names keep at most 15 UTF-16 units; a character across the cut goes whole.
    static constexpr size_t kNameLength = 15;
    static std::string cutName(std::string_view name);

    // Empty text adds nothing.
    static bool addCategory(std::string_view text);
    // Stores the cut text when it differs from the stored name and is not
    // empty; answers whether it stored it.
    static bool renameCategory(std::string_view text, int64_t categoryId, std::string_view storedName);
    // Moves the category's books to the first category (-1) and deletes it,
    // in one transaction: either both or neither. The synthetic categories
    // (negative ids) stay.
    static bool deleteCategory(int64_t categoryId);
};

} // namespace pw
