#pragma once

// Points, sizes and rectangles in points (1/scale of a pixel), y growing downwards,
// plus the affine transforms that contexts and views apply to them.

#include <algorithm>
#include <cmath>

namespace pw::gfx {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const Size&, const Size&) = default;
};

struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    // Min/max work on a standardized copy, so a negative size still answers sensibly.
    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    Point center() const { return {midX(), midY()}; }
    // A negative size is a rect drawn the other way, not an empty one.
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    Rect standardized() const;
    bool contains(Point p) const;
    bool contains(const Rect& r) const;
    bool intersects(const Rect& r) const;
    // Empty rect at the origin when the two do not overlap.
    Rect intersection(const Rect& r) const;
    // Smallest rect holding both; an empty operand is ignored.
    Rect unionWith(const Rect& r) const;
    Rect insetBy(double dx, double dy) const;
    Rect inset(const EdgeInsets& e) const;
    Rect offsetBy(double dx, double dy) const;
    // Grows to whole pixel boundaries at the given scale.
    Rect integral(double scale = 1) const;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// x' = a*x + c*y + tx ; y' = b*x + d*y + ty
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static AffineTransform rotation(double radians);

    bool isIdentity() const { return *this == AffineTransform{}; }
    // this applied first, then other.
    AffineTransform concat(const AffineTransform& other) const;
    AffineTransform translated(double x, double y) const;
    AffineTransform scaled(double sx, double sy) const;
    AffineTransform rotated(double radians) const;
    // Identity is returned for a singular transform.
    AffineTransform inverted() const;
    double determinant() const { return a * d - b * c; }

    Point apply(Point p) const;
    Size apply(Size s) const;
    // Bounding box of the transformed corners.
    Rect apply(const Rect& r) const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

} // namespace pw::gfx
