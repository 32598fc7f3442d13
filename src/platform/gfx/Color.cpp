#include "platform/gfx/Color.h"

#include <algorithm>
#include <cmath>

namespace pw::gfx {

namespace {
double clamp01(double v) {
    if (!(v >= 0)) // NaN too
        return 0;
    return std::min(v, 1.0);
}
} // namespace

Color::Color(double r, double g, double b, double a)
    : m_r(clamp01(r)), m_g(clamp01(g)), m_b(clamp01(b)), m_a(clamp01(a)) {}

Color Color::fromRGB255(int r, int g, int b, double a) {
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

Color Color::fromWhite(double white, double a) {
    return {white, white, white, a};
}

Color Color::fromHSB(const HSB& in) {
    double h = in.hue - std::floor(in.hue); // wraps a full turn
    double s = clamp01(in.saturation), v = clamp01(in.brightness);
    if (s == 0)
        return {v, v, v, in.alpha};
    double sector = h * 6;
    int i = static_cast<int>(std::floor(sector)) % 6;
    double f = sector - std::floor(sector);
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
    case 0:
        return {v, t, p, in.alpha};
    case 1:
        return {q, v, p, in.alpha};
    case 2:
        return {p, v, t, in.alpha};
    case 3:
        return {p, q, v, in.alpha};
    case 4:
        return {t, p, v, in.alpha};
    default:
        return {v, p, q, in.alpha};
    }
}

Color Color::patternImage(const Image& image) {
    Color c;
    c.m_pattern = image;
    return c;
}

HSB Color::hsb() const {
    double mx = std::max({m_r, m_g, m_b}), mn = std::min({m_r, m_g, m_b});
    double delta = mx - mn;
    HSB out;
    out.brightness = mx;
    out.alpha = m_a;
    out.saturation = mx > 0 ? delta / mx : 0;
    if (delta > 0) {
        double h;
        if (mx == m_r)
            h = (m_g - m_b) / delta;
        else if (mx == m_g)
            h = 2 + (m_b - m_r) / delta;
        else
            h = 4 + (m_r - m_g) / delta;
        h /= 6;
        if (h < 0)
            h += 1;
        out.hue = h;
    }
    return out;
}

Color Color::withAlpha(double a) const {
    Color c = *this;
    c.m_a = clamp01(a);
    return c;
}

uint32_t Color::argb32() const {
    auto q = [](double v) { return static_cast<uint32_t>(std::lround(v * 255)); };
    return q(m_a) << 24 | q(m_r) << 16 | q(m_g) << 8 | q(m_b);
}

bool operator==(const Color& l, const Color& r) {
    if (l.isPattern() || r.isPattern())
        return l.isPattern() && r.isPattern() && l.m_pattern->surface() == r.m_pattern->surface() && l.m_a == r.m_a;
    return l.argb32() == r.argb32();
}

} // namespace pw::gfx
