#pragma once
#include "platform/net/HttpStream.h"
#include "platform/net/Url.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pw::net {

inline constexpr const char* kAuthenticationSchemeBasic = "Basic";
inline constexpr const char* kAuthenticationSchemeDigest = "Digest";
inline constexpr const char* kAuthenticationSchemeNTLM = "NTLM";

struct AuthenticationCredentials {
    std::string user;
    std::string password;
    std::string accountDomain;
};

// One challenge of an answer (WWW-Authenticate or Proxy-Authenticate) and the
// Authorization values that answer it. Basic, Digest (MD5, MD5-sess, qop
// auth and auth-int) and NTLM (version 2 responses) are answered; any other
// scheme is recognised but cannot be answered.
class HttpAuthentication {
public:
    // The strongest challenge of a 401 (proxy false) or 407 (proxy true) answer.
    static std::optional<HttpAuthentication> fromResponse(const HttpResponseHead& head, bool proxy);
    // Parses one challenge value such as `Digest realm="x", nonce="y"`.
    static std::optional<HttpAuthentication> fromChallenge(const std::string& value);

    const std::string& scheme() const { return m_scheme; } // "Basic", "Digest", or as received
    const std::string& realm() const { return m_realm; }
    bool isSupported() const {
        return m_scheme == kAuthenticationSchemeBasic || m_scheme == kAuthenticationSchemeDigest ||
               m_scheme == kAuthenticationSchemeNTLM;
    }
    // Whether authorizationValue can answer this challenge at all (scheme,
    // Digest algorithm and quality of protection).
    bool canAnswer() const;
    bool requiresAccountDomain() const { return m_scheme == kAuthenticationSchemeNTLM; }
    bool requiresUserNameAndPassword() const { return true; }
    bool isStale() const { return m_stale; }
    // An NTLM challenge carrying the server's token: the handshake's second
    // step, not a refusal of what was sent.
    bool continuesHandshake() const { return m_scheme == kAuthenticationSchemeNTLM && !m_ntlmToken.empty(); }
    // Answering needs the request body's MD5 (Digest with qop auth-int only).
    bool coversEntityBody() const { return m_scheme == kAuthenticationSchemeDigest && digestQop() == "auth-int"; }
    std::optional<std::string> parameter(const std::string& name) const;

    // The header value answering the challenge for a request; nullopt when the
    // scheme cannot be answered. Each Digest answer counts its nonce use.
    // entityBodyMD5 is the request body's MD5 in lower-case hex (empty: no
    // body), which Digest with qop auth-int covers.
    std::optional<std::string> authorizationValue(const AuthenticationCredentials& credentials,
                                                  const std::string& method, const Url& url,
                                                  const std::string& entityBodyMD5 = {});

    static std::string basicValue(const std::string& user, const std::string& password);
    // Test hook: the client nonce Digest answers use, or NTLM's 8-byte client
    // challenge (random when empty).
    void setClientNonce(std::string cnonce) { m_cnonce = std::move(cnonce); }

private:
    // "auth", "auth-int", empty for none offered, nothing when none usable.
    std::optional<std::string> digestQop() const;
    std::optional<std::string> digestValue(const AuthenticationCredentials& credentials, const std::string& method,
                                           const Url& url, const std::string& entityBodyMD5);
    std::optional<std::string> ntlmValue(const AuthenticationCredentials& credentials);

    std::string m_scheme;
    std::string m_ntlmToken; // the server's challenge message, decoded
    std::string m_realm;
    std::map<std::string, std::string> m_params; // lower-case names
    bool m_stale = false;
    uint32_t m_nonceCount = 0;
    std::string m_cnonce;
};

std::string base64Encode(const std::string& bytes);
std::string base64Decode(const std::string& text);
std::string md5Hex(const std::string& bytes); // lower case
std::string md5HexUpper(const std::string& bytes);

} // namespace pw::net
