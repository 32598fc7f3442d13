#pragma once

#include <cstdint>

namespace pw {

// A span of UTF-16 code units. "Not found" is {kNotFound, 0}, the value the
// rest of the reader compares against, so it stays INT_MAX rather than -1.
struct TextRange {
    static constexpr uint64_t kNotFound = 2147483647;
    // A length meaning "to the end of the string"; replaced by the real length
    // before any check.
    static constexpr uint64_t kToEnd = UINT64_MAX;

    uint64_t location = kNotFound;
    uint64_t length = 0;

    static constexpr TextRange notFound() { return {kNotFound, 0}; }
    static constexpr TextRange whole() { return {0, kToEnd}; }

    constexpr bool found() const { return location != kNotFound; }
    constexpr uint64_t end() const { return location + length; }
    constexpr bool operator==(const TextRange&) const = default;
};

} // namespace pw
