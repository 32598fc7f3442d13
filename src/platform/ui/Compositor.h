#pragma once
// Draws the visible windows, back to front by level, and the status bar into
// one screen-sized image surface, redrawing only what changed. The front end
// presents its pixels.
//
// Each frame is drawn at one time: animated values, the areas marked for the
// frame and the status bar's clock are all read once, at its start. With the
// repaint check on (PAGEWELL_VERIFY_REPAINT=1, or setVerifiesRepaint), every
// frame drawn in part is compared with a full redraw of the same tree at the
// same time, and the first difference is kept as one line.
#include "platform/device/Device.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Application.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // Lays windows out and redraws the changed areas; answers the smallest rect
    // holding them (empty when nothing changed). The surface follows the
    // device's screen size and scale.
    gfx::Rect renderFrame();
    // The areas the last frame redrew, in points.
    const std::vector<gfx::Rect>& redrawnRects() const { return m_redrawn; }
    // Redraws everything.
    void renderAll();

    int pixelWidth() const;
    int pixelHeight() const;
    // Premultiplied native-endian ARGB32 rows.
    const uint8_t* pixels() const;
    int stride() const;
    gfx::Image snapshot() const;

    // --- the repaint check ---
    void setVerifiesRepaint(bool on) { m_verify = on; }
    bool verifiesRepaint() const { return m_verify; }
    // "repaint mismatch: frame N, screen S, rect x,y WxH, layer L" for the first
    // frame that differed from a full redraw; empty while none did.
    const std::string& repaintMismatch() const { return m_mismatch; }
    // The full redraw the mismatching frame was compared with.
    const gfx::Image& expectedImage() const { return m_expected; }
    uint64_t frameNumber() const { return m_frames; }
    // How many frames with nothing to redraw pass between two checks.
    static constexpr uint64_t kIdleCheckInterval = 30;

private:
    // What the status bar shows; a frame whose bar differs from the last one drawn
    // redraws the bar.
    struct StatusBarContent {
        bool hidden = true;
        StatusBarStyle style = StatusBarStyle::Default;
        device::Orientation orientation = device::Orientation::Portrait;
        std::string clock;
        int battery = -1;
        bool activity = false;
        // How far above its place the bar is drawn while it slides.
        double slide = 0;
        friend bool operator==(const StatusBarContent&, const StatusBarContent&) = default;
    };
    StatusBarContent currentStatusBar();
    static constexpr double kBatteryReadInterval = 10;
    void drawStatusBar(gfx::Context& ctx, const gfx::Rect& screen) const;
    void ensureSurface();
    gfx::Rect beginFrame();
    void render(cairo_surface_t* target, const std::vector<gfx::Rect>& areas) const;
    void verify();
    std::string describeMismatch(const gfx::Rect& diff) const;

    cairo_surface_t* m_surface = nullptr;
    cairo_surface_t* m_check = nullptr;
    double m_scale = 1;
    StatusBarContent m_bar;
    std::vector<gfx::Rect> m_redrawn;
    bool m_verify = false;
    std::string m_mismatch;
    gfx::Image m_expected;
    uint64_t m_frames = 0;
    double m_batteryReadAt = -1;
};

} // namespace pw::ui
