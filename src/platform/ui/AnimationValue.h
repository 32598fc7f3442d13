#pragma once
// Values that animations interpolate between, and the timing curves they follow.
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

#include <variant>

namespace pw::ui {

using AnimationValue = std::variant<double, gfx::Point, gfx::Size, gfx::Rect, gfx::AffineTransform, gfx::Color>;

enum class TimingFunction { Linear, EaseIn, EaseOut, EaseInOut };

// Progress 0..1 through the curve (cubic Béziers of the usual control points).
double applyTiming(TimingFunction f, double t);

// Linear interpolation of two values of the same kind; `to` wins when the kinds differ.
AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double t);

} // namespace pw::ui
