#pragma once
// The account service's text cipher: single DES in ECB mode with zero padding,
// carried as lowercase hexadecimal. The service decrypts what we send with it
// and encrypts the token and phone number it returns, so its quirks (zero
// padding, the trim of both ends, lowercase-only hex) are part of the protocol.
#include <optional>
#include <string>
#include <string_view>

namespace pw {

namespace tarvzel {
// Hex text of `plain` encrypted under the first 8 bytes of `key` (a shorter
// key is padded with zero bytes). Any length; the empty text encrypts to "".
std::string Encrypt(std::string_view key, std::string_view plain);
// The decrypted bytes up to the first zero byte; no UTF-8 check, no trim.
std::string Decrypt(std::string_view key, std::string_view hex);
} // namespace tarvzel

class OADes {
public:
    // nullopt stands for a missing argument, as the callers may have none.
    static std::optional<std::string> OAEncrypt(const std::optional<std::string>& key,
                                                const std::optional<std::string>& source);
    // nullopt when an argument is missing or the result is not UTF-8.
    static std::optional<std::string> OADecrypt(const std::optional<std::string>& key,
                                                const std::optional<std::string>& hex);
    // In-place forms: false (and the text untouched) when an argument is missing.
    static bool Encrypt(const std::optional<std::string>& key, std::optional<std::string>& text);
    static bool Decrypt(const std::optional<std::string>& key, std::optional<std::string>& text);
};

// Blanks and line ends trimmed from both ends.
std::string trimBlanks(std::string_view text);

} // namespace pw
