#include "platform/core/Digest.h"

#include <openssl/evp.h>

namespace pw::core {

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> digestOf(const EVP_MD* md, ByteView bytes) {
    std::array<std::uint8_t, N> out{};
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), out.data(), &len, md, nullptr);
    return out;
}

} // namespace

std::array<std::uint8_t, 16> Digest::md5(ByteView bytes) {
    return digestOf<16>(EVP_md5(), bytes);
}
std::array<std::uint8_t, 20> Digest::sha1(ByteView bytes) {
    return digestOf<20>(EVP_sha1(), bytes);
}

std::string Digest::md5Hex(ByteView bytes) {
    auto d = md5(bytes);
    return hex(d);
}

std::string Digest::sha1Hex(ByteView bytes) {
    auto d = sha1(bytes);
    return hex(d);
}

std::string Digest::hex(ByteView bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0xf]);
    }
    return out;
}

} // namespace pw::core
