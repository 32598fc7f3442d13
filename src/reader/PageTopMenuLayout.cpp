#include "reader/PageTopMenuLayout.h"

namespace pw {

std::array<double, 5> pageTopMenuRowTops() {
    // Row heights 44, 42, 60 and 40 under the 44-point bar; the last row takes
    // the rest of the open panel.
    return {44, 88, 130, 190, 230};
}

std::array<gfx::Rect, 3> pageTopMenuRightGroup() {
    return {gfx::Rect(0, 6, 75, 32), gfx::Rect(81, 6, 80, 32), gfx::Rect(167, 6, 80, 32)};
}

gfx::Rect pageTopMenuRightGroupFrame(double w) {
    return {w - 255, 0, 255, 44};
}

gfx::Rect pageTopMenuFontDecrease(double w, bool tablet) {
    return {tablet ? 198.0 : w - 125, 4, 118, 34};
}

gfx::Rect pageTopMenuFullScreen(double w, bool tablet) {
    return {tablet ? 173.0 : w - 153, 3, 148, 34};
}

std::array<gfx::Rect, 3> pageTopMenuSpeedButtons() {
    return {gfx::Rect(0, 0, 46, 34), gfx::Rect(48, 0, 46, 34), gfx::Rect(96, 0, 46, 34)};
}

double pageTopMenuTurnButtonX(int index) {
    return 88.0 * index;
}

FontSizeLimit fontSizeLimitFor(double points) {
    const int n = static_cast<int>(points);
    if (n <= 12)
        return FontSizeLimit::Smallest;
    if (n >= 42)
        return FontSizeLimit::Largest;
    return FontSizeLimit::None;
}

std::optional<double> pageTurningScrollTarget(int style, double viewWidth, double contentWidth) {
    double target = 0;
    switch (style) {
    case 2:
        target = 88;
        break;
    case 3:
        target = 176;
        break;
    case 4:
        target = 264;
        break;
    case 5:
        target = 294;
        break;
    default:
        target = 0;
        break;
    }
    if (viewWidth >= contentWidth)
        return std::nullopt;
    if (target > contentWidth - viewWidth)
        target = contentWidth - viewWidth;
    return target;
}

} // namespace pw
