// Draws the six reading background pictures: soft paper-like surfaces, each light
// or dark enough for the text colour that goes with it; and the settings panel's
// button for each, a rounded swatch of the same surface above its title.
// Deterministic, so every build makes the same files.

#include "platform/gfx/BitmapContext.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

using namespace pw::gfx;

namespace {

struct Style {
    Color base;
    Color shade;  // colour of the fibres and the vignette
    double grain; // strength of the fibres
    bool stripes; // faint ruled lines
};

// Text colours: black, dark blue, white, black, dark red, black.
const Style kStyles[6] = {
    {Color::fromRGB255(238, 226, 196), Color::fromRGB255(170, 140, 95), 0.10, false},  // parchment
    {Color::fromRGB255(214, 228, 240), Color::fromRGB255(120, 150, 190), 0.08, true},  // blue paper
    {Color::fromRGB255(46, 52, 64), Color::fromRGB255(10, 12, 18), 0.18, false},       // night slate
    {Color::fromRGB255(214, 234, 206), Color::fromRGB255(120, 160, 110), 0.08, false}, // green tea
    {Color::fromRGB255(246, 222, 222), Color::fromRGB255(200, 140, 140), 0.08, true},  // pink paper
    {Color::fromRGB255(226, 226, 222), Color::fromRGB255(150, 150, 145), 0.12, false}, // linen
};

// A small linear congruential generator: the pictures must not change between builds.
struct Random {
    uint32_t state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

Image draw(const Style& s, double w, double h, uint32_t seed) {
    BitmapContext ctx({w, h}, 1, true);
    ctx.setFillColor(s.base);
    ctx.fillRect({0, 0, w, h});

    Random rnd{seed};
    // Fibres: short translucent strokes in random directions.
    ctx.setLineCap(LineCap::Round);
    const int fibres = static_cast<int>(w * h / 40);
    for (int i = 0; i < fibres; ++i) {
        double x = rnd.next() * w, y = rnd.next() * h;
        double angle = rnd.next() * M_PI, len = 2 + rnd.next() * 9;
        ctx.setStrokeColor(s.shade.withAlpha(s.grain * (0.3 + rnd.next())));
        ctx.setLineWidth(0.4 + rnd.next() * 0.8);
        ctx.beginPath();
        ctx.moveTo({x, y});
        ctx.lineTo({x + std::cos(angle) * len, y + std::sin(angle) * len});
        ctx.strokePath();
    }
    if (s.stripes) {
        ctx.setStrokeColor(s.shade.withAlpha(0.12));
        ctx.setLineWidth(1);
        for (double y = 24.5; y < h; y += 30) {
            ctx.beginPath();
            ctx.moveTo({0, y});
            ctx.lineTo({w, y});
            ctx.strokePath();
        }
    }
    // A soft vignette darkens the edges a little.
    double r = std::hypot(w, h) / 2;
    ctx.drawRadialGradient({{0, Color::clear()}, {0.7, Color::clear()}, {1, s.shade.withAlpha(0.25)}}, {w / 2, h / 2},
                           0, {w / 2, h / 2}, r);
    return ctx.snapshot();
}

// The swatch button (50 x 50 points, the title set under the swatch), at
// `scale` pixels per point; the surface is drawn at the swatch's own pixel size
// so that its grain stays fine.
Image swatchButton(const Style& s, double scale, uint32_t seed) {
    const Rect swatch{11, 2, 28, 28};
    const Image surface = draw(s, swatch.width() * scale, swatch.height() * scale, seed);
    BitmapContext ctx({50, 50}, scale, false);
    ctx.save();
    ctx.beginPath();
    ctx.addRoundedRect(swatch, 6);
    ctx.clip();
    ctx.drawImage(surface, swatch);
    ctx.restore();
    ctx.setStrokeColor(Color::fromWhite(1, 0.85));
    ctx.setLineWidth(1);
    ctx.beginPath();
    ctx.addRoundedRect(swatch.insetBy(0.5, 0.5), 5.5);
    ctx.strokePath();
    return ctx.snapshot();
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : ".";
    for (int n = 1; n <= 6; ++n) {
        const Style& s = kStyles[n - 1];
        Image portrait = draw(s, 320, 480, 1000u + n);
        Image landscape = draw(s, 480, 320, 2000u + n);
        std::string p = dir + "/readbg" + std::to_string(n) + ".jpg";
        std::string l = dir + "/readbg" + std::to_string(n) + "_480.jpg";
        if (!portrait.writeJPEG(p, 0.9) || !landscape.writeJPEG(l, 0.9)) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            return 1;
        }
        for (double scale : {1.0, 2.0}) {
            std::string icon = dir + "/readbg" + std::to_string(n) + "_icon" + (scale > 1 ? "@2x" : "") + ".png";
            if (!swatchButton(s, scale, 3000u + n).writePNG(icon)) {
                std::fprintf(stderr, "cannot write %s\n", icon.c_str());
                return 1;
            }
        }
    }
    return 0;
}
