#include "reader/PageBottomSubMenu.h"

#include "reader/PageBottomMenuLayout.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

PageBottomSubMenu::PageBottomSubMenu(const gfx::Rect& frame) : ReaderMenuView(frame) {
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin);
    setFadeEntrance(0.4);
}

void PageBottomSubMenu::build() {
    using namespace readermenu;
    auto face = picture(bounds(), "v2_icon_read_box.9.3.png", panelColour(), {8, 8});
    face->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(face);
    const auto frames = pageBottomSubMenuButtons(bounds().size);
    btnFirst = genBtnItemWithFrame(frames[0], "v2_icon_read_btn_bg2.png");
    btnSecond = genBtnItemWithFrame(frames[1], "v2_icon_read_btn_bg2.png");
    for (const auto& b : {btnFirst, btnSecond}) {
        setButton(*b, 14, "");
        addSubview(b);
    }
}

} // namespace pw
