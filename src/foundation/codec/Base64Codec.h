#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Base64 in the standard alphabet and in the URL- and file-name-safe one.
// Every failure, and empty input, is std::nullopt: callers tell "nothing"
// from "something" without looking at lengths.
class Base64Codec {
public:
    using Bytes = std::vector<std::uint8_t>;
    using ByteSpan = std::span<const std::uint8_t>;

    // Standard alphabet, always padded.
    static std::optional<Bytes> encodeData(ByteSpan data);
    static std::optional<Bytes> encodeBytes(const void* bytes, std::size_t length);
    static std::optional<std::string> stringByEncodingData(ByteSpan data);
    static std::optional<std::string> stringByEncodingBytes(const void* bytes, std::size_t length);

    // Standard alphabet; the padding is required.
    static std::optional<Bytes> decodeData(ByteSpan data);
    static std::optional<Bytes> decodeBytes(const void* bytes, std::size_t length);
    // Text with any character outside ASCII has no Base64 form and gives nullopt.
    static std::optional<Bytes> decodeString(std::string_view text);

    // Web-safe alphabet ("-" and "_"), padded on request.
    static std::optional<Bytes> webSafeEncodeData(ByteSpan data, bool padded);
    static std::optional<Bytes> webSafeEncodeBytes(const void* bytes, std::size_t length, bool padded);
    static std::optional<std::string> stringByWebSafeEncodingData(ByteSpan data, bool padded);
    static std::optional<std::string> stringByWebSafeEncodingBytes(const void* bytes, std::size_t length, bool padded);

    // Web-safe alphabet; padding accepted but not required.
    static std::optional<Bytes> webSafeDecodeData(ByteSpan data);
    static std::optional<Bytes> webSafeDecodeBytes(const void* bytes, std::size_t length);
    static std::optional<Bytes> webSafeDecodeString(std::string_view text);

    // The raw routines: they return the number of bytes written, 0 for failure
    // or empty input. encodedLength/decodedCapacity give the room they need.
    static std::size_t encodedLength(std::size_t srcLen, bool padded);
    static std::size_t decodedCapacity(std::size_t srcLen);
    static std::size_t baseEncode(const std::uint8_t* src, std::size_t srcLen, char* dest, std::size_t destLen,
                                  const char* charset, bool padded);
    // dest must be zero-filled.
    static std::size_t baseDecode(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dest, std::size_t destLen,
                                  const std::uint8_t* decodeTable, bool requirePadding);

    static const char* standardCharset();
    static const char* webSafeCharset();
    static const std::uint8_t* standardDecodeTable();
    static const std::uint8_t* webSafeDecodeTable();
};

} // namespace pw
