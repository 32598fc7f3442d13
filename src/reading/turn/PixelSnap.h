#pragma once

// Edges of sliding pages fall on whole device pixels, so a page picture is copied
// rather than resampled while it moves (sharp text, and a plain copy per frame).

#include "platform/device/Device.h"

#include <cmath>

namespace pw {

inline double snapToPixel(double points) {
    const double scale = std::max(1.0, device::Device::current().screen().scale);
    return std::round(points * scale) / scale;
}

} // namespace pw
