#include "shelf/SearchHeaderView.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "shelf/ShelfHost.h"

namespace pw {

SearchHeaderView::SearchHeaderView() = default;

void SearchHeaderView::reloadKeepingHidden(ui::TableView& table) {
    const gfx::Point before = table.contentOffset();
    table.reloadData();
    // A reload keeps the offset inside the new rows; shorter rows would bring
    // the hidden header down into view.
    if (before.y >= kHeight && table.contentOffset().y < kHeight)
        table.setContentOffset({before.x, kHeight}, false);
}

SearchHeaderView::SearchHeaderView(const gfx::Rect& frame) : View(frame) {}

std::shared_ptr<SearchHeaderView> SearchHeaderView::create(const gfx::Rect& frame) {
    return View::create<SearchHeaderView>(frame);
}

void SearchHeaderView::didCreate() {
    View::didCreate();
    setup();
}

void SearchHeaderView::setup() {
    if (m_schBar)
        return;
    setAutoresizingMask(ui::FlexibleWidth);
    const double w = bounds().width();
    m_schBar = View::create<ui::SearchBar>();
    m_schBar->setFrame({0, 0, w - 50, 44});
    m_schBar->setAutoresizingMask(ui::FlexibleWidth);
    m_schBar->setBackgroundColor(gfx::Color::clear());
    m_schBar->setBackgroundImage(ui::BundleImage::named("searchbg.png"));
    m_schBar->setPlaceholder("请输入要查找的关键字");
    m_schBar->setShowsCancelButton(false);
    addSubview(m_schBar);

    m_buttonImageName = bookcaseType == 1 ? "v2_icon_sync_bookcase.png" : "v2_icon_plus.png";
    m_btnSyncBookcase = ui::Button::create(ui::ButtonType::Custom);
    m_btnSyncBookcase->setImage(ui::BundleImage::named(m_buttonImageName));
    m_btnSyncBookcase->setAutoresizingMask(ui::FlexibleLeftMargin);
    m_btnSyncBookcase->setFrame({(w - 50) + 5, 3, 38, 38});
    addSubview(m_btnSyncBookcase);
}

void SearchHeaderView::showGuide() {
    m_schBar->setUserInteractionEnabled(false);
    m_buttonImageName = bookcaseType == 1 ? "v2_icon_sync_bookcase2.png" : "v2_icon_plus2.png";
    m_btnSyncBookcase->setImage(ui::BundleImage::named(m_buttonImageName));
    m_btnSyncBookcase->showsTouchWhenHighlighted = true;
}

} // namespace pw
