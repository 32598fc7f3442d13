#include "reading/page/PageWindow.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

// Indexed by font size - 1. The tablet holds three pages' worth of the phone's,
// except at the largest sizes.
constexpr int kPhone[42] = {0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   1100, 900, 820,
                            650, 625, 610, 530, 500, 450, 422, 408, 400, 350, 320, 300,  270, 250,
                            230, 230, 230, 210, 210, 160, 160, 160, 150, 150, 150, 130,  130, 130};
constexpr int kTablet[42] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   3300, 2700, 2460,
                             1950, 1875, 1830, 1590, 1500, 1350, 1266, 1224, 1200, 1050, 960, 900,  810,  750,
                             690,  690,  690,  630,  630,  480,  480,  480,  450,  450,  450, 330,  330,  330};

double roundHalfUp(double x) {
    return std::floor(x + 0.5);
}

} // namespace

int estimatedMaxLengthOfTextWithSize(int fontSize, DeviceKind kind) {
    if (fontSize < 12 || fontSize > 42)
        return -1;
    return kind == DeviceKind::Tablet ? kTablet[fontSize - 1] : kPhone[fontSize - 1];
}

int64_t computePageStartAndEnd(int64_t maxIndex, int64_t position, int64_t estimate, int direction, bool,
                               PageWindow& w) {
    if (position < -1) {
        w.start = w.end = -1;
        return -1;
    }
    if (position > maxIndex + 1) {
        w.start = w.end = maxIndex + 1;
        return maxIndex;
    }
    if (estimate < 0)
        return maxIndex;
    if (direction == 2) {
        w.start = position + 1;
        w.end = position + estimate;
    } else {
        w.end = position - 1;
        w.start = position - estimate;
    }
    w.start = std::max<int64_t>(w.start, 0);
    w.end = std::max<int64_t>(w.end, 0);
    w.start = std::min(w.start, maxIndex);
    w.end = std::min(w.end, maxIndex);
    return maxIndex;
}

std::u16string cutStringByRange(std::u16string_view text, int64_t a, int64_t b) {
    a = std::llabs(a);
    b = std::llabs(b);
    if (a > b)
        std::swap(a, b);
    const int64_t d = b - a;
    const int64_t length = static_cast<int64_t>(text.size());
    if (d >= length)
        return std::u16string(text);
    if (a >= length)
        return {};
    // A span of one index is one character: a page holding only a text's last
    // character keeps it.
    return std::u16string(text.substr(static_cast<size_t>(a), static_cast<size_t>(std::min(d + 1, length - a))));
}

double getLineHeightForFont(const gfx::Font& font, double spacing) {
    const double leading = roundHalfUp(std::max(font.leading(), 0.0));
    const double ascent = roundHalfUp(font.ascent());
    const double descent = roundHalfUp(font.descent());
    double h = ascent + descent + leading;
    if (leading <= 0)
        h += roundHalfUp(0.2 * h);
    return std::floor(h * spacing);
}

} // namespace pw
