#include "foundation/widgets/StatusBarOverlayLayout.h"

#include <algorithm>
#include <numbers>

namespace pw {

gfx::Rect StatusBarOverlayLayout::creationFrame(const gfx::Rect& statusBar, bool isPad) {
    gfx::Rect f = statusBar;
    if (f.height() == 40)
        f.size.height = 20;
    if (!isPad && std::max(f.width(), f.height()) > 480)
        f.size.width = 320;
    return f;
}

StatusBarOverlayLayout::Placement StatusBarOverlayLayout::placementFor(device::Orientation o, gfx::Size s) {
    Placement p;
    // The platform names the landscape orientations by the side the device was
    // turned to: LandscapeLeft has the home button on the right and the bar along
    // the screen's right edge, LandscapeRight the other way round.
    switch (o) {
    case device::Orientation::PortraitUpsideDown:
        p.angle = std::numbers::pi;
        p.frame = {0, s.height - kBarHeight, s.width, kBarHeight};
        p.barLength = s.width;
        break;
    case device::Orientation::LandscapeLeft:
        p.angle = std::numbers::pi / 2;
        p.frame = {s.width - kBarHeight, 0, kBarHeight, s.height};
        p.barLength = s.height;
        break;
    case device::Orientation::LandscapeRight:
        p.angle = -std::numbers::pi / 2;
        p.frame = {0, 0, kBarHeight, s.height};
        p.barLength = s.height;
        break;
    default:
        p.frame = {0, 0, s.width, kBarHeight};
        p.barLength = s.width;
        break;
    }
    p.smallFrame = {p.barLength - kShrunkWidth, 0, kShrunkWidth, kBarHeight};
    return p;
}

double StatusBarOverlayLayout::historyOffset(size_t n) {
    if (n < static_cast<size_t>(kHistoryRowsShown))
        return (static_cast<double>(n) - kHistoryRowsShown) * kHistoryRowHeight;
    return 0;
}

gfx::Rect StatusBarOverlayLayout::shownDetailFrame(OverlayDetailViewMode mode, const gfx::Rect& current,
                                                   size_t historyCount, double detailTextHeight) {
    switch (mode) {
    case OverlayDetailViewModeHistory:
        return {current.x(), historyOffset(historyCount), current.width(), current.height()};
    case OverlayDetailViewModeDetailText:
        return {current.x(), 0, current.width(), detailTextHeight + kBarHeight};
    default:
        return {current.x(), 0, current.width(), current.height()};
    }
}

bool StatusBarOverlayLayout::usesLightScheme(ui::StatusBarStyle style, bool isPad, const gfx::Rect& statusBar) {
    return style == ui::StatusBarStyle::Default && !isPad && std::max(statusBar.width(), statusBar.height()) <= 480;
}

StatusBarOverlayLayout::ProgressStrip StatusBarOverlayLayout::progressStrip(double progress, double textWidth,
                                                                            double labelCenterX,
                                                                            const gfx::Rect& current,
                                                                            double stripWidth) {
    if (progress >= 1.0)
        return {true, current};
    if (textWidth == 0)
        return {false, current};
    const double x = labelCenterX + textWidth / 2 - textWidth * (1 - progress);
    return {false, {x, current.y(), stripWidth - x, current.height()}};
}

} // namespace pw
