#include "account/RZMessageViewController.h"

#include "account/RZMessageCell.h"
#include "account/RZMessageDetailViewController.h"
#include "foundation/db/MessageTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/util/Utils.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"

namespace pw {

namespace {
constexpr const char* kEdit = "编辑";
constexpr const char* kDone = "完成";
} // namespace

RZMessageViewController::RZMessageViewController() : m_format("yyyy-MM-dd HH:mm") {
    setTitle("消息中心");
}

RZMessageViewController::~RZMessageViewController() = default;

bool RZMessageViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

std::string RZMessageViewController::dateText(const core::Value& millis) const {
    return m_format.format(static_cast<double>(millis.asInt().value_or(0) / 1000));
}

void RZMessageViewController::viewDidLoad() {
    setTitle("消息中心");
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, true);
    auto v = view();
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto self = std::static_pointer_cast<RZMessageViewController>(shared_from_this());
    std::weak_ptr<RZMessageViewController> weak = self;
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
        kEdit,
        [weak] {
            if (auto s = weak.lock())
                s->rightItemBtnClick();
        },
        ui::BarButtonItemStyle::Plain);

    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Plain);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->separatorStyle = ui::TableViewSeparatorStyle::None;
    m_table->setBackgroundColor(gfx::Color::clear());
    m_table->rowHeight = 70;
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
    v->addSubview(m_table);
    m_hud = ProgressHUD::initWithView(v.get());
    m_hud->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_hud);

    m_data = MessageTB::getAllReadMessageTitle().value_or(core::Value::Array{});
    if (!m_data.empty()) {
        auto footer = ui::View::create<ui::ImageView>(gfx::Rect(0, 0, m_table->bounds().width(), 10));
        footer->setImage(ui::BundleImage::named("booklist_footer_shadow.png"));
        footer->setAutoresizingMask(ui::FlexibleWidth);
        m_footer = footer;
        m_table->setTableFooterView(m_footer);
    }
}

const std::string& RZMessageViewController::editButtonTitle() const {
    static const std::string none;
    auto& item = const_cast<RZMessageViewController*>(this)->navigationItem().rightBarButtonItem;
    return item ? item->title : none;
}

void RZMessageViewController::setEditTitle(const char* title) {
    if (auto& item = navigationItem().rightBarButtonItem)
        item->title = title;
    if (auto* nav = navigationController())
        nav->navigationBar().refresh();
}

void RZMessageViewController::rightItemBtnClick() {
    if (!m_table)
        return;
    const bool editing = !m_table->isEditing();
    m_table->setEditing(editing, true);
    setEditTitle(editing ? kDone : kEdit);
}

void RZMessageViewController::willBeginEditingRow(ui::TableView&, const ui::IndexPath&) {
    setEditTitle(kDone);
}

void RZMessageViewController::didEndEditingRow(ui::TableView&, const ui::IndexPath&) {
    setEditTitle(kEdit);
}

std::shared_ptr<ui::TableViewCell> RZMessageViewController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = std::dynamic_pointer_cast<RZMessageCell>(table.dequeueReusableCell("Idt0"));
    if (!cell) {
        cell = RZMessageCell::create("Idt0");
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Gray;
        cell->accessoryType = ui::TableViewCellAccessory::None;
    }
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(m_data.size()))
        return cell;
    const core::Value& message = m_data[static_cast<size_t>(ip.row)];
    cell->notifyId = message["nid"].asInt().value_or(0);
    cell->lblMsgTitle().setText(message["title"].asString().value_or(""));
    cell->lblCreateTime().setText(dateText(message["createDate"]));
    cell->setMessageIsRead(message["read"].asInt().value_or(0) == 1);
    return cell;
}

void RZMessageViewController::showTip(const std::string& text) {
    if (m_hud)
        m_hud->showTipsWithoutLoadingHideDelay(text, 2);
}

bool RZMessageViewController::deleteMessage(int64_t notifyId) {
    // The row goes only with the message: a row left on screen for a message
    // the table still holds would come back on the next visit.
    if (!MessageTB::removeMessageWithNotifyId(notifyId)) {
        showTip("删除失败，请稍后再试");
        return false;
    }
    int64_t row = -1;
    for (size_t i = 0; i < m_data.size(); ++i)
        if (m_data[i]["nid"].asInt() == notifyId) {
            row = static_cast<int64_t>(i);
            break;
        }
    if (row < 0)
        return true;
    m_data.erase(m_data.begin() + row);
    if (m_data.empty()) {
        m_table->setTableHeaderView(nullptr);
        m_table->setTableFooterView(nullptr);
        m_footer.reset();
    }
    m_table->beginUpdates();
    m_table->deleteRows({ui::IndexPath{0, row}}, true);
    m_table->endUpdates();
    return true;
}

void RZMessageViewController::commitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle style,
                                                 const ui::IndexPath& ip) {
    if (style != ui::TableViewCellEditingStyle::Delete || ip.row < 0 || ip.row >= static_cast<int64_t>(m_data.size()))
        return;
    deleteMessage(m_data[static_cast<size_t>(ip.row)]["nid"].asInt().value_or(0));
    // A row deleted by its own swipe ends that row's editing.
    if (m_table && !m_table->isEditing())
        setEditTitle(kEdit);
}

void RZMessageViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(m_data.size()))
        return;
    core::Value& message = m_data[static_cast<size_t>(ip.row)];
    const int64_t nid = message["nid"].asInt().value_or(0);
    // Shown read only once the table says so; the message opens either way.
    if (MessageTB::setMessageReadWithId(nid)) {
        message.set("read", core::Value(int64_t{1}));
        if (auto* cell = dynamic_cast<RZMessageCell*>(table.cellForRow(ip)))
            cell->setMessageIsRead(true);
    }
    auto detail = RZMessageDetailViewController::create();
    detail->setIndexPath(ip);
    detail->setDelegate(std::static_pointer_cast<RZMessageDetailDelegate>(
        std::static_pointer_cast<RZMessageViewController>(shared_from_this())));
    detail->setNotifyId(nid);
    if (auto* nav = navigationController())
        nav->pushViewController(detail, true);
}

void RZMessageViewController::RZMessageDetailDelete(int64_t notifyId, const ui::IndexPath&) {
    // The detail has deleted the message; its row is found by id, as the list
    // may have changed since the detail opened.
    deleteMessage(notifyId);
}

} // namespace pw
