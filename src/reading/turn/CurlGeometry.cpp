#include "reading/turn/CurlGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pw {

double CurlGeometry::maxRadiusFor(gfx::Size page) {
    return std::max(8.0, std::min(page.width, page.height) * 0.1);
}

double CurlGeometry::grabbedEdgeX(double edge, double width, double maxRadius) {
    if (edge >= kTrackingLimit)
        return edge * width;
    // Far enough left that the axis plus the cylinder lie left of the view.
    const double gone = -width - 2.5 * maxRadius;
    const double t = std::max(0.0, edge) / kTrackingLimit;
    return gone + (kTrackingLimit * width - gone) * t;
}

CurlGeometry CurlGeometry::make(gfx::Size page, double edge, double grabY) {
    CurlGeometry g;
    g.page = page;
    const double w = page.width;
    if (edge >= 1 || w <= 0) {
        g.grabbed = {w, grabY};
        return g;
    }
    g.flat = false;
    if (edge <= 0) {
        g.turnedAway = true;
        g.grabbed = {grabbedEdgeX(0, w, maxRadiusFor(page)), grabY};
        return g;
    }
    const double r0 = maxRadiusFor(page);
    const double px = grabbedEdgeX(edge, w, r0);
    const gfx::Point grabbedOnPage{w, grabY};
    g.grabbed = {px, grabY};
    const double D = w - px;
    if (D <= 1e-9) {
        g.flat = true;
        return g;
    }
    g.direction = {1, 0};
    g.radius = std::min(r0, D / std::numbers::pi);
    // The grabbed point lies at s = (D + pi r) / 2 and lands at the finger.
    const double sGrab = (D + std::numbers::pi * g.radius) / 2;
    g.axisPoint = {grabbedOnPage.x - sGrab * g.direction.x, grabbedOnPage.y - sGrab * g.direction.y};
    // The right edge (0, 1) reflected across the fold.
    const double dot = g.direction.y;
    g.grabbedEdgeDirection = {-2 * dot * g.direction.x, 1 - 2 * dot * g.direction.y};
    return g;
}

double CurlGeometry::s(gfx::Point p) const {
    return (p.x - axisPoint.x) * direction.x + (p.y - axisPoint.y) * direction.y;
}

gfx::Point CurlGeometry::project(gfx::Point source, bool* back) const {
    if (back)
        *back = false;
    if (flat)
        return source;
    const double sv = s(source);
    if (sv <= 0)
        return source;
    const double pi = std::numbers::pi;
    double u = 0;
    if (radius > 0 && sv < pi * radius) {
        u = radius * std::sin(sv / radius);
        if (back)
            *back = sv > pi * radius / 2;
    } else {
        u = pi * radius - sv;
        if (back)
            *back = true;
    }
    return {source.x + (u - sv) * direction.x, source.y + (u - sv) * direction.y};
}

} // namespace pw
