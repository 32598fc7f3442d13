#pragma once

#include "platform/gfx/Color.h"

namespace pw {

// What the picker view reports to the colour box: the colour a touch chose.
class ColorPickerDelegate {
public:
    virtual ~ColorPickerDelegate() = default;
    virtual void colorPicked(const gfx::Color& colour) = 0;
};

} // namespace pw
