#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Image.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace pw::gfx;

namespace {

Image quadrants() {
    // 8x8 pixels: red, green / blue, white quadrants.
    BitmapContext ctx({8, 8}, 1, false);
    ctx.setFillColor(Color::red());
    ctx.fillRect({0, 0, 4, 4});
    ctx.setFillColor(Color::green());
    ctx.fillRect({4, 0, 4, 4});
    ctx.setFillColor(Color::blue());
    ctx.fillRect({0, 4, 4, 4});
    ctx.setFillColor(Color::white().withAlpha(0.5));
    ctx.fillRect({4, 4, 4, 4});
    return ctx.snapshot();
}

bool near(Pixel a, Pixel b, int tol) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol &&
           std::abs(a.a - b.a) <= tol;
}

} // namespace

TEST(Image, PngRoundTripKeepsPixelsAndAlpha) {
    Image img = quadrants();
    auto png = img.encodePNG();
    ASSERT_TRUE(png);
    auto back = Image::fromBytes(*png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelWidth(), 8);
    EXPECT_EQ(back->pixelAt(1, 1), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(back->pixelAt(6, 1), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(back->pixelAt(1, 6), (Pixel{0, 0, 255, 255}));
    EXPECT_TRUE(near(back->pixelAt(6, 6), {255, 255, 255, 128}, 1));
    EXPECT_EQ(back->pixelAt(8, 0), Pixel{}); // outside
}

TEST(Image, JpegRoundTripIsCloseAndQualityMatters) {
    BitmapContext ctx({32, 32}, 1, true);
    ctx.setFillColor(Color::fromRGB255(251, 240, 218));
    ctx.fillRect({0, 0, 32, 32});
    ctx.setFillColor(Color::fromRGB255(50, 55, 59));
    ctx.fillRect({16, 0, 16, 32});
    Image img = ctx.snapshot();
    auto high = img.encodeJPEG(0.95);
    auto low = img.encodeJPEG(0.1);
    ASSERT_TRUE(high && low);
    EXPECT_LT(low->size(), high->size());
    auto back = Image::fromBytes(*high);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->hasAlpha());
    EXPECT_TRUE(near(back->pixelAt(4, 16), {251, 240, 218, 255}, 6));
    EXPECT_TRUE(near(back->pixelAt(28, 16), {50, 55, 59, 255}, 6));
}

TEST(Image, NonImagesAreRejected) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        {'h', 'e', 'l', 'l', 'o'},
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},              // signature only
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}, // cut inside the header
        {0xFF, 0xD8, 0xFF},                                         // JPEG start only
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0},
    };
    for (const auto& bytes : inputs)
        EXPECT_FALSE(Image::fromBytes(bytes)) << bytes.size();
    auto png = quadrants().encodePNG();
    png->resize(png->size() / 2);
    EXPECT_FALSE(Image::fromBytes(*png));
    EXPECT_FALSE(Image::fromFile("/nonexistent/picture.png"));
}

TEST(Image, ScaleAndPointSize) {
    pw::test::TempDir dir{"pw-gfx-img"};
    Image img = quadrants();
    ASSERT_TRUE(img.writePNG((dir / "icon@2x.png").string()));
    auto loaded = Image::fromFile((dir / "icon@2x.png").string());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->scale(), 2);
    EXPECT_EQ(loaded->size(), (Size{4, 4}));
    EXPECT_EQ(Image::fromFile((dir / "icon@2x.png").string(), 1)->size(), (Size{8, 8}));

    Image bigger = img.withScale(0.4);
    EXPECT_EQ(bigger.size(), (Size{20, 20}));
    EXPECT_EQ(bigger.pixelAt(1, 1), img.pixelAt(1, 1));

    Image half = img.scaledTo({4, 4});
    EXPECT_EQ(half.pixelWidth(), 4);
    EXPECT_TRUE(near(half.pixelAt(0, 0), {255, 0, 0, 255}, 2));
    EXPECT_TRUE(near(half.pixelAt(3, 0), {0, 255, 0, 255}, 2));
}

TEST(Image, StretchableCapsStayUnscaled) {
    // 5x1 pixels: black cap, two grey, red stretch column, black cap.
    BitmapContext src({5, 1}, 1, true);
    src.setFillColor(Color::black());
    src.fillRect({0, 0, 5, 1});
    src.setFillColor(Color::gray());
    src.fillRect({1, 0, 1, 1});
    src.setFillColor(Color::red());
    src.fillRect({2, 0, 1, 1});
    Image capped = src.snapshot().stretchable(2, 0);

    BitmapContext dst({25, 2}, 1, true);
    dst.drawImage(capped, Rect{0, 0, 25, 2});
    EXPECT_EQ(dst.pixelAt(0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(dst.pixelAt(1, 0), (Pixel{128, 128, 128, 255}));
    for (int x = 3; x < 22; ++x)
        EXPECT_EQ(dst.pixelAt(x, 1), (Pixel{255, 0, 0, 255})) << x;
    EXPECT_EQ(dst.pixelAt(24, 0), (Pixel{0, 0, 0, 255}));
}
