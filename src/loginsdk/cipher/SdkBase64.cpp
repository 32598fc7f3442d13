#include "loginsdk/cipher/SdkBase64.h"

#include "foundation/codec/Base64Codec.h"

namespace pw::melk {

std::string base64_encode_zel(const std::vector<uint8_t>& bytes) {
    // The codec answers nothing for empty input; the kit wants the empty text.
    return Base64Codec::stringByEncodingData(bytes).value_or("");
}

} // namespace pw::melk
