#pragma once

// A colour: straight (not premultiplied) RGBA components in 0..1, or a pattern
// that tiles an image (the reading backgrounds are such colours).

#include "platform/gfx/Image.h"

#include <cstdint>
#include <optional>

namespace pw::gfx {

struct HSB {
    double hue = 0;        // 0..1 (a full turn)
    double saturation = 0; // 0..1
    double brightness = 0; // 0..1
    double alpha = 1;
};

class Color {
public:
    Color() = default;
    Color(double r, double g, double b, double a = 1);

    // Components in 255ths, alpha 0..1: how most colours of the system are given.
    static Color fromRGB255(int r, int g, int b, double a = 1);
    static Color fromHSB(const HSB& hsb);
    static Color fromWhite(double white, double a = 1);
    static Color patternImage(const Image& image);

    static Color black() { return {0, 0, 0, 1}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color clear() { return {0, 0, 0, 0}; }
    static Color red() { return {1, 0, 0, 1}; }
    static Color green() { return {0, 1, 0, 1}; }
    static Color blue() { return {0, 0, 1, 1}; }
    static Color gray() { return {0.5, 0.5, 0.5, 1}; }
    static Color darkGray() { return {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}; }
    static Color lightGray() { return {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}; }

    // Components 0..1.
    double r() const { return m_r; }
    double g() const { return m_g; }
    double b() const { return m_b; }
    double alpha() const { return m_a; }
    HSB hsb() const;
    Color withAlpha(double a) const;

    bool isPattern() const { return m_pattern.has_value(); }
    // The tiled image of a pattern colour.
    const std::optional<Image>& pattern() const { return m_pattern; }

    // Packed 0xAARRGGBB after rounding each component to 255ths.
    uint32_t argb32() const;

    // Pattern colours are equal when they tile the same image object.
    friend bool operator==(const Color& l, const Color& r);

private:
    double m_r = 0;
    double m_g = 0;
    double m_b = 0;
    double m_a = 1;
    std::optional<Image> m_pattern;
};

} // namespace pw::gfx
