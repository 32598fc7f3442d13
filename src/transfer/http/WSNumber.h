#pragma once
// Base-10 number parsers with the standard conversions' rules: leading
// blanks skipped, one sign, digits up to the first non-digit. They answer
// false for no text, no digit or a value out of range (writing the limit).
#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class WSNumber {
public:
    static bool parseStringIntoSInt64(const std::optional<std::string>& text, int64_t* value);
    static bool parseStringIntoUInt64(const std::optional<std::string>& text, uint64_t* value);
    static bool parseStringIntoNSInteger(const std::optional<std::string>& text, int32_t* value);
    static bool parseStringIntoNSUInteger(const std::optional<std::string>& text, uint32_t* value);
    // Strict form for protocol fields: one or more ASCII digits and nothing
    // else, within 64 bits.
    static bool parseDigitsIntoUInt64(std::string_view text, uint64_t* value);
};

} // namespace pw
