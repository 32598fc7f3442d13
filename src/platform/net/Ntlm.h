#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace pw::net {

// The NTLM handshake's messages (version 2 responses): the client's
// negotiation, the server's challenge read back, and the client's answer.
// Binary messages; the Authorization header carries them in Base64.
class Ntlm {
public:
    struct Challenge {
        std::string serverChallenge; // 8 bytes
        uint32_t flags = 0;
        std::string targetInfo; // the server's attribute-value list, as sent
    };

    static std::string negotiateMessage();
    static std::optional<Challenge> parseChallenge(const std::string& message);
    // The answer to challenge; clientChallenge is 8 bytes, timestamp in
    // tenths of microseconds since 1601 (the protocol's clock).
    static std::optional<std::string> authenticateMessage(const Challenge& challenge, const std::string& user,
                                                          const std::string& password, const std::string& domain,
                                                          const std::string& clientChallenge, uint64_t timestamp);

    // The pieces, for checking against published examples.
    // MD4 of the password in UTF-16LE; nothing when MD4 is not available.
    static std::optional<std::string> ntHash(const std::string& password);
    static std::string ntlmV2Hash(const std::string& ntHash, const std::string& user, const std::string& domain);
    // NTProofStr followed by the blob it covers.
    static std::string ntlmV2Response(const std::string& ntlmV2Hash, const std::string& serverChallenge,
                                      const std::string& clientChallenge, uint64_t timestamp,
                                      const std::string& targetInfo);
    static std::string hmacMd5(const std::string& key, const std::string& data);
    // Now in the protocol's clock, from core::Clock.
    static uint64_t timestampNow();
};

} // namespace pw::net
