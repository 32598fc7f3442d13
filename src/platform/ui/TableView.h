#pragma once
// A vertical list of rows in sections. Only the rows in sight have cells; cells
// that scroll away wait in a queue per reuse identifier for the data source to
// take again. Rows can be selected, edited and deleted (also by a sideways swipe).
#include "platform/ui/ScrollView.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/TableViewCell.h"

#include <compare>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pw::ui {

class TableView;

struct IndexPath {
    int64_t section = 0;
    int64_t row = 0;
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

enum class TableViewStyle { Plain, Grouped };
enum class TableViewSeparatorStyle { None, SingleLine };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int64_t numberOfSections(TableView&) { return 1; }
    virtual int64_t numberOfRows(TableView&, int64_t section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRow(TableView&, const IndexPath&) = 0;
    virtual std::string titleForHeader(TableView&, int64_t) { return {}; }
    virtual std::string titleForFooter(TableView&, int64_t) { return {}; }
    virtual bool canEditRow(TableView&, const IndexPath&) { return true; }
    virtual void commitEditingStyle(TableView&, TableViewCellEditingStyle, const IndexPath&) {}
    virtual bool canMoveRow(TableView&, const IndexPath&) { return false; }
    virtual void moveRow(TableView&, const IndexPath&, const IndexPath&) {}
};

class TableViewDelegate : public ScrollViewDelegate {
public:
    // A negative answer takes the table's own height.
    virtual double heightForRow(TableView&, const IndexPath&) { return -1; }
    virtual double heightForHeader(TableView&, int64_t) { return -1; }
    virtual double heightForFooter(TableView&, int64_t) { return -1; }
    virtual std::shared_ptr<View> viewForHeader(TableView&, int64_t) { return nullptr; }
    virtual std::shared_ptr<View> viewForFooter(TableView&, int64_t) { return nullptr; }
    // Another row, or none, may be selected instead.
    virtual std::optional<IndexPath> willSelectRow(TableView&, const IndexPath& ip) { return ip; }
    virtual void didSelectRow(TableView&, const IndexPath&) {}
    virtual void didDeselectRow(TableView&, const IndexPath&) {}
    virtual TableViewCellEditingStyle editingStyleForRow(TableView&, const IndexPath&) {
        return TableViewCellEditingStyle::Delete;
    }
    virtual std::string titleForDeleteConfirmation(TableView&, const IndexPath&) { return "Delete"; }
    virtual void willDisplayCell(TableView&, TableViewCell&, const IndexPath&) {}
    virtual void accessoryButtonTapped(TableView&, const IndexPath&) {}
    virtual void willBeginEditingRow(TableView&, const IndexPath&) {}
    virtual void didEndEditingRow(TableView&, const IndexPath&) {}
};

class TableView : public ScrollView {
public:
    static std::shared_ptr<TableView> create(const gfx::Rect& frame, TableViewStyle style = TableViewStyle::Plain) {
        return View::create<TableView>(frame, style);
    }

    TableViewStyle style() const { return m_style; }
    void setDataSource(std::weak_ptr<TableViewDataSource> ds);
    void setTableDelegate(std::weak_ptr<TableViewDelegate> d);
    std::shared_ptr<TableViewDelegate> tableDelegate() const { return m_tableDelegate.lock(); }

    double rowHeight = 44;
    double sectionHeaderHeight = 22;
    double sectionFooterHeight = 22;
    TableViewSeparatorStyle separatorStyle = TableViewSeparatorStyle::SingleLine;
    gfx::Color separatorColor = gfx::Color::fromWhite(0.88);
    bool allowsSelection = true;
    bool allowsSelectionDuringEditing = false;
    void setTableHeaderView(std::shared_ptr<View> v);
    void setTableFooterView(std::shared_ptr<View> v);
    // Behind every row, filling the visible area whatever the scroll; null
    // when there is none.
    std::shared_ptr<View> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<View> v);

    void reloadData();
    void reloadRows(const std::vector<IndexPath>& rows, bool animated = false);
    void insertRows(const std::vector<IndexPath>& rows, bool animated = false);
    void deleteRows(const std::vector<IndexPath>& rows, bool animated = false);
    void beginUpdates();
    void endUpdates();

    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);
    // The cell of a row in sight, else null.
    TableViewCell* cellForRow(const IndexPath& ip) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    std::optional<IndexPath> indexPathForRowAtPoint(gfx::Point p) const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::vector<TableViewCell*> visibleCells() const;
    gfx::Rect rectForRow(const IndexPath& ip) const;
    gfx::Rect rectForHeaderInSection(int64_t section) const;
    int64_t numberOfSections() const;
    int64_t numberOfRows(int64_t section) const;
    size_t reuseQueueSize(const std::string& identifier) const;

    void selectRow(const std::optional<IndexPath>& ip, bool animated, TableViewScrollPosition pos);
    void deselectRow(const IndexPath& ip, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return m_selected; }
    void scrollToRow(const IndexPath& ip, TableViewScrollPosition pos, bool animated);

    bool isEditing() const { return m_editing; }
    void setEditing(bool editing, bool animated = false);
    // The row showing its delete confirmation (swiped, or asked by its
    // editing control), if any.
    std::optional<IndexPath> swipedRow() const { return m_swiped; }
    void hideSwipedDelete();

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;

protected:
    TableView(const gfx::Rect& frame, TableViewStyle style);
    friend class View;
    void didCreate() override;
    void didScroll() override;

private:
    struct Section {
        double top = 0;
        double headerHeight = 0;
        double footerHeight = 0;
        std::vector<double> rowTops;
        std::vector<double> rowHeights;
        std::string headerTitle;
        double bottom = 0;
    };
    void computeGeometry();
    // The label that shows a section's title when the delegate gives no view.
    std::shared_ptr<Label> makeHeaderLabel(const std::string& title) const;
    // The height a section's title needs beyond its first line, wrapped over
    // as many lines as it takes in the table's width.
    double titleExtraLinesHeight(const std::string& title) const;
    void layoutCells();
    void enqueue(const std::shared_ptr<TableViewCell>& cell);
    void configureCell(TableViewCell& cell, const IndexPath& ip);
    void handleSwipe(GestureRecognizer& g);
    // While editing, the row's round control asks to confirm a delete (or
    // inserts); a second tap takes the question back.
    void editControlTapped(TableViewCell& cell);
    // Shows the row's confirmation button; its tap commits the delete.
    void askToConfirmDelete(TableViewCell& cell, const IndexPath& ip);
    void fadeChange();

    TableViewStyle m_style;
    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_tableDelegate;
    std::vector<Section> m_sections;
    bool m_geometryValid = false;
    double m_geometryWidth = 0;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visible;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> m_reuse;
    std::map<int64_t, std::shared_ptr<View>> m_headers;
    std::shared_ptr<View> m_tableHeader;
    std::shared_ptr<View> m_tableFooter;
    std::shared_ptr<View> m_backgroundView;
    std::optional<IndexPath> m_selected;
    std::optional<IndexPath> m_touchedRow;
    std::optional<IndexPath> m_swiped;
    std::shared_ptr<SwipeGestureRecognizer> m_swipe;
    bool m_editing = false;
    int m_updates = 0;
};

} // namespace pw::ui
