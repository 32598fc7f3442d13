#pragma once

#include "platform/gfx/Image.h"

#include <cstddef>
#include <string>

namespace pw {

// The covers the shelf shows, decoded once and kept for the rows that scroll
// back into view. A cover file written anew (a later download) is read again.
// Main thread only, as the shelf views are.
class ShelfCoverCache {
public:
    static constexpr size_t kCapacity = 96;

    // The picture in the file, or a null image when it is missing or unreadable.
    static gfx::Image coverAt(const std::string& path);
    static size_t size();
    static void clear();
};

} // namespace pw
