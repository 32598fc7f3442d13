#include "loginsdk/cipher/OADes.h"

#include "loginsdk/cipher/Des.h"

#include "platform/core/Text.h"

#include <array>

namespace pw {
namespace {

Des makeKey(std::string_view key) {
    std::array<uint8_t, 8> k{};
    for (size_t i = 0; i < k.size() && i < key.size(); ++i)
        k[i] = static_cast<uint8_t>(key[i]);
    return Des(k);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string trimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return std::string(text.substr(b, e - b));
}

namespace tarvzel {

std::string Encrypt(std::string_view key, std::string_view plain) {
    static constexpr char kHex[] = "0123456789abcdef";
    Des des = makeKey(key);
    std::string out;
    out.reserve((plain.size() + 7) / 8 * 16);
    for (size_t at = 0; at < plain.size(); at += 8) {
        Des::Block block{};
        for (size_t i = 0; i < 8 && at + i < plain.size(); ++i)
            block[i] = static_cast<uint8_t>(plain[at + i]);
        for (uint8_t byte : des.encrypt(block)) {
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xf]);
        }
    }
    return out;
}

std::string Decrypt(std::string_view key, std::string_view hex) {
    // The service's reading of a hex digit: letters count from 'a', anything
    // else from '0', and only the low four bits matter. Capitals therefore
    // read as other values, which the service relies on never sending.
    auto nibble = [](char c) {
        int code = static_cast<unsigned char>(c);
        return static_cast<uint8_t>((code > 96 ? code - 87 : code - 48) & 0xf);
    };
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>((nibble(hex[i]) << 4) | nibble(hex[i + 1])));

    Des des = makeKey(key);
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size(); at += 8) {
        Des::Block block{};
        for (size_t i = 0; i < 8 && at + i < bytes.size(); ++i)
            block[i] = static_cast<uint8_t>(bytes[at + i]);
        for (uint8_t byte : des.decrypt(block))
            out.push_back(static_cast<char>(byte));
    }
    // Zero padding, and anything after it, is not part of the text.
    if (auto nul = out.find('\0'); nul != std::string::npos)
        out.resize(nul);
    return out;
}

} // namespace tarvzel

std::optional<std::string> OADes::OAEncrypt(const std::optional<std::string>& key,
                                            const std::optional<std::string>& source) {
    if (!key || !source)
        return std::nullopt;
    return tarvzel::Encrypt(*key, *source);
}

std::optional<std::string> OADes::OADecrypt(const std::optional<std::string>& key,
                                            const std::optional<std::string>& hex) {
    if (!key || !hex)
        return std::nullopt;
    std::string plain = tarvzel::Decrypt(*key, trimBlanks(*hex));
    if (!core::text::isValidUtf8(plain))
        return std::nullopt;
    return trimBlanks(plain);
}

bool OADes::Encrypt(const std::optional<std::string>& key, std::optional<std::string>& text) {
    if (!key || !text)
        return false;
    text = tarvzel::Encrypt(*key, *text);
    return true;
}

bool OADes::Decrypt(const std::optional<std::string>& key, std::optional<std::string>& text) {
    if (!key || !text)
        return false;
    text = trimBlanks(tarvzel::Decrypt(*key, trimBlanks(*text)));
    return true;
}

} // namespace pw
