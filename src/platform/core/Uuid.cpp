#include "platform/core/Uuid.h"

#include <array>
#include <cstdint>
#include <openssl/rand.h>
#include <random>

namespace pw::core {

std::string Uuid::generate(bool uppercase) {
    std::array<std::uint8_t, 16> b{};
    if (RAND_bytes(b.data(), static_cast<int>(b.size())) != 1) {
        // The entropy pool failed; a locally seeded generator still gives
        // distinct identifiers, which is all callers need.
        std::random_device rd;
        for (auto& x : b)
            x = static_cast<std::uint8_t>(rd());
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0f) | 0x40); // version 4
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3f) | 0x80); // RFC 4122 variant
    const char* digits = uppercase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(digits[b[i] >> 4]);
        out.push_back(digits[b[i] & 0xf]);
    }
    return out;
}

} // namespace pw::core
