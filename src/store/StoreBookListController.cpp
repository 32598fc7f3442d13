#include "store/StoreBookListController.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/StoreBookDetailsController.h"

namespace pw {

void StoreBookListController::viewDidLoad() {
    m_table = ui::TableView::create(view()->bounds());
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->separatorStyle = ui::TableViewSeparatorStyle::None;
    auto me = std::static_pointer_cast<StoreBookListController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
    m_table->setTag(m_setup.tableTag);
    m_table->rowHeight = m_setup.rowHeight;
    m_table->setBackgroundColor(m_setup.background);
    if (m_setup.sectionHeaderHeight >= 0)
        m_table->sectionHeaderHeight = m_setup.sectionHeaderHeight;
    addTable(m_table);
    StoreBaseViewController::viewDidLoad();
    if (!m_setup.requestsAtLoad)
        return;
    if (m_setup.paged) {
        genTableFooterView();
        m_refreshFooter->enterLoadingState();
        requestPage(1);
    } else {
        requestPage(0);
    }
}

void StoreBookListController::addTable(const std::shared_ptr<ui::TableView>& table) {
    view()->addSubview(table);
}

void StoreBookListController::viewDidUnload() {
    StoreBaseViewController::viewDidUnload();
    clean();
}

void StoreBookListController::clean() {
    m_arrBookData.clear();
    m_hasData = false;
    m_refreshFooter.reset();
}

void StoreBookListController::genTableFooterView() {
    if (m_refreshFooter)
        return;
    m_refreshFooter = MyRefreshTableFooterView::initWithFrame({0, 0, view()->bounds().size.width, 60});
    m_refreshFooter->setAutoresizingMask(ui::FlexibleWidth);
    m_refreshFooter->setDelegate(std::static_pointer_cast<StoreBookListController>(shared_from_this()));
    m_table->setTableFooterView(m_refreshFooter);
}

void StoreBookListController::requestPage(int page) {
    startIndicator();
    startStoreRequest(pageUrl(page), page, 30);
}

void StoreBookListController::requestFinished(RQHTTPRequest& request) {
    takeListAnswer(request);
}

bool StoreBookListController::takeListAnswer(RQHTTPRequest& request) {
    stopIndicator();
    std::optional<Rows> rows;
    if (auto answer = SiteAnswer::cleanedJSON(request))
        rows = rowsOf(*answer);
    if (rows && (m_setup.paged || !rows->empty())) {
        if (!m_setup.paged) {
            m_arrBookData.clear();
            auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
            line->setAutoresizingMask(ui::FlexibleWidth);
            m_table->setTableFooterView(line);
        } else if (!m_hasData) {
            m_currPage = 0;
        }
        m_hasData = true;
        m_arrBookData.insert(m_arrBookData.end(), rows->begin(), rows->end());
        if (m_setup.paged)
            ++m_currPage;
        pageAdded(*rows);
        m_table->reloadData();
    }
    if (m_refreshFooter)
        m_refreshFooter->refreshScrollViewDataSourceDidFinishedLoading(*m_table);
    return true;
}

void StoreBookListController::requestFailed(RQHTTPRequest&) {
    listFailed();
}

void StoreBookListController::listFailed() {
    if (m_refreshFooter) {
        m_refreshFooter->refreshScrollViewDataSourceDidFinishedLoading(*m_table);
    } else {
        m_table->setTableFooterView(nullptr);
        m_table->reloadData();
    }
    stopIndicator();
}

void StoreBookListController::refreshTableFooterDidTriggerRefresh(MyRefreshTableFooterView&) {
    requestPage(m_currPage + 1);
}

std::shared_ptr<BookInfoTableCell> StoreBookListController::newCell(const std::string& identifier) {
    return BookInfoTableCell::create(identifier);
}

std::shared_ptr<ui::TableViewCell> StoreBookListController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = std::dynamic_pointer_cast<BookInfoTableCell>(table.dequeueReusableCell("Idt0"));
    if (!cell) {
        cell = newCell("Idt0");
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
        cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
    }
    if (ip.row < 0 || static_cast<size_t>(ip.row) >= m_arrBookData.size())
        return cell;
    const RZCellBookInfo& record = *m_arrBookData[static_cast<size_t>(ip.row)];
    cell->setBgColor(rowBackground(ip.row));
    cell->isNoImgMode = m_isNoImageMode;
    cell->tbTag = table.tag();
    cell->rzBookId = record.bookId;
    cell->imageStatus = record.imageStatus;
    cell->lblBookName().setText(record.bookName);
    cell->lblAuthor().setText(record.authorName);
    cell->lblChapterName().setText(record.chapterName);
    cell->lblLstUpdateTime().setText(record.chapterUpdateTime);
    fillCell(*cell, record, ip);
    cell->reloadImage();
    if (!table.isDragging() && !table.isDecelerating())
        askCover(*cell, ip);
    return cell;
}

void StoreBookListController::askCover(BookInfoTableCell& cell, const ui::IndexPath& ip) {
    if (ip.row < 0 || static_cast<size_t>(ip.row) >= m_arrBookData.size())
        return;
    auto& marks = dictDownMark();
    if (marks[ip])
        return;
    if (!m_isNoImageMode)
        marks[ip] = true;
    const RZCellBookInfo& record = *m_arrBookData[static_cast<size_t>(ip.row)];
    cell.downImageWithRZBookId(record.bookId, record.imageStatus, m_isNoImageMode, ip, m_table->tag());
}

void StoreBookListController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (ip.row < 0 || static_cast<size_t>(ip.row) >= m_arrBookData.size())
        return;
    auto details = StoreBookDetailsController::create();
    details->rzBookId = m_arrBookData[static_cast<size_t>(ip.row)]->bookId;
    if (auto* nav = navigationController())
        nav->pushViewController(details, true);
}

void StoreBookListController::scrollViewDidScroll(ui::ScrollView& scroll) {
    if (m_refreshFooter && &scroll == m_table.get())
        m_refreshFooter->refreshScrollViewDidScroll(scroll);
}

void StoreBookListController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop(scroll);
    if (m_refreshFooter && &scroll == m_table.get())
        m_refreshFooter->refreshScrollViewDidEndDragging(scroll);
}

void StoreBookListController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    whenScrollStop(scroll);
}

void StoreBookListController::whenScrollStop(ui::ScrollView& scroll) {
    if (&scroll != m_table.get() || m_arrBookData.empty())
        return;
    for (const auto& ip : m_table->indexPathsForVisibleRows())
        if (auto* cell = dynamic_cast<BookInfoTableCell*>(m_table->cellForRow(ip)))
            askCover(*cell, ip);
}

void StoreBookListController::switchImageMode() {
    if (m_table)
        m_table->reloadData();
}

void StoreBookListController::storeBookCoverDown(bool, int tag, int, int64_t, const std::optional<ui::IndexPath>& ip,
                                                 const std::string&) {
    if (!m_table || tag != m_table->tag() || !ip)
        return;
    if (auto* cell = dynamic_cast<BookInfoTableCell*>(m_table->cellForRow(*ip)))
        cell->reloadImage();
}

} // namespace pw
