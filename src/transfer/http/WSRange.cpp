#include "transfer/http/WSRange.h"

#include <algorithm>

namespace pw {

int WSRange::wsrangeCompare(const WSRange& other) const {
    if (location != other.location)
        return location < other.location ? -1 : 1;
    if (length != other.length)
        return length < other.length ? -1 : 1;
    return 0;
}

WSRange WSIntersectionRange(const WSRange& a, const WSRange& b) {
    if (a.end() < b.location || b.end() < a.location)
        return {0, 0};
    uint64_t loc = std::max(a.location, b.location);
    uint64_t end = std::min(a.end(), b.end());
    return {loc, end - loc};
}

} // namespace pw
