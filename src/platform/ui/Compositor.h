#pragma once
// Draws the visible windows, back to front by level, and the status bar into
// one screen-sized image surface, redrawing only what changed. The front end
// presents its pixels.
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"

#include <cstdint>
#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace pw::gfx {
class Context;
}

namespace pw::ui {

class Compositor {
public:
    Compositor();
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    // Lays windows out and redraws the changed area; answers that area (empty when
    // nothing changed). The surface follows the device's screen size and scale.
    gfx::Rect renderFrame();
    // Redraws everything.
    void renderAll();

    int pixelWidth() const;
    int pixelHeight() const;
    // Premultiplied native-endian ARGB32 rows.
    const uint8_t* pixels() const;
    int stride() const;
    gfx::Image snapshot() const;

    // The clock shown in the status bar ("HH:MM"); the local time by default.
    static void drawStatusBar(gfx::Context& ctx, const gfx::Rect& screen);

private:
    void ensureSurface();
    void render(const gfx::Rect& area);
    cairo_surface_t* m_surface = nullptr;
    double m_scale = 1;
};

} // namespace pw::ui
