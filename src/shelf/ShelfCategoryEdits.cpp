#include "shelf/ShelfCategoryEdits.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "platform/core/Text.h"
#include "platform/core/TextCut.h"

namespace pw {

std::string ShelfCategoryEdits::cutName(std::string_view name) {
    const std::u16string u16 = core::text::toUtf16Lenient(name);
    return core::text::toUtf8Lenient(core::text::cutToLength(u16, kNameLength));
}

bool ShelfCategoryEdits::addCategory(std::string_view text) {
    if (text.empty())
        return false;
    return CategoryTB::addCategory(cutName(text));
}

bool ShelfCategoryEdits::renameCategory(std::string_view text, int64_t categoryId, std::string_view storedName) {
    if (text.empty() || categoryId < 0)
        return false;
    const std::string name = cutName(text);
    if (name == storedName)
        return false;
    return CategoryTB::changeCategoryName(name, categoryId);
}

bool ShelfCategoryEdits::deleteCategory(int64_t categoryId) {
    if (categoryId < 0)
        return false;
    const std::vector<BookTB::Statement> statements = {
        {"update book set CategoryId = ? where CategoryId = ?", {core::Value(int64_t{-1}), core::Value(categoryId)}},
        {"delete from category where Id = ?", {core::Value(categoryId)}},
    };
    return BookTB::deleteBookWithTransaction(true, statements);
}

} // namespace pw
