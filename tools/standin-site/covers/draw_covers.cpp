// Draws the stand-in site's covers: one 120 x 160 JPEG per catalogue book
// (a coloured board, a paler title panel, the title set vertically), the
// site's generic cover and a small avatar. The size is deliberately not the shelf's, so the app has to fit it.
#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Font.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Cover {
    const char* id;
    const char* title;
    int r, g, b;
};

bool draw(const std::string& dir, const Cover& c) {
    using namespace pw::gfx;
    const double w = 120, h = 160;
    BitmapContext ctx({w, h}, 1, true);
    ctx.setFillColor(Color::fromRGB255(c.r, c.g, c.b));
    ctx.fillRect({0, 0, w, h});
    ctx.setFillColor(Color::fromRGB255(245, 238, 220));
    ctx.fillRect({w - 44, 14, 30, h - 28});
    ctx.setStrokeColor(Color::fromRGB255(90, 60, 40));
    ctx.setLineWidth(1);
    ctx.strokeRect({w - 44, 14, 30, h - 28});
    // One character per line, top to bottom.
    const Font font = Font::boldSystemFont(16);
    ctx.setFillColor(Color::fromRGB255(40, 30, 20));
    const std::string title = c.title;
    double y = 20;
    for (size_t i = 0; i < title.size();) {
        size_t len = 1;
        const unsigned char lead = static_cast<unsigned char>(title[i]);
        if (lead >= 0xF0)
            len = 4;
        else if (lead >= 0xE0)
            len = 3;
        else if (lead >= 0xC0)
            len = 2;
        ctx.drawText(title.substr(i, len), Point{w - 37, y}, font);
        y += 20;
        i += len;
    }
    const std::string name = dir + "/" + c.id + ".jpg";
    if (!ctx.snapshot().writeJPEG(name, 0.85)) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::vector<Cover> covers = {
        {"1001", "诗经", 110, 40, 40},  {"1002", "论语", 40, 80, 110},   {"1003", "四书", 60, 100, 60},
        {"1004", "楚辞", 120, 90, 30},  {"1006", "全宋词", 70, 50, 100}, {"1007", "唐诗一千首", 130, 60, 90},
        {"3000000005", "全唐诗", 150, 110, 40},
        // The site's generic cover, for books without one of their own: like no book's.
        {"generic", "书", 128, 128, 128},
        {"avatar", "读", 90, 120, 160},
    };
    for (const auto& c : covers)
        if (!draw(dir, c))
            return 1;
    return 0;
}
