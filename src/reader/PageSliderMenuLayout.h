#pragma once

// The percent panel's place and controls, and the percent jump's rules.

#include <optional>
#include <string>

#include "platform/gfx/Geometry.h"

namespace pw {

struct PageSliderMenuLayout {
    gfx::Rect frame;
    bool showChapterNav = false;
    gfx::Rect decrease{20, 32, 38, 38};
    gfx::Rect increase{242, 32, 38, 38};
    gfx::Rect title{75, 10, 150, 21};
    gfx::Rect slider{70, 39, 160, 23};
    std::optional<gfx::Rect> prevChapter;
    std::optional<gfx::Rect> nextChapter;
};

// For a reader view of width V and height H and the book's format.
PageSliderMenuLayout pageSliderMenuLayout(double viewWidth, double viewHeight, int bookFormat);

// "全文跳转：%.0f%%".
std::string pageSliderTitle(double value);
// The slider's value after a −1 / +1 press, clamped to 0..100.
double pageSliderStep(double value, int delta);
// The whole percentage a jump goes to.
int pageSliderJumpPercent(double value);

} // namespace pw
