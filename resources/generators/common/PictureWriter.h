#pragma once
// A bundle picture drawn at build time: one drawing in points, written as
// <dir>/<name>.png and <name>@2x.png for the two screen densities.
#include "platform/gfx/BitmapContext.h"

#include <cstdio>
#include <functional>
#include <string>

namespace bundlepictures {

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

} // namespace bundlepictures
