#include "reader/PageSliderMenuLayout.h"

#include <algorithm>
#include <cstdio>

namespace pw {

PageSliderMenuLayout pageSliderMenuLayout(double v, double h, int bookFormat) {
    PageSliderMenuLayout l;
    if (bookFormat == 1 || bookFormat == 2) {
        l.frame = {(v - 300) / 2, h - 140, 300, 125};
        l.showChapterNav = true;
        const double w = l.frame.width(), fh = l.frame.height();
        const double prevWidth = (w - 13) / 2;
        l.prevChapter = gfx::Rect(6, fh - 45, prevWidth, 38);
        l.nextChapter = gfx::Rect(w - prevWidth - 6, fh - 45, (w - 13) / 2 - 1, 38);
    } else {
        l.frame = {(v - 300) / 2, h - 99, 300, 89};
    }
    return l;
}

std::string pageSliderTitle(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "全文跳转：%.0f%%", value);
    return buf;
}

double pageSliderStep(double value, int delta) {
    return std::clamp(value + delta, 0.0, 100.0);
}

int pageSliderJumpPercent(double value) {
    return static_cast<int>(std::clamp(value, 0.0, 100.0));
}

} // namespace pw
