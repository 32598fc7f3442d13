#pragma once
// What the programs that draw the bundle's pictures at build time share.
#include "platform/gfx/BitmapContext.h"

#include <cstdio>
#include <functional>
#include <string>

namespace bundlepictures {

// One drawing in points, written as <dir>/<name>.png and <name>@2x.png for
// the two screen densities.
inline bool writePicture(const std::string& dir, const std::string& name, pw::gfx::Size size,
                         const std::function<void(pw::gfx::BitmapContext&)>& draw) {
    for (double scale : {1.0, 2.0}) {
        pw::gfx::BitmapContext ctx(size, scale, false);
        draw(ctx);
        const std::string path = dir + "/" + name + (scale > 1 ? "@2x" : "") + ".png";
        if (!ctx.snapshot().writePNG(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

// A vertical gradient filling a rounded box inside a one-point edge:
// stretched by its caps it makes a button or a bar.
inline void roundedGradient(pw::gfx::BitmapContext& ctx, pw::gfx::Rect box, double radius, pw::gfx::Color top,
                            pw::gfx::Color bottom, pw::gfx::Color edge) {
    ctx.save();
    ctx.beginPath();
    ctx.addRoundedRect(box, radius);
    ctx.clip();
    ctx.drawLinearGradient({{0, top}, {1, bottom}}, {0, box.y()}, {0, box.maxY()});
    ctx.restore();
    ctx.setStrokeColor(edge);
    ctx.setLineWidth(1);
    ctx.beginPath();
    ctx.addRoundedRect(box.insetBy(0.5, 0.5), radius);
    ctx.strokePath();
}

} // namespace bundlepictures
