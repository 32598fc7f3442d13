#include "platform/net/Ntlm.h"

#include "platform/core/Clock.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/provider.h>

#include <cctype>
#include <mutex>

namespace pw::net {
namespace {

constexpr char kSignature[] = "NTLMSSP"; // with its NUL, 8 bytes
// The negotiation flags this client uses or reads.
enum : uint32_t {
    kNegotiateUnicode = 1u << 0,
    kNegotiateOem = 1u << 1,
    kRequestTarget = 1u << 2,
    kNegotiateNtlm = 1u << 9,
    kAlwaysSign = 1u << 15,
    kExtendedSessionSecurity = 1u << 19,
    kTargetInfo = 1u << 23,
};

void putLE(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

uint64_t getLE(const std::string& in, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(in[at + i]);
    return v;
}

// UTF-8 to UTF-16LE (characters outside the basic plane as surrogate pairs).
std::string utf16le(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = c;
        int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        if (extra)
            cp = c & (0x3f >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
        i += 1 + extra;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            putLE(out, 0xd800 + (cp >> 10), 2);
            putLE(out, 0xdc00 + (cp & 0x3ff), 2);
        } else {
            putLE(out, cp, 2);
        }
    }
    return out;
}

std::string asciiUpper(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// MD4 lives in OpenSSL's legacy provider, loaded into a context of its own
// so that nothing else in the process sees legacy algorithms.
const EVP_MD* md4() {
    static const EVP_MD* md = [] {
        OSSL_LIB_CTX* ctx = OSSL_LIB_CTX_new();
        if (!ctx || !OSSL_PROVIDER_load(ctx, "legacy"))
            return static_cast<EVP_MD*>(nullptr);
        return EVP_MD_fetch(ctx, "MD4", nullptr);
    }();
    return md;
}

// A message's security buffer: length, room, offset.
void putBuffer(std::string& head, size_t length, size_t offset) {
    putLE(head, length, 2);
    putLE(head, length, 2);
    putLE(head, offset, 4);
}

} // namespace

std::string Ntlm::hmacMd5(const std::string& key, const std::string& data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(data.data()),
         data.size(), out, &len);
    return std::string(reinterpret_cast<char*>(out), len);
}

std::string Ntlm::negotiateMessage() {
    std::string m(kSignature, 8);
    putLE(m, 1, 4);
    putLE(m,
          kNegotiateUnicode | kNegotiateOem | kRequestTarget | kNegotiateNtlm | kAlwaysSign | kExtendedSessionSecurity,
          4);
    putBuffer(m, 0, 0); // no domain
    putBuffer(m, 0, 0); // no workstation
    return m;
}

std::optional<Ntlm::Challenge> Ntlm::parseChallenge(const std::string& message) {
    if (message.size() < 32 || message.compare(0, 8, std::string(kSignature, 8)) != 0 || getLE(message, 8, 4) != 2)
        return std::nullopt;
    Challenge c;
    c.flags = static_cast<uint32_t>(getLE(message, 20, 4));
    c.serverChallenge = message.substr(24, 8);
    if ((c.flags & kTargetInfo) && message.size() >= 48) {
        size_t length = getLE(message, 40, 2);
        size_t offset = getLE(message, 44, 4);
        if (offset > message.size() || length > message.size() - offset)
            return std::nullopt;
        c.targetInfo = message.substr(offset, length);
    }
    return c;
}

std::optional<std::string> Ntlm::ntHash(const std::string& password) {
    const EVP_MD* md = md4();
    if (!md)
        return std::nullopt;
    std::string text = utf16le(password);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(text.data(), text.size(), out, &len, md, nullptr) != 1)
        return std::nullopt;
    return std::string(reinterpret_cast<char*>(out), len);
}

std::string Ntlm::ntlmV2Hash(const std::string& ntHash, const std::string& user, const std::string& domain) {
    return hmacMd5(ntHash, utf16le(asciiUpper(user) + domain));
}

std::string Ntlm::ntlmV2Response(const std::string& ntlmV2Hash, const std::string& serverChallenge,
                                 const std::string& clientChallenge, uint64_t timestamp,
                                 const std::string& targetInfo) {
    std::string blob;
    putLE(blob, 0x0101, 4);
    putLE(blob, 0, 4);
    putLE(blob, timestamp, 8);
    blob += clientChallenge;
    putLE(blob, 0, 4);
    blob += targetInfo;
    putLE(blob, 0, 4);
    return hmacMd5(ntlmV2Hash, serverChallenge + blob) + blob;
}

uint64_t Ntlm::timestampNow() {
    // Seconds from 1601 to 1970, then tenths of microseconds.
    double seconds = core::Clock::shared().now() + 11644473600.0;
    return static_cast<uint64_t>(seconds * 1e7);
}

std::optional<std::string> Ntlm::authenticateMessage(const Challenge& challenge, const std::string& user,
                                                     const std::string& password, const std::string& domain,
                                                     const std::string& clientChallenge, uint64_t timestamp) {
    auto nt = ntHash(password);
    if (!nt || challenge.serverChallenge.size() != 8 || clientChallenge.size() != 8)
        return std::nullopt;
    std::string v2 = ntlmV2Hash(*nt, user, domain);
    std::string ntResponse =
        ntlmV2Response(v2, challenge.serverChallenge, clientChallenge, timestamp, challenge.targetInfo);
    std::string lmResponse = hmacMd5(v2, challenge.serverChallenge + clientChallenge) + clientChallenge;
    std::string domainText = utf16le(domain), userText = utf16le(user);
    constexpr size_t kHead = 64;
    std::string m(kSignature, 8);
    putLE(m, 3, 4);
    size_t at = kHead;
    putBuffer(m, lmResponse.size(), at + domainText.size() + userText.size());
    putBuffer(m, ntResponse.size(), at + domainText.size() + userText.size() + lmResponse.size());
    putBuffer(m, domainText.size(), at);
    putBuffer(m, userText.size(), at + domainText.size());
    putBuffer(m, 0, at + domainText.size() + userText.size()); // no workstation
    putBuffer(m, 0, at + domainText.size() + userText.size() + lmResponse.size() + ntResponse.size());
    putLE(m,
          kNegotiateUnicode | kRequestTarget | kNegotiateNtlm | kAlwaysSign | kExtendedSessionSecurity |
              (challenge.flags & kTargetInfo),
          4);
    return m + domainText + userText + lmResponse + ntResponse;
}

} // namespace pw::net
