#pragma once

#include "platform/core/ObserverToken.h"
#include "shelf/BookcaseController.h"

#include <memory>
#include <vector>

namespace pw {

namespace core {
struct Notification;
}
namespace ui {
class Button;
class ScrollView;
} // namespace ui

class BooklistTable;
class RZPageControl;

// The list shelf: one table in the shelf area, no paging; the page control is
// hidden and the title reads "书架". The main screen hands over its scroll
// view, page control, categories, title button and books, then calls
// loadBooklist. Main thread only.
class BooklistController : public std::enable_shared_from_this<BooklistController> {
public:
    static std::shared_ptr<BooklistController> create();
    ~BooklistController();

    void setAllCategories(ShelfCategories c) { m_allCategories = std::move(c); }
    const ShelfCategories& allCategories() const { return m_allCategories; }
    void setAllBooks(ShelfBooks b) { m_allBooks = std::move(b); }
    void setScrollView(std::shared_ptr<ui::ScrollView> s) { m_scrollView = std::move(s); }
    void setRzPageControl(std::shared_ptr<RZPageControl> p) { m_rzPageControl = std::move(p); }
    void setBtnTitle(std::shared_ptr<ui::Button> b) { m_btnTitle = std::move(b); }
    BooklistTable* booklistTable() const { return m_booklistTable.get(); }

    void loadBooklist(bool editing);
    void setLayout();
    void clearScroll();
    void enterEditingState(bool editing);
    // After the main screen deleted a book and set the books anew.
    void deleteOneBook();
    // r is the section (the category menu's row).
    void scrollToCategory(int64_t categoryId, int row);
    void archiveCategoryBooksAndRefreshTable();
    void hideKeyboard();
    // Notification handlers, each handed to the table for its visible rows.
    void reloadBookCover(const core::Notification& n);
    void updateDownProgress(const core::Notification& n);
    void updateMultiDownProgress(const core::Notification& n);
    void updateBooksNewImage(const core::Notification& n);

protected:
    BooklistController() = default;

private:
    ShelfCategories m_allCategories{};
    ShelfBooks m_allBooks{};
    std::shared_ptr<ui::ScrollView> m_scrollView{};
    std::shared_ptr<RZPageControl> m_rzPageControl{};
    std::shared_ptr<ui::Button> m_btnTitle{};
    std::shared_ptr<BooklistTable> m_booklistTable{};
    std::vector<core::ObserverToken> m_observers{};
};

} // namespace pw
