// Draws the pictures of the chapter list and of the contents and bookmarks
// screen: the row separator, the paid chapter's mark, the volume header's bar
// and the two tab icons (contents: lines of a list; bookmarks: a ribbon); and
// the reading help sheet's two tapping hands. The reading menus' pictures are
// drawn beside them (draw_reader_menus.cpp).
#include "ReaderPictures.h"
#include "platform/gfx/Font.h"

#include <cstdio>
#include <functional>
#include <string>

namespace {

using pw::gfx::BitmapContext;
using pw::gfx::Color;
using readerpictures::writePicture;

// A light line over a white one: the seam between two rows.
void separator(BitmapContext& c) {
    c.setFillColor(Color::fromRGB255(214, 212, 208));
    c.fillRect({0, 0, 320, 1});
    c.setFillColor(Color::fromRGB255(255, 255, 255, 0.8));
    c.fillRect({0, 1, 320, 1});
}

// An orange badge with a white V.
void vipMark(BitmapContext& c) {
    c.setFillColor(Color::fromRGB255(232, 118, 24));
    c.beginPath();
    c.addRoundedRect({2, 2, 20, 20}, 5);
    c.fillPath();
    c.setStrokeColor(Color::white());
    c.setLineWidth(2.6);
    c.beginPath();
    c.moveTo({7, 7.5});
    c.lineTo({12, 17});
    c.lineTo({17, 7.5});
    c.strokePath();
}

// A slate bar, lighter at the top, with a dark rule under it.
void sectionBar(BitmapContext& c) {
    c.drawLinearGradient({{0, Color::fromRGB255(140, 152, 162)}, {1, Color::fromRGB255(108, 120, 130)}}, {0, 0},
                         {0, 34});
    c.setFillColor(Color::fromRGB255(80, 90, 98));
    c.fillRect({0, 33, 320, 1});
}

// Three bullets and lines: the contents.
void contentsIcon(BitmapContext& c) {
    c.setFillColor(Color::fromWhite(0.85));
    for (int i = 0; i < 3; ++i) {
        const double y = 7 + i * 7;
        c.fillEllipse({4, y, 4, 4});
        c.fillRect({11, y + 1, 15, 2});
    }
}

// A ribbon with a notch: a bookmark.
void bookmarkIcon(BitmapContext& c) {
    c.setFillColor(Color::fromWhite(0.85));
    c.beginPath();
    c.moveTo({9, 4});
    c.lineTo({21, 4});
    c.lineTo({21, 26});
    c.lineTo({15, 20});
    c.lineTo({9, 26});
    c.closePath();
    c.fillPath();
}

// A white hand, the forefinger raised, with the rings of a tap above its tip;
// `mirrored` turns it to point from the other side.
void tappingHand(BitmapContext& c, bool mirrored) {
    if (mirrored) {
        c.translate(90, 0);
        c.scale(-1, 1);
    }
    c.setStrokeColor(Color::fromWhite(1, 0.8));
    c.setLineWidth(2);
    for (double r : {9.0, 16.0})
        c.strokeEllipse({38 - r, 22 - r, 2 * r, 2 * r});
    c.setFillColor(Color::white());
    c.beginPath();
    c.addRoundedRect({31, 18, 14, 52}, 7); // forefinger
    c.fillPath();
    c.beginPath();
    c.addRoundedRect({45, 50, 13, 30}, 6.5); // the curled fingers
    c.addRoundedRect({57, 56, 12, 28}, 6);
    c.addRoundedRect({68, 62, 11, 24}, 5.5);
    c.fillPath();
    c.beginPath();
    c.moveTo({12, 70}); // thumb
    c.lineTo({31, 60});
    c.lineTo({34, 78});
    c.lineTo({22, 86});
    c.closePath();
    c.fillPath();
    c.beginPath();
    c.addRoundedRect({24, 62, 55, 48}, 16); // palm
    c.fillPath();
    c.fillRect({34, 100, 40, 25}); // wrist
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <bundle folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok =
        writePicture(dir, "TbCell_SepLine", {320, 2}, separator) && writePicture(dir, "icon_v", {24, 24}, vipMark) &&
        writePicture(dir, "chptlist_section_bg", {320, 34}, sectionBar) &&
        writePicture(dir, "category", {30, 30}, contentsIcon) &&
        writePicture(dir, "bookmark", {30, 30}, bookmarkIcon) &&
        writePicture(dir, "ges_tap_right_white", {90, 125}, [](BitmapContext& c) { tappingHand(c, false); }) &&
        writePicture(dir, "ges_tap_left_white", {90, 125}, [](BitmapContext& c) { tappingHand(c, true); }) &&
        readerpictures::drawMenuPictures(dir);
    return ok ? 0 : 1;
}
