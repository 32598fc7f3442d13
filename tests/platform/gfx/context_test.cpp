#include "platform/gfx/BitmapContext.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace pw::gfx;

namespace {
const Pixel kRed{255, 0, 0, 255};
const Pixel kBlue{0, 0, 255, 255};
const Pixel kWhite{255, 255, 255, 255};
const Pixel kClear{0, 0, 0, 0};
} // namespace

TEST(BitmapContext, DrawsInPointsAtItsScale) {
    BitmapContext ctx({10, 5}, 2, false);
    EXPECT_EQ(ctx.pixelWidth(), 20);
    EXPECT_EQ(ctx.pixelHeight(), 10);
    EXPECT_EQ(ctx.pixelAt(0, 0), kClear);
    ctx.setFillColor(Color::red());
    ctx.fillRect({1, 1, 2, 2}); // pixels 2..5
    EXPECT_EQ(ctx.pixelAt(1, 1), kClear);
    EXPECT_EQ(ctx.pixelAt(2, 2), kRed);
    EXPECT_EQ(ctx.pixelAt(5, 5), kRed);
    EXPECT_EQ(ctx.pixelAt(6, 6), kClear);
    Image snap = ctx.snapshot();
    EXPECT_EQ(snap.scale(), 2);
    EXPECT_EQ(snap.size(), (Size{10, 5}));
    ctx.clearRect({0, 0, 10, 5});
    EXPECT_EQ(snap.pixelAt(2, 2), kRed); // the snapshot is a copy
    EXPECT_EQ(ctx.pixelAt(2, 2), kClear);

    BitmapContext opaque({2, 2}, 1, true);
    EXPECT_EQ(opaque.pixelAt(0, 0), (Pixel{0, 0, 0, 255}));
}

TEST(BitmapContext, StateTransformsAndClipping) {
    BitmapContext ctx({20, 20}, 1, true);
    ctx.setFillColor(Color::white());
    ctx.fillRect({0, 0, 20, 20});
    ctx.save();
    ctx.translate(10, 0);
    ctx.clipToRect({0, 0, 5, 5});
    ctx.setFillColor(Color::red());
    ctx.fillRect({-10, 0, 40, 40}); // only the clip (10..15, 0..5) is painted
    EXPECT_TRUE(ctx.fillColor() == Color::red());
    ctx.restore();
    EXPECT_TRUE(ctx.fillColor() == Color::white());
    EXPECT_EQ(ctx.pixelAt(12, 2), kRed);
    EXPECT_EQ(ctx.pixelAt(8, 2), kWhite);
    EXPECT_EQ(ctx.pixelAt(12, 7), kWhite);
    ctx.restore(); // unbalanced: ignored
    EXPECT_TRUE(ctx.ctm().isIdentity());

    // Flipped the way pages are drawn: y up from the bottom edge.
    ctx.save();
    ctx.translate(0, 20);
    ctx.scale(1, -1);
    EXPECT_TRUE(ctx.isFlipped());
    ctx.setFillColor(Color::blue());
    ctx.fillRect({0, 0, 2, 2}); // bottom-left corner
    ctx.restore();
    EXPECT_FALSE(ctx.isFlipped());
    EXPECT_EQ(ctx.pixelAt(0, 19), kBlue);
    EXPECT_EQ(ctx.pixelAt(0, 0), kWhite);
}

TEST(BitmapContext, PathsArcsAndRoundedRects) {
    BitmapContext ctx({40, 40}, 1, false);
    ctx.setFillColor(Color::red());
    ctx.beginPath();
    ctx.addRoundedRect({0, 0, 40, 40}, 10);
    ctx.fillPath();
    EXPECT_EQ(ctx.pixelAt(0, 0), kClear); // corner cut away
    EXPECT_EQ(ctx.pixelAt(20, 0), kRed);  // edge middle
    EXPECT_EQ(ctx.pixelAt(39, 39), kClear);

    BitmapContext pie({40, 40}, 1, false);
    pie.setFillColor(Color::blue());
    pie.beginPath();
    pie.moveTo({20, 20});
    // Clockwise on screen from east to south: the lower-right quarter.
    pie.addArc({20, 20}, 15, 0, M_PI / 2, true);
    pie.closePath();
    pie.fillPath();
    EXPECT_EQ(pie.pixelAt(27, 27), kBlue);
    EXPECT_EQ(pie.pixelAt(13, 27), kClear);
    EXPECT_EQ(pie.pixelAt(27, 13), kClear);

    BitmapContext line({10, 10}, 1, false);
    line.setStrokeColor(Color::red());
    line.setLineWidth(2);
    line.setAlpha(0.5);
    line.beginPath();
    line.moveTo({0, 5});
    line.lineTo({10, 5});
    line.strokePath();
    Pixel p = line.pixelAt(5, 5);
    EXPECT_EQ(p.r, 255);
    EXPECT_NEAR(p.a, 128, 1);
    EXPECT_EQ(line.pixelAt(5, 8), kClear);
}

TEST(BitmapContext, GradientsAndImages) {
    BitmapContext ctx({100, 10}, 1, true);
    ctx.drawLinearGradient({{0, Color::black()}, {1, Color::white()}}, {0, 0}, {100, 0});
    EXPECT_LE(ctx.pixelAt(0, 5).r, 3);
    EXPECT_NEAR(ctx.pixelAt(50, 5).r, 128, 3);
    EXPECT_GE(ctx.pixelAt(99, 5).r, 252);

    BitmapContext band({100, 10}, 1, false);
    band.drawLinearGradient({{0, Color::red()}, {1, Color::red()}}, {25, 0}, {75, 0}, GradientExtendNone);
    EXPECT_EQ(band.pixelAt(10, 5), kClear);
    EXPECT_EQ(band.pixelAt(50, 5), kRed);
    EXPECT_EQ(band.pixelAt(90, 5), kClear);

    BitmapContext radial({40, 40}, 1, true);
    radial.drawRadialGradient({{0, Color::white()}, {1, Color::black()}}, {20, 20}, 0, {20, 20}, 20);
    EXPECT_GE(radial.pixelAt(20, 20).r, 240);
    EXPECT_LE(radial.pixelAt(0, 0).r, 3);

    // A 2x picture of 2x2 points drawn at its natural size lands on 2x2 points.
    Image picture = Image::filled(4, 4, {0, 0, 255, 255}, 2);
    BitmapContext dst({10, 10}, 1, true);
    dst.drawImage(picture, Point{3, 3});
    EXPECT_EQ(dst.pixelAt(3, 3), kBlue);
    EXPECT_EQ(dst.pixelAt(4, 4), kBlue);
    EXPECT_EQ(dst.pixelAt(5, 5), (Pixel{0, 0, 0, 255}));

    // Pattern colours tile their picture.
    BitmapContext tiled({8, 8}, 1, true);
    BitmapContext tile({2, 2}, 1, true);
    tile.setFillColor(Color::white());
    tile.fillRect({0, 0, 1, 2});
    tiled.setFillColor(Color::patternImage(tile.snapshot()));
    tiled.fillRect({0, 0, 8, 8});
    EXPECT_EQ(tiled.pixelAt(4, 3), kWhite);
    EXPECT_EQ(tiled.pixelAt(5, 3), (Pixel{0, 0, 0, 255}));

    // Tiles stay anchored and upright when the context is flipped.
    BitmapContext rows({4, 4}, 1, true);
    BitmapContext rowTile({4, 2}, 1, true);
    rowTile.setFillColor(Color::white());
    rowTile.fillRect({0, 0, 4, 1}); // top row white, bottom row black
    rows.translate(0, 4);
    rows.scale(1, -1);
    rows.setFillColor(Color::patternImage(rowTile.snapshot()));
    rows.fillRect({0, 0, 4, 4});
    EXPECT_EQ(rows.pixelAt(0, 0), kWhite);
    EXPECT_EQ(rows.pixelAt(0, 1), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(rows.pixelAt(0, 2), kWhite);
}

TEST(BitmapContext, ImagesOfSurfacesWithTheirOwnScaleDrawByTheirPixels) {
    // A window surface a context was made on carries a device scale; a picture of
    // it still maps pixel for pixel.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    {
        Context onSurface(surface, 2); // 2x2 points
        onSurface.setFillColor(Color::blue());
        onSurface.fillRect({0, 0, 1, 2}); // left half: pixels 0..1
    }
    Image picture(surface, 1);
    cairo_surface_destroy(surface);
    BitmapContext dst({4, 4}, 1, true);
    dst.drawImage(picture, Rect{0, 0, 4, 4});
    EXPECT_EQ(dst.pixelAt(0, 3), kBlue);
    EXPECT_EQ(dst.pixelAt(1, 0), kBlue);
    EXPECT_EQ(dst.pixelAt(3, 3), (Pixel{0, 0, 0, 255}));
    Image half = picture.scaledTo({2, 2});
    EXPECT_EQ(half.pixelAt(0, 1), kBlue);
    EXPECT_EQ(half.pixelAt(1, 1).a, 0);
}
