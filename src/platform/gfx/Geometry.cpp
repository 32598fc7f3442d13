#include "platform/gfx/Geometry.h"

namespace pw::gfx {

Rect Rect::standardized() const {
    return {minX(), minY(), std::abs(size.width), std::abs(size.height)};
}

bool Rect::contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect& r) const {
    return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
}

bool Rect::intersects(const Rect& r) const {
    return !intersection(r).isEmpty();
}

Rect Rect::intersection(const Rect& r) const {
    double x0 = std::max(minX(), r.minX());
    double y0 = std::max(minY(), r.minY());
    double x1 = std::min(maxX(), r.maxX());
    double y1 = std::min(maxY(), r.maxY());
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& r) const {
    if (r.isEmpty())
        return standardized();
    if (isEmpty())
        return r.standardized();
    double x0 = std::min(minX(), r.minX());
    double y0 = std::min(minY(), r.minY());
    double x1 = std::max(maxX(), r.maxX());
    double y1 = std::max(maxY(), r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::insetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
}

Rect Rect::inset(const EdgeInsets& e) const {
    return {origin.x + e.left, origin.y + e.top, size.width - e.left - e.right, size.height - e.top - e.bottom};
}

Rect Rect::offsetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
}

Rect Rect::integral(double scale) const {
    if (scale <= 0)
        scale = 1;
    double x0 = std::floor(minX() * scale) / scale;
    double y0 = std::floor(minY() * scale) / scale;
    double x1 = std::ceil(maxX() * scale) / scale;
    double y1 = std::ceil(maxY() * scale) / scale;
    return {x0, y0, x1 - x0, y1 - y0};
}

AffineTransform AffineTransform::rotation(double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::concat(const AffineTransform& o) const {
    return {a * o.a + b * o.c, a * o.b + b * o.d,          c * o.a + d * o.c,
            c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
}

AffineTransform AffineTransform::translated(double x, double y) const {
    return translation(x, y).concat(*this);
}

AffineTransform AffineTransform::scaled(double sx, double sy) const {
    return scaling(sx, sy).concat(*this);
}

AffineTransform AffineTransform::rotated(double radians) const {
    return rotation(radians).concat(*this);
}

AffineTransform AffineTransform::inverted() const {
    double det = determinant();
    if (det == 0 || !std::isfinite(det))
        return {};
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

Point AffineTransform::apply(Point p) const {
    return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty};
}

Size AffineTransform::apply(Size s) const {
    return {a * s.width + c * s.height, b * s.width + d * s.height};
}

Rect AffineTransform::apply(const Rect& r) const {
    Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}), apply(Point{r.minX(), r.maxY()}),
                  apply(Point{r.maxX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const auto& q : p) {
        x0 = std::min(x0, q.x);
        x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y);
        y1 = std::max(y1, q.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace pw::gfx
