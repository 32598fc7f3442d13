#include "reader/PageBottomMenu.h"

#include "platform/device/Device.h"
#include "reader/PageBottomMenuLayout.h"
#include "reader/PageTopMenu.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

PageBottomMenu::PageBottomMenu(const gfx::Rect& frame) : ReaderMenuView(frame) {
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    setEntrance({0, 1200}, 0.5);
}

void PageBottomMenu::didCreate() {
    observeCloseAndShow(PageTopMenu::kBottomMenuClose, PageTopMenu::kBottomMenuShow);
}

void PageBottomMenu::build() {
    using namespace readermenu;
    auto face = picture(bounds(), "v2_icon_readbottom.png", panelColour());
    face->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(face);
    auto row = ui::View::create(bounds());
    row->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    addSubview(row);
    const bool tablet = device::Device::current().idiom() == device::Idiom::Pad;
    const auto frames = pageBottomMenuButtons(bounds().width(), tablet);
    const char* const images[5] = {"icon_bookmark_menu.png", "icon_notifyupdate.png", "icon_updatebook.png",
                                   "icon_textjump.png", "icon_setting.png"};
    const char* const titles[5] = {"书签", "更新提醒", "更新", "跳转", "设置面板"};
    std::shared_ptr<ui::Button>* slots[5] = {&btnAddBookmark, &btnNotifyUpdate, &btnUpdate, &btnJump, &btnMoreSettings};
    for (int i = 0; i < 5; ++i) {
        auto b = genBtnItemWithFrame(frames[i], images[i]);
        setButton(*b, 12, titles[i], {32, 0, 0, 0});
        row->addSubview(b);
        *slots[i] = b;
    }
}

} // namespace pw
