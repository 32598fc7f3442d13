#include "platform/core/RandomId.h"

#include <openssl/rand.h>

#include <random>

namespace pw::core {

std::string RandomId::uuidString() {
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1) {
        std::random_device rd;
        for (auto& c : b)
            c = static_cast<unsigned char>(rd());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    static const char* hex = "0123456789ABCDEF";
    std::string s;
    s.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            s.push_back('-');
        s.push_back(hex[b[i] >> 4]);
        s.push_back(hex[b[i] & 15]);
    }
    return s;
}

} // namespace pw::core
