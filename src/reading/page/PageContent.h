#pragma once

// One laid-out page: its characters, its picture and where it lies in the text.
// Shared by reference between the page manager's current page and its cache.

#include "platform/gfx/Image.h"

#include <cstdint>
#include <string>

namespace pw {

struct PageContent {
    // The page's characters exactly as they stand in the text being paged (never
    // converted for display).
    std::u16string pageText;
    // The rendered page, the size of the page view.
    gfx::Image pageImage;
    // UTF-16 indices of the first and last character, both inclusive.
    int64_t start = 0;
    int64_t end = 0;
    // TXT books: byte offsets in the file of the first character and of the last
    // byte, filled in by the page manager.
    int64_t bStart = 0;
    int64_t bEnd = 0;
};

} // namespace pw
