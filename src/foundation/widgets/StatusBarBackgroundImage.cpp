#include "foundation/widgets/StatusBarBackgroundImage.h"

#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"

#include <mutex>

namespace pw {

gfx::Image StatusBarBackgroundImage::draw(bool shrunk, int scale) {
    const int w = 5 * scale, h = 20 * scale;
    gfx::BitmapContext ctx({5, 20}, scale, true);
    const double px = 1.0 / scale;
    auto put = [&](int x, int y, int width, gfx::Color c) {
        ctx.setFillColor(c);
        ctx.fillRect({x * px, y * px, width * px, px});
    };
    // A silver gradient down to the row above the bottom line.
    for (int y = 0; y < h - scale; ++y) {
        const double t = h - scale > 1 ? static_cast<double>(y) / (h - scale - 1) : 0;
        auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
        put(0, y, w, gfx::Color::fromRGB255(mix(239, 189), mix(246, 197), mix(249, 201)));
    }
    for (int y = h - scale; y < h; ++y)
        put(0, y, w, gfx::Color::fromRGB255(92, 99, 104));
    // Rounded-looking top corners: both ends of the full bar, the right end of the box.
    const gfx::Color first = gfx::Color::fromRGB255(106, 108, 109);
    const gfx::Color second = gfx::Color::fromRGB255(213, 217, 221);
    for (int s = 0; s < scale; ++s) {
        if (!shrunk)
            put(0, s, 1, first), put(0, scale + s, 1, second);
        put(w - 1, s, 1, first);
        put(w - 1, scale + s, 1, second);
    }
    return ctx.snapshot();
}

const std::vector<uint8_t>& StatusBarBackgroundImage::data(bool shrunk) {
    static std::once_flag once;
    static std::vector<uint8_t> bytes[2][2];
    std::call_once(once, [] {
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < 2; ++k)
                bytes[s][k] = draw(s == 1, k + 1).encodePNG().value_or(std::vector<uint8_t>{});
    });
    const bool plain = device::Device::current().screen().scale == 1;
    return bytes[shrunk ? 1 : 0][plain ? 0 : 1];
}

gfx::Image StatusBarBackgroundImage::image(bool shrunk) {
    const bool plain = device::Device::current().screen().scale == 1;
    return gfx::Image::fromBytes(data(shrunk), plain ? 1 : 2).value_or(gfx::Image{});
}

} // namespace pw
