#pragma once
// Digests, hexadecimal text and Base64 of byte strings.
#include <string>
#include <string_view>

namespace pw {

class WSData {
public:
    static std::string md5Digest(std::string_view bytes);  // 16 bytes
    static std::string sha1Digest(std::string_view bytes); // 20 bytes
    static std::string hexStringValue(std::string_view bytes);
    static std::string base64Encoded(std::string_view bytes);
    // Skips bytes outside the alphabet; the first "=" ends the decoding; an
    // incomplete last group without "=" is dropped.
    static std::string base64Decoded(std::string_view text);
};

} // namespace pw
