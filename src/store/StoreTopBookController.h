#pragma once
// The books of one site ranking, page by page, with their rank numbers
// running on across pages and the ranking's own measure under each row.
#include "store/StoreBookListController.h"

namespace pw {

class StoreTopBookController : public StoreBookListController {
public:
    static constexpr int kTableTag = 206;
    static constexpr double kStartRowHeight = 144;
    static std::shared_ptr<StoreTopBookController> create() { return ViewController::create<StoreTopBookController>(); }

    static std::string topBooksUrl(int64_t topId, int page);
    // The row height once a page with rows came in: 145 when the page's last
    // row has an extra line, else 125; only the first such page decides.
    static double rowHeightAfterPage(double current, const Rows& page);

    void setTopId(int64_t id) { m_topId = id; }
    int64_t topId() const { return m_topId; }
    void requestTopBooks(int page) { requestPage(page); }
    std::string className() const override { return "StoreTopBookController"; }

protected:
    StoreTopBookController()
        : StoreBookListController(Setup{.tableTag = kTableTag, .rowHeight = kStartRowHeight, .paged = true}) {}
    friend class ui::ViewController;
    std::string pageUrl(int page) override { return topBooksUrl(m_topId, page); }
    std::optional<Rows> rowsOf(const core::Value& answer) override;
    void pageAdded(const Rows& page) override;
    std::shared_ptr<BookInfoTableCell> newCell(const std::string& identifier) override;
    void fillCell(BookInfoTableCell& cell, const RZCellBookInfo& record, const ui::IndexPath& ip) override;

private:
    int64_t m_topId = 0;
};

} // namespace pw
