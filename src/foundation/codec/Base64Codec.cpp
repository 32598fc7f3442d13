#include "foundation/codec/Base64Codec.h"

#include <array>

namespace pw {

namespace {

constexpr char kBase64EncodeChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kWebSafeBase64EncodeChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr std::uint8_t kInvalid = 99;
constexpr char kPad = '=';

constexpr std::array<std::uint8_t, 256> makeDecodeTable(const char* chars) {
    std::array<std::uint8_t, 256> table{};
    for (auto& t : table)
        t = kInvalid;
    for (std::uint8_t i = 0; i < 64; ++i)
        table[static_cast<std::uint8_t>(chars[i])] = i;
    return table;
}

constexpr auto kBase64DecodeChars = makeDecodeTable(kBase64EncodeChars);
constexpr auto kWebSafeBase64DecodeChars = makeDecodeTable(kWebSafeBase64EncodeChars);

// 160 and 255 count as blanks because text pasted from some Latin-1 sources
// carries them as (non-breaking) spaces.
constexpr bool IsSpace(std::uint8_t c) {
    return c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 32 || c == 160 || c == 255;
}

std::optional<Base64Codec::Bytes> encodeWith(const void* bytes, std::size_t length, const char* charset, bool padded) {
    if (bytes == nullptr || length == 0)
        return std::nullopt;
    Base64Codec::Bytes out(Base64Codec::encodedLength(length, padded));
    std::size_t written = Base64Codec::baseEncode(static_cast<const std::uint8_t*>(bytes), length,
                                                  reinterpret_cast<char*>(out.data()), out.size(), charset, padded);
    if (written == 0)
        return std::nullopt;
    out.resize(written);
    return out;
}

std::optional<Base64Codec::Bytes> decodeWith(const void* bytes, std::size_t length, const std::uint8_t* table,
                                             bool requirePadding) {
    if (bytes == nullptr || length == 0)
        return std::nullopt;
    Base64Codec::Bytes out(Base64Codec::decodedCapacity(length), 0);
    std::size_t written = Base64Codec::baseDecode(static_cast<const std::uint8_t*>(bytes), length, out.data(),
                                                  out.size(), table, requirePadding);
    if (written == 0)
        return std::nullopt;
    out.resize(written);
    return out;
}

std::optional<std::string> toString(std::optional<Base64Codec::Bytes> bytes) {
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

const char* Base64Codec::standardCharset() {
    return kBase64EncodeChars;
}
const char* Base64Codec::webSafeCharset() {
    return kWebSafeBase64EncodeChars;
}
const std::uint8_t* Base64Codec::standardDecodeTable() {
    return kBase64DecodeChars.data();
}
const std::uint8_t* Base64Codec::webSafeDecodeTable() {
    return kWebSafeBase64DecodeChars.data();
}

std::size_t Base64Codec::encodedLength(std::size_t srcLen, bool padded) {
    // Written as 4 characters per whole group plus the rest, so that no
    // intermediate product can overflow for any length a buffer can have.
    std::size_t groups = srcLen / 3;
    std::size_t rest = srcLen % 3;
    std::size_t len = groups * 4;
    if (rest != 0)
        len += padded ? 4 : rest + 1;
    return len;
}

std::size_t Base64Codec::decodedCapacity(std::size_t srcLen) {
    return (srcLen / 4 + (srcLen % 4 != 0 ? 1 : 0)) * 3;
}

std::size_t Base64Codec::baseEncode(const std::uint8_t* src, std::size_t srcLen, char* dest, std::size_t destLen,
                                    const char* charset, bool padded) {
    if (src == nullptr || dest == nullptr || srcLen == 0 || charset == nullptr)
        return 0;
    if (destLen < encodedLength(srcLen, padded))
        return 0;
    std::size_t o = 0;
    std::size_t i = 0;
    for (; i + 3 <= srcLen; i += 3) {
        std::uint8_t b0 = src[i], b1 = src[i + 1], b2 = src[i + 2];
        dest[o++] = charset[b0 >> 2];
        dest[o++] = charset[((b0 & 3) << 4) | (b1 >> 4)];
        dest[o++] = charset[((b1 & 15) << 2) | (b2 >> 6)];
        dest[o++] = charset[b2 & 63];
    }
    std::size_t rest = srcLen - i;
    if (rest == 2) {
        std::uint8_t b0 = src[i], b1 = src[i + 1];
        dest[o++] = charset[b0 >> 2];
        dest[o++] = charset[((b0 & 3) << 4) | (b1 >> 4)];
        dest[o++] = charset[(b1 & 15) << 2];
        if (padded)
            dest[o++] = kPad;
    } else if (rest == 1) {
        std::uint8_t b0 = src[i];
        dest[o++] = charset[b0 >> 2];
        dest[o++] = charset[(b0 & 3) << 4];
        if (padded) {
            dest[o++] = kPad;
            dest[o++] = kPad;
        }
    }
    return o;
}

std::size_t Base64Codec::baseDecode(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dest,
                                    std::size_t destLen, const std::uint8_t* decodeTable, bool requirePadding) {
    if (src == nullptr || dest == nullptr || srcLen == 0 || destLen == 0 || decodeTable == nullptr)
        return 0;

    int state = 0;
    std::size_t pos = 0;
    std::size_t i = 0;
    bool sawPadding = false;

    // Writes past the destination would only happen with a destination
    // smaller than decodedCapacity(srcLen); refuse rather than overrun.
    auto put = [&](std::size_t at, std::uint8_t bits, bool orIn) -> bool {
        if (at >= destLen)
            return false;
        if (orIn)
            dest[at] |= bits;
        else
            dest[at] = bits;
        return true;
    };

    while (i < srcLen) {
        std::uint8_t ch = src[i++];
        if (ch == 0)
            break;
        if (IsSpace(ch))
            continue;
        if (ch == kPad) {
            sawPadding = true;
            break;
        }
        std::uint8_t v = decodeTable[ch];
        if (v == kInvalid)
            return 0;
        switch (state) {
        case 0:
            if (!put(pos, static_cast<std::uint8_t>(v << 2), false))
                return 0;
            state = 1;
            break;
        case 1:
            if (!put(pos, static_cast<std::uint8_t>(v >> 4), true))
                return 0;
            ++pos;
            if (pos < destLen)
                dest[pos] = static_cast<std::uint8_t>((v & 0x0f) << 4);
            else if ((v & 0x0f) != 0)
                return 0;
            state = 2;
            break;
        case 2:
            if (!put(pos, static_cast<std::uint8_t>(v >> 2), true))
                return 0;
            ++pos;
            if (pos < destLen)
                dest[pos] = static_cast<std::uint8_t>((v & 0x03) << 6);
            else if ((v & 0x03) != 0)
                return 0;
            state = 3;
            break;
        case 3:
            if (!put(pos, v, true))
                return 0;
            ++pos;
            state = 0;
            break;
        }
    }

    if (sawPadding) {
        if (state == 0 || state == 1)
            return 0;
        if (state == 2) {
            // A group of two characters needs "==": find the second one.
            bool found = false;
            while (i < srcLen) {
                std::uint8_t ch = src[i++];
                if (ch == 0)
                    break;
                if (IsSpace(ch))
                    continue;
                if (ch == kPad) {
                    found = true;
                    break;
                }
                return 0;
            }
            if (!found)
                return 0;
        }
        // Only blanks may follow the padding.
        while (i < srcLen) {
            std::uint8_t ch = src[i++];
            if (ch == 0)
                break;
            if (!IsSpace(ch))
                return 0;
        }
    } else {
        if (requirePadding ? state != 0 : state == 1)
            return 0;
    }

    // Left-over bits of an unfinished group must be zero: otherwise two
    // different texts would decode to the same bytes.
    if (pos < destLen && dest[pos] != 0)
        return 0;
    return pos;
}

std::optional<Base64Codec::Bytes> Base64Codec::encodeData(ByteSpan data) {
    return encodeWith(data.data(), data.size(), kBase64EncodeChars, true);
}

std::optional<Base64Codec::Bytes> Base64Codec::encodeBytes(const void* bytes, std::size_t length) {
    return encodeWith(bytes, length, kBase64EncodeChars, true);
}

std::optional<std::string> Base64Codec::stringByEncodingData(ByteSpan data) {
    return toString(encodeData(data));
}

std::optional<std::string> Base64Codec::stringByEncodingBytes(const void* bytes, std::size_t length) {
    return toString(encodeBytes(bytes, length));
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeData(ByteSpan data) {
    return decodeWith(data.data(), data.size(), kBase64DecodeChars.data(), true);
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeBytes(const void* bytes, std::size_t length) {
    return decodeWith(bytes, length, kBase64DecodeChars.data(), true);
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeString(std::string_view text) {
    if (!isAscii(text))
        return std::nullopt;
    return decodeWith(text.data(), text.size(), kBase64DecodeChars.data(), true);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeEncodeData(ByteSpan data, bool padded) {
    return encodeWith(data.data(), data.size(), kWebSafeBase64EncodeChars, padded);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeEncodeBytes(const void* bytes, std::size_t length, bool padded) {
    return encodeWith(bytes, length, kWebSafeBase64EncodeChars, padded);
}

std::optional<std::string> Base64Codec::stringByWebSafeEncodingData(ByteSpan data, bool padded) {
    return toString(webSafeEncodeData(data, padded));
}

std::optional<std::string> Base64Codec::stringByWebSafeEncodingBytes(const void* bytes, std::size_t length,
                                                                     bool padded) {
    return toString(webSafeEncodeBytes(bytes, length, padded));
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeData(ByteSpan data) {
    return decodeWith(data.data(), data.size(), kWebSafeBase64DecodeChars.data(), false);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeBytes(const void* bytes, std::size_t length) {
    return decodeWith(bytes, length, kWebSafeBase64DecodeChars.data(), false);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeString(std::string_view text) {
    if (!isAscii(text))
        return std::nullopt;
    return decodeWith(text.data(), text.size(), kWebSafeBase64DecodeChars.data(), false);
}

} // namespace pw
