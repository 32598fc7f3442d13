// Draws the bookshelf's pictures: the default cover, its shadow and choose
// marks, the tile badges, the shelf board, the list's section and row bars and
// type badges, the search header's buttons, the edit bar and the category
// menu's bars and buttons. Plain shapes in the application's blue-grey and
// wood tones; every build draws the same pictures.
#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Font.h"

#include <cmath>
#include <cstdio>
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

struct Picture {
    std::string name;
    Size size;
    std::function<void(BitmapContext&)> draw;
};

void gradient(BitmapContext& c, const Rect& r, Color top, Color bottom, double radius = 0) {
    c.save();
    c.beginPath();
    if (radius > 0)
        c.addRoundedRect(r, radius);
    else
        c.addRect(r);
    c.clip();
    c.drawLinearGradient({{0, top}, {1, bottom}}, {0, r.y()}, {0, r.maxY()});
    c.restore();
}

void outline(BitmapContext& c, const Rect& r, double radius, Color edge) {
    c.setStrokeColor(edge);
    c.setLineWidth(1);
    c.beginPath();
    c.addRoundedRect(r.insetBy(0.5, 0.5), radius);
    c.strokePath();
}

void polyline(BitmapContext& c, const std::vector<Point>& points, double width, Color colour) {
    c.setStrokeColor(colour);
    c.setLineWidth(width);
    c.setLineCap(pw::gfx::LineCap::Round);
    c.setLineJoin(pw::gfx::LineJoin::Round);
    c.beginPath();
    c.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        c.lineTo(points[i]);
    c.strokePath();
}

void polygon(BitmapContext& c, const std::vector<Point>& points, Color colour) {
    c.setFillColor(colour);
    c.beginPath();
    c.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        c.lineTo(points[i]);
    c.closePath();
    c.fillPath();
}

// Glyphs in a box centred on (x, y) of about s points.
void glyphTrash(BitmapContext& c, double x, double y, double s, Color k) {
    c.setFillColor(k);
    c.fillRect({x - s * 0.45, y - s * 0.38, s * 0.9, s * 0.1});
    c.fillRect({x - s * 0.12, y - s * 0.5, s * 0.24, s * 0.12});
    polygon(c,
            {{x - s * 0.36, y - s * 0.22},
             {x + s * 0.36, y - s * 0.22},
             {x + s * 0.28, y + s * 0.5},
             {x - s * 0.28, y + s * 0.5}},
            k);
}

void glyphDown(BitmapContext& c, double x, double y, double s, Color k) {
    c.setFillColor(k);
    c.fillRect({x - s * 0.12, y - s * 0.5, s * 0.24, s * 0.5});
    polygon(c, {{x - s * 0.38, y - s * 0.05}, {x + s * 0.38, y - s * 0.05}, {x, y + s * 0.38}}, k);
    c.fillRect({x - s * 0.45, y + s * 0.42, s * 0.9, s * 0.1});
}

// A queue of lines with an arrow down beside it.
void glyphQueue(BitmapContext& c, double x, double y, double s, Color k) {
    c.setFillColor(k);
    for (int i = 0; i < 3; ++i)
        c.fillRect({x - s * 0.5, y - s * 0.4 + i * s * 0.32, s * 0.5, s * 0.14});
    c.fillRect({x + s * 0.22, y - s * 0.45, s * 0.14, s * 0.5});
    polygon(c, {{x + s * 0.05, y + s * 0.02}, {x + s * 0.53, y + s * 0.02}, {x + s * 0.29, y + s * 0.4}}, k);
}

void glyphMove(BitmapContext& c, double x, double y, double s, Color k) {
    c.setFillColor(k);
    c.fillRect({x - s * 0.5, y - s * 0.1, s * 0.55, s * 0.2});
    polygon(c, {{x, y - s * 0.38}, {x + s * 0.5, y}, {x, y + s * 0.38}}, k);
}

void glyphCheckAll(BitmapContext& c, double x, double y, double s, Color k) {
    c.setStrokeColor(k);
    c.setLineWidth(s * 0.1);
    c.strokeRect({x - s * 0.45, y - s * 0.45, s * 0.9, s * 0.9});
    polyline(c, {{x - s * 0.25, y}, {x - s * 0.05, y + s * 0.22}, {x + s * 0.3, y - s * 0.22}}, s * 0.12, k);
}

void glyphPlus(BitmapContext& c, double x, double y, double s, Color k) {
    c.setFillColor(k);
    c.fillRect({x - s * 0.45, y - s * 0.08, s * 0.9, s * 0.16});
    c.fillRect({x - s * 0.08, y - s * 0.45, s * 0.16, s * 0.9});
}

void glyphCross(BitmapContext& c, double x, double y, double s, Color k) {
    polyline(c, {{x - s * 0.35, y - s * 0.35}, {x + s * 0.35, y + s * 0.35}}, s * 0.14, k);
    polyline(c, {{x + s * 0.35, y - s * 0.35}, {x - s * 0.35, y + s * 0.35}}, s * 0.14, k);
}

void glyphPencil(BitmapContext& c, double x, double y, double s, Color k) {
    polyline(c, {{x - s * 0.35, y + s * 0.35}, {x + s * 0.3, y - s * 0.3}}, s * 0.18, k);
    polygon(c, {{x - s * 0.45, y + s * 0.45}, {x - s * 0.42, y + s * 0.22}, {x - s * 0.22, y + s * 0.42}}, k);
}

void glyphCheck(BitmapContext& c, double x, double y, double s, Color k) {
    polyline(c, {{x - s * 0.35, y}, {x - s * 0.08, y + s * 0.3}, {x + s * 0.38, y - s * 0.3}}, s * 0.16, k);
}

// Two arrows chasing each other round a circle.
void glyphSync(BitmapContext& c, double x, double y, double s, Color k) {
    c.setStrokeColor(k);
    c.setLineWidth(s * 0.12);
    for (int half = 0; half < 2; ++half) {
        const double a0 = half * std::numbers::pi + 0.35, a1 = a0 + std::numbers::pi - 0.7;
        c.beginPath();
        c.addArc({x, y}, s * 0.36, a0, a1, false);
        c.strokePath();
        const Point tip{x + std::cos(a1) * s * 0.36, y + std::sin(a1) * s * 0.36};
        const double t = a1 + std::numbers::pi / 2;
        polygon(c,
                {{tip.x + std::cos(t) * s * 0.18, tip.y + std::sin(t) * s * 0.18},
                 {tip.x + std::cos(a1) * s * 0.16, tip.y + std::sin(a1) * s * 0.16},
                 {tip.x - std::cos(a1) * s * 0.16, tip.y - std::sin(a1) * s * 0.16}},
                k);
    }
}

void glyphGlass(BitmapContext& c, double x, double y, double s, Color k) {
    c.setStrokeColor(k);
    c.setLineWidth(s * 0.14);
    c.strokeEllipse({x - s * 0.42, y - s * 0.42, s * 0.6, s * 0.6});
    polyline(c, {{x + s * 0.1, y + s * 0.1}, {x + s * 0.42, y + s * 0.42}}, s * 0.16, k);
}

void cover(BitmapContext& c, Size s) {
    gradient(c, {0, 0, s.width, s.height}, Color::fromRGB255(96, 118, 146), Color::fromRGB255(64, 82, 108));
    c.setFillColor(Color::fromWhite(1, 0.12));
    c.fillRect({s.width * 0.08, 0, s.width * 0.04, s.height});
    c.setFillColor(Color::fromWhite(1, 0.85));
    c.fillRect({s.width * 0.2, s.height * 0.16, s.width * 0.66, s.height * 0.07});
    c.fillRect({s.width * 0.3, s.height * 0.27, s.width * 0.46, s.height * 0.04});
}

void shadow(BitmapContext& c, Size s) {
    for (int i = 0; i < 4; ++i) {
        c.setFillColor(Color::fromWhite(0, 0.12));
        c.beginPath();
        c.addRoundedRect({static_cast<double>(i), static_cast<double>(i), s.width - 2.0 * i, s.height - 2.0 * i}, 4);
        c.fillPath();
    }
}

void chooseMark(BitmapContext& c, Size s, bool selected) {
    c.setFillColor(selected ? Color::fromWhite(0, 0.35) : Color::fromWhite(1, 0.15));
    c.fillRect({0, 0, s.width, s.height});
    const double d = std::round(s.width * 0.3);
    const Rect dot{s.width - d - 4, s.height - d - 4, d, d};
    if (selected) {
        c.setFillColor(Color::fromRGB255(46, 170, 80));
        c.fillEllipse(dot);
        glyphCheck(c, dot.midX(), dot.midY(), d * 0.7, Color::white());
    } else {
        c.setFillColor(Color::fromWhite(0, 0.25));
        c.fillEllipse(dot);
    }
    c.setStrokeColor(Color::white());
    c.setLineWidth(2);
    c.strokeEllipse(dot.insetBy(1, 1));
}

void typeBadge(BitmapContext& c, Size s, Color fill, const char* text) {
    c.setFillColor(fill);
    c.beginPath();
    c.addRoundedRect({0, 0, s.width, s.height}, 3);
    c.fillPath();
    c.setFillColor(Color::white());
    c.drawText(text, Rect{0, 2, s.width, s.height - 2}, pw::gfx::Font::boldSystemFont(10),
               pw::gfx::LineBreakMode::WordWrap, pw::gfx::TextAlignment::Center);
}

// A light button with its glyph at the left, where the title's inset leaves room.
void listButton(BitmapContext& c, Size s,
                const std::function<void(BitmapContext&, double, double, double, Color)>& glyph) {
    gradient(c, {0.5, 0.5, s.width - 1, s.height - 1}, Color::fromWhite(0.98), Color::fromWhite(0.86), 5);
    outline(c, {0, 0, s.width, s.height}, 5, Color::fromWhite(0.62));
    glyph(c, 13, s.height / 2, 13, Color::fromWhite(0.32));
}

// An edit-bar button: the glyph over the title, which sits 28 points down.
void barButton(BitmapContext& c, Size s,
               const std::function<void(BitmapContext&, double, double, double, Color)>& glyph) {
    glyph(c, s.width / 2, 14, 18, Color::fromWhite(0.3));
}

void menuButton(BitmapContext& c, Size s,
                const std::function<void(BitmapContext&, double, double, double, Color)>& glyph, Color top,
                Color bottom) {
    gradient(c, {0.5, 0.5, s.width - 1, s.height - 1}, top, bottom, 5);
    outline(c, {0, 0, s.width, s.height}, 5, Color::fromWhite(0, 0.35));
    glyph(c, s.width / 2, s.height / 2, 14, Color::white());
}

void roundIcon(BitmapContext& c, Size s, bool guide,
               const std::function<void(BitmapContext&, double, double, double, Color)>& glyph) {
    const Rect r{3, 3, s.width - 6, s.height - 6};
    c.setFillColor(guide ? Color::fromWhite(1, 0.25) : Color::fromRGB255(120, 141, 169));
    c.fillEllipse(r);
    c.setStrokeColor(Color::fromWhite(1, guide ? 0.9 : 0.6));
    c.setLineWidth(1.5);
    c.strokeEllipse(r.insetBy(0.75, 0.75));
    glyph(c, s.width / 2, s.height / 2, s.width * 0.5, Color::white());
}

std::vector<Picture> pictures() {
    std::vector<Picture> p;
    for (bool hd : {false, true}) {
        const std::string suffix = hd ? "-hd" : "";
        const Size coverSize = hd ? Size{120, 150} : Size{74, 92};
        p.push_back({"defaultcover" + suffix, coverSize, [coverSize](BitmapContext& c) { cover(c, coverSize); }});
        // The phone's cover shadow is the account screens' picture too; it is drawn
        // with them.
        if (hd)
            p.push_back({"bookmask.9" + suffix, coverSize, [coverSize](BitmapContext& c) { shadow(c, coverSize); }});
        p.push_back({"defaultcover" + suffix + "_selected", coverSize,
                     [coverSize](BitmapContext& c) { chooseMark(c, coverSize, true); }});
        p.push_back({"defaultcover" + suffix + "_unselected", coverSize,
                     [coverSize](BitmapContext& c) { chooseMark(c, coverSize, false); }});
        const double band = hd ? 38 : 25;
        p.push_back({hd ? "bookname-hd" : "bookname", {8, band}, [band](BitmapContext& c) {
                         c.setFillColor(Color::fromWhite(0, 0.5));
                         c.fillRect({0, 0, 8, band});
                     }});
    }
    p.push_back({"icon_book_transparent", {30, 18}, [](BitmapContext& c) {
                     c.setFillColor(Color::fromWhite(0, 0.45));
                     c.beginPath();
                     c.addRoundedRect({0, 0, 30, 18}, 4);
                     c.fillPath();
                 }});
    p.push_back({"v2_icon_new", {19, 20}, [](BitmapContext& c) {
                     c.setFillColor(Color::fromRGB255(214, 48, 40));
                     c.fillEllipse({1, 2, 17, 17});
                     c.setFillColor(Color::white());
                     c.fillEllipse({6.5, 7.5, 6, 6});
                 }});
    p.push_back({"split", {320, 40}, [](BitmapContext& c) {
                     gradient(c, {0, 22, 320, 14}, Color::fromRGB255(150, 104, 62), Color::fromRGB255(104, 68, 38));
                     c.setFillColor(Color::fromRGB255(196, 150, 100));
                     c.fillRect({0, 22, 320, 2});
                     c.setFillColor(Color::fromWhite(0, 0.25));
                     c.fillRect({0, 36, 320, 4});
                 }});
    p.push_back({"pg_find", {12, 12}, [](BitmapContext& c) { glyphGlass(c, 6, 6, 11, Color::fromWhite(1, 0.4)); }});
    p.push_back({"pg_find_light", {12, 12}, [](BitmapContext& c) { glyphGlass(c, 6, 6, 11, Color::white()); }});
    p.push_back({"listgroupbg.9", {320, 36}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 320, 36}, Color::fromWhite(0.93), Color::fromWhite(0.82));
                     c.setFillColor(Color::fromWhite(0.65));
                     c.fillRect({0, 35, 320, 1});
                 }});
    p.push_back({"carat", {11, 11}, [](BitmapContext& c) {
                     polygon(c, {{2, 1}, {10, 5.5}, {2, 10}}, Color::fromWhite(0.35));
                 }});
    p.push_back({"carat-open", {11, 11}, [](BitmapContext& c) {
                     polygon(c, {{1, 2}, {10, 2}, {5.5, 10}}, Color::fromWhite(0.35));
                 }});
    p.push_back({"booklist_footer_shadow", {320, 6}, [](BitmapContext& c) {
                     c.drawLinearGradient({{0, Color::fromWhite(0, 0.3)}, {1, Color::fromWhite(0, 0)}}, {0, 0}, {0, 6});
                 }});
    const struct {
        const char* name;
        Color fill;
        const char* text;
    } badges[] = {{"icon_book_rz", Color::fromRGB255(200, 60, 50), "RZ"},
                  {"icon_book_txt", Color::fromRGB255(50, 110, 190), "TXT"},
                  {"icon_book_umd", Color::fromRGB255(46, 150, 80), "UMD"},
                  {"icon_book_epub", Color::fromRGB255(220, 130, 30), "EPUB"}};
    for (const auto& b : badges)
        p.push_back({b.name, {33, 18}, [fill = b.fill, text = b.text](BitmapContext& c) {
                         typeBadge(c, {33, 18}, fill, text);
                     }});
    p.push_back({"main_booklistmenu_bg", {320, 35}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 320, 35}, Color::fromWhite(0.88), Color::fromWhite(0.78));
                     c.setFillColor(Color::fromWhite(0.6));
                     c.fillRect({0, 0, 320, 1});
                 }});
    p.push_back({"booklistmenu_update", {58, 28}, [](BitmapContext& c) { listButton(c, {58, 28}, glyphDown); }});
    p.push_back({"booklistmenu_trash", {58, 28}, [](BitmapContext& c) { listButton(c, {58, 28}, glyphTrash); }});
    p.push_back({"booklistmenu_move", {58, 28}, [](BitmapContext& c) { listButton(c, {58, 28}, glyphMove); }});
    p.push_back({"v2_icon_sync_bookcase", {38, 38}, [](BitmapContext& c) {
                     roundIcon(c, {38, 38}, false, glyphSync);
                 }});
    p.push_back({"v2_icon_sync_bookcase2", {38, 38}, [](BitmapContext& c) {
                     roundIcon(c, {38, 38}, true, glyphSync);
                 }});
    p.push_back({"v2_icon_plus", {38, 38}, [](BitmapContext& c) { roundIcon(c, {38, 38}, false, glyphPlus); }});
    p.push_back({"v2_icon_plus2", {38, 38}, [](BitmapContext& c) { roundIcon(c, {38, 38}, true, glyphPlus); }});
    p.push_back({"v2_main_menu_bottom", {320, 49}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 320, 49}, Color::fromWhite(0.97), Color::fromWhite(0.86));
                     c.setFillColor(Color::fromWhite(0.62));
                     c.fillRect({0, 0, 320, 1});
                 }});
    p.push_back({"v2_main_menu_bottom_btn_seletedall", {75, 44}, [](BitmapContext& c) {
                     barButton(c, {75, 44}, glyphCheckAll);
                 }});
    p.push_back({"v2_main_menu_bottom_btn_update", {75, 44}, [](BitmapContext& c) {
                     barButton(c, {75, 44}, glyphDown);
                 }});
    p.push_back({"v2_main_menu_bottom_btn_trash", {75, 44}, [](BitmapContext& c) {
                     barButton(c, {75, 44}, glyphTrash);
                 }});
    p.push_back({"v2_main_menu_bottom_btn_move", {75, 44}, [](BitmapContext& c) {
                     barButton(c, {75, 44}, glyphMove);
                 }});
    p.push_back({"v2_main_menu_bottom_btn_downqueue", {75, 44}, [](BitmapContext& c) {
                     barButton(c, {75, 44}, glyphQueue);
                 }});
    p.push_back({"main_chaptermenu_title", {250, 37}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 250, 37}, Color::fromRGB255(138, 158, 184), Color::fromRGB255(96, 116, 142));
                 }});
    p.push_back({"main_chaptermenu_bottom", {250, 37}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 250, 37}, Color::fromWhite(0.9), Color::fromWhite(0.78));
                 }});
    const Color blueTop = Color::fromRGB255(150, 170, 196), blueBottom = Color::fromRGB255(92, 112, 140);
    p.push_back({"main_chaptermenu_btnClose", {50, 27}, [=](BitmapContext& c) {
                     menuButton(c, {50, 27}, glyphCross, blueTop, blueBottom);
                 }});
    p.push_back({"main_chaptermenu_btnEdit", {50, 27}, [=](BitmapContext& c) {
                     menuButton(c, {50, 27}, glyphPencil, blueTop, blueBottom);
                 }});
    p.push_back(
        {"main_chaptermenu_btnEdit1", {50, 27}, [](BitmapContext& c) {
             menuButton(c, {50, 27}, glyphCheck, Color::fromRGB255(90, 180, 110), Color::fromRGB255(40, 130, 64));
         }});
    p.push_back({"main_chaptermenu_btnAdd", {45, 27}, [=](BitmapContext& c) {
                     menuButton(c, {45, 27}, glyphPlus, blueTop, blueBottom);
                 }});
    // The main screen's top bar, its shadow, its buttons and the store hint.
    p.push_back({"topbg.9", {8, 44}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 8, 44}, Color::fromRGB255(142, 162, 188), Color::fromRGB255(108, 128, 156));
                     c.setFillColor(Color::fromRGB255(84, 102, 128));
                     c.fillRect({0, 43, 8, 1});
                 }});
    p.push_back({"topbgShadow", {8, 5}, [](BitmapContext& c) {
                     gradient(c, {0, 0, 8, 5}, Color::fromWhite(0, 0.3), Color::fromWhite(0, 0));
                 }});
    p.push_back({"main_btn_title", {160, 34}, [](BitmapContext& c) {
                     // The menu's arrow at the right; the title keeps 13 points clear of it.
                     polygon(c, {{143, 14}, {153, 14}, {148, 20}}, Color::fromWhite(1, 0.9));
                 }});
    p.push_back({"btnbk2", {60, 30}, [](BitmapContext& c) {
                     gradient(c, {0.5, 0.5, 59, 29}, Color::fromWhite(0.98), Color::fromWhite(0.84), 5);
                     outline(c, {0, 0, 60, 30}, 5, Color::fromWhite(0, 0.35));
                 }});
    p.push_back(
        {"btnbk2_blue", {60, 30}, [](BitmapContext& c) {
             gradient(c, {0.5, 0.5, 59, 29}, Color::fromRGB255(80, 146, 236), Color::fromRGB255(34, 100, 206), 5);
             outline(c, {0, 0, 60, 30}, 5, Color::fromWhite(0, 0.35));
         }});
    // The layout switch: a grid of books in the grid, lines of rows in the list.
    p.push_back({"btntopcase", {60, 30}, [](BitmapContext& c) {
                     c.setFillColor(Color::white());
                     for (int row = 0; row < 2; ++row)
                         for (int col = 0; col < 3; ++col)
                             c.fillRect({19.0 + col * 8, 7.0 + row * 9, 6, 7});
                 }});
    p.push_back({"btntoplist", {60, 30}, [](BitmapContext& c) {
                     c.setFillColor(Color::white());
                     for (int row = 0; row < 3; ++row) {
                         c.fillRect({19, 8.0 + row * 5.5, 4, 3});
                         c.fillRect({25, 8.0 + row * 5.5, 16, 3});
                     }
                 }});
    p.push_back({"arrow_storetip", {30, 30}, [](BitmapContext& c) {
                     const Color k = Color::fromRGB255(230, 80, 40);
                     c.setFillColor(k);
                     c.fillRect({10, 2, 10, 14});
                     polygon(c, {{2, 14}, {28, 14}, {15, 28}}, k);
                 }});
    p.push_back({"cloud_storetip", {120, 80}, [](BitmapContext& c) {
                     // A speech bubble whose body lets the text under it show.
                     const Color k = Color::fromRGB255(24, 64, 120);
                     c.setFillColor(Color(k.r(), k.g(), k.b(), 0.45));
                     c.beginPath();
                     c.addRoundedRect({4, 12, 112, 52}, 12);
                     c.fillPath();
                     polygon(c, {{70, 63}, {88, 63}, {82, 76}}, Color(k.r(), k.g(), k.b(), 0.45));
                     c.setStrokeColor(Color::fromWhite(1, 0.85));
                     c.setLineWidth(1.5);
                     c.beginPath();
                     c.addRoundedRect({4.75, 12.75, 110.5, 50.5}, 12);
                     c.strokePath();
                 }});
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <bundle folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (const Picture& picture : pictures()) {
        for (double scale : {1.0, 2.0}) {
            BitmapContext ctx(picture.size, scale, false);
            picture.draw(ctx);
            const std::string path = dir + "/" + picture.name + (scale > 1 ? "@2x" : "") + ".png";
            if (!ctx.snapshot().writePNG(path)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
