#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pw::melk {
// Standard Base64 (RFC 4648 alphabet, "=" padding); empty input, empty text.
std::string base64_encode_zel(const std::vector<uint8_t>& bytes);
} // namespace pw::melk
