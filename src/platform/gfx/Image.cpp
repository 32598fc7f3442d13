#include "platform/gfx/Image.h"

#include <cairo.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace pw::gfx {

namespace {

struct ReadCursor {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

cairo_status_t readChunk(void* closure, unsigned char* out, unsigned int length) {
    auto* c = static_cast<ReadCursor*>(closure);
    if (c->size - c->pos < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, c->data + c->pos, length);
    c->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t writeChunk(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool isPNG(std::span<const uint8_t> b) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return b.size() >= 8 && std::memcmp(b.data(), sig, 8) == 0;
}

bool isJPEG(std::span<const uint8_t> b) {
    return b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF;
}

// Pictures beyond this are refused before any pixel memory is taken: a few
// bytes of header must not make the reader allocate gigabytes.
constexpr uint64_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = 64ull * 1024 * 1024;

bool acceptableSize(uint64_t w, uint64_t h) {
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

cairo_surface_t* decodePNG(std::span<const uint8_t> bytes) {
    // The IHDR chunk comes first: width and height, big-endian, at bytes 16 and 20.
    if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return nullptr;
    auto be32 = [&](size_t at) {
        return uint64_t(bytes[at]) << 24 | uint64_t(bytes[at + 1]) << 16 | uint64_t(bytes[at + 2]) << 8 |
               uint64_t(bytes[at + 3]);
    };
    if (!acceptableSize(be32(16), be32(20)))
        return nullptr;
    ReadCursor cursor{bytes.data(), bytes.size(), 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readChunk, &cursor);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}

// libjpeg reports fatal errors through a callback that must not return; we jump
// back out of the decoder. Only plain C data lives across the jump.
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

cairo_surface_t* decodeJPEG(std::span<const uint8_t> bytes) {
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegSilence;
    cairo_surface_t* volatile surface = nullptr;
    unsigned char* volatile row = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        if (surface)
            cairo_surface_destroy(surface);
        std::free(row);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX; // Cairo's RGB24 byte order on little-endian hosts
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        info.out_color_space = JCS_CMYK;
    if (!acceptableSize(info.image_width, info.image_height))
        longjmp(err.jump, 1);
    jpeg_start_decompress(&info);
    const int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        longjmp(err.jump, 1);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool cmyk = info.out_color_space == JCS_CMYK;
    if (cmyk)
        row = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * 4));
    while (info.output_scanline < info.output_height) {
        unsigned y = info.output_scanline;
        JSAMPROW target = cmyk ? row : data + static_cast<size_t>(y) * stride;
        jpeg_read_scanlines(&info, &target, 1);
        if (cmyk) {
            // Adobe writes inverted CMYK; that is what nearly every CMYK JPEG holds.
            auto* px = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < w; ++x) {
                unsigned c = row[x * 4], m = row[x * 4 + 1], yy = row[x * 4 + 2], k = row[x * 4 + 3];
                uint32_t r = c * k / 255, g = m * k / 255, b = yy * k / 255;
                px[x] = 0xFF000000u | r << 16 | g << 8 | b;
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(row);
    cairo_surface_mark_dirty(surface);
    return surface;
}

bool encodeJPEGTo(cairo_surface_t* src, int quality, std::vector<uint8_t>& out) {
    const int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
    const int stride = cairo_image_surface_get_stride(src);
    const unsigned char* data = cairo_image_surface_get_data(src);
    const bool alpha = cairo_image_surface_get_format(src) == CAIRO_FORMAT_ARGB32;
    jpeg_compress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegSilence;
    unsigned char* volatile buffer = nullptr;
    unsigned long size = 0;
    unsigned char* volatile row = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        std::free(row);
        return false;
    }
    jpeg_create_compress(&info);
    unsigned char* mem = nullptr;
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    row = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * 3 + 1));
    while (info.next_scanline < info.image_height) {
        auto* px = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(info.next_scanline) * stride);
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[x];
            unsigned a = alpha ? p >> 24 : 255;
            unsigned r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            // Transparent areas come out on white rather than black.
            r = r + (255 - a);
            g = g + (255 - a);
            b = b + (255 - a);
            row[x * 3] = static_cast<unsigned char>(std::min(r, 255u));
            row[x * 3 + 1] = static_cast<unsigned char>(std::min(g, 255u));
            row[x * 3 + 2] = static_cast<unsigned char>(std::min(b, 255u));
        }
        JSAMPROW r = row;
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    buffer = mem;
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    std::free(row);
    return true;
}

std::optional<std::vector<uint8_t>> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

double scaleFromName(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    if (stem.size() > 3 && stem[stem.size() - 3] == '@' && stem.back() == 'x') {
        char d = stem[stem.size() - 2];
        if (d >= '1' && d <= '9')
            return d - '0';
    }
    return 1;
}

} // namespace

Image::Image(cairo_surface_t* surface, double scale)
    : m_surface(surface ? cairo_surface_reference(surface) : nullptr), m_scale(scale > 0 ? scale : 1) {}

Image::Image(const Image& o)
    : m_surface(o.m_surface ? cairo_surface_reference(o.m_surface) : nullptr), m_scale(o.m_scale),
      m_leftCap(o.m_leftCap), m_topCap(o.m_topCap) {}

Image::Image(Image&& o) noexcept
    : m_surface(std::exchange(o.m_surface, nullptr)), m_scale(o.m_scale), m_leftCap(o.m_leftCap), m_topCap(o.m_topCap) {
}

Image& Image::operator=(const Image& o) {
    if (this != &o) {
        Image copy(o);
        *this = std::move(copy);
    }
    return *this;
}

Image& Image::operator=(Image&& o) noexcept {
    if (this != &o) {
        if (m_surface)
            cairo_surface_destroy(m_surface);
        m_surface = std::exchange(o.m_surface, nullptr);
        m_scale = o.m_scale;
        m_leftCap = o.m_leftCap;
        m_topCap = o.m_topCap;
    }
    return *this;
}

Image::~Image() {
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

std::optional<Image> Image::fromFile(const std::string& path, std::optional<double> scale) {
    auto bytes = readAll(path);
    if (!bytes)
        return std::nullopt;
    return fromBytes(*bytes, scale.value_or(scaleFromName(path)));
}

std::optional<Image> Image::fromBytes(std::span<const uint8_t> bytes, double scale) {
    cairo_surface_t* s = nullptr;
    if (isPNG(bytes))
        s = decodePNG(bytes);
    else if (isJPEG(bytes))
        s = decodeJPEG(bytes);
    if (!s)
        return std::nullopt;
    Image img(s, scale);
    cairo_surface_destroy(s);
    return img;
}

Image Image::filled(int w, int h, Pixel c, double scale) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(w, 0), std::max(h, 0));
    cairo_t* cr = cairo_create(s);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    Image img(s, scale);
    cairo_surface_destroy(s);
    return img;
}

int Image::pixelWidth() const {
    return m_surface ? cairo_image_surface_get_width(m_surface) : 0;
}

int Image::pixelHeight() const {
    return m_surface ? cairo_image_surface_get_height(m_surface) : 0;
}

Size Image::size() const {
    return {pixelWidth() / m_scale, pixelHeight() / m_scale};
}

bool Image::hasAlpha() const {
    return m_surface && cairo_image_surface_get_format(m_surface) == CAIRO_FORMAT_ARGB32;
}

Image Image::withScale(double scale) const {
    Image img(*this);
    if (scale > 0) {
        // Caps are in points, so they follow the new scale.
        img.m_leftCap = m_leftCap * m_scale / scale;
        img.m_topCap = m_topCap * m_scale / scale;
        img.m_scale = scale;
    }
    return img;
}

Image Image::scaledTo(Size points) const {
    if (!m_surface)
        return {};
    int w = std::max(1, static_cast<int>(std::lround(points.width * m_scale)));
    int h = std::max(1, static_cast<int>(std::lround(points.height * m_scale)));
    cairo_surface_t* s = cairo_image_surface_create(hasAlpha() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(m_surface);
    // New pixels to old pixels, in the source's pattern space (its own device scale).
    double dsx = 1, dsy = 1;
    cairo_surface_get_device_scale(m_surface, &dsx, &dsy);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, static_cast<double>(pixelWidth()) / w / dsx,
                            static_cast<double>(pixelHeight()) / h / dsy);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    Image img(s, m_scale);
    cairo_surface_destroy(s);
    return img;
}

Image Image::stretchable(double leftCapWidth, double topCapHeight) const {
    Image img(*this);
    img.m_leftCap = std::max(0.0, leftCapWidth);
    img.m_topCap = std::max(0.0, topCapHeight);
    return img;
}

std::optional<std::vector<uint8_t>> Image::encodePNG() const {
    if (!m_surface)
        return std::nullopt;
    std::vector<uint8_t> out;
    if (cairo_surface_write_to_png_stream(m_surface, writeChunk, &out) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    return out;
}

std::optional<std::vector<uint8_t>> Image::encodeJPEG(double quality) const {
    if (!m_surface || pixelWidth() == 0 || pixelHeight() == 0)
        return std::nullopt;
    cairo_surface_flush(m_surface);
    int q = static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
    std::vector<uint8_t> out;
    if (!encodeJPEGTo(m_surface, std::max(q, 1), out))
        return std::nullopt;
    return out;
}

namespace {
bool writeBytes(const std::string& path, const std::optional<std::vector<uint8_t>>& bytes) {
    if (!bytes)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    return static_cast<bool>(out.flush());
}
} // namespace

bool Image::writePNG(const std::string& path) const {
    return writeBytes(path, encodePNG());
}

bool Image::writeJPEG(const std::string& path, double quality) const {
    return writeBytes(path, encodeJPEG(quality));
}

Pixel Image::pixelAt(int x, int y) const {
    if (!m_surface || x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight())
        return {};
    cairo_surface_flush(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    uint32_t p = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride)[x];
    uint8_t a = hasAlpha() ? static_cast<uint8_t>(p >> 24) : 255;
    auto un = [a](uint32_t v) -> uint8_t {
        if (a == 0)
            return 0;
        return static_cast<uint8_t>(std::min<uint32_t>(255, (v * 255 + a / 2) / a));
    };
    return {un(p >> 16 & 0xFF), un(p >> 8 & 0xFF), un(p & 0xFF), a};
}

} // namespace pw::gfx
