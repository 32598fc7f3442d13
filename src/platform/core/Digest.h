#pragma once

#include "platform/core/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pw::core {

class Digest {
public:
    static std::array<std::uint8_t, 16> md5(ByteView bytes);
    static std::array<std::uint8_t, 20> sha1(ByteView bytes);
    // Lower-case hexadecimal.
    static std::string md5Hex(ByteView bytes);
    static std::string md5Hex(std::string_view bytes) { return md5Hex(asByteView(bytes)); }
    static std::string sha1Hex(ByteView bytes);
    static std::string sha1Hex(std::string_view bytes) { return sha1Hex(asByteView(bytes)); }
    static std::string hex(ByteView bytes);
};

} // namespace pw::core
