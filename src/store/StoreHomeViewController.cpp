#include "store/StoreHomeViewController.h"

#include "foundation/frame/CheckNetwork.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/BookChannelInfoCell.h"
#include "store/StoreBookDetailsController.h"
#include "store/StoreChannelBooksController.h"
#include "store/StoreImageDownloader.h"

namespace pw {

StoreHomeViewController::~StoreHomeViewController() {
    // The carousel's timer holds it; nothing may step a strip whose screen is gone.
    stopTopAutoScroll();
    clean();
}

void StoreHomeViewController::viewDidLoad() {
    m_recTable = ui::TableView::create(view()->bounds());
    m_recTable->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_recTable->separatorStyle = ui::TableViewSeparatorStyle::None;
    auto me = std::static_pointer_cast<StoreHomeViewController>(shared_from_this());
    m_recTable->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
    m_recTable->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
    m_recTable->setTag(kTableTag);
    m_recTable->rowHeight = 100;
    m_recTable->setBackgroundColor(tableBackground());
    view()->addSubview(m_recTable);
    m_topScroll = ui::View::create<AutoHorizontalScroll>(gfx::Rect{0, 0, view()->bounds().size.width, 115});
    m_topScroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_topScroll->setDelegate(std::static_pointer_cast<AutoHorizontalScrollDelegate>(me));
    m_recTable->setTableHeaderView(m_topScroll);
    StoreBaseViewController::viewDidLoad();
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    m_imageToken = core::NotificationCenter::defaultCenter().addObserver(
        StoreImageDownloader::kNotification, [weak](const core::Notification& n) {
            if (auto s = weak.lock())
                static_cast<StoreHomeViewController*>(s.get())->storeImageDown(n.payload);
        });
    m_topScroll->setShowPicture(!m_isNoImageMode);
    startIndicator();
    m_topScroll->startRequestData();
    requestRecommend();
    CheckNetwork::checkNetWork();
}

void StoreHomeViewController::viewDidUnload() {
    StoreBaseViewController::viewDidUnload();
    clean();
}

void StoreHomeViewController::clean() {
    m_data = core::Value();
}

void StoreHomeViewController::requestRecommend() {
    startIndicator();
    startStoreRequest(recommendListUrl(), 0, 20);
}

void StoreHomeViewController::requestFinished(RQHTTPRequest& request) {
    stopIndicator();
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer)
        return;
    const core::Value* data = answer->get("Data");
    m_data = data && data->asArray() ? *data : core::Value();
    if (!m_data.asArray() || m_data.asArray()->empty())
        return;
    for (auto& e : *m_data.asArray()) {
        if (!e.asMap())
            continue;
        const std::string url = e["ImageUrl"].asString().value_or("");
        e.asMap()->set("imgName", StoreImageDownloader::cacheName(url));
        e.asMap()->set("imgPath", StoreImageDownloader::cachePath(url).string());
    }
    auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    m_recTable->setTableFooterView(line);
    m_recTable->reloadData();
}

void StoreHomeViewController::requestFailed(RQHTTPRequest&) {
    stopIndicator();
}

const core::Value* StoreHomeViewController::entry(int64_t row) const {
    const auto* list = m_data.asArray();
    if (!list || row < 0 || static_cast<size_t>(row) >= list->size())
        return nullptr;
    return &(*list)[static_cast<size_t>(row)];
}

int64_t StoreHomeViewController::numberOfRows(ui::TableView&, int64_t) {
    return m_data.asArray() ? static_cast<int64_t>(m_data.asArray()->size()) : 0;
}

std::shared_ptr<ui::TableViewCell> StoreHomeViewController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = std::dynamic_pointer_cast<BookChannelInfoCell>(table.dequeueReusableCell("Idt0"));
    if (!cell) {
        cell = BookChannelInfoCell::initWithRowHeight(100, ui::TableViewCellStyle::Default, "Idt0");
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
        cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
    }
    const core::Value* e = entry(ip.row);
    if (!e)
        return cell;
    cell->setBgColor(rowBackground(ip.row));
    cell->lblName().setText((*e)["Name"].asString().value_or(""));
    cell->lblDescription().setText((*e)["Description"].asString().value_or(""));
    cell->loadChannelImage(static_cast<int>((*e)["SiteType"].asInt().value_or(0)));
    cell->showIcon(!m_isNoImageMode);
    if (m_isNoImageMode) {
        cell->imgIcon().setImage(gfx::Image());
    } else {
        cell->reloadImageByPath((*e)["imgPath"].asString().value_or(""));
        if (!table.isDragging() && !table.isDecelerating())
            downImageWithImageUrl((*e)["ImageUrl"].asString().value_or(""), ip, table.tag());
    }
    return cell;
}

void StoreHomeViewController::downImageWithImageUrl(const std::string& url, const ui::IndexPath& ip, int tableTag) {
    if (!m_isNoImageMode && !url.empty())
        StoreImageDownloader::beginDownloading(url, tableTag, -1, ip);
}

void StoreHomeViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    const core::Value* e = entry(ip.row);
    if (!e)
        return;
    auto list = StoreChannelBooksController::create();
    list->setGroupId((*e)["RecommendId"].asInt().value_or(0));
    list->setTitle((*e)["Name"].asString().value_or(""));
    if (auto* nav = navigationController())
        nav->pushViewController(list, true);
}

void StoreHomeViewController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (!willDecelerate && &scroll == m_recTable.get())
        whenScrollStop(m_recTable.get());
}

void StoreHomeViewController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    if (&scroll == m_recTable.get())
        whenScrollStop(m_recTable.get());
}

void StoreHomeViewController::whenScrollStop(ui::TableView* table) {
    if (!table || !m_data.asArray() || m_data.asArray()->empty())
        return;
    for (const auto& ip : table->indexPathsForVisibleRows())
        if (const core::Value* e = entry(ip.row))
            downImageWithImageUrl((*e)["ImageUrl"].asString().value_or(""), ip, table->tag());
}

void StoreHomeViewController::storeImageDown(const core::Value& note) {
    if (note["tag"].asInt() != kTableTag || !note["success"].asBool().value_or(false) || m_isNoImageMode)
        return;
    const core::Value* ip = note.get("idxPath");
    if (!ip)
        return;
    const ui::IndexPath path{(*ip)["section"].asInt().value_or(0), (*ip)["row"].asInt().value_or(-1)};
    if (!entry(path.row))
        return;
    if (auto* cell = dynamic_cast<BookChannelInfoCell*>(m_recTable->cellForRow(path))) {
        cell->showIcon(true);
        cell->reloadImageByPath(note["cover"].asString().value_or(""));
    }
}

void StoreHomeViewController::switchImageMode() {
    m_topScroll->enterNoImageMode(!m_isNoImageMode);
    if (!m_isNoImageMode) {
        startIndicator();
        m_topScroll->startRequestData();
    }
    m_recTable->reloadData();
}

void StoreHomeViewController::stopTopAutoScroll() {
    if (m_topScroll)
        m_topScroll->stopAutoScroll();
}

void StoreHomeViewController::autoHorizontalScrollButtonClick(ui::Button&, int, long rzBookId) {
    auto details = StoreBookDetailsController::create();
    details->rzBookId = rzBookId;
    if (auto* nav = navigationController())
        nav->pushViewController(details, true);
}

} // namespace pw
