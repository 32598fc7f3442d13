#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pw::gfx;

TEST(Geometry, RectSetOperations) {
    struct Case {
        Rect a, b, intersection, unionRect;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}, {0, 0, 15, 15}},
        {{0, 0, 10, 10}, {20, 20, 5, 5}, {}, {0, 0, 25, 25}},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, {}, {0, 0, 15, 10}}, // touching edges do not overlap
        {{0, 0, 10, 10}, {2, 2, 3, 3}, {2, 2, 3, 3}, {0, 0, 10, 10}},
        {{10, 10, -10, -10}, {5, 5, 10, 10}, {5, 5, 5, 5}, {0, 0, 15, 15}}, // negative size
        {{0, 0, 10, 10}, {}, {}, {0, 0, 10, 10}},                           // empty operand
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a.intersection(c.b), c.intersection);
        EXPECT_EQ(c.a.unionWith(c.b), c.unionRect);
        EXPECT_EQ(c.a.intersects(c.b), !c.intersection.isEmpty());
    }
    Rect r{0, 0, 10, 10};
    EXPECT_TRUE(r.contains(Point{0, 0}));
    EXPECT_FALSE(r.contains(Point{10, 5}));
    EXPECT_EQ(r.inset(EdgeInsets{1, 2, 3, 4}), (Rect{2, 1, 4, 6}));
    EXPECT_EQ((Rect{0.3, 0.3, 1, 1}).integral(2), (Rect{0, 0, 1.5, 1.5}));
}

TEST(Geometry, TransformsComposeInOrderAndInvert) {
    // Scale first, then translate: (1,1) -> (2,2) -> (12,2)
    auto t = AffineTransform::scaling(2, 2).concat(AffineTransform::translation(10, 0));
    EXPECT_EQ(t.apply(Point{1, 1}), (Point{12, 2}));
    Point back = t.inverted().apply(Point{12, 2});
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);
    auto rot = AffineTransform::rotation(M_PI / 2);
    Point p = rot.apply(Point{1, 0});
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);
    Rect box = rot.apply(Rect{0, 0, 2, 1});
    EXPECT_NEAR(box.width(), 1, 1e-12);
    EXPECT_NEAR(box.height(), 2, 1e-12);
    EXPECT_TRUE(AffineTransform::scaling(0, 1).inverted().isIdentity()); // singular
}

TEST(Color, HsbRoundTripsAndComponentsClamp) {
    const Color colours[] = {Color::fromRGB255(85, 67, 43),
                             Color::fromRGB255(251, 240, 218),
                             Color::red(),
                             Color::fromRGB255(0, 17, 60),
                             Color::gray(),
                             Color::black()};
    for (const auto& c : colours) {
        Color back = Color::fromHSB(c.hsb());
        EXPECT_NEAR(back.r(), c.r(), 1e-9);
        EXPECT_NEAR(back.g(), c.g(), 1e-9);
        EXPECT_NEAR(back.b(), c.b(), 1e-9);
    }
    EXPECT_NEAR(Color::fromHSB({1.0 / 3, 1, 1, 1}).g(), 1, 1e-9);
    EXPECT_EQ(Color(2, -1, 0.5).argb32(), 0xFFFF0080u);
    EXPECT_EQ(Color::fromRGB255(85, 67, 43).argb32(), 0xFF55432Bu);
    EXPECT_EQ(Color::white(), Color::fromWhite(1));
    EXPECT_NE(Color::white(), Color::white().withAlpha(0.5));

    Image img = Image::filled(2, 2, {1, 2, 3, 255});
    Color pattern = Color::patternImage(img);
    EXPECT_TRUE(pattern.isPattern());
    EXPECT_EQ(pattern, Color::patternImage(img));
    EXPECT_NE(pattern, Color::patternImage(Image::filled(2, 2, {1, 2, 3, 255})));
    EXPECT_NE(pattern, Color::black());
}
