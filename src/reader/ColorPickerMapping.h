#pragma once

// The colour picker's areas and its touch-to-colour rule: a hue strip of 31
// cells on the right, a 21 x 21 saturation/brightness grid on the left.

#include <optional>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

namespace pw {

struct ColorPickerAreas {
    gfx::Rect all;   // the touch area
    gfx::Rect left;  // the grid
    gfx::Rect right; // the hue strip
};

ColorPickerAreas colorPickerAreas(const gfx::Rect& bounds);

// What a touch picks: from the grid (in the current hue) or a new hue from the
// strip. Nullopt outside both (also in the gap between them).
struct ColorPickerTouch {
    bool fromStrip = false;
    gfx::HSB hsb;
};
std::optional<ColorPickerTouch> colorPickerTouch(const ColorPickerAreas& areas, gfx::Point p, double currentHue);

// The preset pairs: 1 day, 2 smooth, 3 pink; nullopt for another number.
struct ColorPair {
    gfx::Color background;
    gfx::Color font;
};
std::optional<ColorPair> colorPickerPreset(int preset);

} // namespace pw
