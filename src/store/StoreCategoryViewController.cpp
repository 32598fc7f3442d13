#include "store/StoreCategoryViewController.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/BookCategoryCell.h"
#include "store/StoreCategoryBookController.h"
#include "store/StoreImageDownloader.h"
#include "store/StoreTopBookController.h"

#include <cmath>

namespace pw {

int StoreCategoryViewController::nearestPage(double offsetX, double width) {
    if (width <= 0)
        return 0;
    return static_cast<int>(std::floor((offsetX - width / 2) / width)) + 1;
}

void StoreCategoryViewController::viewDidLoad() {
    const gfx::Rect b = view()->bounds();
    auto me = std::static_pointer_cast<StoreCategoryViewController>(shared_from_this());
    m_sectionView = HorizontalScrollButtonsView::initWithFrame({0, 0, b.size.width, 35});
    m_sectionView->setAutoresizingMask(ui::FlexibleWidth);
    m_sectionView->setDelegate(std::static_pointer_cast<HorizontalScrollButtonsDelegate>(me));
    m_sectionView->setButtonNames({"排行榜", "分类推荐"});
    view()->addSubview(m_sectionView);
    m_bottomScroll = RZScrollView::initWithFrame({0, 35, b.size.width, b.size.height - 35});
    m_bottomScroll->setTag(kPagingTag);
    m_bottomScroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_bottomScroll->setDelegate(
        std::static_pointer_cast<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
    view()->addSubview(m_bottomScroll);
    int tag = kRankingTag;
    for (ui::TableView* t : m_bottomScroll->genHorizontalTableView(2)) {
        auto table = std::static_pointer_cast<ui::TableView>(t->sharedFromThis());
        table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
        table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
        table->rowHeight = 70;
        table->setBackgroundColor(tableBackground());
        table->setTag(tag++);
        m_arrTables.push_back(table);
    }
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    m_imageToken = core::NotificationCenter::defaultCenter().addObserver(
        StoreImageDownloader::kNotification, [weak](const core::Notification& n) {
            if (auto s = weak.lock())
                static_cast<StoreCategoryViewController*>(s.get())->storeImageDown(n.payload);
        });
    StoreBaseViewController::viewDidLoad();
    requestRecommend(kRankingTag);
}

void StoreCategoryViewController::viewDidUnload() {
    StoreBaseViewController::viewDidUnload();
    clean();
}

void StoreCategoryViewController::clean() {
    m_arrTables.clear();
    m_arrPaiHang = core::Value::array();
    m_arrFenLei = core::Value::array();
}

void StoreCategoryViewController::viewWillAppear(bool animated) {
    StoreBaseViewController::viewWillAppear(animated);
    if (m_bottomScroll) {
        m_bottomScroll->reLayout();
        m_bottomScroll->scrollToPage(m_currPage, false);
    }
}

void StoreCategoryViewController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) {
    if (m_bottomScroll) {
        m_bottomScroll->reLayout();
        m_bottomScroll->scrollToPage(m_currPage, false);
    }
    StoreBaseViewController::willAnimateRotationToInterfaceOrientation(o, duration);
}

ui::TableView* StoreCategoryViewController::tableWithTag(int tag) const {
    for (const auto& t : m_arrTables)
        if (t->tag() == tag)
            return t.get();
    return nullptr;
}

void StoreCategoryViewController::requestRecommend(int tableTag) {
    if (tableTag != kRankingTag && tableTag != kCategoryTag)
        return;
    core::Value& list = listOf(tableTag);
    if (list.asArray() && !list.asArray()->empty())
        return;
    list = core::Value::array();
    startIndicator();
    startStoreRequest(indexUrl(tableTag == kRankingTag ? 0 : 1), tableTag, 30);
}

void StoreCategoryViewController::requestFinished(RQHTTPRequest& request) {
    stopIndicator();
    const int tag = request.tag();
    if (tag != kRankingTag && tag != kCategoryTag)
        return;
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer)
        return;
    const core::Value* data = answer->get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return;
    core::Value& list = listOf(tag);
    list = *data;
    for (auto& e : *list.asArray()) {
        if (!e.asMap())
            continue;
        const std::string url = e["ImageUrl"].asString().value_or("");
        e.asMap()->set("imgName", StoreImageDownloader::cacheName(url));
        e.asMap()->set("imgPath", StoreImageDownloader::cachePath(url).string());
    }
    if (auto* table = tableWithTag(tag)) {
        auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
        line->setAutoresizingMask(ui::FlexibleWidth);
        table->setTableFooterView(line);
        table->reloadData();
    }
}

void StoreCategoryViewController::requestFailed(RQHTTPRequest& request) {
    if (auto* table = tableWithTag(request.tag())) {
        table->setTableFooterView(nullptr);
        table->reloadData();
    }
    stopIndicator();
}

const core::Value* StoreCategoryViewController::entry(int tag, int64_t row) const {
    const core::Value& list = tag == kRankingTag ? m_arrPaiHang : m_arrFenLei;
    if ((tag != kRankingTag && tag != kCategoryTag) || !list.asArray() || row < 0 ||
        static_cast<size_t>(row) >= list.asArray()->size())
        return nullptr;
    return &(*list.asArray())[static_cast<size_t>(row)];
}

int64_t StoreCategoryViewController::numberOfRows(ui::TableView& table, int64_t) {
    if (table.tag() != kRankingTag && table.tag() != kCategoryTag)
        return 0;
    const core::Value& list = listOf(table.tag());
    return list.asArray() ? static_cast<int64_t>(list.asArray()->size()) : 0;
}

std::shared_ptr<ui::TableViewCell> StoreCategoryViewController::cellForRow(ui::TableView& table,
                                                                           const ui::IndexPath& ip) {
    const std::string identifier = table.tag() == kRankingTag ? "Idt0" : "Idt1";
    auto cell = std::dynamic_pointer_cast<BookCategoryCell>(table.dequeueReusableCell(identifier));
    if (!cell) {
        cell = BookCategoryCell::initWithRowHeight(table.rowHeight, ui::TableViewCellStyle::Subtitle, identifier);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
        cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
    }
    const core::Value* e = entry(table.tag(), ip.row);
    if (!e)
        return cell;
    cell->setBgColor(rowBackground(ip.row));
    cell->lblMain().setText((*e)["Name"].asString().value_or(""));
    cell->lblSub().setText((*e)["Description"].asString().value_or(""));
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

void StoreCategoryViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    const core::Value* e = entry(table.tag(), ip.row);
    if (!e)
        return;
    std::shared_ptr<ui::ViewController> list;
    const std::string name = (*e)["Name"].asString().value_or("");
    if (table.tag() == kRankingTag) {
        auto top = StoreTopBookController::create();
        top->setTopId((*e)["TopId"].asInt().value_or(0));
        list = top;
    } else {
        auto books = StoreCategoryBookController::create();
        books->setChannelId((*e)["ChannelId"].asInt().value_or(0));
        list = books;
    }
    list->setTitle(name);
    if (auto* nav = navigationController())
        nav->pushViewController(list, true);
}

void StoreCategoryViewController::downImageWithImageUrl(const std::string& url, const ui::IndexPath& ip, int tableTag) {
    if (!m_isNoImageMode && !url.empty())
        StoreImageDownloader::beginDownloading(url, tableTag, -1, ip);
}

void StoreCategoryViewController::scrollViewDidScroll(ui::ScrollView& scroll) {
    if (&scroll == m_bottomScroll.get())
        m_sectionView->setButtonImagePositionWithOriginX(static_cast<int>(scroll.contentOffset().x / 2));
}

void StoreCategoryViewController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop(scroll);
}

void StoreCategoryViewController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    whenScrollStop(scroll);
}

void StoreCategoryViewController::loadVisibleIcons(ui::TableView& table) {
    const core::Value& list = listOf(table.tag());
    if (!list.asArray() || list.asArray()->empty())
        return;
    for (const auto& ip : table.indexPathsForVisibleRows())
        if (const core::Value* e = entry(table.tag(), ip.row))
            downImageWithImageUrl((*e)["ImageUrl"].asString().value_or(""), ip, table.tag());
}

void StoreCategoryViewController::whenScrollStop(ui::ScrollView& scroll) {
    if (&scroll == m_bottomScroll.get()) {
        m_currPage = std::clamp(nearestPage(scroll.contentOffset().x, scroll.bounds().size.width), 0, 1);
        requestRecommend(m_currPage == 0 ? kRankingTag : kCategoryTag);
        m_sectionView->setButtonImagePositionWithIndex(m_currPage);
        if (auto* table = tableWithTag(m_currPage == 0 ? kRankingTag : kCategoryTag))
            loadVisibleIcons(*table);
        return;
    }
    if (scroll.tag() == kRankingTag || scroll.tag() == kCategoryTag) {
        auto& table = static_cast<ui::TableView&>(scroll);
        table.reloadData();
        loadVisibleIcons(table);
    }
}

void StoreCategoryViewController::horizontalScrollButtonClick(ui::Button&, int index) {
    m_currPage = index;
    m_bottomScroll->scrollToPage(index, true);
    requestRecommend(index == 0 ? kRankingTag : kCategoryTag);
}

void StoreCategoryViewController::storeImageDown(const core::Value& note) {
    if (!note["success"].asBool().value_or(false) || m_isNoImageMode)
        return;
    const int tag = static_cast<int>(note["tag"].asInt().value_or(0));
    if (tag != kRankingTag && tag != kCategoryTag)
        return;
    const core::Value* ip = note.get("idxPath");
    if (!ip)
        return;
    const ui::IndexPath path{(*ip)["section"].asInt().value_or(0), (*ip)["row"].asInt().value_or(-1)};
    if (!entry(tag, path.row))
        return;
    if (auto* table = tableWithTag(tag))
        if (auto* cell = dynamic_cast<BookCategoryCell*>(table->cellForRow(path))) {
            cell->showIcon(true);
            cell->reloadImageByPath(note["cover"].asString().value_or(""));
        }
}

void StoreCategoryViewController::switchImageMode() {
    for (const auto& t : m_arrTables)
        t->reloadData();
}

} // namespace pw
