#pragma once

// The arithmetic of paging: how many characters a page can hold at a font size,
// which window of the text to hand to the line breaker, the line pitch, and the
// inclusive cut. Only the reading engine uses these.

#include "foundation/config/DeviceKind.h"
#include "platform/gfx/Font.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

// Characters a page may hold at a whole font size; -1 outside 12..42.
int estimatedMaxLengthOfTextWithSize(int fontSize, DeviceKind kind = currentDeviceKind());

struct PageWindow {
    int64_t start = 0;
    int64_t end = 0;
};

// Direction 2 asks for the window after the position (start = position + 1), any
// other value for the window before it (end = position - 1). `window` keeps its
// values when the estimate is negative. Returns -1 for a position below -1,
// else maxIndex. `widen` is accepted for callers and has no effect.
int64_t computePageStartAndEnd(int64_t maxIndex, int64_t position, int64_t estimate, int direction, bool widen,
                               PageWindow& window);

// The characters from |a| through |b| inclusive (in either order); the whole text
// when the span is at least as long as the text.
std::u16string cutStringByRange(std::u16string_view text, int64_t a, int64_t b);

// Baseline pitch in whole points for a font and a spacing factor.
double getLineHeightForFont(const gfx::Font& font, double spacing);

} // namespace pw
