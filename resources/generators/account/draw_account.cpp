// Draws the account screens' pictures: rounded gradient buttons meant to be
// stretched by their caps, the drop-down button with its arrow, the quick-scroll
// bar, the purchase page's bottom bar and the soft shadow behind a cover.
#include "BundlePictures.h"
#include "platform/gfx/BitmapContext.h"

#include <cstdio>
#include <functional>
#include <string>

namespace {

using pw::gfx::BitmapContext;
using pw::gfx::Color;

using bundlepictures::roundedGradient;
using bundlepictures::writePicture;

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const bool ok =
        // Stretched with caps 8 and 10.
        writePicture(dir, "local_login_btn", {17, 21},
                     [](BitmapContext& c) {
                         roundedGradient(c, {0, 0, 17, 21}, 5, Color::fromRGB255(252, 252, 252),
                                         Color::fromRGB255(214, 220, 228), Color::fromRGB255(150, 160, 175));
                     }) &&
        writePicture(dir, "buy_chapter_button", {17, 21},
                     [](BitmapContext& c) {
                         roundedGradient(c, {0, 0, 17, 21}, 5, Color::fromRGB255(255, 246, 226),
                                         Color::fromRGB255(240, 214, 160), Color::fromRGB255(196, 160, 100));
                     }) &&
        // Stretched with left cap 18: the arrow sits at the right end.
        writePicture(dir, "btn_ddl", {37, 20},
                     [](BitmapContext& c) {
                         roundedGradient(c, {0, 0, 37, 20}, 3, Color::white(), Color::fromRGB255(230, 230, 230),
                                         Color::fromRGB255(160, 160, 160));
                         c.setFillColor(Color::fromRGB255(90, 90, 90));
                         c.beginPath();
                         c.moveTo({25, 8});
                         c.lineTo({33, 8});
                         c.lineTo({29, 13});
                         c.closePath();
                         c.fillPath();
                     }) &&
        writePicture(dir, "scrollbar", {50, 100},
                     [](BitmapContext& c) {
                         roundedGradient(c, {14, 0, 22, 100}, 11, Color::fromRGB255(70, 70, 70),
                                         Color::fromRGB255(30, 30, 30), Color::black());
                         c.setFillColor(Color::white());
                         for (double y : {20.0, 80.0}) {
                             const double d = y < 50 ? -1 : 1;
                             c.beginPath();
                             c.moveTo({19, y - 4 * d});
                             c.lineTo({31, y - 4 * d});
                             c.lineTo({25, y + 4 * d});
                             c.closePath();
                             c.fillPath();
                         }
                     }) &&
        writePicture(dir, "bookmask.9", {74, 92},
                     [](BitmapContext& c) {
                         for (int i = 0; i < 4; ++i) {
                             c.setFillColor(Color::fromWhite(0, 0.12));
                             c.fillRect({double(i), double(i), 74 - 2.0 * i, 92 - 2.0 * i});
                         }
                     }) &&
        writePicture(dir, "buy_chapter_bottom", {10, 45}, [](BitmapContext& c) {
            c.drawLinearGradient({{0, Color::fromRGB255(246, 240, 228)}, {1, Color::fromRGB255(222, 212, 190)}}, {0, 0},
                                 {0, 45});
            c.setFillColor(Color::fromRGB255(190, 175, 150));
            c.fillRect({0, 0, 10, 1});
        });
    return ok ? 0 : 1;
}
