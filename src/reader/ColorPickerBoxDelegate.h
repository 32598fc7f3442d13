#pragma once

#include "platform/gfx/Color.h"

namespace pw {

// What the colour box reports to the reader. The preset operations are
// optional: the defaults do nothing.
class ColorPickerBoxDelegate {
public:
    virtual ~ColorPickerBoxDelegate() = default;
    virtual void colorPicking(const gfx::Color& colour) = 0;
    virtual void colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont, bool useBackgroundImage,
                                 int backgroundImageTag) = 0;
    virtual void colorPickConfirm(const gfx::Color& colour) = 0;
    virtual void pickedPresetBackgroundColor(const gfx::Color&, const gfx::Color&) {}
    virtual void pickingPresetBackgroundColor(const gfx::Color&, const gfx::Color&) {}
};

} // namespace pw
