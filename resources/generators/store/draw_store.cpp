// Draws the store's pictures: the two cover placeholders (a plain book in the
// list tile, a darker one behind names in no-picture mode), the carousel's
// shelf board and the frame around each cover, the three site badges, the
// related-books section bar, the selected row's shade, the icon placeholder,
// the search bar's background and the five tab icons.
#include "BundlePictures.h"
#include "platform/gfx/BitmapContext.h"

#include <cstdio>
#include <functional>
#include <numbers>
#include <string>

namespace {

using pw::gfx::BitmapContext;
using pw::gfx::Color;
using pw::gfx::GradientStop;
using pw::gfx::Point;
using pw::gfx::Rect;
using pw::gfx::Size;

using bundlepictures::writePicture;

void verticalGradient(BitmapContext& ctx, const Rect& r, Color top, Color bottom) {
    ctx.save();
    ctx.clipToRect(r);
    ctx.drawLinearGradient({GradientStop{0, top}, GradientStop{1, bottom}}, {r.x(), r.y()}, {r.x(), r.maxY()});
    ctx.restore();
}

// A closed book: cloth, a paler title label and a darker spine.
void drawBook(BitmapContext& ctx, Size s, Color cloth, Color label) {
    verticalGradient(ctx, {0, 0, s.width, s.height}, cloth,
                     Color::fromRGB255(static_cast<int>(cloth.r() * 200), static_cast<int>(cloth.g() * 200),
                                       static_cast<int>(cloth.b() * 200)));
    ctx.setFillColor(Color::fromRGB255(0, 0, 0, 0.18));
    ctx.fillRect({0, 0, 6, s.height});
    ctx.setFillColor(label);
    ctx.fillRect({s.width * 0.3, s.height * 0.14, s.width * 0.4, s.height * 0.5});
    ctx.setStrokeColor(Color::fromRGB255(0, 0, 0, 0.25));
    ctx.setLineWidth(1);
    ctx.strokeRect({0.5, 0.5, s.width - 1, s.height - 1});
}

void drawBadge(BitmapContext& ctx, Color c) {
    verticalGradient(
        ctx, {0, 0, 30, 100}, c,
        Color::fromRGB255(static_cast<int>(c.r() * 180), static_cast<int>(c.g() * 180), static_cast<int>(c.b() * 180)));
    ctx.setFillColor(Color::fromRGB255(255, 255, 255, 0.25));
    ctx.fillRect({25, 0, 1, 100});
}

void strokeIcon(BitmapContext& ctx) {
    ctx.setStrokeColor(Color::fromRGB255(220, 220, 220));
    ctx.setFillColor(Color::fromRGB255(220, 220, 220));
    ctx.setLineWidth(2.5);
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    bool ok = true;
    ok &= writePicture(dir, "nopicsite_v2", {74, 92}, [](BitmapContext& ctx) {
        drawBook(ctx, {74, 92}, Color::fromRGB255(96, 124, 160), Color::fromRGB255(240, 236, 222));
    });
    ok &= writePicture(dir, "nopicsite_topscroll", {74, 92}, [](BitmapContext& ctx) {
        drawBook(ctx, {74, 92}, Color::fromRGB255(70, 78, 92), Color::fromRGB255(70, 78, 92));
    });
    ok &= writePicture(dir, "bookstore_recommend_top_bg", {320, 29}, [](BitmapContext& ctx) {
        verticalGradient(ctx, {0, 0, 320, 8}, Color::fromRGB255(182, 140, 98), Color::fromRGB255(150, 108, 70));
        verticalGradient(ctx, {0, 8, 320, 21}, Color::fromRGB255(120, 84, 52), Color::fromRGB255(84, 58, 36));
    });
    ok &= writePicture(dir, "bookstore_recommend_bookmask", {91, 102}, [](BitmapContext& ctx) {
        // A soft shadow around the 74 by 92 cover that stands at (8, 6).
        for (int i = 4; i >= 1; --i) {
            ctx.setFillColor(Color::fromRGB255(0, 0, 0, 0.07));
            ctx.fillRect({8.0 - i + 2, 6.0 - i + 3, 74.0 + 2 * i, 92.0 + 2 * i});
        }
        ctx.clearRect({8, 6, 74, 92});
    });
    ok &= writePicture(dir, "bookstore_recommend_type1", {30, 100},
                       [](BitmapContext& ctx) { drawBadge(ctx, Color::fromRGB255(200, 70, 60)); });
    ok &= writePicture(dir, "bookstore_recommend_type2", {30, 100},
                       [](BitmapContext& ctx) { drawBadge(ctx, Color::fromRGB255(214, 96, 150)); });
    ok &= writePicture(dir, "bookstore_recommend_type3", {30, 100},
                       [](BitmapContext& ctx) { drawBadge(ctx, Color::fromRGB255(70, 150, 100)); });
    ok &= writePicture(dir, "buy_chapter_title", {20, 35}, [](BitmapContext& ctx) {
        verticalGradient(ctx, {0, 0, 20, 34}, Color::fromRGB255(246, 246, 248), Color::fromRGB255(222, 223, 227));
        ctx.setFillColor(Color::fromRGB255(190, 190, 196));
        ctx.fillRect({0, 34, 20, 1});
    });
    ok &= writePicture(dir, "cell__selected_shadow", {20, 20}, [](BitmapContext& ctx) {
        verticalGradient(ctx, {0, 0, 20, 20}, Color::fromRGB255(196, 214, 236), Color::fromRGB255(172, 196, 228));
    });
    ok &= writePicture(dir, "placeholder_empty", {50, 50}, [](BitmapContext& ctx) {
        ctx.setFillColor(Color::fromRGB255(214, 216, 220));
        ctx.fillRect({0, 0, 50, 50});
        ctx.setStrokeColor(Color::fromRGB255(186, 188, 194));
        ctx.setLineWidth(1);
        ctx.strokeRect({0.5, 0.5, 49, 49});
        ctx.setFillColor(Color::fromRGB255(236, 237, 239));
        ctx.fillEllipse({17, 12, 16, 16});
        ctx.fillRect({12, 31, 26, 8});
    });
    ok &= writePicture(dir, "searchbg", {20, 44}, [](BitmapContext& ctx) {
        verticalGradient(ctx, {0, 0, 20, 44}, Color::fromRGB255(200, 202, 206), Color::fromRGB255(170, 172, 178));
    });
    ok &= writePicture(dir, "icon_bookstore_home", {30, 30}, [](BitmapContext& ctx) {
        strokeIcon(ctx);
        ctx.beginPath();
        ctx.moveTo({4, 15});
        ctx.lineTo({15, 5});
        ctx.lineTo({26, 15});
        ctx.strokePath();
        ctx.strokeRect({8, 14, 14, 12});
    });
    ok &= writePicture(dir, "icon_bookstore_top", {30, 30}, [](BitmapContext& ctx) {
        strokeIcon(ctx);
        ctx.fillRect({5, 16, 5, 10});
        ctx.fillRect({12.5, 6, 5, 20});
        ctx.fillRect({20, 11, 5, 15});
    });
    ok &= writePicture(dir, "icon_bookstore_bookcase", {30, 30}, [](BitmapContext& ctx) {
        strokeIcon(ctx);
        ctx.fillEllipse({10, 4, 10, 10});
        ctx.beginPath();
        ctx.addArc({15, 27}, 10, std::numbers::pi, 2 * std::numbers::pi, false);
        ctx.fillPath();
    });
    ok &= writePicture(dir, "icon_bookstore_search", {30, 30}, [](BitmapContext& ctx) {
        strokeIcon(ctx);
        ctx.strokeEllipse({5, 5, 14, 14});
        ctx.beginPath();
        ctx.moveTo({17, 17});
        ctx.lineTo({25, 25});
        ctx.strokePath();
    });
    ok &= writePicture(dir, "icon_bookstore_close", {30, 30}, [](BitmapContext& ctx) {
        strokeIcon(ctx);
        ctx.beginPath();
        ctx.moveTo({7, 7});
        ctx.lineTo({23, 23});
        ctx.moveTo({23, 7});
        ctx.lineTo({7, 23});
        ctx.strokePath();
    });
    return ok ? 0 : 1;
}
