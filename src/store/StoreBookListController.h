#pragma once
// What the store's book lists share: one table of book rows filled from
// RZCellBookInfo records, covers asked for only for rows on screen while the
// list rests (once per row), cover notes routed by the table's tag, the
// picture mode followed by a reload, a tap opening the book's details, and,
// for the paged lists, the load-more footer: page 1 at load, then page
// currPage + 1 at each pull, where currPage counts the pages that brought rows.
#include "foundation/widgets/MyRefreshTableFooterView.h"
#include "store/BookInfoTableCell.h"
#include "store/RZCellBookInfo.h"
#include "store/StoreBaseViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class StoreBookListController : public StoreBaseViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public MyRefreshTableFooterDelegate {
public:
    using Rows = std::vector<std::shared_ptr<RZCellBookInfo>>;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void clean() override;

    // Asks for one page (the unpaged lists: their one list).
    virtual void requestPage(int page);
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void refreshTableFooterDidTriggerRefresh(MyRefreshTableFooterView&) override;
    void genTableFooterView();

    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_arrBookData.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void scrollViewDidScroll(ui::ScrollView& scroll) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;
    void whenScrollStop(ui::ScrollView& scroll);
    void switchImageMode() override;
    void storeBookCoverDown(bool success, int tag, int tag2, int64_t rzBookId,
                            const std::optional<ui::IndexPath>& indexPath, const std::string& cover) override;

    ui::TableView* table() const { return m_table.get(); }
    const Rows& arrBookData() const { return m_arrBookData; }
    int currPage() const { return m_currPage; }
    MyRefreshTableFooterView* refreshFooter() const { return m_refreshFooter.get(); }

protected:
    struct Setup {
        int tableTag = 0;
        double rowHeight = 125;
        gfx::Color background = tableBackground();
        bool paged = true;
        double sectionHeaderHeight = -1;
        // False: the screen asks for its list itself, after what it asks first.
        bool requestsAtLoad = true;
    };
    explicit StoreBookListController(Setup setup) : m_setup(setup) {}

    // ---- what each list says
    // The address of a page (for an unpaged list page is 0).
    virtual std::string pageUrl(int page) = 0;
    // The records of an answer; nullopt when the answer holds no page.
    virtual std::optional<Rows> rowsOf(const core::Value& answer) = 0;
    // After a page was appended, before the reload.
    virtual void pageAdded(const Rows&) {}
    virtual std::shared_ptr<BookInfoTableCell> newCell(const std::string& identifier);
    virtual void fillCell(BookInfoTableCell&, const RZCellBookInfo&, const ui::IndexPath&) {}
    // A screen whose view holds more than the list builds it here (the table's
    // parent and frame); the default fills the view.
    virtual void addTable(const std::shared_ptr<ui::TableView>& table);

    // The cover rule for one row (when no mark is set yet).
    void askCover(BookInfoTableCell& cell, const ui::IndexPath& ip);
    // Handles a list answer; false when the request was not the list's.
    bool takeListAnswer(RQHTTPRequest& request);
    void listFailed();

    Setup m_setup;
    std::shared_ptr<ui::TableView> m_table;
    Rows m_arrBookData;
    bool m_hasData = false;
    std::shared_ptr<MyRefreshTableFooterView> m_refreshFooter;
    int m_currPage = 0;
};

} // namespace pw
