#include "reading/turn/CurlRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pw {

namespace {

constexpr double kPi = std::numbers::pi;

// The page picture as a source in page coordinates (points).
void setPageSource(cairo_t* cr, const gfx::Image& image, gfx::Size page) {
    cairo_pattern_t* p = cairo_pattern_create_for_surface(image.surface());
    cairo_matrix_t m;
    const double sx = image.pixelWidth() / std::max(1.0, page.width);
    const double sy = image.pixelHeight() / std::max(1.0, page.height);
    cairo_matrix_init_scale(&m, sx, sy);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
    cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// A strip of the page between two distances from the axis, long enough to cross
// the whole page, as the current path.
void stripPath(cairo_t* cr, const CurlGeometry& g, double s0, double s1) {
    const double l = g.page.width + g.page.height;
    const gfx::Point d = g.direction;
    const gfx::Point n{-d.y, d.x};
    auto at = [&](double s, double v) {
        return gfx::Point{g.axisPoint.x + s * d.x + v * n.x, g.axisPoint.y + s * d.y + v * n.y};
    };
    const gfx::Point a = at(s0, -l), b = at(s1, -l), c = at(s1, l), e = at(s0, l);
    cairo_new_path(cr);
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_line_to(cr, c.x, c.y);
    cairo_line_to(cr, e.x, e.y);
    cairo_close_path(cr);
}

// Maps the page so that distance s from the axis shows at alpha + beta (s - s0),
// keeping positions along the axis.
void bandTransform(cairo_t* cr, const CurlGeometry& g, double s0, double alpha, double beta) {
    const gfx::Point d = g.direction;
    const gfx::Point n{-d.y, d.x};
    // page -> (s, v): s = (p - A).d, v = (p - A).n; then s' = alpha + beta (s - s0);
    // back to the page frame.
    cairo_matrix_t toLocal, band, toPage, m;
    cairo_matrix_init(&toLocal, d.x, n.x, d.y, n.y, 0, 0);
    cairo_matrix_translate(&toLocal, -g.axisPoint.x, -g.axisPoint.y);
    cairo_matrix_init(&band, beta, 0, 0, 1, alpha - beta * s0, 0);
    cairo_matrix_init(&toPage, d.x, d.y, n.x, n.y, g.axisPoint.x, g.axisPoint.y);
    // cairo_matrix_multiply(r, a, b) applies a first, then b.
    cairo_matrix_multiply(&m, &toLocal, &band);
    cairo_matrix_multiply(&m, &m, &toPage);
    cairo_transform(cr, &m);
}

// One piece of the leaf: the page strip [s0, s1] drawn where the band map puts it,
// then shaded.
void drawBand(cairo_t* cr, const CurlGeometry& g, const gfx::Image& image, double s0, double s1, double alpha,
              double beta, double pale, double dark) {
    cairo_save(cr);
    bandTransform(cr, g, s0, alpha, beta);
    stripPath(cr, g, s0, s1);
    cairo_clip(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, g.page.width, g.page.height);
    cairo_clip(cr);
    setPageSource(cr, image, g.page);
    cairo_paint(cr);
    if (pale > 0) {
        cairo_set_source_rgba(cr, 1, 1, 1, pale);
        cairo_paint(cr);
    }
    if (dark > 0) {
        cairo_set_source_rgba(cr, 0, 0, 0, dark);
        cairo_paint(cr);
    }
    cairo_restore(cr);
}

void drawFlat(cairo_t* cr, const CurlGeometry& g, const gfx::Image& image, double s0, double s1) {
    cairo_save(cr);
    stripPath(cr, g, s0, s1);
    cairo_clip(cr);
    setPageSource(cr, image, g.page);
    cairo_paint(cr);
    cairo_restore(cr);
}

void drawWhole(cairo_t* cr, const gfx::Image& image, gfx::Size page) {
    if (image.isNull())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, page.width, page.height);
    cairo_clip(cr);
    setPageSource(cr, image, page);
    cairo_paint(cr);
    cairo_restore(cr);
}

// A shadow from `from` (darkest) fading over `width` along `towards`, clipped to
// the page strip [s0, s1].
void drawShadow(cairo_t* cr, const CurlGeometry& g, gfx::Point from, gfx::Point towards, double width, double darkest,
                double s0, double s1) {
    cairo_save(cr);
    stripPath(cr, g, s0, s1);
    cairo_clip(cr);
    cairo_rectangle(cr, 0, 0, g.page.width, g.page.height);
    cairo_clip(cr);
    cairo_pattern_t* p =
        cairo_pattern_create_linear(from.x, from.y, from.x + towards.x * width, from.y + towards.y * width);
    // Nothing behind the start: that side is the leaf's.
    cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, darkest);
    cairo_pattern_add_color_stop_rgba(p, 0.35, 0, 0, 0, darkest * 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

} // namespace

void CurlRenderer::render(gfx::Context& ctx, const CurlGeometry& g, const gfx::Image& top, const gfx::Image& bottom) {
    cairo_t* cr = ctx.cairo();
    if (g.flat) {
        drawWhole(cr, top, g.page);
        return;
    }
    if (g.turnedAway || top.isNull()) {
        drawWhole(cr, bottom, g.page);
        return;
    }
    const double r = g.radius;
    const double far = g.page.width + g.page.height;
    const gfx::Point d = g.direction;

    // The page beneath, where the leaf has lifted off, with the leaf's shadow.
    if (!bottom.isNull())
        drawFlat(cr, g, bottom, 0, far);
    drawShadow(cr, g, g.axisPoint, d, r + kCastShadowWidth, 0.55, 0, far);

    // The flat part of the turning page, and the shadow of the folded-back edge.
    drawFlat(cr, g, top, -far, 0.5);
    {
        const gfx::Point t = g.grabbedEdgeDirection;
        gfx::Point m{t.y, -t.x};
        if (m.x * d.x + m.y * d.y > 0)
            m = {-m.x, -m.y};
        drawShadow(cr, g, g.grabbed, m, kEdgeShadowWidth, 0.5, -far, 0);
    }

    if (r <= 0)
        return;
    // The cylinder in bands; more for a bigger radius, a band being a few pixels.
    const double scale = top.pixelWidth() / std::max(1.0, g.page.width);
    const int bands = std::clamp(static_cast<int>(r * scale / 6), 4, 16);
    const double quarter = kPi * r / 2;
    // Bands overlap a little so that their antialiased borders leave no seams.
    const double overlap = 0.6 / std::max(1.0, scale);
    for (int i = 0; i < bands; ++i) {
        // The front, rising from the page: darker as it turns away from the eye.
        const double s0 = quarter * i / bands, s1 = quarter * (i + 1) / bands;
        const double u0 = r * std::sin(s0 / r), u1 = r * std::sin(s1 / r);
        const double beta = (u1 - u0) / (s1 - s0);
        const double mid = (s0 + s1) / 2 / r;
        drawBand(cr, g, top, s0, s1 + overlap / std::max(beta, 0.05), u0, beta, 0, 0.4 * (1 - std::cos(mid)));
    }
    // The back coming down flat on top: mirrored and paler.
    drawBand(cr, g, top, 2 * quarter, far, 0, -1, kBackPaleness, 0);
    for (int i = 0; i < bands; ++i) {
        // The back over the cylinder, brightest where it lies flat again.
        const double s0 = quarter + quarter * i / bands, s1 = quarter + quarter * (i + 1) / bands;
        const double u0 = r * std::sin(s0 / r), u1 = r * std::sin(s1 / r);
        const double beta = (u1 - u0) / (s1 - s0);
        const double mid = (s0 + s1) / 2 / r;
        drawBand(cr, g, top, s0 - overlap / std::max(-beta, 0.05), s1, u0, beta, kBackPaleness,
                 0.35 * (1 - std::abs(std::cos(mid))));
    }
}

} // namespace pw
