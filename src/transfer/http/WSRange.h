#pragma once
// A 64-bit byte range: its end (location + length) is the first position after it.
#include <cstdint>

namespace pw {

struct WSRange {
    uint64_t location = 0;
    uint64_t length = 0;

    uint64_t end() const { return location + length; }
    bool operator==(const WSRange&) const = default;

    // -1 when this orders first (smaller start, then smaller length), 0 same, 1 after.
    int wsrangeCompare(const WSRange& other) const;
};

// (0, 0) when the ranges are apart; ranges that only touch give a range of
// length 0 where they meet.
WSRange WSIntersectionRange(const WSRange& a, const WSRange& b);

} // namespace pw
