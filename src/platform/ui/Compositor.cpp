#include "platform/ui/Compositor.h"

#include "platform/core/Clock.h"
#include "platform/device/Device.h"
#include "platform/gfx/Context.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <cmath>
#include <ctime>
#include <numbers>

namespace pw::ui {

Compositor::Compositor() = default;

Compositor::~Compositor() {
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

void Compositor::ensureSurface() {
    const auto s = device::Device::current().screen();
    const int w = static_cast<int>(std::lround(s.width * s.scale));
    const int h = static_cast<int>(std::lround(s.height * s.scale));
    if (m_surface && cairo_image_surface_get_width(m_surface) == w && cairo_image_surface_get_height(m_surface) == h &&
        m_scale == s.scale)
        return;
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    m_scale = s.scale;
    Application::shared().setNeedsFullRedraw();
}

int Compositor::pixelWidth() const {
    return m_surface ? cairo_image_surface_get_width(m_surface) : 0;
}
int Compositor::pixelHeight() const {
    return m_surface ? cairo_image_surface_get_height(m_surface) : 0;
}
int Compositor::stride() const {
    return m_surface ? cairo_image_surface_get_stride(m_surface) : 0;
}

const uint8_t* Compositor::pixels() const {
    if (!m_surface)
        return nullptr;
    cairo_surface_flush(m_surface);
    return cairo_image_surface_get_data(m_surface);
}

gfx::Image Compositor::snapshot() const {
    if (!m_surface)
        return {};
    cairo_surface_flush(m_surface);
    const int w = pixelWidth(), h = pixelHeight();
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, m_surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    gfx::Image img(copy, m_scale);
    cairo_surface_destroy(copy);
    return img;
}

gfx::Rect Compositor::renderFrame() {
    ensureSurface();
    auto& app = Application::shared();
    for (auto& w : app.windows())
        w->layoutIfNeeded();
    const gfx::Rect dirty = app.takeDirtyRect();
    if (dirty.isEmpty())
        return {};
    render(dirty);
    return dirty;
}

void Compositor::renderAll() {
    ensureSurface();
    auto& app = Application::shared();
    for (auto& w : app.windows())
        w->layoutIfNeeded();
    app.takeDirtyRect();
    render(app.screenBounds());
}

void Compositor::render(const gfx::Rect& area) {
    auto& app = Application::shared();
    gfx::Context ctx(m_surface, m_scale);
    ctx.clipToRect(area.integral());
    ctx.setFillColor(gfx::Color::black());
    ctx.fillRect(area.integral());
    // The bar lies at its own window level: windows above that level (overlays of
    // the bar, alerts) cover it.
    const bool bar = !app.isStatusBarHidden() && app.statusBarFrame().intersects(area);
    bool barDrawn = false;
    for (auto& w : app.windows()) {
        if (bar && !barDrawn && w->windowLevel() > kWindowLevelStatusBar) {
            drawStatusBar(ctx, app.screenBounds());
            barDrawn = true;
        }
        w->layer()->render(ctx);
    }
    if (bar && !barDrawn)
        drawStatusBar(ctx, app.screenBounds());
    cairo_surface_flush(m_surface);
}

void Compositor::drawStatusBar(gfx::Context& ctx, const gfx::Rect& screen) {
    auto& app = Application::shared();
    const double barH = Application::kStatusBarHeight;
    ctx.save();
    // The bar runs along the interface's top edge.
    double width = screen.width();
    switch (app.statusBarOrientation()) {
    case device::Orientation::PortraitUpsideDown:
        ctx.translate(screen.width(), screen.height());
        ctx.rotate(std::numbers::pi);
        break;
    case device::Orientation::LandscapeLeft:
        ctx.translate(screen.width(), 0);
        ctx.rotate(std::numbers::pi / 2);
        width = screen.height();
        break;
    case device::Orientation::LandscapeRight:
        ctx.translate(0, screen.height());
        ctx.rotate(-std::numbers::pi / 2);
        width = screen.height();
        break;
    default:
        break;
    }
    const gfx::Rect bar(0, 0, width, barH);
    gfx::Color text = gfx::Color::white();
    ctx.clipToRect(bar);
    switch (app.statusBarStyle()) {
    case StatusBarStyle::Default:
        ctx.drawLinearGradient({{0, gfx::Color::fromWhite(0.85)}, {1, gfx::Color::fromWhite(0.62)}}, {0, 0}, {0, barH});
        text = gfx::Color::black();
        break;
    case StatusBarStyle::BlackOpaque:
        ctx.setFillColor(gfx::Color::black());
        ctx.fillRect(bar);
        break;
    case StatusBarStyle::BlackTranslucent:
        ctx.setFillColor(gfx::Color(0, 0, 0, 0.5));
        ctx.fillRect(bar);
        break;
    }
    ctx.clipToRect(bar);
    const std::time_t t = static_cast<std::time_t>(core::Clock::shared().now());
    std::tm tm{};
    localtime_r(&t, &tm);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", tm.tm_hour, tm.tm_min);
    const gfx::Font font = gfx::Font::boldSystemFont(14);
    const gfx::Size size = gfx::TextLayout::measure(clock, font);
    ctx.setFillColor(text);
    ctx.drawText(clock, {std::round((width - size.width) / 2), std::round((barH - size.height) / 2)}, font);
    // Battery: an outline filled to the level (full when no battery is known).
    const float level = device::Device::current().batteryLevel();
    const double fill = level < 0 ? 1.0 : level;
    const gfx::Rect body(width - 34, 5, 24, 10);
    ctx.setStrokeColor(text);
    ctx.setLineWidth(1);
    ctx.strokeRect(body.insetBy(0.5, 0.5));
    ctx.setFillColor(text);
    ctx.fillRect({body.maxX(), 8, 2, 4});
    ctx.fillRect({body.x() + 2, body.y() + 2, (body.width() - 4) * fill, body.height() - 4});
    if (app.isNetworkActivityIndicatorVisible()) {
        ctx.beginPath();
        ctx.addArc({14, barH / 2}, 5, 0, std::numbers::pi * 1.5, true);
        ctx.strokePath();
    }
    ctx.restore();
}

} // namespace pw::ui
