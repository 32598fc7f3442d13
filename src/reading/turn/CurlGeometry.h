#pragma once

// Where a curling page lies. The page is bent over a cylinder lying on it: the
// part before the fold axis stays flat, the part after it wraps over the cylinder
// and comes back flat on top, showing its back. The page's right edge is held by
// the finger: the folded-back edge lands at the finger's x. The fold stays upright
// (a slanted fold would make every piece of the leaf an antialiased slanted
// polygon, which Cairo composites row by row: far below the frame rate on a large
// screen), but the geometry is written for any direction.
//
// Coordinates are the view's, in points, origin top left. `s` is a page point's
// distance from the fold axis along `direction` (towards the grabbed edge).

#include "platform/gfx/Geometry.h"

namespace pw {

struct CurlGeometry {
    // Below this edge the grabbed edge runs ahead of the finger so that the leaf
    // has left the view completely at edge 0.
    static constexpr double kTrackingLimit = 0.15;

    // edge: 1 flat (nothing turned) .. 0 turned away; grabY: the height the finger
    // holds the page at.
    static CurlGeometry make(gfx::Size page, double edge, double grabY);

    // Where the grabbed edge lands for an edge value (the finger's x while tracked).
    static double grabbedEdgeX(double edge, double width, double maxRadius);
    static double maxRadiusFor(gfx::Size page);

    gfx::Size page;
    bool flat = true;           // the top page covers the view
    bool turnedAway = false;    // only the page beneath shows
    gfx::Point axisPoint;       // a point of the fold axis
    gfx::Point direction{1, 0}; // unit, from the axis towards the lifted part
    double radius = 0;
    gfx::Point grabbed;                    // the finger's point: where the grabbed edge lies
    gfx::Point grabbedEdgeDirection{0, 1}; // the folded-back edge's direction on screen

    // Signed distance of a point from the axis along the direction.
    double s(gfx::Point p) const;
    // Where a page point shows, and whether it shows its back.
    gfx::Point project(gfx::Point source, bool* back = nullptr) const;
    // The screen's farthest reach of the curl beyond the axis (the cylinder's top).
    double reach() const { return radius; }
};

} // namespace pw
