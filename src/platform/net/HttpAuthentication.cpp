#include "platform/net/HttpAuthentication.h"

#include "platform/net/HeaderText.h"

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
        return 3;
    if (scheme == kAuthenticationSchemeBasic)
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
    if (m_scheme == kAuthenticationSchemeBasic)
        return true;
    if (m_scheme != kAuthenticationSchemeDigest)
        return false;
    HttpAuthentication probe = *this;
    probe.m_cnonce = "0";
    return probe.authorizationValue({"u", "p", {}}, "GET", *Url::parse("http://h/")).has_value();
}

std::string HttpAuthentication::basicValue(const std::string& user, const std::string& password) {
    return "Basic " + base64Encode(user + ":" + password);
}

std::optional<std::string> HttpAuthentication::authorizationValue(const AuthenticationCredentials& credentials,
                                                                  const std::string& method, const Url& url) {
    if (m_scheme == kAuthenticationSchemeBasic)
        return basicValue(credentials.user, credentials.password);
    if (m_scheme != kAuthenticationSchemeDigest)
        return std::nullopt;

    std::string algorithm = parameter("algorithm").value_or("MD5");
    std::string algoLower = asciiLower(algorithm);
    if (algoLower != "md5" && algoLower != "md5-sess")
        return std::nullopt;
    std::string nonce = parameter("nonce").value_or("");
    std::string opaque = parameter("opaque").value_or("");
    std::string qopOffer = asciiLower(parameter("qop").value_or(""));
    bool useQop = false;
    if (!qopOffer.empty()) {
        size_t p = 0;
        while (p < qopOffer.size()) {
            size_t c = qopOffer.find(',', p);
            std::string tok = qopOffer.substr(p, c == std::string::npos ? std::string::npos : c - p);
            while (!tok.empty() && tok.front() == ' ')
                tok.erase(tok.begin());
            while (!tok.empty() && tok.back() == ' ')
                tok.pop_back();
            if (tok == "auth")
                useQop = true;
            if (c == std::string::npos)
                break;
            p = c + 1;
        }
        if (!useQop)
            return std::nullopt; // only auth-int offered
    }
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
    std::string response = useQop ? md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2)
                                  : md5Hex(ha1 + ":" + nonce + ":" + ha2);
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
    if (useQop)
        v += ", qop=auth, nc=" + std::string(nc) + ", cnonce=" + quote(cnonce);
    return v;
}

} // namespace pw::net
