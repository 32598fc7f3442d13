// Draws the pictures of the settings screens (the "new" badge is the shelf's):
// an open (read) and a closed (unread) envelope, a blue arrow pointing left,
// the application icon of the about page, and the theme list's 36-point
// squares cut from the middle of each reading background.
#include "BundlePictures.h"
#include "platform/gfx/BitmapContext.h"

#include <cstdio>
#include <functional>
#include <string>

namespace {

using pw::gfx::BitmapContext;
using pw::gfx::Color;
using pw::gfx::Font;
using pw::gfx::Image;
using pw::gfx::Point;
using pw::gfx::Rect;
using pw::gfx::Size;

using bundlepictures::writePicture;

// An envelope 15 points square: closed and blue while unread, open and grey once read.
void drawEnvelope(BitmapContext& c, bool read) {
    const Color body = read ? Color::fromWhite(0.7) : Color::fromRGB255(40, 110, 200);
    c.setFillColor(body);
    c.fillRect({1, 4, 13, 10});
    c.setStrokeColor(Color::white());
    c.setLineWidth(1);
    c.beginPath();
    if (read) {
        c.moveTo({1, 4});
        c.lineTo({7.5, 0.5});
        c.lineTo({14, 4});
        c.strokePath();
        c.setStrokeColor(body);
        c.beginPath();
        c.moveTo({1, 4});
        c.lineTo({7.5, 0.5});
        c.lineTo({14, 4});
        c.strokePath();
    } else {
        c.moveTo({1, 4.5});
        c.lineTo({7.5, 9.5});
        c.lineTo({14, 4.5});
        c.strokePath();
    }
}

void drawLeftArrow(BitmapContext& c) {
    c.setFillColor(Color::fromRGB255(40, 110, 200));
    c.fillRect({14, 8, 24, 5});
    c.beginPath();
    c.moveTo({2, 10.5});
    c.lineTo({16, 1});
    c.lineTo({16, 20});
    c.closePath();
    c.fillPath();
}

// The application's icon: a rounded square with an open book.
void drawIcon(BitmapContext& c) {
    c.save();
    c.beginPath();
    c.addRoundedRect({14, 15, 114, 114}, 22);
    c.clip();
    c.drawLinearGradient({{0, Color::fromRGB255(90, 130, 190)}, {1, Color::fromRGB255(40, 70, 130)}}, {0, 15},
                         {0, 129});
    c.restore();
    c.setFillColor(Color::fromRGB255(250, 248, 240));
    for (double side : {-1.0, 1.0}) {
        c.beginPath();
        c.moveTo({71, 52});
        c.lineTo({71 + side * 40, 44});
        c.lineTo({71 + side * 40, 100});
        c.lineTo({71, 108});
        c.closePath();
        c.fillPath();
    }
    c.setStrokeColor(Color::fromRGB255(160, 150, 130));
    c.setLineWidth(1.5);
    c.beginPath();
    c.moveTo({71, 52});
    c.lineTo({71, 108});
    c.strokePath();
}

bool drawThemes(const std::string& dir) {
    for (int n = 1; n <= 6; ++n) {
        auto background = Image::fromFile(dir + "/readbg" + std::to_string(n) + ".jpg", 1.0);
        BitmapContext ctx({36, 36}, 1, false);
        if (background) {
            const Size s = background->size();
            // The middle of the page, scaled down to show its grain.
            ctx.drawImage(*background, Rect(-(s.width / 4 - 18), -(s.height / 4 - 18), s.width / 2, s.height / 2));
        } else {
            ctx.setFillColor(Color::fromWhite(0.9));
            ctx.fillRect({0, 0, 36, 36});
        }
        ctx.setStrokeColor(Color::fromWhite(0.5));
        ctx.setLineWidth(1);
        ctx.strokeRect({0.5, 0.5, 35, 35});
        const std::string path = dir + "/" + std::to_string(15000 + n) + ".png";
        if (!ctx.snapshot().writePNG(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const bool ok = writePicture(dir, "rzmsg_read", {15, 15}, [](BitmapContext& c) { drawEnvelope(c, true); }) &&
                    writePicture(dir, "rzmsg_unread", {15, 15}, [](BitmapContext& c) { drawEnvelope(c, false); }) &&
                    writePicture(dir, "left_blueArrow", {40, 21}, drawLeftArrow) &&
                    writePicture(dir, "about_icon", {143, 146}, drawIcon) && drawThemes(dir);
    return ok ? 0 : 1;
}
