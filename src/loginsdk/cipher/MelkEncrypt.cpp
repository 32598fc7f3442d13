#include "loginsdk/cipher/MelkEncrypt.h"

#include "loginsdk/cipher/Des.h"
#include "loginsdk/cipher/SdkBase64.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace pw::melk {
namespace {

// Reads a group the way the C library's decimal conversion does: leading
// blanks and a sign allowed, stops at the first non-digit, no digits is 0.
long readDecimal(std::string_view group) {
    size_t i = 0;
    while (i < group.size() && std::isspace(static_cast<unsigned char>(group[i])))
        ++i;
    bool negative = false;
    if (i < group.size() && (group[i] == '+' || group[i] == '-'))
        negative = group[i++] == '-';
    long value = 0;
    for (; i < group.size() && std::isdigit(static_cast<unsigned char>(group[i])); ++i)
        value = value * 10 + (group[i] - '0');
    return negative ? -value : value;
}

} // namespace

int DynamicKeyDecrypt(std::string_view keyWord, std::array<uint8_t, 8>& key) {
    if (keyWord.size() != kKeyWordLength)
        return -1;
    for (size_t g = 0; g < 4; ++g) {
        auto v = static_cast<uint16_t>(readDecimal(keyWord.substr(g * 5, 5)));
        key[g * 2] = static_cast<uint8_t>(v & 0xff);
        key[g * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
    for (size_t k = 0; k < 8; ++k) {
        uint8_t b = key[k] ^ kKeyMask[(k + 1) % 8] ^ kKeyConstant;
        key[k] = static_cast<uint8_t>((b << 4) | (b >> 4));
    }
    return 0;
}

std::array<uint8_t, 24> makeTripleKey(const std::array<uint8_t, 8>& keyText) {
    // The key text is a C string: a derived zero byte ends it early, and the
    // rest of the 24 bytes take the padding value of its length.
    size_t n = std::find(keyText.begin(), keyText.end(), uint8_t{0}) - keyText.begin();
    std::array<uint8_t, 24> key{};
    std::copy_n(keyText.begin(), n, key.begin());
    std::fill(key.begin() + static_cast<long>(n), key.end(), static_cast<uint8_t>(8 - n % 8));
    return key;
}

std::array<uint8_t, 8> initialisationVector() {
    std::array<uint8_t, 8> iv{};
    for (size_t i = 0; i < 8; ++i)
        iv[i] = static_cast<uint8_t>(kIvBase[i] ^ i);
    return iv;
}

void melk_run_padding(std::vector<uint8_t>& buf, size_t used, size_t total, int mode) {
    if (total <= used || (mode != 0 && mode != 1))
        return;
    if (buf.size() < total)
        buf.resize(total);
    uint8_t value = mode == 0 ? static_cast<uint8_t>(8 - used % 8) : 0;
    std::fill(buf.begin() + static_cast<long>(used), buf.begin() + static_cast<long>(total), value);
}

int melk_encrypt(std::string_view plain, std::string_view keyWord, std::string& out) {
    if (keyWord.size() != kKeyWordLength)
        return MelkBadKeyWord;
    std::array<uint8_t, 8> keyText{};
    DynamicKeyDecrypt(keyWord, keyText);
    std::array<uint8_t, 24> tripleKey = makeTripleKey(keyText);
    TripleDes cipher(tripleKey);
    std::fill(keyText.begin(), keyText.end(), 0);
    std::fill(tripleKey.begin(), tripleKey.end(), 0);

    std::vector<uint8_t> data(plain.begin(), plain.end());
    size_t total = (plain.size() / 8 + 1) * 8;
    melk_run_padding(data, plain.size(), total, 0);

    Des::Block chain = initialisationVector();
    std::vector<uint8_t> sealed;
    sealed.reserve(total);
    for (size_t at = 0; at < total; at += 8) {
        Des::Block block{};
        for (size_t i = 0; i < 8; ++i)
            block[i] = data[at + i] ^ chain[i];
        chain = cipher.encrypt(block);
        sealed.insert(sealed.end(), chain.begin(), chain.end());
    }
    out = base64_encode_zel(sealed);
    return MelkOk;
}

int melk_encrypt(const char* plain, const char* keyWord, std::string& out) {
    if (!plain || !keyWord)
        return MelkMissingArgument;
    return melk_encrypt(std::string_view(plain), std::string_view(keyWord), out);
}

} // namespace pw::melk
