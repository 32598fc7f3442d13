// Questions about the app's screenshots, in the window's points, for the
// scripts that drive the app under Xvfb. A tour asks hundreds of them; a
// compiled probe answers each in milliseconds where an interpreter's start-up
// and a decode in script took most of a second on a busy machine.
//
// The screenshots are PNGs of the whole window; a point is `scale` pixels,
// where scale is the picture's width over PW_POINTS_WIDTH (320 for the phone).
//
//   pw_png_probe pixel A x y                 the colour at a point
//   pw_png_probe diff A B x0 y0 x1 y1 [dy]   percent of points that differ in the box
//   pw_png_probe differ|same A B x0 y0 x1 y1 [dy]
//                                            exit 0 when the box changed (or not): more
//                                            than 50 of every other point differ
//   pw_png_probe dark A x0 y0 x1 y1 share    exit 0 when at least `share` of the box is dark
//   pw_png_probe ink A x0 y0 x1 y1           exit 0 for light paper with some dark letters
//   pw_png_probe blue|red A x y              exit 0 when the point is that colour
//   pw_png_probe runs A y x0 x1 r g b [tol]  the runs of points on row y (x0 to x1) of that
//                                            colour, as "start-end" (end exclusive)
//   pw_png_probe count A x0 y0 x1 y1 r g b [tol]
//                                            the points of that colour in the box; exit 0 when any
//   pw_png_probe points A                    "w h" in points, then the points' RGB bytes
//                                            row by row (for a script's own search)
// In B's box of diff/differ/same the box may sit dy points lower (content moved down).
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A screenshot read as 8-bit RGB, addressed in points.
class Picture {
public:
    bool load(const char* path) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path)) {
            std::fprintf(stderr, "pw_png_probe: cannot read %s: %s\n", path, image.message);
            return false;
        }
        image.format = PNG_FORMAT_RGB;
        m_width = static_cast<int>(image.width);
        m_height = static_cast<int>(image.height);
        m_pixels.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, m_pixels.data(), 0, nullptr)) {
            std::fprintf(stderr, "pw_png_probe: cannot decode %s: %s\n", path, image.message);
            return false;
        }
        const char* points = std::getenv("PW_POINTS_WIDTH");
        const int pointsWidth = points && *points ? std::atoi(points) : 320;
        m_scale = std::max(1, m_width / std::max(1, pointsWidth));
        return true;
    }
    int pointsWidth() const { return m_width / m_scale; }
    int pointsHeight() const { return m_height / m_scale; }
    // A point outside the picture reads black, as a script asking past the edge
    // of a smaller window must not crash the tour.
    Rgb at(int x, int y) const {
        const long px = static_cast<long>(x) * m_scale, py = static_cast<long>(y) * m_scale;
        if (x < 0 || y < 0 || px >= m_width || py >= m_height)
            return {};
        const unsigned char* p = &m_pixels[(py * m_width + px) * 3];
        return {p[0], p[1], p[2]};
    }

private:
    int m_width = 0, m_height = 0, m_scale = 1;
    std::vector<unsigned char> m_pixels;
};

bool dark(const Rgb& c) {
    return c.r < 90 && c.g < 90 && c.b < 90;
}

bool near(const Rgb& c, const Rgb& want, int tol) {
    return std::abs(c.r - want.r) <= tol && std::abs(c.g - want.g) <= tol && std::abs(c.b - want.b) <= tol;
}

// Calls `each` for the points of a box, every `step` points each way.
void forBox(int x0, int y0, int x1, int y1, int step, const std::function<void(int, int)>& each) {
    for (int y = y0; y < y1; y += step)
        for (int x = x0; x < x1; x += step)
            each(x, y);
}

double darkShare(const Picture& p, int x0, int y0, int x1, int y1) {
    long all = 0, hits = 0;
    forBox(x0, y0, x1, y1, 2, [&](int x, int y) {
        ++all;
        hits += dark(p.at(x, y));
    });
    return static_cast<double>(hits) / std::max(all, 1L);
}

int usage() {
    std::fprintf(stderr, "usage: pw_png_probe pixel|diff|differ|same|dark|ink|blue|red|runs|count|points "
                         "<picture> ...\n");
    return 2;
}

int run(const std::string& op, int argc, char** argv) {
    auto num = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
    Picture a;
    if (argc < 1 || !a.load(argv[0]))
        return 2;
    if (op == "pixel" && argc >= 3) {
        const Rgb c = a.at(num(1), num(2));
        std::printf("%d %d %d\n", c.r, c.g, c.b);
        return 0;
    }
    if ((op == "diff" || op == "differ" || op == "same") && argc >= 6) {
        Picture b;
        if (!b.load(argv[1]))
            return 2;
        const int dy = argc > 6 ? num(6) : 0;
        // A percentage looks at every point; a yes-or-no at every other one.
        const int step = op == "diff" ? 1 : 2;
        long all = 0, changed = 0;
        forBox(num(2), num(3), num(4), num(5), step, [&](int x, int y) {
            ++all;
            changed += !(a.at(x, y) == b.at(x, y + dy));
        });
        if (op == "diff") {
            std::printf("%.1f\n", 100.0 * static_cast<double>(changed) / std::max(all, 1L));
            return 0;
        }
        std::printf("%ld\n", changed);
        return (changed > 50) == (op == "differ") ? 0 : 1;
    }
    if (op == "dark" && argc >= 6) {
        const double s = darkShare(a, num(1), num(2), num(3), num(4));
        std::printf("%.2f\n", s);
        return s >= std::atof(argv[5]) ? 0 : 1;
    }
    if (op == "ink" && argc >= 5) {
        const double s = darkShare(a, num(1), num(2), num(3), num(4));
        std::printf("%.2f\n", s);
        return s > 0.02 && s < 0.6 ? 0 : 1;
    }
    if ((op == "blue" || op == "red") && argc >= 3) {
        const Rgb c = a.at(num(1), num(2));
        std::printf("%d %d %d\n", c.r, c.g, c.b);
        const bool yes = op == "blue" ? c.b > c.r + 40 : c.r > 180 && c.g < 90;
        return yes ? 0 : 1;
    }
    if (op == "runs" && argc >= 7) {
        const int y = num(1), x0 = num(2), x1 = num(3);
        const Rgb want{num(4), num(5), num(6)};
        const int tol = argc > 7 ? num(7) : 12;
        std::string out;
        int start = -1;
        for (int x = x0; x <= x1; ++x) {
            const bool hit = x < x1 && near(a.at(x, y), want, tol);
            if (hit && start < 0) {
                start = x;
            } else if (!hit && start >= 0) {
                out += (out.empty() ? "" : " ") + std::to_string(start) + "-" + std::to_string(x);
                start = -1;
            }
        }
        std::printf("%s\n", out.c_str());
        return 0;
    }
    if (op == "count" && argc >= 8) {
        const Rgb want{num(5), num(6), num(7)};
        const int tol = argc > 8 ? num(8) : 12;
        long n = 0;
        forBox(num(1), num(2), num(3), num(4), 1, [&](int x, int y) { n += near(a.at(x, y), want, tol); });
        std::printf("%ld\n", n);
        return n ? 0 : 1;
    }
    if (op == "points") {
        const int w = a.pointsWidth(), h = a.pointsHeight();
        std::printf("%d %d\n", w, h);
        std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const Rgb c = a.at(x, y);
                row[x * 3] = static_cast<unsigned char>(c.r);
                row[x * 3 + 1] = static_cast<unsigned char>(c.g);
                row[x * 3 + 2] = static_cast<unsigned char>(c.b);
            }
            std::fwrite(row.data(), 1, row.size(), stdout);
        }
        return 0;
    }
    return usage();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    return run(argv[1], argc - 2, argv + 2);
}
