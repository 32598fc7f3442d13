#include "platform/gfx/BitmapContext.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

namespace pw::gfx {

namespace {
cairo_surface_t* makeSurface(Size points, double scale, bool opaque) {
    if (!(scale > 0))
        scale = 1;
    int w = std::max(0, static_cast<int>(std::ceil(points.width * scale - 1e-9)));
    int h = std::max(0, static_cast<int>(std::ceil(points.height * scale - 1e-9)));
    // An opaque surface keeps no alpha; its pixels start black.
    return cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, w, h);
}
} // namespace

BitmapContext::BitmapContext(Size points, double scale, bool opaque)
    : Context(makeSurface(points, scale, opaque), scale), m_size(points), m_scale(scale > 0 ? scale : 1),
      m_opaque(opaque) {
    m_surface = cairo_get_target(m_cr);
    // The context holds its own reference; drop the one makeSurface created.
    cairo_surface_destroy(m_surface);
}

BitmapContext::~BitmapContext() = default;

int BitmapContext::pixelWidth() const {
    return cairo_image_surface_get_width(m_surface);
}
int BitmapContext::pixelHeight() const {
    return cairo_image_surface_get_height(m_surface);
}

Image BitmapContext::snapshot() const {
    cairo_surface_flush(m_surface);
    cairo_format_t format = cairo_image_surface_get_format(m_surface);
    int w = pixelWidth(), h = pixelHeight();
    // Copied byte for byte: the copy carries no device scale (the Image keeps the scale).
    cairo_surface_t* copy = cairo_image_surface_create(format, w, h);
    const int stride = cairo_image_surface_get_stride(m_surface);
    if (cairo_image_surface_get_stride(copy) == stride && h > 0)
        std::memcpy(cairo_image_surface_get_data(copy), cairo_image_surface_get_data(m_surface),
                    static_cast<size_t>(stride) * h);
    cairo_surface_mark_dirty(copy);
    Image img(copy, m_scale);
    cairo_surface_destroy(copy);
    return img;
}

Pixel BitmapContext::pixelAt(int x, int y) const {
    // A snapshot-free read: wrap the live surface without copying.
    cairo_surface_flush(m_surface);
    return Image(m_surface, m_scale).pixelAt(x, y);
}

} // namespace pw::gfx
