#include "platform/ui/Compositor.h"

#include "platform/core/Clock.h"
#include "platform/gfx/Context.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/RepaintQueue.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <cairo.h>
#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numbers>
#include <typeinfo>

namespace pw::ui {

namespace {

// A channel may differ this much between a part and a full redraw (rounding in
// the rasteriser, a faint glyph edge placed on another pixel grid as text
// fades in or flies: up to five levels seen on a busy machine, whose frames
// land at other moments of an animation); stale pixels differ by far more.
constexpr int kChannelTolerance = 8;

std::string typeName(const std::type_info& t) {
    int status = 0;
    char* s = abi::__cxa_demangle(t.name(), nullptr, nullptr, &status);
    std::string out = status == 0 && s ? s : t.name();
    std::free(s);
    return out;
}

// The screen the user sees in a window: through presented, navigation and tab controllers.
ViewController* topScreen(ViewController* vc) {
    while (vc) {
        if (auto* p = vc->presentedViewController()) {
            vc = p;
        } else if (auto* nav = dynamic_cast<NavigationController*>(vc); nav && nav->topViewController()) {
            vc = nav->topViewController();
        } else if (auto* tabs = dynamic_cast<TabBarController*>(vc); tabs && tabs->selectedViewController()) {
            vc = tabs->selectedViewController();
        } else {
            break;
        }
    }
    return vc;
}

// The topmost drawn layer whose own drawing holds the point.
const Layer* layerAt(const Layer& l, gfx::Point p) {
    for (auto it = l.sublayers().rbegin(); it != l.sublayers().rend(); ++it)
        if (const Layer* hit = layerAt(**it, p))
            return hit;
    return l.paintedRect().contains(p) ? &l : nullptr;
}

} // namespace

Compositor::Compositor() {
    const char* env = std::getenv("PAGEWELL_VERIFY_REPAINT");
    m_verify = env && std::strcmp(env, "1") == 0;
}

Compositor::~Compositor() {
    if (m_surface)
        cairo_surface_destroy(m_surface);
    if (m_check)
        cairo_surface_destroy(m_check);
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
    if (m_check)
        cairo_surface_destroy(m_check);
    m_check = nullptr;
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

Compositor::StatusBarContent Compositor::currentStatusBar() {
    auto& app = Application::shared();
    StatusBarContent c;
    c.hidden = !app.isStatusBarDrawn();
    // The level last read stays while the bar is away, so it shows again at once.
    c.battery = m_bar.battery;
    if (c.hidden)
        return c;
    c.slide = app.statusBarSlideOffset();
    c.style = app.statusBarStyle();
    c.orientation = app.statusBarOrientation();
    const std::time_t t = static_cast<std::time_t>(core::Clock::shared().now());
    std::tm tm{};
    localtime_r(&t, &tm);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", tm.tm_hour, tm.tm_min);
    c.clock = clock;
    // The level is read from the kernel's files, so not on every frame.
    const double now = core::Clock::shared().monotonic();
    if (m_batteryReadAt < 0 || now - m_batteryReadAt >= kBatteryReadInterval || now < m_batteryReadAt) {
        m_batteryReadAt = now;
        const float level = device::Device::current().batteryLevel();
        c.battery = level < 0 ? -1 : static_cast<int>(std::lround(level * 100));
    }
    c.activity = app.isNetworkActivityIndicatorVisible();
    return c;
}

// Everything a frame reads that may change with time is read here, once.
gfx::Rect Compositor::beginFrame() {
    ensureSurface();
    auto& app = Application::shared();
    Animator::shared().beginFrame(core::Clock::shared().monotonic());
    for (auto& w : app.windows())
        w->layoutIfNeeded();
    RepaintQueue::markChangedLayers();
    const StatusBarContent bar = currentStatusBar();
    if (bar != m_bar) {
        // The bar's whole place: it may be sliding in or out of it.
        app.setNeedsRedraw(app.statusBarPlace());
        m_bar = bar;
    }
    m_redrawn = app.takeDirtyRects();
    // Text drawn scaled or turned rasterises a glyph edge a pixel apart inside
    // a part's clip and in a whole screen, so while an animation scales or
    // turns a layer (a popup growing in) its frames are drawn whole. A mirror
    // (a page's back in a curl) resamples nothing.
    const auto& animated = Animator::shared().animatedLayers();
    if (!m_redrawn.empty() && std::any_of(animated.begin(), animated.end(), [](const Layer* l) {
            const gfx::AffineTransform t = l->presentation().transform;
            return std::abs(t.a) != 1 || std::abs(t.d) != 1 || t.b != 0 || t.c != 0;
        }))
        m_redrawn.assign(1, app.screenBounds());
    gfx::Rect all;
    for (const auto& r : m_redrawn)
        all = all.unionWith(r);
    return all;
}

gfx::Rect Compositor::renderFrame() {
    const gfx::Rect dirty = beginFrame();
    if (!m_redrawn.empty())
        render(m_surface, m_redrawn);
    ++m_frames;
    if (m_verify && m_mismatch.empty() && (!m_redrawn.empty() || m_frames % kIdleCheckInterval == 0))
        verify();
    Animator::shared().endFrame();
    return dirty;
}

void Compositor::renderAll() {
    RepaintQueue::dropAllBackings();
    beginFrame();
    m_redrawn.assign(1, Application::shared().screenBounds());
    render(m_surface, m_redrawn);
    ++m_frames;
    Animator::shared().endFrame();
}

void Compositor::render(cairo_surface_t* target, const std::vector<gfx::Rect>& areas) const {
    auto& app = Application::shared();
    gfx::Context ctx(target, m_scale);
    // Whole device pixels, so a part redrawn matches the same part of a full redraw.
    gfx::Rect all;
    ctx.beginPath();
    for (const auto& a : areas) {
        const gfx::Rect r = a.integral(m_scale);
        ctx.addRect(r);
        all = all.unionWith(r);
    }
    ctx.clip();
    ctx.setFillColor(gfx::Color::black());
    ctx.fillRect(all);
    // The bar lies at its own window level: windows above that level (overlays of
    // the bar, alerts) cover it.
    const bool bar = !m_bar.hidden && app.statusBarPlace().intersects(all);
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
    cairo_surface_flush(target);
}

void Compositor::verify() {
    const int w = pixelWidth(), h = pixelHeight();
    if (!m_check)
        m_check = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    render(m_check, {Application::shared().screenBounds()});
    cairo_surface_flush(m_surface);
    const uint8_t* a = cairo_image_surface_get_data(m_surface);
    const uint8_t* b = cairo_image_surface_get_data(m_check);
    const int stride = cairo_image_surface_get_stride(m_surface);
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* ra = a + static_cast<ptrdiff_t>(y) * stride;
        const uint8_t* rb = b + static_cast<ptrdiff_t>(y) * stride;
        if (std::memcmp(ra, rb, static_cast<size_t>(w) * 4) == 0)
            continue;
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                if (std::abs(int(ra[x * 4 + c]) - int(rb[x * 4 + c])) > kChannelTolerance) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                    break;
                }
    }
    if (x1 < 0)
        return;
    const gfx::Rect diff(x0 / m_scale, y0 / m_scale, (x1 + 1 - x0) / m_scale, (y1 + 1 - y0) / m_scale);
    m_mismatch = describeMismatch(diff);
    m_expected = gfx::Image(m_check, m_scale);
}

std::string Compositor::describeMismatch(const gfx::Rect& diff) const {
    std::string screen = "none";
    std::string layer = "none";
    const auto windows = Application::shared().windows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (auto* vc = topScreen((*it)->rootViewController().get())) {
            screen = typeName(typeid(*vc));
            break;
        }
    const gfx::Point mid = diff.center();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (const Layer* hit = layerAt(*(*it)->layer(), mid)) {
            if (!hit->name().empty())
                layer = hit->name();
            else if (hit->delegate())
                layer = typeName(typeid(*hit->delegate()));
            else
                layer = typeName(typeid(*hit));
            break;
        }
    char rect[96];
    std::snprintf(rect, sizeof rect, "%g,%g %gx%g", diff.x(), diff.y(), diff.width(), diff.height());
    return "repaint mismatch: frame " + std::to_string(m_frames) + ", screen " + screen + ", rect " + rect +
           ", layer " + layer;
}

void Compositor::drawStatusBar(gfx::Context& ctx, const gfx::Rect& screen) const {
    const double barH = Application::kStatusBarHeight;
    ctx.save();
    // The bar runs along the interface's top edge.
    double width = screen.width();
    switch (m_bar.orientation) {
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
    // Sliding, the bar is drawn higher up; what it leaves shows the windows below.
    ctx.translate(0, -m_bar.slide);
    switch (m_bar.style) {
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
    const gfx::Font font = gfx::Font::boldSystemFont(14);
    const gfx::Size size = gfx::TextLayout::measure(m_bar.clock, font);
    ctx.setFillColor(text);
    ctx.drawText(m_bar.clock, {std::round((width - size.width) / 2), std::round((barH - size.height) / 2)}, font);
    // Battery: an outline filled to the level (full when no battery is known).
    const double fill = m_bar.battery < 0 ? 1.0 : m_bar.battery / 100.0;
    const gfx::Rect body(width - 34, 5, 24, 10);
    ctx.setStrokeColor(text);
    ctx.setLineWidth(1);
    ctx.strokeRect(body.insetBy(0.5, 0.5));
    ctx.setFillColor(text);
    ctx.fillRect({body.maxX(), 8, 2, 4});
    ctx.fillRect({body.x() + 2, body.y() + 2, (body.width() - 4) * fill, body.height() - 4});
    if (m_bar.activity) {
        ctx.beginPath();
        ctx.addArc({14, barH / 2}, 5, 0, std::numbers::pi * 1.5, true);
        ctx.strokePath();
    }
    ctx.restore();
}

} // namespace pw::ui
