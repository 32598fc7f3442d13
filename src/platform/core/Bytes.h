#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pw::core {

// Raw bytes: file contents, archives, digests, network bodies.
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline ByteView asByteView(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

inline std::string_view asStringView(ByteView b) {
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

inline Bytes toBytes(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline std::string toString(ByteView b) {
    return std::string(asStringView(b));
}

// The value of one hexadecimal digit of either case, or -1 for any other byte.
constexpr int hexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace pw::core
