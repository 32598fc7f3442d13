#include "reader/PageBottomMenuLayout.h"

namespace pw {

gfx::Rect pageBottomMenuFrame(double v, double h) {
    return {0, h - 60, v, 60};
}

std::array<gfx::Rect, 5> pageBottomMenuButtons(double w, bool tablet) {
    const double gap = tablet ? 38 : 8;
    std::array<gfx::Rect, 5> out;
    double x = (w - 250 - 4 * gap) / 2;
    for (auto& r : out) {
        r = {x, 12, 50, 45};
        x += 50 + gap;
    }
    return out;
}

gfx::Rect pageMenuChapterFrame(bool tablet, double topMenuBottom, bool relayout) {
    if (tablet)
        return {0, 500, 60, 80};
    return {0, topMenuBottom + (relayout ? 15 : 18), 60, 80};
}

gfx::Rect pageMenuInteractiveFrame(bool tablet, const gfx::Rect& chapterButton) {
    if (tablet)
        return {0, 600, 60, 80};
    return {0, chapterButton.maxY() + 15, 60, 80};
}

gfx::Rect pageBottomSubMenuFrame(double v, double h) {
    return {(v - 250) / 2, h - 76, 250, 58};
}

std::array<gfx::Rect, 2> pageBottomSubMenuButtons(gfx::Size s) {
    const double firstWidth = (s.width - 30) / 2;
    const double y = (s.height - 38) / 2 - 1;
    return {gfx::Rect(10, y, firstWidth, 38), gfx::Rect(s.width - firstWidth - 10, y, (s.width - 30) / 2 - 1, 38)};
}

} // namespace pw
