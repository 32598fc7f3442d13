#include "platform/net/HttpAuthentication.h"

#include "platform/net/HeaderText.h"
#include "platform/net/Ntlm.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>
#include <cstdio>
#include <strings.h>
#include <vector>

namespace pw::net {
namespace {

int strength(const std::string& scheme) {
    if (scheme == kAuthenticationSchemeDigest)
        return 4;
    if (scheme == kAuthenticationSchemeBasic)
        return 3;
    if (scheme == kAuthenticationSchemeNTLM)
        return 2;
    return 1;
}

std::string canonicalScheme(const std::string& s) {
    std::string l = asciiLower(s);
    if (l == "basic")
        return kAuthenticationSchemeBasic;
    if (l == "digest")
        return kAuthenticationSchemeDigest;
    if (l == "ntlm")
        return kAuthenticationSchemeNTLM;
    return s;
}

std::string digestHex(const EVP_MD* md, const std::string& bytes, bool upper) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), out, &len, md, nullptr);
    std::string hex;
    char buf[3];
    for (unsigned i = 0; i < len; ++i) {
        std::snprintf(buf, sizeof buf, upper ? "%02X" : "%02x", out[i]);
        hex += buf;
    }
    return hex;
}

} // namespace

std::string base64Encode(const std::string& bytes) {
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v = (b(i) << 16) | (b(i + 1) << 8) | b(i + 2);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i + 1 == bytes.size()) {
        uint32_t v = b(i) << 16;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        uint32_t v = (b(i) << 16) | (b(i + 1) << 8);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string base64Decode(const std::string& text) {
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (char ch : text) {
        int v = ch >= 'A' && ch <= 'Z'   ? ch - 'A'
                : ch >= 'a' && ch <= 'z' ? ch - 'a' + 26
                : ch >= '0' && ch <= '9' ? ch - '0' + 52
                : ch == '+'              ? 62
                : ch == '/'              ? 63
                                         : -1;
        if (v < 0)
            continue; // padding and blanks are skipped
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xff);
        }
    }
    return out;
}

std::string md5Hex(const std::string& bytes) {
    return digestHex(EVP_md5(), bytes, false);
}

std::string md5HexUpper(const std::string& bytes) {
    return digestHex(EVP_md5(), bytes, true);
}

std::optional<HttpAuthentication> HttpAuthentication::fromChallenge(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i])))
        ++i;
    size_t start = i;
    while (i < value.size() && !std::isspace(static_cast<unsigned char>(value[i])) && value[i] != ',')
        ++i;
    if (i == start)
        return std::nullopt;
    HttpAuthentication auth;
    auth.m_scheme = canonicalScheme(value.substr(start, i - start));
    if (auth.m_scheme == kAuthenticationSchemeNTLM) {
        // "NTLM" opens the handshake; "NTLM <token>" is the server's challenge.
        auth.m_ntlmToken = base64Decode(trimBlanks(value.substr(i)));
        return auth;
    }
    // auth-params: name=token or name="quoted", separated by commas
    while (i < value.size()) {
        while (i < value.size() && (std::isspace(static_cast<unsigned char>(value[i])) || value[i] == ','))
            ++i;
        size_t ns = i;
        while (i < value.size() && value[i] != '=' && value[i] != ',' &&
               !std::isspace(static_cast<unsigned char>(value[i])))
            ++i;
        std::string name = asciiLower(value.substr(ns, i - ns));
        while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i])))
            ++i;
        if (i >= value.size() || value[i] != '=') {
            if (name.empty())
                break;
            continue;
        }
        ++i;
        while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i])))
            ++i;
        std::string v;
        if (i < value.size() && value[i] == '"') {
            ++i;
            while (i < value.size() && value[i] != '"') {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                v += value[i++];
            }
            ++i;
        } else {
            size_t vs = i;
            while (i < value.size() && value[i] != ',')
                ++i;
            v = value.substr(vs, i - vs);
            while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back())))
                v.pop_back();
        }
        if (!name.empty())
            auth.m_params[name] = v;
    }
    auth.m_realm = auth.m_params.count("realm") ? auth.m_params["realm"] : std::string();
    auth.m_stale = asciiLower(auth.m_params.count("stale") ? auth.m_params["stale"] : "") == "true";
    return auth;
}

std::optional<HttpAuthentication> HttpAuthentication::fromResponse(const HttpResponseHead& head, bool proxy) {
    const char* name = proxy ? "Proxy-Authenticate" : "WWW-Authenticate";
    std::optional<HttpAuthentication> best;
    for (const auto& [n, v] : head.headers) {
        if (strcasecmp(n.c_str(), name) != 0)
            continue;
        auto a = fromChallenge(v);
        if (a && (!best || strength(a->m_scheme) > strength(best->m_scheme)))
            best = a;
    }
    return best;
}

std::optional<std::string> HttpAuthentication::parameter(const std::string& name) const {
    auto it = m_params.find(asciiLower(name));
    if (it == m_params.end())
        return std::nullopt;
    return it->second;
}

bool HttpAuthentication::canAnswer() const {
    if (m_scheme == kAuthenticationSchemeBasic || m_scheme == kAuthenticationSchemeNTLM)
        return true;
    if (m_scheme != kAuthenticationSchemeDigest)
        return false;
    HttpAuthentication probe = *this;
    probe.m_cnonce = "0";
    return probe.authorizationValue({"u", "p", {}}, "GET", *Url::parse("http://h/")).has_value();
}

std::optional<std::string> HttpAuthentication::ntlmValue(const AuthenticationCredentials& credentials) {
    if (m_ntlmToken.empty())
        return "NTLM " + base64Encode(Ntlm::negotiateMessage());
    auto challenge = Ntlm::parseChallenge(m_ntlmToken);
    if (!challenge)
        return std::nullopt;
    std::string clientChallenge = m_cnonce;
    if (clientChallenge.size() != 8) {
        unsigned char r[8];
        RAND_bytes(r, sizeof r);
        clientChallenge.assign(reinterpret_cast<char*>(r), sizeof r);
    }
    auto message = Ntlm::authenticateMessage(*challenge, credentials.user, credentials.password,
                                             credentials.accountDomain, clientChallenge, Ntlm::timestampNow());
    if (!message)
        return std::nullopt;
    return "NTLM " + base64Encode(*message);
}

std::string HttpAuthentication::basicValue(const std::string& user, const std::string& password) {
    return "Basic " + base64Encode(user + ":" + password);
}

std::optional<std::string> HttpAuthentication::authorizationValue(const AuthenticationCredentials& credentials,
                                                                  const std::string& method, const Url& url,
                                                                  const std::string& entityBodyMD5) {
    if (m_scheme == kAuthenticationSchemeBasic)
        return basicValue(credentials.user, credentials.password);
    if (m_scheme == kAuthenticationSchemeNTLM)
        return ntlmValue(credentials);
    if (m_scheme != kAuthenticationSchemeDigest)
        return std::nullopt;
    return digestValue(credentials, method, url, entityBodyMD5);
}

std::optional<std::string> HttpAuthentication::digestQop() const {
    std::string offer = asciiLower(parameter("qop").value_or(""));
    if (offer.empty())
        return std::string(); // the old form, without a quality of protection
    bool auth = false, authInt = false;
    size_t p = 0;
    while (p <= offer.size()) {
        size_t c = offer.find(',', p);
        std::string tok = trimBlanks(offer.substr(p, c == std::string::npos ? std::string::npos : c - p));
        auth |= tok == "auth";
        authInt |= tok == "auth-int";
        if (c == std::string::npos)
            break;
        p = c + 1;
    }
    // Plain auth when offered: protecting the body costs hashing all of it.
    if (auth)
        return std::string("auth");
    if (authInt)
        return std::string("auth-int");
    return std::nullopt;
}

std::optional<std::string> HttpAuthentication::digestValue(const AuthenticationCredentials& credentials,
                                                           const std::string& method, const Url& url,
                                                           const std::string& entityBodyMD5) {
    std::string algorithm = parameter("algorithm").value_or("MD5");
    std::string algoLower = asciiLower(algorithm);
    auto qop = digestQop();
    if ((algoLower != "md5" && algoLower != "md5-sess") || !qop)
        return std::nullopt;
    std::string nonce = parameter("nonce").value_or("");
    std::string opaque = parameter("opaque").value_or("");
    std::string cnonce = m_cnonce;
    if (cnonce.empty()) {
        unsigned char r[8];
        RAND_bytes(r, sizeof r);
        char hex[17];
        for (int i = 0; i < 8; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", r[i]);
        cnonce = hex;
    }
    ++m_nonceCount;
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", m_nonceCount);
    std::string uri = url.requestTarget();
    std::string ha1 = md5Hex(credentials.user + ":" + m_realm + ":" + credentials.password);
    if (algoLower == "md5-sess")
        ha1 = md5Hex(ha1 + ":" + nonce + ":" + cnonce);
    std::string ha2 = md5Hex(method + ":" + uri);
    if (*qop == "auth-int")
        ha2 = md5Hex(method + ":" + uri + ":" + (entityBodyMD5.empty() ? md5Hex("") : entityBodyMD5));
    std::string response = qop->empty() ? md5Hex(ha1 + ":" + nonce + ":" + ha2)
                                        : md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + *qop + ":" + ha2);
    auto quote = [](const std::string& s) {
        std::string o = "\"";
        for (char c : s) {
            if (c == '"' || c == '\\')
                o += '\\';
            o += c;
        }
        return o + "\"";
    };
    std::string v = "Digest username=" + quote(credentials.user) + ", realm=" + quote(m_realm) +
                    ", nonce=" + quote(nonce) + ", uri=" + quote(uri) + ", response=" + quote(response);
    if (parameter("algorithm"))
        v += ", algorithm=" + algorithm;
    if (!opaque.empty())
        v += ", opaque=" + quote(opaque);
    if (!qop->empty())
        v += ", qop=" + *qop + ", nc=" + std::string(nc) + ", cnonce=" + quote(cnonce);
    return v;
}

} // namespace pw::net
