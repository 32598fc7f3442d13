#pragma once

// The top bar and its settings panel: where rows and controls stand, the
// font-size limits and where the turn-style row scrolls to.

#include <array>
#include <optional>

#include "platform/gfx/Geometry.h"

namespace pw {

inline constexpr double kTopMenuShutHeight = 44;
inline constexpr double kTopMenuOpenHeight = 280;

// The y of the font, brightness, style and page-turn rows, and the bottom row.
std::array<double, 5> pageTopMenuRowTops();
// btnTopLight, btnTopScreenOrientation, btnSettingTop inside the right group.
std::array<gfx::Rect, 3> pageTopMenuRightGroup();
gfx::Rect pageTopMenuRightGroupFrame(double menuWidth);
gfx::Rect pageTopMenuFontDecrease(double menuWidth, bool tablet);
gfx::Rect pageTopMenuFullScreen(double menuWidth, bool tablet);
// The three speed buttons inside the speed view.
std::array<gfx::Rect, 3> pageTopMenuSpeedButtons();
// The x of the turn-style button of an index.
double pageTopMenuTurnButtonX(int index);

// Which font-size button a size disables: the decrease at 12 or below, the
// increase at 42 or above (the size truncated to whole points).
enum class FontSizeLimit { None, Smallest, Largest };
FontSizeLimit fontSizeLimitFor(double points);

// The offset the page-turn row scrolls to for a style, clamped to the content
// when the row is narrower than it; nullopt when it does not scroll.
std::optional<double> pageTurningScrollTarget(int style, double viewWidth, double contentWidth = 525);

// Folding the panel: the height after a tap on "阅读设置".
inline double pageTopMenuHeightAfterFold(double backgroundHeight) {
    return backgroundHeight == kTopMenuShutHeight ? kTopMenuOpenHeight : kTopMenuShutHeight;
}

} // namespace pw
