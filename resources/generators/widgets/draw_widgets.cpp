// Draws the shared widgets' pictures: the busy indicator's six frames (six dots
// on a ring, the brightest one a sixth of a turn further round in each frame),
// the tablet table background tile, the pull-to-refresh arrows, and the
// backgrounds, highlights, splits and arrows of the two tab strips.
#include "BundlePictures.h"
#include "platform/gfx/BitmapContext.h"

#include <functional>

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

using pw::gfx::BitmapContext;
using pw::gfx::Color;
using pw::gfx::GradientStop;

using bundlepictures::roundedGradient;
using bundlepictures::writePicture;

// A blue arrow 23 by 30 points, pointing down (the header's) or up (the footer's).
void drawArrow(BitmapContext& ctx, bool down) {
    if (!down) {
        ctx.translate(0, 30);
        ctx.scale(1, -1);
    }
    ctx.setFillColor(Color::fromRGB255(40, 110, 200));
    ctx.fillRect({8.5, 2, 6, 16});
    ctx.beginPath();
    ctx.moveTo({2, 16});
    ctx.lineTo({21, 16});
    ctx.lineTo({11.5, 28});
    ctx.closePath();
    ctx.fillPath();
}


bool drawStripPictures(const std::string& dir) {
    return writePicture(dir, "down_blueArrow", {23, 30}, [](BitmapContext& c) { drawArrow(c, true); }) &&
           writePicture(dir, "up_blueArrow", {23, 30}, [](BitmapContext& c) { drawArrow(c, false); }) &&
           // The footer's top edge: a thin shadow line.
           writePicture(dir, "v2_icon_main_psl", {320, 3},
                        [](BitmapContext& c) {
                            c.drawLinearGradient({{0, Color::fromWhite(0.55, 0.8)}, {1, Color::fromWhite(0.55, 0)}},
                                                 {0, 0}, {0, 3});
                        }) &&
           // The reader's split line between two pages scrolling upwards: a fine
           // grey rule with a soft shadow below it.
           writePicture(dir, "v2_icon_read_psl", {320, 2},
                        [](BitmapContext& c) {
                            c.setFillColor(Color::fromWhite(0.45, 1));
                            c.fillRect({0, 0, 320, 1});
                            c.setFillColor(Color::fromWhite(0.45, 0.35));
                            c.fillRect({0, 1, 320, 1});
                        }) &&
           // The tab strip's background (caps 12 and 10) and its highlight (caps 12 and 11).
           writePicture(dir, "h_scroll_title_bg", {25, 21},
                        [](BitmapContext& c) {
                            roundedGradient(c, {0, 0, 25, 21}, 4, Color::fromRGB255(246, 246, 246),
                                                Color::fromRGB255(222, 222, 222), Color::fromRGB255(200, 200, 200));
                        }) &&
           writePicture(dir, "h_scroll_title_btn", {25, 23},
                        [](BitmapContext& c) {
                            roundedGradient(c, {0, 0, 25, 23}, 11, Color::fromRGB255(160, 200, 245),
                                                Color::fromRGB255(100, 160, 230), Color::fromRGB255(70, 130, 210));
                        }) &&
           // The fixed strip: a tab's background, the split between tabs and the arrow under
           // the selected one (a bar along the bottom with a notch in its middle).
           writePicture(dir, "h_fix_title_bg", {10, 31},
                        [](BitmapContext& c) {
                            c.drawLinearGradient(
                                {{0, Color::fromRGB255(250, 250, 250)}, {1, Color::fromRGB255(228, 228, 228)}}, {0, 0},
                                {0, 31});
                            c.setFillColor(Color::fromRGB255(200, 200, 200));
                            c.fillRect({0, 30, 10, 1});
                        }) &&
           writePicture(dir, "h_fix_title_bg_split", {2, 31},
                        [](BitmapContext& c) {
                            c.setFillColor(Color::fromRGB255(205, 205, 205));
                            c.fillRect({0, 6, 1, 19});
                            c.setFillColor(Color::white());
                            c.fillRect({1, 6, 1, 19});
                        }) &&
           writePicture(dir, "h_fix_title_bg_arrow", {40, 31}, [](BitmapContext& c) {
               c.setFillColor(Color::fromRGB255(220, 60, 50));
               c.fillRect({0, 28, 40, 3});
               c.beginPath();
               c.moveTo({15, 28});
               c.lineTo({20, 23});
               c.lineTo({25, 28});
               c.closePath();
               c.fillPath();
           });
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    for (int i = 0; i < 6; ++i)
        for (double scale : {1.0, 2.0})
            if (!drawFrame(dir, i, scale))
                return 1;
    return drawTableBackground(dir) && drawStripPictures(dir) ? 0 : 1;
}
