#include "platform/gfx/Context.h"

#include <cairo.h>

#include <cmath>

namespace pw::gfx {

namespace {

// Matrices below map user space to the image's pixels. A surface that carries a
// device scale of its own (one a context was made on) counts its pattern space in
// pixels / that scale; fold it in so every image draws by its pixels.
void setPixelMatrix(cairo_pattern_t* p, cairo_surface_t* surface, const cairo_matrix_t& toPixels) {
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(surface, &sx, &sy);
    cairo_matrix_t m = toPixels, unscale;
    cairo_matrix_init_scale(&unscale, 1 / sx, 1 / sy);
    cairo_matrix_multiply(&m, &toPixels, &unscale);
    cairo_pattern_set_matrix(p, &m);
}

// A Cairo source for an image drawn into `rect` (points): pixels map onto the rect.
cairo_pattern_t* imagePattern(const Image& image, const Rect& rect) {
    cairo_pattern_t* p = cairo_pattern_create_for_surface(image.surface());
    cairo_matrix_t m;
    double sx = rect.width() != 0 ? image.pixelWidth() / rect.width() : 1;
    double sy = rect.height() != 0 ? image.pixelHeight() / rect.height() : 1;
    cairo_matrix_init_scale(&m, sx, sy);
    cairo_matrix_translate(&m, -rect.x(), -rect.y());
    setPixelMatrix(p, image.surface(), m);
    cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    return p;
}

cairo_pattern_t* gradient(cairo_pattern_t* p, const std::vector<GradientStop>& stops) {
    for (const auto& s : stops)
        cairo_pattern_add_color_stop_rgba(p, s.location, s.color.r(), s.color.g(), s.color.b(), s.color.alpha());
    return p;
}

} // namespace

Context::Context(cairo_t* cr) : m_cr(cairo_reference(cr)) {}

Context::Context(cairo_surface_t* surface, double scale) : m_cr(nullptr) {
    if (scale > 0 && scale != 1)
        cairo_surface_set_device_scale(surface, scale, scale);
    m_cr = cairo_create(surface);
}

Context::~Context() {
    if (m_cr)
        cairo_destroy(m_cr);
}

void Context::save() {
    cairo_save(m_cr);
    m_saved.push_back(m_state);
}

void Context::restore() {
    if (m_saved.empty())
        return; // unbalanced restore: ignore rather than corrupt Cairo's stack
    cairo_restore(m_cr);
    m_state = m_saved.back();
    m_saved.pop_back();
}

void Context::translate(double x, double y) {
    cairo_translate(m_cr, x, y);
}
void Context::scale(double sx, double sy) {
    cairo_scale(m_cr, sx, sy);
}
void Context::rotate(double radians) {
    cairo_rotate(m_cr, radians);
}

void Context::concat(const AffineTransform& t) {
    cairo_matrix_t m{t.a, t.b, t.c, t.d, t.tx, t.ty};
    cairo_transform(m_cr, &m);
}

AffineTransform Context::ctm() const {
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

bool Context::isFlipped() const {
    return ctm().determinant() < 0;
}

void Context::setFillColor(const Color& c) {
    m_state.fill = c;
}
void Context::setStrokeColor(const Color& c) {
    m_state.stroke = c;
}
void Context::setAlpha(double alpha) {
    m_state.alpha = std::clamp(alpha, 0.0, 1.0);
}
void Context::setLineWidth(double w) {
    cairo_set_line_width(m_cr, w);
}

void Context::setLineCap(LineCap cap) {
    cairo_set_line_cap(m_cr, cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                             : cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                      : CAIRO_LINE_CAP_BUTT);
}

void Context::setLineJoin(LineJoin join) {
    cairo_set_line_join(m_cr, join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                              : join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                        : CAIRO_LINE_JOIN_MITER);
}

void Context::setMiterLimit(double limit) {
    cairo_set_miter_limit(m_cr, limit);
}

void Context::setLineDash(double phase, const std::vector<double>& lengths) {
    cairo_set_dash(m_cr, lengths.data(), static_cast<int>(lengths.size()), phase);
}

void Context::setBlendMode(BlendMode mode) {
    cairo_operator_t op = CAIRO_OPERATOR_OVER;
    switch (mode) {
    case BlendMode::Normal:
        op = CAIRO_OPERATOR_OVER;
        break;
    case BlendMode::Copy:
        op = CAIRO_OPERATOR_SOURCE;
        break;
    case BlendMode::Clear:
        op = CAIRO_OPERATOR_CLEAR;
        break;
    case BlendMode::Multiply:
        op = CAIRO_OPERATOR_MULTIPLY;
        break;
    case BlendMode::Screen:
        op = CAIRO_OPERATOR_SCREEN;
        break;
    case BlendMode::SourceAtop:
        op = CAIRO_OPERATOR_ATOP;
        break;
    case BlendMode::DestinationIn:
        op = CAIRO_OPERATOR_DEST_IN;
        break;
    case BlendMode::DestinationOut:
        op = CAIRO_OPERATOR_DEST_OUT;
        break;
    }
    cairo_set_operator(m_cr, op);
}

void Context::setShouldAntialias(bool on) {
    cairo_set_antialias(m_cr, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void Context::clipToRect(const Rect& r) {
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, r.x(), r.y(), r.width(), r.height());
    cairo_clip(m_cr);
}

void Context::clip(bool evenOdd) {
    cairo_set_fill_rule(m_cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairo_clip(m_cr);
}

Rect Context::clipBoundingBox() const {
    double x0, y0, x1, y1;
    cairo_clip_extents(m_cr, &x0, &y0, &x1, &y1);
    return {x0, y0, x1 - x0, y1 - y0};
}

void Context::beginPath() {
    cairo_new_path(m_cr);
}
void Context::moveTo(Point p) {
    cairo_move_to(m_cr, p.x, p.y);
}

void Context::lineTo(Point p) {
    if (!cairo_has_current_point(m_cr))
        cairo_move_to(m_cr, p.x, p.y);
    else
        cairo_line_to(m_cr, p.x, p.y);
}

void Context::curveTo(Point c1, Point c2, Point end) {
    if (!cairo_has_current_point(m_cr))
        cairo_move_to(m_cr, c1.x, c1.y);
    cairo_curve_to(m_cr, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}

void Context::quadCurveTo(Point c, Point end) {
    if (!cairo_has_current_point(m_cr))
        cairo_move_to(m_cr, c.x, c.y);
    double x0, y0;
    cairo_get_current_point(m_cr, &x0, &y0);
    // A quadratic Bézier as the cubic that traces it.
    Point c1{x0 + 2.0 / 3 * (c.x - x0), y0 + 2.0 / 3 * (c.y - y0)};
    Point c2{end.x + 2.0 / 3 * (c.x - end.x), end.y + 2.0 / 3 * (c.y - end.y)};
    cairo_curve_to(m_cr, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}

void Context::closePath() {
    cairo_close_path(m_cr);
}

void Context::addRect(const Rect& r) {
    cairo_rectangle(m_cr, r.x(), r.y(), r.width(), r.height());
}

void Context::addEllipse(const Rect& r) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    cairo_save(m_cr);
    cairo_translate(m_cr, r.midX(), r.midY());
    cairo_scale(m_cr, r.width() / 2, r.height() / 2);
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(m_cr);
    cairo_restore(m_cr);
}

void Context::addArc(Point c, double radius, double start, double end, bool clockwise) {
    if (clockwise)
        cairo_arc(m_cr, c.x, c.y, radius, start, end);
    else
        cairo_arc_negative(m_cr, c.x, c.y, radius, start, end);
}

void Context::addArcToPoint(Point p1, Point p2, double radius) {
    if (!cairo_has_current_point(m_cr)) {
        cairo_move_to(m_cr, p1.x, p1.y);
        return;
    }
    double x0, y0;
    cairo_get_current_point(m_cr, &x0, &y0);
    double ux = x0 - p1.x, uy = y0 - p1.y, vx = p2.x - p1.x, vy = p2.y - p1.y;
    double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    double cross = ux * vy - uy * vx;
    if (radius <= 0 || lu == 0 || lv == 0 || std::abs(cross) < 1e-12) {
        cairo_line_to(m_cr, p1.x, p1.y);
        return;
    }
    ux /= lu;
    uy /= lu;
    vx /= lv;
    vy /= lv;
    double angle = std::acos(std::clamp(ux * vx + uy * vy, -1.0, 1.0));
    double dist = radius / std::tan(angle / 2);
    Point t1{p1.x + ux * dist, p1.y + uy * dist};
    Point t2{p1.x + vx * dist, p1.y + vy * dist};
    // The centre lies on the bisector, at radius from both tangents.
    double bx = ux + vx, by = uy + vy, lb = std::hypot(bx, by);
    double cd = radius / std::sin(angle / 2);
    Point centre{p1.x + bx / lb * cd, p1.y + by / lb * cd};
    double a1 = std::atan2(t1.y - centre.y, t1.x - centre.x);
    double a2 = std::atan2(t2.y - centre.y, t2.x - centre.x);
    cairo_line_to(m_cr, t1.x, t1.y);
    if (cross > 0)
        cairo_arc_negative(m_cr, centre.x, centre.y, radius, a1, a2);
    else
        cairo_arc(m_cr, centre.x, centre.y, radius, a1, a2);
}

void Context::addRoundedRect(const Rect& rect, double radius) {
    Rect r = rect.standardized();
    radius = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
    if (radius <= 0) {
        addRect(r);
        return;
    }
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, r.maxX() - radius, r.minY() + radius, radius, -M_PI / 2, 0);
    cairo_arc(m_cr, r.maxX() - radius, r.maxY() - radius, radius, 0, M_PI / 2);
    cairo_arc(m_cr, r.minX() + radius, r.maxY() - radius, radius, M_PI / 2, M_PI);
    cairo_arc(m_cr, r.minX() + radius, r.minY() + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(m_cr);
}

bool Context::isPathEmpty() const {
    cairo_path_t* p = cairo_copy_path(m_cr);
    bool empty = p->num_data == 0;
    cairo_path_destroy(p);
    return empty;
}

Point Context::currentPoint() const {
    double x = 0, y = 0;
    if (cairo_has_current_point(m_cr))
        cairo_get_current_point(m_cr, &x, &y);
    return {x, y};
}

Rect Context::pathBoundingBox() const {
    double x0, y0, x1, y1;
    cairo_path_extents(m_cr, &x0, &y0, &x1, &y1);
    return {x0, y0, x1 - x0, y1 - y0};
}

void Context::applySource(const Color& c) {
    if (c.isPattern() && c.pattern()->surface()) {
        // Patterns are anchored to the context's base space, whatever the current
        // transform: a page flipped for text still shows its picture upright.
        const Image& img = *c.pattern();
        cairo_pattern_t* p = cairo_pattern_create_for_surface(img.surface());
        cairo_matrix_t userToBase, toPixels, m;
        cairo_get_matrix(m_cr, &userToBase);
        cairo_matrix_init_scale(&toPixels, img.scale(), img.scale());
        cairo_matrix_multiply(&m, &userToBase, &toPixels);
        setPixelMatrix(p, img.surface(), m);
        cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
        cairo_set_source(m_cr, p);
        cairo_pattern_destroy(p);
        return;
    }
    cairo_set_source_rgba(m_cr, c.r(), c.g(), c.b(), c.alpha());
}

void Context::fillPath(bool evenOdd) {
    cairo_set_fill_rule(m_cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    applySource(m_state.fill);
    if (m_state.alpha >= 1 && !m_state.fill.isPattern()) {
        cairo_fill(m_cr);
        return;
    }
    cairo_save(m_cr);
    cairo_clip(m_cr);
    paintWithAlpha();
    cairo_restore(m_cr);
    cairo_new_path(m_cr);
}

void Context::paintWithAlpha() {
    double a = m_state.alpha;
    if (a >= 1)
        cairo_paint(m_cr);
    else
        cairo_paint_with_alpha(m_cr, a);
}

void Context::strokePath() {
    Color c = m_state.stroke;
    if (!c.isPattern())
        c = c.withAlpha(c.alpha() * m_state.alpha);
    applySource(c);
    cairo_stroke(m_cr);
}

void Context::fillRect(const Rect& r) {
    cairo_new_path(m_cr);
    addRect(r);
    fillPath();
}

void Context::strokeRect(const Rect& r) {
    cairo_new_path(m_cr);
    addRect(r);
    strokePath();
}

void Context::clearRect(const Rect& r) {
    cairo_save(m_cr);
    cairo_new_path(m_cr);
    addRect(r);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
    cairo_fill(m_cr);
    cairo_restore(m_cr);
}

void Context::fillEllipse(const Rect& r) {
    cairo_new_path(m_cr);
    addEllipse(r);
    fillPath();
}

void Context::strokeEllipse(const Rect& r) {
    cairo_new_path(m_cr);
    addEllipse(r);
    strokePath();
}

void Context::drawLinearGradient(const std::vector<GradientStop>& stops, Point s, Point e, unsigned extend) {
    cairo_pattern_t* p = gradient(cairo_pattern_create_linear(s.x, s.y, e.x, e.y), stops);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_save(m_cr);
    if ((extend & (GradientDrawsBeforeStart | GradientDrawsAfterEnd)) !=
        (GradientDrawsBeforeStart | GradientDrawsAfterEnd)) {
        // Limit painting to the band between the end points on the sides not extended.
        double dx = e.x - s.x, dy = e.y - s.y, len = std::hypot(dx, dy);
        if (len > 0) {
            const double far = 1e6;
            double nx = -dy / len * far, ny = dx / len * far;
            double ux = dx / len * far, uy = dy / len * far;
            Point a = (extend & GradientDrawsBeforeStart) ? Point{s.x - ux, s.y - uy} : s;
            Point b = (extend & GradientDrawsAfterEnd) ? Point{e.x + ux, e.y + uy} : e;
            cairo_new_path(m_cr);
            cairo_move_to(m_cr, a.x + nx, a.y + ny);
            cairo_line_to(m_cr, b.x + nx, b.y + ny);
            cairo_line_to(m_cr, b.x - nx, b.y - ny);
            cairo_line_to(m_cr, a.x - nx, a.y - ny);
            cairo_close_path(m_cr);
            cairo_clip(m_cr);
        }
    }
    cairo_set_source(m_cr, p);
    paintWithAlpha();
    cairo_restore(m_cr);
    cairo_pattern_destroy(p);
}

void Context::drawRadialGradient(const std::vector<GradientStop>& stops, Point c0, double r0, Point c1, double r1,
                                 unsigned extend) {
    cairo_pattern_t* p = gradient(cairo_pattern_create_radial(c0.x, c0.y, r0, c1.x, c1.y, r1), stops);
    cairo_pattern_set_extend(p, (extend & GradientDrawsAfterEnd) ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    cairo_save(m_cr);
    if (!(extend & GradientDrawsBeforeStart) && r0 > 0) {
        // Leave the inside of the start circle unpainted.
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, -1e6, -1e6, 2e6, 2e6);
        cairo_new_sub_path(m_cr);
        cairo_arc(m_cr, c0.x, c0.y, r0, 0, 2 * M_PI);
        cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(m_cr);
    }
    cairo_set_source(m_cr, p);
    paintWithAlpha();
    cairo_restore(m_cr);
    cairo_pattern_destroy(p);
}

void Context::drawImage(const Image& image, const Rect& rect) {
    if (image.isNull() || rect.width() == 0 || rect.height() == 0)
        return;
    Rect r = rect;
    const Size natural = image.size();
    const double capL = image.leftCapWidth(), capT = image.topCapHeight();
    if (capL <= 0 && capT <= 0) {
        cairo_save(m_cr);
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, r.x(), r.y(), r.width(), r.height());
        cairo_clip(m_cr);
        cairo_pattern_t* p = imagePattern(image, r);
        cairo_set_source(m_cr, p);
        paintWithAlpha();
        cairo_pattern_destroy(p);
        cairo_restore(m_cr);
        return;
    }
    // Nine slices in source points: [0, cap), [cap, cap+1), [cap+1, size). The middle
    // slice stretches; an axis without a cap stretches whole.
    auto slices = [](double cap, double srcLen, double dstLen, double(&src)[4], double(&dst)[4]) {
        if (cap <= 0 || cap + 1 > srcLen) {
            src[0] = src[1] = 0;
            src[2] = src[3] = srcLen;
            dst[0] = dst[1] = 0;
            dst[2] = dst[3] = dstLen;
            return;
        }
        double right = srcLen - cap - 1;
        double fixed = cap + right;
        double shrink = dstLen < fixed ? dstLen / fixed : 1; // caps shrink when there is no room
        src[0] = 0;
        src[1] = cap;
        src[2] = cap + 1;
        src[3] = srcLen;
        dst[0] = 0;
        dst[1] = cap * shrink;
        dst[3] = dstLen;
        dst[2] = dstLen - right * shrink;
    };
    double sx[4], dx[4], sy[4], dy[4];
    slices(capL, natural.width, r.width(), sx, dx);
    slices(capT, natural.height, r.height(), sy, dy);
    const double px = image.scale();
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            double sw = sx[i + 1] - sx[i], sh = sy[j + 1] - sy[j];
            double dw = dx[i + 1] - dx[i], dh = dy[j + 1] - dy[j];
            if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
                continue;
            cairo_save(m_cr);
            cairo_new_path(m_cr);
            cairo_rectangle(m_cr, r.x() + dx[i], r.y() + dy[j], dw, dh);
            cairo_clip(m_cr);
            // Each slice samples only its own pixels, so a stretched one-pixel column
            // does not blend with the caps beside it.
            cairo_surface_t* slice =
                cairo_surface_create_for_rectangle(image.surface(), sx[i] * px, sy[j] * px, sw * px, sh * px);
            cairo_pattern_t* p = cairo_pattern_create_for_surface(slice);
            cairo_surface_destroy(slice);
            cairo_matrix_t m;
            // destination point -> slice pixel
            cairo_matrix_init_scale(&m, sw * px / dw, sh * px / dh);
            cairo_matrix_translate(&m, -(r.x() + dx[i]), -(r.y() + dy[j]));
            setPixelMatrix(p, slice, m);
            cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
            cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
            cairo_set_source(m_cr, p);
            paintWithAlpha();
            cairo_pattern_destroy(p);
            cairo_restore(m_cr);
        }
    }
}

void Context::drawImage(const Image& image, Point topLeft) {
    drawImage(image, Rect{topLeft, image.size()});
}

void Context::drawTiledImage(const Image& image, const Rect& rect) {
    if (image.isNull())
        return;
    cairo_save(m_cr);
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(m_cr);
    cairo_pattern_t* p = imagePattern(image, {rect.origin, image.size()});
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_set_source(m_cr, p);
    paintWithAlpha();
    cairo_pattern_destroy(p);
    cairo_restore(m_cr);
}

Size Context::drawText(std::string_view utf8, Point topLeft, const Font& font) {
    TextLayout layout(utf8, font, 0, LineBreakMode::Clip);
    Color c = m_state.fill;
    if (!c.isPattern())
        c = c.withAlpha(c.alpha() * m_state.alpha);
    layout.draw(*this, topLeft, c);
    return layout.size();
}

Size Context::drawText(std::string_view utf8, const Rect& rect, const Font& font, LineBreakMode mode,
                       TextAlignment alignment) {
    TextLayout layout(utf8, font, rect.width(), mode, alignment);
    Color c = m_state.fill;
    if (!c.isPattern())
        c = c.withAlpha(c.alpha() * m_state.alpha);
    save();
    clipToRect(rect);
    layout.draw(*this, rect.origin, c);
    restore();
    Size s = layout.size();
    return {std::min(s.width, rect.width()), std::min(s.height, rect.height())};
}

} // namespace pw::gfx
