#include "reading/turn/CurlRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace pw {

namespace {

constexpr double kPi = std::numbers::pi;

// The page picture as a source in page coordinates (points); a mirrored picture
// (see CurlRenderer::prepareMirrored) is read mirrored back.
void setPageSource(cairo_t* cr, const gfx::Image& image, gfx::Size page, bool mirrored = false) {
    cairo_pattern_t* p = cairo_pattern_create_for_surface(image.surface());
    cairo_matrix_t m, scale;
    cairo_matrix_init_identity(&m);
    if (mirrored)
        cairo_matrix_init(&m, -1, 0, 0, 1, page.width, 0);
    cairo_matrix_init_scale(&scale, image.pixelWidth() / std::max(1.0, page.width),
                            image.pixelHeight() / std::max(1.0, page.height));
    cairo_matrix_multiply(&m, &m, &scale);
    cairo_pattern_set_matrix(p, &m);
    // Polygons are cut to the page, so padding only touches their border pixels.
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p, CAIRO_FILTER_BILINEAR);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

using Polygon = std::vector<gfx::Point>;

// Keeps the part of a convex polygon where (p - o) . normal <= 0.
Polygon clipHalfPlane(const Polygon& in, gfx::Point o, gfx::Point normal) {
    Polygon out;
    const size_t n = in.size();
    auto side = [&](gfx::Point p) { return (p.x - o.x) * normal.x + (p.y - o.y) * normal.y; };
    for (size_t i = 0; i < n; ++i) {
        const gfx::Point a = in[i], b = in[(i + 1) % n];
        const double sa = side(a), sb = side(b);
        if (sa <= 0)
            out.push_back(a);
        if ((sa <= 0) != (sb <= 0)) {
            const double t = sa / (sa - sb);
            out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
    }
    return out;
}

Polygon clipToPage(Polygon p, gfx::Size page) {
    p = clipHalfPlane(p, {0, 0}, {-1, 0});
    p = clipHalfPlane(p, {page.width, 0}, {1, 0});
    p = clipHalfPlane(p, {0, 0}, {0, -1});
    return clipHalfPlane(p, {0, page.height}, {0, 1});
}

// The page between two distances from the axis: a strip across the page cut to
// the page's rectangle, so that one antialiased fill draws it (no clip masks).
Polygon stripOfPage(const CurlGeometry& g, double s0, double s1) {
    const double l = g.page.width + g.page.height;
    const gfx::Point d = g.direction;
    const gfx::Point n{-d.y, d.x};
    auto at = [&](double s, double v) {
        return gfx::Point{g.axisPoint.x + s * d.x + v * n.x, g.axisPoint.y + s * d.y + v * n.y};
    };
    return clipToPage({at(s0, -l), at(s1, -l), at(s1, l), at(s0, l)}, g.page);
}

void polygonPath(cairo_t* cr, const Polygon& poly) {
    cairo_new_path(cr);
    cairo_move_to(cr, poly[0].x, poly[0].y);
    for (size_t i = 1; i < poly.size(); ++i)
        cairo_line_to(cr, poly[i].x, poly[i].y);
    cairo_close_path(cr);
}

void paintPolygon(cairo_t* cr, const Polygon& poly) {
    polygonPath(cr, poly);
    cairo_fill(cr);
}

double area(const Polygon& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const gfx::Point u = p[i], v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return std::abs(a) / 2;
}

// Where a horizontal line crosses a convex polygon; false when it misses.
bool crossing(const Polygon& p, double y, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (size_t i = 0; i < p.size(); ++i) {
        const gfx::Point a = p[i], b = p[(i + 1) % p.size()];
        if ((a.y <= y && b.y >= y) || (b.y <= y && a.y >= y)) {
            const double x = a.y == b.y ? std::min(a.x, b.x) : a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
            const double x2 = a.y == b.y ? std::max(a.x, b.x) : x;
            lo = std::min(lo, x);
            hi = std::max(hi, x2);
        }
    }
    return lo <= hi;
}

// Fills a convex polygon given in device pixels with the current source. Cairo
// composites an antialiased polygon through a coverage mask as big as its bounding
// box, so a long slanted strip would cost a mask of most of the page: the polygon
// is cut into horizontal slabs, and the inside of each slab, a whole-pixel box, is
// filled as a box (a plain copy for an untransformed page).
void fillDevice(cairo_t* cr, const Polygon& poly) {
    if (poly.size() < 3)
        return;
    double top = poly[0].y, bottom = poly[0].y, left = poly[0].x, right = poly[0].x;
    for (const auto& p : poly) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        left = std::min(left, p.x);
        right = std::max(right, p.x);
    }
    const double a = area(poly);
    if (a <= 0)
        return;
    if (std::abs(a - (bottom - top) * (right - left)) < 1e-6 * std::max(1.0, a)) {
        // An upright rectangle: on whole pixels it is one plain composite.
        const double x0 = std::round(left), x1 = std::round(right), y0 = std::round(top), y1 = std::round(bottom);
        if (x1 > x0 && y1 > y0) {
            cairo_new_path(cr);
            cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
            cairo_fill(cr);
        }
        return;
    }
    // Each composite has a set-up cost of roughly a mask of this many pixels; the
    // number of slabs balances it against the mask wasted outside the polygon.
    constexpr double kCallCost = 60000;
    const double waste = (bottom - top) * (right - left) - a;
    const int slabs = std::clamp(static_cast<int>(std::lround(std::sqrt(std::max(0.0, waste) / kCallCost))), 1, 64);
    const double y0 = std::floor(top), y1 = std::ceil(bottom);
    const double h = std::ceil((y1 - y0) / slabs);
    for (double sy = y0; sy < y1; sy += h) {
        const double ey = std::min(y1, sy + h);
        Polygon slab = clipHalfPlane(clipHalfPlane(poly, {0, sy}, {0, -1}), {0, ey}, {0, 1});
        if (slab.size() < 3)
            continue;
        double l0, r0, l1, r1;
        const bool spans = crossing(slab, sy, l0, r0) && crossing(slab, ey, l1, r1);
        const double coreLo = std::ceil(std::max(l0, l1)), coreHi = std::floor(std::min(r0, r1));
        if (!spans || coreHi - coreLo < 32) {
            paintPolygon(cr, slab);
            continue;
        }
        cairo_new_path(cr);
        cairo_rectangle(cr, coreLo, sy, coreHi - coreLo, ey - sy);
        cairo_fill(cr);
        const Polygon leftPart = clipHalfPlane(slab, {coreLo, 0}, {1, 0});
        if (leftPart.size() >= 3)
            paintPolygon(cr, leftPart);
        const Polygon rightPart = clipHalfPlane(slab, {coreHi, 0}, {-1, 0});
        if (rightPart.size() >= 3)
            paintPolygon(cr, rightPart);
    }
}

// A polygon in the current user space, to device pixels.
Polygon toDevice(cairo_t* cr, const Polygon& poly) {
    Polygon out;
    out.reserve(poly.size());
    for (auto p : poly) {
        cairo_user_to_device(cr, &p.x, &p.y);
        out.push_back(p);
    }
    return out;
}

// Fills a polygon of the current user space with the current source, in device
// space (the source stays where it was set).
void fill(cairo_t* cr, const Polygon& poly) {
    if (poly.size() < 3)
        return;
    const Polygon device = toDevice(cr, poly);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    fillDevice(cr, device);
    cairo_restore(cr);
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

// White at `pale` then black at `dark` over a colour, as one translucent colour.
void setOverlay(cairo_t* cr, double pale, double dark) {
    const double a = 1 - (1 - pale) * (1 - dark);
    const double white = a > 0 ? pale * (1 - dark) / a : 0;
    cairo_set_source_rgba(cr, white, white, white, a);
}

// One piece of the leaf: the page strip [s0, s1] drawn where the band map puts it,
// then paled and shaded.
void drawBand(cairo_t* cr, const CurlGeometry& g, const gfx::Image& image, bool mirrored, double s0, double s1,
              double alpha, double beta, double pale, double dark) {
    const Polygon poly = stripOfPage(g, s0, s1);
    if (poly.size() < 3)
        return;
    cairo_save(cr);
    bandTransform(cr, g, s0, alpha, beta);
    setPageSource(cr, image, g.page, mirrored);
    fill(cr, poly);
    if (pale > 0 || dark > 0) {
        setOverlay(cr, pale, dark);
        fill(cr, poly);
    }
    cairo_restore(cr);
}

void drawFlat(cairo_t* cr, const CurlGeometry& g, const gfx::Image& image, double s0, double s1) {
    setPageSource(cr, image, g.page);
    fill(cr, stripOfPage(g, s0, s1));
}

void drawWhole(cairo_t* cr, const gfx::Image& image, gfx::Size page) {
    if (image.isNull())
        return;
    setPageSource(cr, image, page);
    fill(cr, {{0, 0}, {page.width, 0}, {page.width, page.height}, {0, page.height}});
}

// A shadow from `from` (darkest) fading over `width` along `towards`, over the
// polygon.
void drawShadow(cairo_t* cr, const Polygon& region, gfx::Point from, gfx::Point towards, double width, double darkest) {
    if (region.size() < 3)
        return;
    cairo_pattern_t* p =
        cairo_pattern_create_linear(from.x, from.y, from.x + towards.x * width, from.y + towards.y * width);
    // Nothing behind the start: that side is the leaf's.
    cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, darkest);
    cairo_pattern_add_color_stop_rgba(p, 0.35, 0, 0, 0, darkest * 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
    cairo_set_source(cr, p);
    fill(cr, region);
    cairo_pattern_destroy(p);
}

} // namespace

namespace {

gfx::Image argbCopy(const gfx::Image& page, bool mirrored) {
    cairo_surface_t* src = page.surface();
    const int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(out);
    if (mirrored) {
        cairo_matrix_t flip;
        cairo_matrix_init(&flip, -1, 0, 0, 1, w, 0);
        cairo_transform(cr, &flip);
    }
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    gfx::Image image(out, page.scale());
    cairo_surface_destroy(out);
    return image;
}

} // namespace

gfx::Image CurlRenderer::prepareMirrored(const gfx::Image& page) {
    return page.surface() ? argbCopy(page, true) : gfx::Image();
}

gfx::Image CurlRenderer::prepare(const gfx::Image& page) {
    if (!page.surface() || cairo_image_surface_get_format(page.surface()) == CAIRO_FORMAT_ARGB32)
        return page;
    return argbCopy(page, false);
}

void CurlRenderer::render(gfx::Context& ctx, const CurlGeometry& geometry, const gfx::Image& top,
                          const gfx::Image& bottom, const gfx::Image& topMirrored) {
    cairo_t* cr = ctx.cairo();
    CurlGeometry g = geometry;
    double scale = 1, unused = 0;
    cairo_user_to_device_distance(cr, &scale, &unused);
    scale = std::max(std::abs(scale), 1e-3);
    if (!g.flat && !g.turnedAway && std::abs(g.direction.y) < 1e-12) {
        // The back lies mirrored about x = c with c = axis + pi r / 2: with 2c on a
        // whole device pixel the mirrored page is copied, not resampled.
        const double twoC = 2 * g.axisPoint.x + kPi * g.radius;
        g.axisPoint.x += (std::round(twoC * scale) / scale - twoC) / 2;
    }
    // The back of the leaf from the mirrored picture reads forwards (cheap); from the
    // picture itself it reads backwards.
    const bool haveMirror = !topMirrored.isNull();
    const gfx::Image& back = haveMirror ? topMirrored : top;
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
    drawShadow(cr, stripOfPage(g, 0, r + kCastShadowWidth), g.axisPoint, d, r + kCastShadowWidth, 0.55);

    // The flat part of the turning page, and the shadow of the folded-back edge.
    drawFlat(cr, g, top, -far, 0.5);
    {
        const gfx::Point t = g.grabbedEdgeDirection;
        gfx::Point m{t.y, -t.x};
        if (m.x * d.x + m.y * d.y > 0)
            m = {-m.x, -m.y};
        // A band along the folded-back edge, on the flat part of the page only.
        const double l = far;
        const gfx::Point e = g.grabbed;
        Polygon band{{e.x - l * t.x, e.y - l * t.y},
                     {e.x + l * t.x, e.y + l * t.y},
                     {e.x + l * t.x + kEdgeShadowWidth * m.x, e.y + l * t.y + kEdgeShadowWidth * m.y},
                     {e.x - l * t.x + kEdgeShadowWidth * m.x, e.y - l * t.y + kEdgeShadowWidth * m.y}};
        band = clipHalfPlane(clipToPage(band, g.page), g.axisPoint, d);
        drawShadow(cr, band, g.grabbed, m, kEdgeShadowWidth, 0.5);
    }

    if (r <= 0)
        return;
    // The cylinder in bands; more for a bigger radius, a band being several pixels.
    const int bands = std::clamp(static_cast<int>(r * scale / 10), 4, 12);
    const double quarter = kPi * r / 2;
    // Band i of a quarter turn starting at s = from: its page strip, and where it
    // shows (from u0 on, stretched by beta).
    auto band = [&](double from, int i, const gfx::Image& image, bool mirrored, double pale, auto dark) {
        const double s0 = from + quarter * i / bands, s1 = from + quarter * (i + 1) / bands;
        const double u0 = r * std::sin(s0 / r), u1 = r * std::sin(s1 / r);
        const double mid = (s0 + s1) / 2 / r;
        drawBand(cr, g, image, mirrored, s0, s1, u0, (u1 - u0) / (s1 - s0), pale, dark(mid));
    };
    // The front, rising from the page: darker as it turns away from the eye.
    for (int i = 0; i < bands; ++i)
        band(0, i, top, false, 0, [](double a) { return 0.4 * (1 - std::cos(a)); });
    // The back coming down flat on top: mirrored and paler.
    drawBand(cr, g, back, haveMirror, 2 * quarter, far, 0, -1, kBackPaleness, 0);
    // The back over the cylinder, brightest where it lies flat again.
    for (int i = 0; i < bands; ++i)
        band(quarter, i, back, haveMirror, kBackPaleness, [](double a) { return 0.35 * (1 - std::abs(std::cos(a))); });
}

} // namespace pw
