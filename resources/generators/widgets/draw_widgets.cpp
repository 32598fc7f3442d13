// Draws the busy indicator's six frames (six dots on a ring, the brightest one
// a sixth of a turn further round in each frame, the others fading behind it)
// and the tablet table background tile.
#include "platform/gfx/BitmapContext.h"

#include <cmath>
#include <cstdint>
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

// The tablet table background: a light linen tile, fine threads across and
// down with a little irregularity, that repeats without visible seams.
bool drawTableBackground(const std::string& dir) {
    const double side = 64;
    pw::gfx::BitmapContext ctx({side, side}, 1, false);
    ctx.setFillColor(pw::gfx::Color::fromRGB255(236, 233, 226, 1));
    ctx.fillRect({0, 0, side, side});
    ctx.setLineWidth(1);
    // A fixed sequence, so every build draws the same picture.
    uint32_t seed = 0x2545F491u;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / static_cast<double>(1u << 24);
    };
    for (int i = 0; i < 64; i += 2) {
        for (bool across : {true, false}) {
            const double shade = 0.025 + 0.035 * next();
            ctx.setStrokeColor(pw::gfx::Color::fromRGB255(90, 80, 60, shade));
            ctx.beginPath();
            const double at = i + 0.5;
            ctx.moveTo(across ? pw::gfx::Point{0, at} : pw::gfx::Point{at, 0});
            ctx.lineTo(across ? pw::gfx::Point{side, at} : pw::gfx::Point{at, side});
            ctx.strokePath();
        }
    }
    const std::string name = dir + "/iPhone_table_bg.png";
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
    return drawTableBackground(dir) ? 0 : 1;
}
