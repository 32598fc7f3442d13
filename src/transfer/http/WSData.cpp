#include "transfer/http/WSData.h"

#include <openssl/evp.h>

namespace pw {

namespace {
std::string digest(const EVP_MD* md, std::string_view bytes) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), out, &len, md, nullptr) != 1)
        return {};
    return std::string(reinterpret_cast<char*>(out), len);
}
} // namespace

std::string WSData::md5Digest(std::string_view bytes) {
    return digest(EVP_md5(), bytes);
}
std::string WSData::sha1Digest(std::string_view bytes) {
    return digest(EVP_sha1(), bytes);
}

std::string WSData::hexStringValue(std::string_view bytes) {
    static const char* hex = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        s.push_back(hex[c >> 4]);
        s.push_back(hex[c & 15]);
    }
    return s;
}

std::string WSData::base64Encoded(std::string_view bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    s.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto at = [&](size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        s.push_back(alphabet[v >> 18]);
        s.push_back(alphabet[(v >> 12) & 63]);
        s.push_back(alphabet[(v >> 6) & 63]);
        s.push_back(alphabet[v & 63]);
    }
    if (i + 1 == bytes.size()) {
        unsigned v = at(i) << 16;
        s.push_back(alphabet[v >> 18]);
        s.push_back(alphabet[(v >> 12) & 63]);
        s.append("==");
    } else if (i + 2 == bytes.size()) {
        unsigned v = at(i) << 16 | at(i + 1) << 8;
        s.push_back(alphabet[v >> 18]);
        s.push_back(alphabet[(v >> 12) & 63]);
        s.push_back(alphabet[(v >> 6) & 63]);
        s.push_back('=');
    }
    return s;
}

std::string WSData::base64Decoded(std::string_view text) {
    std::string out;
    unsigned values[4];
    int n = 0;
    for (unsigned char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=') {
            if (n >= 2)
                out.push_back(static_cast<char>(values[0] << 2 | values[1] >> 4));
            if (n == 3)
                out.push_back(static_cast<char>((values[1] & 15) << 4 | values[2] >> 2));
            return out;
        } else
            continue;
        values[n++] = static_cast<unsigned>(v);
        if (n == 4) {
            out.push_back(static_cast<char>(values[0] << 2 | values[1] >> 4));
            out.push_back(static_cast<char>((values[1] & 15) << 4 | values[2] >> 2));
            out.push_back(static_cast<char>((values[2] & 3) << 6 | values[3]));
            n = 0;
        }
    }
    return out;
}

} // namespace pw
