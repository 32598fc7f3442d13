// Draws the pictures of the reading menus: the dark see-through faces of the
// top bar and its settings panel, the bottom bar, the side tabs and the
// floating boxes; their buttons (stretchable faces, the lit face of a chosen
// button, the round buttons of the colour box); and their white line icons
// (lamp, rotation lock, gear, letter sizes, bookmark, bell, download,
// jump, contents, talk, minus and plus, page and letter colours, the colour
// box's preset pages). Each picture at 1x and 2x; every build draws the same.
#include "ReaderPictures.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using pw::gfx::BitmapContext;
using pw::gfx::Color;
using pw::gfx::Point;
using pw::gfx::Rect;
using pw::gfx::Size;
using readerpictures::writePicture;

struct Picture {
    std::string name; // without ".png"
    Size size;
    std::function<void(BitmapContext&)> draw;
};

const Color kInk = Color::fromWhite(0.93);     // icons and glyphs
const Color kFace = Color::fromWhite(1, 0.09); // a button's face on the dark panels
const Color kRim = Color::fromWhite(1, 0.22);  // its edge
// The floating boxes and side tabs: solid, so the page never shows through
// behind their controls.
const Color kPanel = Color::fromWhite(0.12);
const Color kAccentTop = Color::fromRGB255(88, 152, 222);
const Color kAccentBottom = Color::fromRGB255(52, 112, 186);

// ---- shapes ----

void clipTo(BitmapContext& c, const Rect& r, double radius) {
    c.beginPath();
    c.addRoundedRect(r, radius);
    c.clip();
}

void verticalGradient(BitmapContext& c, const Rect& r, Color top, Color bottom) {
    c.drawLinearGradient({{0, top}, {1, bottom}}, {0, r.y()}, {0, r.maxY()});
}

void hairline(BitmapContext& c, const Rect& r, double radius, Color colour) {
    c.setStrokeColor(colour);
    c.setLineWidth(1);
    c.beginPath();
    c.addRoundedRect(r.insetBy(0.5, 0.5), radius);
    c.strokePath();
}

// A rounded face: a faint fill, a lighter top edge, a rim.
void buttonFace(BitmapContext& c, const Rect& r, double radius) {
    c.save();
    clipTo(c, r, radius);
    c.setFillColor(kFace);
    c.fillRect(r);
    c.setFillColor(Color::fromWhite(1, 0.08));
    c.fillRect({r.x(), r.y(), r.width(), 1});
    c.restore();
    hairline(c, r, radius, kRim);
}

// The chosen button: lit blue, brighter at the top.
void litFace(BitmapContext& c, const Rect& r, double radius) {
    c.save();
    clipTo(c, r, radius);
    verticalGradient(c, r, kAccentTop, kAccentBottom);
    c.setFillColor(Color::fromWhite(1, 0.25));
    c.fillRect({r.x(), r.y(), r.width(), 1});
    c.restore();
    hairline(c, r, radius, Color::fromRGB255(140, 190, 240, 0.9));
}

// A dark panel face with a rounded outline; even, so that it stretches cleanly.
void panelFace(BitmapContext& c, const Rect& r, double radius) {
    c.setFillColor(kPanel);
    c.beginPath();
    c.addRoundedRect(r, radius);
    c.fillPath();
    hairline(c, r, radius, Color::fromWhite(1, 0.14));
}

void stroked(BitmapContext& c, double width, const std::function<void()>& path, Color colour = kInk) {
    c.setStrokeColor(colour);
    c.setLineWidth(width);
    c.setLineCap(pw::gfx::LineCap::Round);
    c.setLineJoin(pw::gfx::LineJoin::Round);
    c.beginPath();
    path();
    c.strokePath();
}

void filled(BitmapContext& c, const std::function<void()>& path, Color colour = kInk) {
    c.setFillColor(colour);
    c.beginPath();
    path();
    c.fillPath();
}

// ---- icons, each in a square of side s centred on (x, y) ----

// A bulb on a screwed base.
void glyphLamp(BitmapContext& c, double x, double y, double s) {
    const double w = s * 0.09, pi = std::numbers::pi;
    stroked(c, w, [&] {
        c.addArc({x, y - s * 0.12}, s * 0.3, pi * 0.78, pi * 0.22, true);
        c.lineTo({x + s * 0.13, y + s * 0.2});
        c.lineTo({x - s * 0.13, y + s * 0.2});
        c.closePath();
    });
    stroked(c, w, [&] {
        c.moveTo({x - s * 0.13, y + s * 0.32});
        c.lineTo({x + s * 0.13, y + s * 0.32});
        c.moveTo({x - s * 0.07, y + s * 0.44});
        c.lineTo({x + s * 0.07, y + s * 0.44});
    });
}

// A padlock inside a turning arrow.
void glyphRotationLock(BitmapContext& c, double x, double y, double s) {
    const double r = s * 0.42, w = s * 0.08, pi = std::numbers::pi;
    const double from = -pi * 0.3, to = pi * 1.25;
    stroked(c, w, [&] { c.addArc({x, y}, r, from, to, true); });
    // The arrowhead at the end, along the turn.
    const Point end{x + r * std::cos(to), y + r * std::sin(to)};
    const Point along{-std::sin(to), std::cos(to)}, out{std::cos(to), std::sin(to)};
    filled(c, [&] {
        c.moveTo({end.x + along.x * s * 0.18, end.y + along.y * s * 0.18});
        c.lineTo({end.x + out.x * s * 0.15 - along.x * s * 0.04, end.y + out.y * s * 0.15 - along.y * s * 0.04});
        c.lineTo({end.x - out.x * s * 0.15 - along.x * s * 0.04, end.y - out.y * s * 0.15 - along.y * s * 0.04});
        c.closePath();
    });
    filled(c, [&] { c.addRoundedRect({x - s * 0.17, y - s * 0.04, s * 0.34, s * 0.26}, s * 0.04); });
    stroked(c, w * 0.8, [&] {
        c.moveTo({x - s * 0.1, y - s * 0.04});
        c.lineTo({x - s * 0.1, y - s * 0.1});
        c.addArc({x, y - s * 0.1}, s * 0.1, pi, 0, true);
        c.lineTo({x + s * 0.1, y - s * 0.04});
    });
}

// A gear of eight teeth with a hole.
void glyphGear(BitmapContext& c, double x, double y, double s) {
    c.save();
    c.setFillColor(kInk);
    c.fillEllipse({x - s * 0.33, y - s * 0.33, s * 0.66, s * 0.66});
    for (int i = 0; i < 8; ++i) {
        c.save();
        c.translate(x, y);
        c.rotate(i * std::numbers::pi / 4);
        c.beginPath();
        c.addRoundedRect({-s * 0.08, -s * 0.47, s * 0.16, s * 0.2}, s * 0.03);
        c.fillPath();
        c.restore();
    }
    c.setBlendMode(pw::gfx::BlendMode::Clear);
    c.fillEllipse({x - s * 0.13, y - s * 0.13, s * 0.26, s * 0.26});
    c.restore();
}

// A capital A drawn as strokes.
void glyphLetterA(BitmapContext& c, double x, double y, double s, Color colour = kInk) {
    stroked(
        c, s * 0.12,
        [&] {
            c.moveTo({x - s * 0.34, y + s * 0.42});
            c.lineTo({x, y - s * 0.42});
            c.lineTo({x + s * 0.34, y + s * 0.42});
            c.moveTo({x - s * 0.2, y + s * 0.12});
            c.lineTo({x + s * 0.2, y + s * 0.12});
        },
        colour);
}

void glyphPlus(BitmapContext& c, double x, double y, double s, double width) {
    stroked(c, width, [&] {
        c.moveTo({x - s / 2, y});
        c.lineTo({x + s / 2, y});
        c.moveTo({x, y - s / 2});
        c.lineTo({x, y + s / 2});
    });
}

void glyphMinus(BitmapContext& c, double x, double y, double s, double width) {
    stroked(c, width, [&] {
        c.moveTo({x - s / 2, y});
        c.lineTo({x + s / 2, y});
    });
}

void ribbonPath(BitmapContext& c, double x, double y, double s) {
    c.moveTo({x - s * 0.28, y - s * 0.44});
    c.lineTo({x + s * 0.28, y - s * 0.44});
    c.lineTo({x + s * 0.28, y + s * 0.44});
    c.lineTo({x, y + s * 0.2});
    c.lineTo({x - s * 0.28, y + s * 0.44});
    c.closePath();
}

void glyphBookmark(BitmapContext& c, double x, double y, double s) {
    stroked(c, s * 0.09, [&] { ribbonPath(c, x, y, s); });
}

void glyphAddBookmark(BitmapContext& c, double x, double y, double s) {
    stroked(c, s * 0.09, [&] { ribbonPath(c, x, y, s); });
    glyphPlus(c, x, y - s * 0.1, s * 0.3, s * 0.08);
}

// A bell with its clapper.
void glyphBell(BitmapContext& c, double x, double y, double s) {
    filled(c, [&] {
        c.moveTo({x - s * 0.42, y + s * 0.24});
        c.quadCurveTo({x - s * 0.29, y + s * 0.12}, {x - s * 0.29, y - s * 0.06});
        c.curveTo({x - s * 0.29, y - s * 0.4}, {x + s * 0.29, y - s * 0.4}, {x + s * 0.29, y - s * 0.06});
        c.quadCurveTo({x + s * 0.29, y + s * 0.12}, {x + s * 0.42, y + s * 0.24});
        c.closePath();
    });
    c.setFillColor(kInk);
    c.fillEllipse({x - s * 0.1, y + s * 0.28, s * 0.2, s * 0.16});
    c.fillEllipse({x - s * 0.06, y - s * 0.44, s * 0.12, s * 0.12});
}

// An arrow down into a tray.
void glyphDownload(BitmapContext& c, double x, double y, double s) {
    const double w = s * 0.09;
    stroked(c, w, [&] {
        c.moveTo({x, y - s * 0.44});
        c.lineTo({x, y + s * 0.12});
        c.moveTo({x - s * 0.2, y - s * 0.08});
        c.lineTo({x, y + s * 0.12});
        c.lineTo({x + s * 0.2, y - s * 0.08});
    });
    stroked(c, w, [&] {
        c.moveTo({x - s * 0.42, y + s * 0.06});
        c.lineTo({x - s * 0.42, y + s * 0.4});
        c.lineTo({x + s * 0.42, y + s * 0.4});
        c.lineTo({x + s * 0.42, y + s * 0.06});
    });
}

// A leap over a scale: an arc ending in an arrowhead above a ruled line.
void glyphJump(BitmapContext& c, double x, double y, double s) {
    const double w = s * 0.09;
    stroked(c, w, [&] {
        c.moveTo({x - s * 0.44, y + s * 0.38});
        c.lineTo({x + s * 0.44, y + s * 0.38});
        for (double t : {-0.44, 0.0, 0.44}) {
            c.moveTo({x + s * t, y + s * 0.3});
            c.lineTo({x + s * t, y + s * 0.38});
        }
    });
    stroked(c, w, [&] {
        c.moveTo({x - s * 0.34, y + s * 0.18});
        c.quadCurveTo({x - s * 0.05, y - s * 0.6}, {x + s * 0.3, y + s * 0.1});
    });
    filled(c, [&] {
        c.moveTo({x + s * 0.36, y + s * 0.22});
        c.lineTo({x + s * 0.12, y + s * 0.04});
        c.lineTo({x + s * 0.4, y - s * 0.06});
        c.closePath();
    });
}

// Bullets and lines: the contents.
void glyphList(BitmapContext& c, double x, double y, double s, double lineLength = 0.62) {
    for (int i = 0; i < 3; ++i) {
        const double ly = y - s * 0.32 + i * s * 0.32;
        c.setFillColor(kInk);
        c.fillEllipse({x - s * 0.46, ly - s * 0.07, s * 0.14, s * 0.14});
        stroked(c, s * 0.1, [&] {
            c.moveTo({x - s * 0.2, ly});
            c.lineTo({x - s * 0.2 + s * lineLength, ly});
        });
    }
}

// The contents with a ribbon on the right: contents and bookmarks.
void glyphListAndBookmark(BitmapContext& c, double x, double y, double s) {
    glyphList(c, x - s * 0.08, y, s, 0.36);
    filled(c, [&] { ribbonPath(c, x + s * 0.36, y - s * 0.02, s * 0.5); });
}

// Two speech bubbles: a talk with the site.
void glyphTalk(BitmapContext& c, double x, double y, double s) {
    stroked(c, s * 0.08, [&] {
        c.addRoundedRect({x - s * 0.06, y - s * 0.2, s * 0.52, s * 0.38}, s * 0.12);
        c.moveTo({x + s * 0.3, y + s * 0.18});
        c.lineTo({x + s * 0.36, y + s * 0.32});
        c.lineTo({x + s * 0.18, y + s * 0.18});
    });
    // The front bubble covers the back one: cut its place out first.
    c.save();
    c.setBlendMode(pw::gfx::BlendMode::Clear);
    c.beginPath();
    c.addRoundedRect({x - s * 0.54, y - s * 0.42, s * 0.66, s * 0.46}, s * 0.15);
    c.fillPath();
    c.restore();
    filled(c, [&] {
        c.addRoundedRect({x - s * 0.48, y - s * 0.38, s * 0.56, s * 0.38}, s * 0.12);
        c.moveTo({x - s * 0.36, y - s * 0.04});
        c.lineTo({x - s * 0.4, y + s * 0.14});
        c.lineTo({x - s * 0.18, y - s * 0.04});
        c.closePath();
    });
    c.save();
    c.setBlendMode(pw::gfx::BlendMode::Clear);
    for (int i = -1; i <= 1; ++i)
        c.fillEllipse({x - s * 0.2 + i * s * 0.13 - s * 0.04, y - s * 0.23, s * 0.08, s * 0.08});
    c.restore();
}

// A rainbow across a rounded square: free colour for the page.
void glyphPageColour(BitmapContext& c, double x, double y, double s) {
    const Rect r{x - s * 0.42, y - s * 0.42, s * 0.84, s * 0.84};
    c.save();
    clipTo(c, r, s * 0.14);
    std::vector<pw::gfx::GradientStop> stops;
    for (int i = 0; i <= 6; ++i)
        stops.push_back({i / 6.0, Color::fromHSB({i / 6.0, 0.62, 0.96, 1})});
    c.drawLinearGradient(stops, {r.x(), r.y()}, {r.maxX(), r.maxY()});
    c.drawLinearGradient({{0, Color::fromWhite(1, 0.55)}, {0.6, Color::fromWhite(1, 0)}}, {0, r.y()}, {0, r.maxY()});
    c.restore();
    hairline(c, r, s * 0.14, Color::fromWhite(1, 0.9));
}

// An A over a rainbow bar: free colour for the letters.
void glyphLetterColour(BitmapContext& c, double x, double y, double s) {
    glyphLetterA(c, x, y - s * 0.12, s * 0.7);
    const Rect bar{x - s * 0.4, y + s * 0.3, s * 0.8, s * 0.13};
    c.save();
    clipTo(c, bar, s * 0.04);
    std::vector<pw::gfx::GradientStop> stops;
    for (int i = 0; i <= 6; ++i)
        stops.push_back({i / 6.0, Color::fromHSB({i / 6.0, 0.7, 0.98, 1})});
    c.drawLinearGradient(stops, {bar.x(), 0}, {bar.maxX(), 0});
    c.restore();
}

// ---- pictures ----

// The settings panel behind the bar: even from top to bottom, since it is
// stretched from the bar's height to the open panel's, and solid, since its
// controls stand on it over the page.
void panelBackground(BitmapContext& c, Size size) {
    c.setFillColor(Color::fromWhite(0.11));
    c.fillRect({0, 0, size.width, size.height});
}

void topBar(BitmapContext& c, Size size) {
    verticalGradient(c, {0, 0, size.width, size.height}, Color::fromWhite(0.2), Color::fromWhite(0.1));
    c.setFillColor(Color::fromWhite(1, 0.1));
    c.fillRect({0, 0, size.width, 1});
    c.setFillColor(Color::fromWhite(0, 0.6));
    c.fillRect({0, size.height - 1, size.width, 1});
}

// A dark groove over a light edge: the seam between two rows of the panel,
// and the bottom bar's top edge.
void rowSeam(BitmapContext& c, Size size) {
    c.setFillColor(Color::fromWhite(0, 0.5));
    c.fillRect({0, 0, size.width, 1});
    c.setFillColor(Color::fromWhite(1, 0.11));
    c.fillRect({0, 1, size.width, 1});
}

void bottomBar(BitmapContext& c, Size size) {
    verticalGradient(c, {0, 0, size.width, size.height}, Color::fromWhite(0.18), Color::fromWhite(0.08));
    rowSeam(c, size);
}

void barShadow(BitmapContext& c, Size size) {
    verticalGradient(c, {0, 0, size.width, size.height}, Color::fromWhite(0, 0.45), Color::fromWhite(0, 0));
}

// The same standing up, fading out at both ends.
void columnSeam(BitmapContext& c, Size size) {
    const std::vector<pw::gfx::GradientStop> dark = {{0, Color::fromWhite(0, 0)},
                                                     {0.2, Color::fromWhite(0, 0.5)},
                                                     {0.8, Color::fromWhite(0, 0.5)},
                                                     {1, Color::fromWhite(0, 0)}};
    const std::vector<pw::gfx::GradientStop> light = {{0, Color::fromWhite(1, 0)},
                                                      {0.2, Color::fromWhite(1, 0.14)},
                                                      {0.8, Color::fromWhite(1, 0.14)},
                                                      {1, Color::fromWhite(1, 0)}};
    c.save();
    c.clipToRect({0, 0, 1, size.height});
    c.drawLinearGradient(dark, {0, 0}, {0, size.height});
    c.restore();
    c.save();
    c.clipToRect({1, 0, 1, size.height});
    c.drawLinearGradient(light, {0, 0}, {0, size.height});
    c.restore();
}

// "书架": a face pointing left.
void backButton(BitmapContext& c, Size size) {
    const double h = size.height - 2, top = 1, r = 5;
    auto shape = [&] {
        c.moveTo({1, top + h / 2});
        c.lineTo({12, top});
        c.lineTo({size.width - 1 - r, top});
        c.addArcToPoint({size.width - 1, top}, {size.width - 1, top + r}, r);
        c.lineTo({size.width - 1, top + h - r});
        c.addArcToPoint({size.width - 1, top + h}, {size.width - 1 - r, top + h}, r);
        c.lineTo({12, top + h});
        c.closePath();
    };
    filled(c, shape, kFace);
    stroked(c, 1, shape, kRim);
}

// A face with the icon at its left, beside the title.
void iconButton(BitmapContext& c, Size size, double iconX, double iconSize,
                const std::function<void(BitmapContext&, double, double, double)>& glyph) {
    buttonFace(c, {1, 1, size.width - 2, size.height - 2}, 6);
    glyph(c, iconX, size.height / 2, iconSize);
}

// A bottom-bar or style-row button: the icon above, the title set under it.
void iconAbove(BitmapContext& c, Size size, double iconSize,
               const std::function<void(BitmapContext&, double, double, double)>& glyph) {
    glyph(c, size.width / 2, 16, iconSize);
}

// The side tabs hang from the screen's left edge: square there, round on the right.
void sideTab(BitmapContext& c, Size size) {
    const double r = 10, w = size.width - 1, h = size.height - 1;
    auto shape = [&] {
        c.moveTo({-2, 0.5});
        c.lineTo({w - r, 0.5});
        c.addArcToPoint({w, 0.5}, {w, 0.5 + r}, r);
        c.lineTo({w, h - r});
        c.addArcToPoint({w, h}, {w - r, h}, r);
        c.lineTo({-2, h});
        c.closePath();
    };
    filled(c, shape, kPanel);
    stroked(c, 1, shape, Color::fromWhite(1, 0.16));
}

// A floating box's face, stretched between its 8-point corners.
void box(BitmapContext& c, Size size) {
    panelFace(c, {0, 0, size.width, size.height}, 7);
}

// A round button: a ring around a faint face.
void roundButton(BitmapContext& c, Size size, bool withRing = true) {
    const Rect r{2, 2, size.width - 4, size.height - 4};
    c.setFillColor(Color::fromWhite(1, 0.12));
    c.fillEllipse(r);
    if (withRing) {
        c.setStrokeColor(Color::fromWhite(1, 0.45));
        c.setLineWidth(1.2);
        c.strokeEllipse(r.insetBy(0.6, 0.6));
    }
}

// A preset of the colour box: a little page in its paper colour with lines of
// text in its letter colour.
void presetPage(BitmapContext& c, Size size, Color paper, Color ink) {
    const Rect page{8, 5, size.width - 16, size.height - 10};
    c.setFillColor(paper);
    c.beginPath();
    c.addRoundedRect(page, 4);
    c.fillPath();
    hairline(c, page, 4, Color::fromWhite(1, 0.7));
    c.setFillColor(ink);
    c.fillRect({page.x() + 6, page.y() + 7, 12, 3}); // a heading
    for (int i = 0; i < 4; ++i)
        c.fillRect({page.x() + 6, page.y() + 14 + i * 5.5, page.width() - 12 - (i == 3 ? 8 : 0), 2});
}

std::vector<Picture> pictures() {
    using Glyph = std::function<void(BitmapContext&, double, double, double)>;
    auto withSize = [](Size size, void (*draw)(BitmapContext&, Size)) {
        return [size, draw](BitmapContext& c) { draw(c, size); };
    };
    auto titled = [](Size size, double iconX, double iconSize, Glyph glyph) {
        return [=](BitmapContext& c) { iconButton(c, size, iconX, iconSize, glyph); };
    };
    auto above = [](Size size, double iconSize, Glyph glyph) {
        return [=](BitmapContext& c) { iconAbove(c, size, iconSize, glyph); };
    };
    auto onTab = [](Size size, Glyph glyph) {
        return [=](BitmapContext& c) {
            sideTab(c, size);
            glyph(c, 27, 27, 26);
        };
    };
    auto step = [](bool plus) {
        return [plus](BitmapContext& c) {
            roundButton(c, {38, 38});
            if (plus)
                glyphPlus(c, 19, 19, 14, 2.4);
            else
                glyphMinus(c, 19, 19, 14, 2.4);
        };
    };
    auto preset = [](Color paper, Color ink) { return [=](BitmapContext& c) { presetPage(c, {45, 45}, paper, ink); }; };
    const Size bar{320, 44}, bottom{320, 60}, group{80, 32}, font{118, 34}, cell{50, 50}, tool{50, 45}, tab{60, 80};
    return {
        // The top bar and its settings panel.
        {"v2_icon_readtop", bar, withSize(bar, panelBackground)},
        {"v2_icon_read_navigationBar", bar, withSize(bar, topBar)},
        {"v2_icon_read_navigationBar_shadow", {320, 5}, withSize({320, 5}, barShadow)},
        {"v2_icon_read_back", {48, 32}, withSize({48, 32}, backButton)},
        {"v2_icon_read_light", {75, 32}, titled({75, 32}, 14, 17, glyphLamp)},
        {"v2_icon_read_screenorientation_top", group, titled(group, 14, 17, glyphRotationLock)},
        {"v2_icon_read_setting_top", group, titled(group, 14, 16, glyphGear)},
        {"v2_icon_read_btn_fontsize_increase", font,
         titled(font, 20, 18,
                [](BitmapContext& c, double x, double y, double s) {
                    glyphLetterA(c, x - s * 0.15, y + s * 0.05, s * 0.8);
                    glyphPlus(c, x + s * 0.45, y - s * 0.25, s * 0.4, 1.6);
                })},
        {"v2_icon_read_btn_fontsize_decrease", font,
         titled(font, 20, 18,
                [](BitmapContext& c, double x, double y, double s) {
                    glyphLetterA(c, x - s * 0.15, y + s * 0.05, s * 0.65);
                    glyphMinus(c, x + s * 0.42, y - s * 0.25, s * 0.4, 1.6);
                })},
        {"read_menu_line", {320, 2}, withSize({320, 2}, rowSeam)},
        {"read_menu_line_v", {2, 40}, withSize({2, 40}, columnSeam)},
        {"icon_backgroundcolor_s", cell, above(cell, 26, glyphPageColour)},
        {"icon_fontcolor", cell, above(cell, 26, glyphLetterColour)},
        {"v2_icon_read_btn_bg",
         {15, 15},
         [](BitmapContext& c) {
             buttonFace(c, {0, 0, 15, 15}, 5);
         }},
        {"v2_icon_read_btn_bg_light",
         {64, 34},
         [](BitmapContext& c) {
             litFace(c, {0, 0, 64, 34}, 6);
         }},
        // The bottom bar.
        {"v2_icon_readbottom", bottom, withSize(bottom, bottomBar)},
        {"icon_bookmark_menu", tool, above(tool, 24, glyphBookmark)},
        {"icon_addbookmark_2", tool, above(tool, 24, glyphAddBookmark)},
        {"icon_notifyupdate", tool, above(tool, 24, glyphBell)},
        {"icon_updatebook", tool, above(tool, 24, glyphDownload)},
        {"icon_textjump", tool, above(tool, 24, glyphJump)},
        {"icon_setting", tool, above(tool, 24, glyphGear)},
        // The side tabs.
        {"v2_icon_read_dir", tab, onTab(tab, glyphListAndBookmark)},
        {"v2_icon_read_dir_2", tab,
         onTab(tab, [](BitmapContext& c, double x, double y, double s) { glyphList(c, x, y, s); })},
        {"v2_icon_read_interactive", {21, 21}, withSize({21, 21}, sideTab)},
        {"v2_icon_read_interactive_btn", tab, [](BitmapContext& c) { glyphTalk(c, 27, 27, 28); }},
        // The floating boxes: the jump panel and the two-choice box.
        {"v2_icon_read_box.9.3", {17, 17}, withSize({17, 17}, box)},
        {"v2_icon_read_btn_bg2",
         {126, 38},
         [](BitmapContext& c) {
             buttonFace(c, {1, 1, 124, 36}, 7);
         }},
        {"v2_icon_read_decrease", {38, 38}, step(false)},
        {"v2_icon_read_increase", {38, 38}, step(true)},
        // The colour box: the preset pages and the round buttons.
        {"pick_day_btn", {45, 45}, preset(Color::fromRGB255(243, 243, 243), Color::fromRGB255(51, 51, 51))},
        {"pick_smooth_btn", {45, 45}, preset(Color::fromRGB255(251, 240, 218), Color::fromRGB255(85, 67, 43))},
        {"pick_pink_btn", {45, 45}, preset(Color::fromRGB255(247, 216, 236), Color::fromRGB255(117, 40, 66))},
        {"round_btn",
         {45, 45},
         [](BitmapContext& c) {
             roundButton(c, {45, 45});
         }},
    };
}

} // namespace

namespace readerpictures {

bool drawMenuPictures(const std::string& dir) {
    for (const Picture& p : pictures())
        if (!writePicture(dir, p.name, p.size, p.draw))
            return false;
    return true;
}

} // namespace readerpictures
