#pragma once

#include "platform/core/DateFormatter.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "shelf/BookcaseController.h"
#include "shelf/BooklistSections.h"
#include "shelf/BooklistTableSectionView.h"

#include <memory>
#include <vector>

namespace pw {

namespace core {
struct Notification;
}

class BooklistCell;
class SearchHeaderView;

// The list shelf's table: one section per category with a header that opens
// and closes it, rows of books, and a search bar above the first section that
// narrows every section to the books whose names hold the text. Main thread only.
class BooklistTable : public ui::TableViewDataSource,
                      public ui::TableViewDelegate,
                      public ui::SearchBarDelegate,
                      public SectionHeaderViewDelegate,
                      public std::enable_shared_from_this<BooklistTable> {
public:
    static constexpr const char* kCellIdentifier = "BookcaseListIdentifier";
    static constexpr double kHeaderHeight = 36;
    static std::shared_ptr<BooklistTable> create();

    // The sections point into the books, so they go with the old books until
    // the next sort.
    void setAllBooks(ShelfBooks b);
    void setAllCategories(ShelfCategories c) { m_allCategories = std::move(c); }
    bool isEditing() const { return m_isEditing; }
    void setIsEditing(bool e) { m_isEditing = e; }
    bool isSearching() const { return m_isSearching; }
    double rowHeight() const { return m_rowHeight; }

    void genListWithFrame(const gfx::Rect& frame, ui::View& container);
    void archiveCategoryBooks();
    void reloadAllBooks();
    void scrollToCategory(int64_t categoryId, int section);
    void enterEditingState(bool editing);
    void hideKeyboard();
    void syncBookcaseOrImportLocalbook();
    std::string lstReadTimeString(int64_t t) const;

    ui::TableView* tableView() const { return m_tableView.get(); }
    SearchHeaderView* searchView() const { return m_searchView.get(); }
    const std::vector<BooklistSections::Section>& sections() const { return m_sections; }
    // The row views of the visible rows.
    std::vector<BooklistCell*> visibleRows() const;

    void reloadBookCover(const core::Notification& n);
    void updateDownProgress(const core::Notification& n);
    void updateMultiDownProgress(const core::Notification& n);
    void reloadBookCoverNewImage(const core::Notification& n);

    // TableViewDataSource / TableViewDelegate
    int64_t numberOfSections(ui::TableView&) override { return static_cast<int64_t>(m_sections.size()); }
    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, const ui::IndexPath&) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return m_rowHeight; }
    double heightForHeader(ui::TableView&, int64_t) override { return kHeaderHeight; }
    std::shared_ptr<ui::View> viewForHeader(ui::TableView&, int64_t section) override;
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::None;
    }
    void didSelectRow(ui::TableView&, const ui::IndexPath&) override;
    void scrollViewWillBeginDragging(ui::ScrollView&) override { hideKeyboard(); }
    // SearchBarDelegate
    void textDidChange(ui::SearchBar&, const std::string& text) override;
    void searchBarSearchButtonClicked(ui::SearchBar&) override;
    // SectionHeaderViewDelegate
    void sectionHeaderViewSectionOpened(BooklistTableSectionView&, int section) override;
    void sectionHeaderViewSectionClosed(BooklistTableSectionView&, int section) override;

protected:
    BooklistTable();

private:
    void sectionToggled(int section, bool open);
    const BookRecord* bookAt(const ui::IndexPath& ip) const;

    ShelfBooks m_allBooks{};
    ShelfCategories m_allCategories{};
    std::shared_ptr<ui::TableView> m_tableView{};
    std::vector<BooklistSections::Section> m_sections{};
    bool m_isSearching{false};
    bool m_isEditing{false};
    std::shared_ptr<SearchHeaderView> m_searchView{};
    core::DateFormatter m_format{"yyyy-MM-dd HH:mm"};
    double m_rowHeight{110};
};

} // namespace pw
