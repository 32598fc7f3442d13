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

} // namespace pw::core
