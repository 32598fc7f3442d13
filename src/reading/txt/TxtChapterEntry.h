#pragma once

#include <cstdint>
#include <string>

namespace pw {

// One entry of a TXT book's chapter index: the title (UTF-8, at most 29
// UTF-16 units), the byte offset of the chunk it was found in, and the UTF-16
// index of its first character within that chunk's text.
struct TxtChapterEntry {
    std::string title;
    int64_t chunkOffset = 0;
    int64_t index = 0;

    bool operator==(const TxtChapterEntry&) const = default;
};

} // namespace pw
