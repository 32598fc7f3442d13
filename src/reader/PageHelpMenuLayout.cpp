#include "reader/PageHelpMenuLayout.h"

#include "reader/ReaderLogic.h"

namespace pw {

PageHelpMenuLayout pageHelpMenuLayout(gfx::Size size, bool isUpDown, bool tablet) {
    const double w = size.width, h = size.height;
    PageHelpMenuLayout l;
    l.backHalf = isUpDown ? gfx::Rect(0, 0, w, h / 2) : gfx::Rect(0, 0, w / 2, h);
    l.centre = readerCentreRect({0, 0, w, h});
    l.centreHand = {l.centre.midX() - 30, l.centre.y()};
    if (!isUpDown && !tablet) {
        l.prevCaption = {0.2 * w, 60, 20, 200};
        l.nextCaption = {0.8 * w - 20, 60, 20, 200};
        l.leftHand = {5, h - 180};
        l.rightHand = {w - 90, h - 180};
    } else if (!isUpDown) {
        l.prevCaption = {0.2 * w, h / 2 - 60, 20, 200};
        l.nextCaption = {0.8 * w, h / 2 - 60, 20, 200};
        l.leftHand = {100, h - 250};
        l.rightHand = {w - 190, h - 250};
    } else if (!tablet) {
        l.prevCaption = {w / 2, h / 4, 0, 0};
        l.nextCaption = {10, 0.8 * h, 0, 0};
        l.leftHand = {35, 50};
        l.rightHand = {w - 100, h - 150};
    } else {
        l.prevCaption = {5 * w / 8, h / 5, 0, 0};
        l.nextCaption = {w / 8, 6 * h / 8, 0, 0};
        l.leftHand = {80, 150};
        l.rightHand = {w - 150, h - 250};
    }
    l.menuCaption = {w / 2 - 70, l.centre.y() + 120, 140, 50};
    l.noTips = {w / 2 - 35, h - 40, 70, 30};
    l.noTipsText = {w / 2 - 35, h - 33, 70, 30};
    return l;
}

bool pageHelpMenuShouldShow(const std::optional<std::string>& setting, bool hostHasSheet) {
    return !hostHasSheet && setting.value_or("") != "off";
}

bool pageHelpMenuTouchStoresOff(const gfx::Rect& noTips, gfx::Point p) {
    return p.x >= noTips.minX() && p.x < noTips.maxX() && p.y >= noTips.minY() && p.y < noTips.maxY();
}

} // namespace pw
