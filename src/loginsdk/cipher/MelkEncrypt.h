#pragma once
// The account service's passport cipher: DES-EDE3 in CBC mode with PKCS#5
// padding and Base64 output, keyed from the 20-character KeyWord the service
// sends in the same login exchange.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw::melk {

// Constants both ends of the exchange share; the key and vector built from
// them are never stored.
inline constexpr std::array<uint8_t, 8> kKeyMask = {0x3a, 0x91, 0x5c, 0x07, 0xe4, 0x28, 0xb6, 0x6f};
inline constexpr uint8_t kKeyConstant = 0x5a;
inline constexpr std::array<uint8_t, 8> kIvBase = {0x12, 0x34, 0x56, 0x78, 0x90, 0xab, 0xcd, 0xef};
inline constexpr size_t kKeyWordLength = 20;

enum MelkResult { MelkOk = 0, MelkMissingArgument = 1, MelkBadKeyWord = 2 };

// Base64 of `plain` encrypted under the key derived from `keyWord` (both byte
// strings, GB18030 in practice). `out` is written only on success. Any length.
int melk_encrypt(std::string_view plain, std::string_view keyWord, std::string& out);
int melk_encrypt(const char* plain, const char* keyWord, std::string& out);

// The 8 key bytes derived from a 20-byte KeyWord; -1 for any other length.
int DynamicKeyDecrypt(std::string_view keyWord, std::array<uint8_t, 8>& key);

// The 24-byte EDE3 key made from the derived key text, as the service makes it.
std::array<uint8_t, 24> makeTripleKey(const std::array<uint8_t, 8>& keyText);
std::array<uint8_t, 8> initialisationVector();

// Mode 0: PKCS#5 bytes of value 8 - (used mod 8); mode 1: zero bytes.
// Fills buf[used, total); other modes or total <= used leave it unchanged.
void melk_run_padding(std::vector<uint8_t>& buf, size_t used, size_t total, int mode);

} // namespace pw::melk
