#include "reader/PageMenuInteractive.h"

#include "reader/PageTopMenu.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

void PageMenuInteractive::didCreate() {
    observeCloseAndShow(PageTopMenu::kInteractiveClose, PageTopMenu::kInteractiveShow);
}

void PageMenuInteractive::build() {
    auto face = readermenu::picture(bounds(), "v2_icon_read_interactive.png", readermenu::panelColour(), {10, 10});
    face->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    addSubview(face);
    btnZoom = readermenu::genBtnItemWithFrame(bounds(), "v2_icon_read_interactive_btn.png", false);
    btnZoom->setAutoresizingMask(ui::FlexibleLeftMargin);
    readermenu::setButton(*btnZoom, 12, "互 动", {43, -8, 0, 0});
    addSubview(btnZoom);
}

} // namespace pw
