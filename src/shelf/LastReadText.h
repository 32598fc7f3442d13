#pragma once

#include <cstdint>
#include <string>

namespace pw::core {
class DateFormatter;
}

namespace pw {

// The list row's "when last read" line.
class LastReadText {
public:
    // t and now in seconds since 1970; t <= 0 means never read. Older than a
    // day reads as a date made by dateFormat ("yyyy-MM-dd HH:mm" in the
    // device's zone on the shelf).
    static std::string text(int64_t t, double now, const core::DateFormatter& dateFormat);
};

} // namespace pw
