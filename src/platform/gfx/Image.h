#pragma once

// An immutable bitmap with a scale: its size in points is its pixel size divided
// by the scale. Copies share the pixels (a reference-counted Cairo image surface).
// A default-constructed Image is null; decoding reports failure as std::nullopt,
// which is also how callers ask "is this an image at all".

#include "platform/gfx/Geometry.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace pw::gfx {

struct Pixel {
    uint8_t r = 0, g = 0, b = 0, a = 0; // straight alpha
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

class Image {
public:
    Image() = default;
    // Takes a new reference on an ARGB32 or RGB24 image surface.
    Image(cairo_surface_t* surface, double scale);
    Image(const Image& other);
    Image(Image&& other) noexcept;
    Image& operator=(const Image& other);
    Image& operator=(Image&& other) noexcept;
    ~Image();

    // PNG or JPEG, recognised by its signature. A file named "x@2x.png" gets scale 2
    // unless a scale is given.
    static std::optional<Image> fromFile(const std::string& path, std::optional<double> scale = std::nullopt);
    static std::optional<Image> fromBytes(std::span<const uint8_t> bytes, double scale = 1);
    // A bitmap of one colour, for placeholders and tests.
    static Image filled(int pixelWidth, int pixelHeight, Pixel colour, double scale = 1);

    bool isNull() const { return m_surface == nullptr; }
    explicit operator bool() const { return !isNull(); }

    int pixelWidth() const;
    int pixelHeight() const;
    double scale() const { return m_scale; }
    Size size() const;
    bool hasAlpha() const;

    // The same pixels at another scale (a tablet draws phone pictures bigger this way).
    Image withScale(double scale) const;
    // Resampled (bilinear) to the given size in points, keeping the scale.
    Image scaledTo(Size points) const;
    // Caps in points that stay unstretched when the image is drawn larger than itself;
    // a cap of 0 on an axis leaves that axis stretched whole. A cap of w stretches the
    // one-point column after it (classic stretchable-image behaviour).
    Image stretchable(double leftCapWidth, double topCapHeight) const;
    double leftCapWidth() const { return m_leftCap; }
    double topCapHeight() const { return m_topCap; }

    std::optional<std::vector<uint8_t>> encodePNG() const;
    // Quality 0..1, as the platform asks for it.
    std::optional<std::vector<uint8_t>> encodeJPEG(double quality) const;
    bool writePNG(const std::string& path) const;
    bool writeJPEG(const std::string& path, double quality) const;

    // Pixel at pixel coordinates (0,0 top left); transparent outside the bitmap.
    Pixel pixelAt(int x, int y) const;

    cairo_surface_t* surface() const { return m_surface; }

private:
    cairo_surface_t* m_surface = nullptr;
    double m_scale = 1;
    double m_leftCap = 0;
    double m_topCap = 0;
};

} // namespace pw::gfx
