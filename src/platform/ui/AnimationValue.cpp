#include "platform/ui/AnimationValue.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

namespace {

// Solves a unit cubic Bézier (0,0) (x1,y1) (x2,y2) (1,1) for y at x.
double bezier(double x1, double y1, double x2, double y2, double x) {
    auto sample = [](double a1, double a2, double t) {
        const double u = 1 - t;
        return 3 * u * u * t * a1 + 3 * u * t * t * a2 + t * t * t;
    };
    double lo = 0, hi = 1, t = x;
    for (int i = 0; i < 40; ++i) {
        const double xt = sample(x1, x2, t);
        if (std::abs(xt - x) < 1e-7)
            break;
        if (xt < x)
            lo = t;
        else
            hi = t;
        t = (lo + hi) / 2;
    }
    return sample(y1, y2, t);
}

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace

double applyTiming(TimingFunction f, double t) {
    t = std::clamp(t, 0.0, 1.0);
    switch (f) {
    case TimingFunction::Linear:
        return t;
    case TimingFunction::EaseIn:
        return bezier(0.42, 0, 1, 1, t);
    case TimingFunction::EaseOut:
        return bezier(0, 0, 0.58, 1, t);
    case TimingFunction::EaseInOut:
        return bezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double t) {
    if (from.index() != to.index())
        return to;
    return std::visit(
        [&](const auto& a) -> AnimationValue {
            using T = std::decay_t<decltype(a)>;
            const T& b = std::get<T>(to);
            if constexpr (std::is_same_v<T, double>) {
                return lerp(a, b, t);
            } else if constexpr (std::is_same_v<T, gfx::Point>) {
                return gfx::Point{lerp(a.x, b.x, t), lerp(a.y, b.y, t)};
            } else if constexpr (std::is_same_v<T, gfx::Size>) {
                return gfx::Size{lerp(a.width, b.width, t), lerp(a.height, b.height, t)};
            } else if constexpr (std::is_same_v<T, gfx::Rect>) {
                return gfx::Rect(lerp(a.x(), b.x(), t), lerp(a.y(), b.y(), t), lerp(a.width(), b.width(), t),
                                 lerp(a.height(), b.height(), t));
            } else if constexpr (std::is_same_v<T, gfx::AffineTransform>) {
                return gfx::AffineTransform{lerp(a.a, b.a, t), lerp(a.b, b.b, t),   lerp(a.c, b.c, t),
                                            lerp(a.d, b.d, t), lerp(a.tx, b.tx, t), lerp(a.ty, b.ty, t)};
            } else {
                if (a.isPattern() || b.isPattern())
                    return t < 0.5 ? a : b;
                return gfx::Color(lerp(a.r(), b.r(), t), lerp(a.g(), b.g(), t), lerp(a.b(), b.b(), t),
                                  lerp(a.alpha(), b.alpha(), t));
            }
        },
        from);
}

} // namespace pw::ui
