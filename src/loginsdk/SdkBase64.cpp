#include "loginsdk/SdkBase64.h"

#include <openssl/evp.h>

namespace pw::melk {

std::string base64_encode_zel(const std::vector<uint8_t>& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                            static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace pw::melk
