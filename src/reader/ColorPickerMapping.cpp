#include "reader/ColorPickerMapping.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {
bool inside(const gfx::Rect& r, gfx::Point p) {
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}
} // namespace

ColorPickerAreas colorPickerAreas(const gfx::Rect& bounds) {
    ColorPickerAreas a;
    a.all = {bounds.x() + 10, bounds.y() + 10, bounds.width() - 20, bounds.height() - 20};
    a.right = {a.all.width() - 30, a.all.y() + 10, 40, a.all.height() - 20};
    a.left = {a.all.x() + 10, a.all.y() + 10, a.all.width() - 40 - 20, a.all.height() - 20};
    return a;
}

std::optional<ColorPickerTouch> colorPickerTouch(const ColorPickerAreas& areas, gfx::Point p, double currentHue) {
    if (!inside(areas.all, p))
        return std::nullopt;
    if (inside(areas.left, p)) {
        const double column = std::floor((p.x - areas.left.x()) / (areas.left.width() / 21));
        const double row = std::floor((p.y - areas.left.y()) / (areas.left.height() / 21));
        return ColorPickerTouch{false, {currentHue, std::min(0.05 * column, 1.0), std::min(0.05 * row, 1.0)}};
    }
    if (inside(areas.right, p)) {
        const double index = std::floor((p.y - areas.right.y()) / (areas.right.height() / 31));
        return ColorPickerTouch{true, {std::min(index / 30, 1.0), 1, 1}};
    }
    return std::nullopt;
}

std::optional<ColorPair> colorPickerPreset(int preset) {
    switch (preset) {
    case 1:
        return ColorPair{gfx::Color::fromRGB255(243, 243, 243), gfx::Color::fromRGB255(51, 51, 51)};
    case 2:
        return ColorPair{gfx::Color::fromRGB255(251, 240, 218), gfx::Color::fromRGB255(85, 67, 43)};
    case 3:
        return ColorPair{gfx::Color::fromRGB255(247, 216, 236), gfx::Color::fromRGB255(117, 40, 66)};
    default:
        return std::nullopt;
    }
}

} // namespace pw
