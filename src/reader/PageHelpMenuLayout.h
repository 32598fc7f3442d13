#pragma once

// Where the help sheet draws its zones, captions and hand images, and its
// show and hide rules; the sheet's drawing follows these.

#include <optional>
#include <string>

#include "platform/gfx/Geometry.h"

namespace pw {

struct PageHelpMenuLayout {
    gfx::Rect backHalf; // shaded darker: the half that turns back
    gfx::Rect centre;   // the zone whose tap opens the menu
    gfx::Point centreHand;
    // Left/right layouts set captions in 20-wide rects; up/down ones from a point
    // (the rect's origin, size empty).
    gfx::Rect prevCaption;
    gfx::Rect nextCaption;
    gfx::Point leftHand;
    gfx::Point rightHand;
    gfx::Rect menuCaption;
    gfx::Rect noTips;
    gfx::Rect noTipsText;
};

inline constexpr int kPageHelpMenuTag = 50001;

PageHelpMenuLayout pageHelpMenuLayout(gfx::Size size, bool isUpDown, bool tablet);
// Shown unless the setting reads "off" or a sheet already stands on the host.
bool pageHelpMenuShouldShow(const std::optional<std::string>& setting, bool hostHasSheet);
// A touch on the sheet removes it; on "不再提示" it also stores "off".
bool pageHelpMenuTouchStoresOff(const gfx::Rect& noTips, gfx::Point p);

} // namespace pw
