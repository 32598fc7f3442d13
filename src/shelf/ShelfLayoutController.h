#pragma once
// What the main screen asks of the owner of the shown shelf layout (the grid
// of pages or the list of sections). The main screen hands over its own
// category list (the grid inserts its search entry into it) and its books.
#include "shelf/ShelfRecords.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pw {

namespace ui {
class Button;
class PageControl;
class ScrollView;
} // namespace ui

class ShelfLayoutController {
public:
    virtual ~ShelfLayoutController() = default;

    struct Host {
        ui::ScrollView* scrollView{nullptr};
        ui::PageControl* pageControl{nullptr};
        ui::Button* titleButton{nullptr};
    };

    virtual void clearScroll() = 0;
    virtual void setIsEditing(bool editing) = 0;
    virtual void setAllCategories(std::shared_ptr<std::vector<CategoryRecord>> categories) = 0;
    virtual void setAllBooks(std::shared_ptr<const std::vector<BookRecord>> books) = 0;
    // loadBookcase / loadBooklist: builds the shelf after the lists are set.
    virtual void load(const Host& host) = 0;
    virtual void archiveCategoryBooksAndRefreshTable() = 0;
    virtual void enterEditingState(bool editing) = 0;
    virtual void setLayout() {}
    virtual void setIsRotating(bool /*rotating*/) {}
    virtual void scrollToCategory(int64_t /*categoryId*/, int /*row*/) {}
    virtual void scrollToFirstCategoryHasBooks() {}
    // The list removes the row of the book just deleted.
    virtual void deleteOneBook() {}
    virtual void hideKeyboard() {}
};

} // namespace pw
