#pragma once
// The parsed "Authorization" field of one request (Basic or Digest).
#include "transfer/http/HTTPMessage.h"

#include <optional>
#include <string>
#include <string_view>

namespace pw {

class HTTPAuthenticationRequest {
public:
    explicit HTTPAuthenticationRequest(const HTTPMessage& request);

    bool isBasic() const { return m_isBasic; }
    bool isDigest() const { return m_isDigest; }
    const std::string& base64Credentials() const { return m_base64Credentials; }
    const std::optional<std::string>& username() const { return m_username; }
    const std::optional<std::string>& realm() const { return m_realm; }
    const std::optional<std::string>& nonce() const { return m_nonce; }
    const std::optional<std::string>& uri() const { return m_uri; }
    const std::optional<std::string>& qop() const { return m_qop; }
    const std::optional<std::string>& nc() const { return m_nc; }
    const std::optional<std::string>& cnonce() const { return m_cnonce; }
    const std::optional<std::string>& response() const { return m_response; }

    // The parameter named exactly `name` (not one that merely ends with it).
    static std::optional<std::string> quotedSubHeaderFieldValue(std::string_view name, std::string_view field);
    static std::optional<std::string> nonquotedSubHeaderFieldValue(std::string_view name, std::string_view field);

private:
    bool m_isBasic = false;
    bool m_isDigest = false;
    std::string m_base64Credentials;
    std::optional<std::string> m_username, m_realm, m_nonce, m_uri, m_qop, m_nc, m_cnonce, m_response;
};

} // namespace pw
