#pragma once

// An offscreen context: a bitmap of size × scale pixels that draws in points.

#include "platform/gfx/Context.h"

namespace pw::gfx {

class BitmapContext : public Context {
public:
    // An opaque bitmap starts black (as the platform's do) and has no alpha channel;
    // a transparent one starts fully transparent.
    BitmapContext(Size points, double scale = 1, bool opaque = false);
    ~BitmapContext() override;

    using Context::scale;
    Size size() const { return m_size; }
    double scale() const { return m_scale; }
    bool isOpaque() const { return m_opaque; }
    int pixelWidth() const;
    int pixelHeight() const;

    // A copy of the pixels drawn so far, at the context's scale.
    Image snapshot() const;
    // Pixel at pixel coordinates, straight alpha.
    Pixel pixelAt(int x, int y) const;

private:
    cairo_surface_t* m_surface = nullptr;
    Size m_size;
    double m_scale = 1;
    bool m_opaque = false;
};

} // namespace pw::gfx
