// Draws the busy indicator's six frames: six dots on a ring, the brightest one
// a sixth of a turn further round in each frame, the others fading behind it.
#include "platform/gfx/BitmapContext.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace {

bool drawFrame(const std::string& dir, int index, double scale) {
    const double side = 32;
    pw::gfx::BitmapContext ctx({side, side}, scale, false);
    const int dots = 6;
    const double ring = 11, radius = 3.2;
    for (int d = 0; d < dots; ++d) {
        // The head of the tail sits at the frame's position; the rest fade behind it.
        const int age = ((index - d) % dots + dots) % dots;
        const double alpha = 1.0 - age * 0.14;
        const double angle = d * 2 * std::numbers::pi / dots - std::numbers::pi / 2;
        const double r = radius * (1.0 - age * 0.08);
        ctx.setFillColor(pw::gfx::Color::fromRGB255(60, 110, 190, alpha));
        ctx.fillEllipse({side / 2 + std::cos(angle) * ring - r, side / 2 + std::sin(angle) * ring - r, 2 * r, 2 * r});
    }
    const std::string name = dir + "/status_l" + std::to_string(index + 1) + (scale > 1 ? "@2x" : "") + ".png";
    if (!ctx.snapshot().writePNG(name)) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    for (int i = 0; i < 6; ++i)
        for (double scale : {1.0, 2.0})
            if (!drawFrame(dir, i, scale))
                return 1;
    return 0;
}
