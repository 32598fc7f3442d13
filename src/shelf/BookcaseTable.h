#pragma once

#include "platform/core/ObserverToken.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/View.h"
#include "shelf/ShelfRecords.h"

#include <memory>
#include <vector>

namespace pw {

namespace core {
struct Notification;
}
namespace ui {
class Label;
}

class BookcaseBookUnit;
class SearchHeaderView;

// The shelf's books, shared by the main screen and the layout shown.
using ShelfBooks = std::shared_ptr<const std::vector<BookRecord>>;

// One page of the grid shelf: rows of book tiles under a search header, or,
// for a category without books, a guide that invites the user to synchronise
// the site shelves or import a book. Page 0 searches every book of the shelf.
// Tiles follow cover downloads, whole-book downloads, new-chapter reports and
// edit mode's selection, all told by notification. Main thread only.
class BookcaseTable : public ui::View,
                      public ui::TableViewDataSource,
                      public ui::TableViewDelegate,
                      public ui::SearchBarDelegate {
public:
    static std::shared_ptr<BookcaseTable> create();

    // Set by the grid before setup. The page's lists point into the books, so
    // they are dropped with the old books until the page sorts them again.
    void setAllBooks(ShelfBooks books);
    const ShelfBooks& allBooks() const { return m_allBooks; }
    bool isEditing() const { return m_isEditing; }
    void setIsEditing(bool e) { m_isEditing = e; }
    bool isSearchPage() const { return m_isSearchPage; }
    void setIsSearchPage(bool s) { m_isSearchPage = s; }
    bool isRecentReadPage() const { return m_isRecentReadPage; }
    void setIsRecentReadPage(bool r) { m_isRecentReadPage = r; }
    int64_t categoryId() const { return m_categoryId; }
    void setCategoryId(int64_t c) { m_categoryId = c; }
    const std::vector<const BookRecord*>& categoryBooks() const { return m_categoryBooks; }
    const std::vector<const BookRecord*>& searchResult() const { return m_searchResult; }
    bool getIsSearching() const { return m_isSearchPage || m_isSearching; }
    int lineBookNum() const { return m_lineBookNum; }
    int rowHeight() const { return m_rowHeight; }

    // Once per page: observes the notifications and picks the table or the guide.
    void setup();
    void archiveCategoryBooks();
    // Refills the page; a page that gains books leaves its guide for the table.
    void archiveCategoryBooksAndRefreshTable();
    void handlerEditSwitcher(bool editing);
    void hideKeyboard();
    // Search text "", no results, table reloaded.
    void resetSearchPage();
    void didRotate();
    // Site shelf: asks the main screen to synchronise; local shelf: import.
    void syncBookcaseOrImportLocalbook();
    void handleLabelTap();
    void handleSearch();
    void computeEachLineBookNumber();
    void genTable();
    void genUserGuide();

    ui::TableView* tableView() const { return m_tableView.get(); }
    ui::View* guideView() const { return m_guideView.get(); }
    ui::Label* guideLabel() const { return m_guideLabel.get(); }
    SearchHeaderView* searchView() const { return m_searchView.get(); }
    SearchHeaderView* guidSearchView() const { return m_guidSearchView.get(); }
    // The tiles shown in the table's visible rows.
    std::vector<BookcaseBookUnit*> visibleTiles() const;
    // The text of the guide by shelf and page.
    static const char* guideText(int bookcaseType, bool recentReadPage);

    // TableViewDataSource / TableViewDelegate
    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, const ui::IndexPath&) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return m_rowHeight; }
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::None;
    }
    void scrollViewWillBeginDragging(ui::ScrollView&) override { hideKeyboard(); }
    // SearchBarDelegate
    void textDidChange(ui::SearchBar&, const std::string& text) override;
    void searchBarSearchButtonClicked(ui::SearchBar&) override;

    // Notification handlers.
    void reloadBookCover(const core::Notification& n);
    void updateDownProgress(const core::Notification& n);
    void updateMultiDownProgress(const core::Notification& n);
    void bookTapWhenEditing(const core::Notification& n);
    void bookAllSelectedWhenEditing(bool selected);
    void updateBooksNewImage(const core::Notification& n);

protected:
    BookcaseTable();
    friend class ui::View;

private:
    std::string searchText() const;
    std::shared_ptr<SearchHeaderView> makeHeader(bool guide);
    void fillTile(BookcaseBookUnit& tile, const BookRecord& book);

    ShelfBooks m_allBooks{};
    std::vector<const BookRecord*> m_categoryBooks{};
    std::vector<const BookRecord*> m_searchResult{};
    std::shared_ptr<ui::TableView> m_tableView{};
    std::shared_ptr<ui::View> m_guideView{};
    std::shared_ptr<ui::Label> m_guideLabel{};
    std::shared_ptr<SearchHeaderView> m_searchView{};
    std::shared_ptr<SearchHeaderView> m_guidSearchView{};
    bool m_isEditing{false};
    bool m_isSearchPage{false};
    bool m_isRecentReadPage{false};
    bool m_isSearching{false};
    bool m_hasSetup{false};
    bool m_tablet{false};
    int m_rowHeight{130};
    int m_lineBookNum{3};
    int64_t m_categoryId{0};
    std::vector<core::ObserverToken> m_observers{};
};

} // namespace pw
