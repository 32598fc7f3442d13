#pragma once

#include "platform/core/ObserverToken.h"
#include "platform/ui/ScrollView.h"
#include "shelf/BookcaseTable.h"
#include "shelf/ShelfRecords.h"

#include <memory>
#include <vector>

namespace pw {

namespace ui {
class Button;
}

class RZPageControl;

// The shelf's categories: one list shared by the main screen and the layout
// shown. The grid puts its search entry at index 0 and the list takes it out
// again, so the category menu's row r is grid page r + 1 and list section r.
using ShelfCategories = std::shared_ptr<std::vector<CategoryRecord>>;

// The grid shelf: a horizontally paged scroll view with one page per category
// (page 0 searches, page 1 is the synthetic first category), a page control
// under it and the current page's name on the title button. The main screen
// owns the scroll view, the page control and the title button and hands them
// over before loadBookcase. Main thread only.
class BookcaseController : public ui::ScrollViewDelegate, public std::enable_shared_from_this<BookcaseController> {
public:
    static constexpr int64_t kSearchCategoryId = -2;
    static std::shared_ptr<BookcaseController> create();
    ~BookcaseController() override;

    void setAllCategories(ShelfCategories c) { m_allCategories = std::move(c); }
    const ShelfCategories& allCategories() const { return m_allCategories; }
    // Pages made from now on take these; made pages on the next refresh.
    void setAllBooks(ShelfBooks b) { m_allBooks = std::move(b); }
    const ShelfBooks& allBooks() const { return m_allBooks; }
    void setScrollView(std::shared_ptr<ui::ScrollView> s) { m_scrollView = std::move(s); }
    void setRzPageControl(std::shared_ptr<RZPageControl> p) { m_rzPageControl = std::move(p); }
    void setBtnTitle(std::shared_ptr<ui::Button> b) { m_btnTitle = std::move(b); }
    bool isRotating() const { return m_isRotating; }
    void setIsRotating(bool r) { m_isRotating = r; }
    bool isEditing() const { return m_isEditing; }
    void setIsEditing(bool e) { m_isEditing = e; }
    int numOfPages() const { return m_numOfPages; }
    // The page in slot p, or null while it is not made.
    BookcaseTable* page(int p) const;
    // The current page by the scroll view's offset.
    int currentPage() const;

    void loadBookcase();
    void setLayout();
    void enterEditingState(bool editing);
    void clearScroll();
    // Shows page r + 1 (r is the category menu's row); the id is not used.
    void scrollToCategory(int64_t categoryId, int row);
    void scrollToFirstCategoryHasBooks();
    void archiveCategoryBooksAndRefreshTable();
    void hideKeyboard();
    void loadScrollViewWithPage(int p);
    void whenScrollStop(ui::ScrollView& scrollView);

    void scrollViewDidScroll(ui::ScrollView&) override;
    void scrollViewWillBeginDragging(ui::ScrollView&) override;
    void scrollViewDidEndDragging(ui::ScrollView& s, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& s) override { whenScrollStop(s); }

protected:
    BookcaseController() = default;

private:
    void setTitleForPage(int page);

    ShelfCategories m_allCategories{};
    ShelfBooks m_allBooks{};
    std::vector<std::shared_ptr<BookcaseTable>> m_tableViewArray{};
    int m_numOfPages{0};
    bool m_isRotating{false};
    bool m_isEditing{false};
    std::shared_ptr<ui::ScrollView> m_scrollView{};
    std::shared_ptr<RZPageControl> m_rzPageControl{};
    std::shared_ptr<ui::Button> m_btnTitle{};
    core::ObserverToken m_hideKeyboardObserver{};
};

} // namespace pw
