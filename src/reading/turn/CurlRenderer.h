#pragma once

// Draws a page curl with Cairo: the page beneath with the shadow the leaf casts on
// it, the flat part of the turning page with the shadow of the folded-back edge,
// the cylinder in thin bands (each band an affine piece of the page picture,
// shaded by how it faces the light), and the back of the leaf, mirrored and paler.
// Only the bands of the cylinder are resampled; the flat parts are plain copies
// (the back a mirrored one), so a frame costs little more than one page picture.

#include "platform/gfx/Context.h"
#include "platform/gfx/Image.h"
#include "reading/turn/CurlGeometry.h"

namespace pw {

class CurlRenderer {
public:
    // Alpha of the white that pales the back of the leaf.
    static constexpr double kBackPaleness = 0.3;
    // Width in points of the shadow along the folded-back edge.
    static constexpr double kEdgeShadowWidth = 14;
    // Width in points of the shadow beyond the cylinder on the page beneath.
    static constexpr double kCastShadowWidth = 40;

    // The picture in the form the renderer draws quickly: Cairo resamples an opaque
    // (RGB24) picture only after converting all of it, on every draw, so pages are
    // converted once, when they are handed over.
    static gfx::Image prepare(const gfx::Image& page);
    // The page mirrored left to right, for the back of the leaf.
    static gfx::Image prepareMirrored(const gfx::Image& page);

    // Draws the page area (0, 0, page width, page height) of ctx.
    // Pictures as prepare and prepareMirrored make them draw fastest; the mirrored one
    // may be null.
    static void render(gfx::Context& ctx, const CurlGeometry& g, const gfx::Image& top, const gfx::Image& bottom,
                       const gfx::Image& topMirrored = {});
};

} // namespace pw
