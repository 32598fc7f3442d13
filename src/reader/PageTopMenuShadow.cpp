#include "reader/PageTopMenuShadow.h"

#include "reader/ReaderMenuKit.h"

namespace pw {

PageTopMenuShadow::PageTopMenuShadow(const gfx::Rect& frame) : ReaderMenuView(frame) {
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    setEntrance({0, -100}, 0.45);
}

void PageTopMenuShadow::build() {
    auto shade = readermenu::picture(bounds(), "v2_icon_read_navigationBar_shadow.png");
    shade->setBackgroundColor(gfx::Color::fromWhite(0, 0.25));
    shade->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(shade);
}

} // namespace pw
