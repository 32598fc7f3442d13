#include "account/RZBookNotifyViewController.h"

#include "account/RZBookNotifyCell.h"
#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/util/Utils.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"

namespace pw {

RZBookNotifyViewController::RZBookNotifyViewController() : m_format("yyyy-MM-dd HH:mm") {
    setTitle("更新提醒");
}

RZBookNotifyViewController::~RZBookNotifyViewController() {
    m_hideHint.cancel();
    m_insetHint.cancel();
}

bool RZBookNotifyViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

std::string RZBookNotifyViewController::timeText(const core::Value& millis) const {
    const int64_t ms = millis.asInt().value_or(0);
    return "更新时间：" + m_format.format(static_cast<double>(ms / 1000));
}

void RZBookNotifyViewController::viewDidLoad() {
    setTitle("更新提醒");
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, true);
    auto v = view();
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Plain);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->separatorStyle = ui::TableViewSeparatorStyle::None;
    m_table->setBackgroundColor(gfx::Color::clear());
    m_table->rowHeight = 125;
    m_table->allowsSelection = false;
    auto self = std::static_pointer_cast<RZBookNotifyViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
    v->addSubview(m_table);
    m_hud = ProgressHUD::initWithView(v.get());
    m_hud->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_hud);

    // A database that cannot be opened reads as no reminders.
    m_data = BookTB::getAllNotifyRZBooks().value_or(core::Value::Array{});
    if (m_data.empty())
        return;

    const double width = m_table->bounds().width();
    auto footer = ui::View::create<ui::ImageView>(gfx::Rect(0, 0, width, 10));
    footer->setImage(ui::BundleImage::named("booklist_footer_shadow.png"));
    footer->setAutoresizingMask(ui::FlexibleWidth);
    m_footer = footer;
    m_table->setTableFooterView(m_footer);

    m_hint = ui::View::create(gfx::Rect(0, 0, width, kHintHeight));
    m_hint->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    m_hint->setAutoresizingMask(ui::FlexibleWidth);
    auto label = ui::View::create<ui::Label>(gfx::Rect(0, 0, 200, kHintHeight));
    label->setBackgroundColor(gfx::Color::clear());
    label->setFont(gfx::Font::systemFont(12));
    label->setText("    向左滑动删除更新提醒");
    m_hint->addSubview(label);
    auto arrow = ui::View::create<ui::ImageView>(gfx::Rect(width - 50, 7, 40, 21));
    arrow->setImage(ui::BundleImage::named("left_blueArrow.png"));
    arrow->setAutoresizingMask(ui::FlexibleLeftMargin);
    m_hint->addSubview(arrow);
    m_table->setTableHeaderView(m_hint);

    // The hint shows a moment, then slides up and stays above the first row.
    std::weak_ptr<RZBookNotifyViewController> weak = self;
    m_hideHint = core::RunLoop::current().postAfter(kHintScrollDelay, [weak] {
        auto s = weak.lock();
        if (!s || !s->m_hint)
            return;
        s->m_table->setContentOffset({0, kHintHeight}, true);
        s->m_insetHint = core::RunLoop::current().postAfter(kHintInsetDelay, [weak] {
            auto s = weak.lock();
            if (!s || !s->m_hint)
                return;
            gfx::EdgeInsets inset = s->m_table->contentInset();
            inset.top = -kHintHeight;
            s->m_table->setContentInset(inset);
        });
    });
}

std::shared_ptr<ui::TableViewCell> RZBookNotifyViewController::cellForRow(ui::TableView& table,
                                                                          const ui::IndexPath& ip) {
    auto cell = std::dynamic_pointer_cast<RZBookNotifyCell>(table.dequeueReusableCell("Idt0"));
    if (!cell) {
        cell = RZBookNotifyCell::create("Idt0");
        cell->cellDelegate = std::static_pointer_cast<RZBookNotifyCellDelegate>(
            std::static_pointer_cast<RZBookNotifyViewController>(shared_from_this()));
        cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
        cell->accessoryType = ui::TableViewCellAccessory::None;
    }
    if (ip.row < 0 || ip.row >= static_cast<int64_t>(m_data.size()))
        return cell;
    const core::Value& book = m_data[static_cast<size_t>(ip.row)];
    cell->bookId = book["bid"].asInt().value_or(0);
    cell->rzBookId = book["rzId"].asInt().value_or(0);
    cell->lblBookName().setText(book["bname"].asString().value_or(""));
    cell->lblAuthor().setText("作者名：" + book["author"].asString().value_or(""));
    cell->lblChapterName().setText("最新章节：" + book["newchptname"].asString().value_or(""));
    cell->lblLstUpdateTime().setText(timeText(book["newchpttime"]));
    cell->coverImagePath = getImagePathByType(book["cover"].asString().value_or(""), "rz").value_or("");
    cell->reloadImage();
    cell->showNew(RZBookNotifyCell::showsNew(book));
    return cell;
}

void RZBookNotifyViewController::swipeToNotify(RZBookNotifyCell& cell, int64_t, int64_t rzBookId) {
    if (!m_table)
        return;
    auto ip = m_table->indexPathForCell(&cell);
    if (!ip || ip->row >= static_cast<int64_t>(m_data.size()))
        return;
    // The row goes only when the reminder is really off; otherwise the next
    // update poll would still ask for the book the list no longer shows.
    if (!BookTB::setNotifyBookUpdateByRZBookId(rzBookId, false)) {
        if (m_hud)
            m_hud->showTipsWithoutLoadingHideDelay("取消提醒失败，请稍后再试", 2);
        return;
    }
    removeRow(ip->row);
}

void RZBookNotifyViewController::removeRow(int64_t row) {
    m_data.erase(m_data.begin() + row);
    if (m_data.empty()) {
        m_hint.reset();
        m_table->setTableHeaderView(nullptr);
        m_table->setContentInset({});
    }
    m_table->setTableFooterView(nullptr);
    m_table->beginUpdates();
    m_table->deleteRows({ui::IndexPath{0, row}}, true);
    m_table->endUpdates();
    if (!m_data.empty())
        m_table->setTableFooterView(m_footer);
    else
        m_footer.reset();
}

} // namespace pw
