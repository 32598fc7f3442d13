#pragma once
#include "platform/net/HttpAuthentication.h"
#include "platform/net/Ntlm.h"

#include <string>

namespace pw::test {

// The server's half of an NTLM handshake, for scripted servers and proxies:
// it hands out one fixed challenge and checks the client's answer against
// the user, password and domain it expects.
class NtlmPeer {
public:
    enum class Step { None, Negotiate, Authenticated, WrongAnswer };

    NtlmPeer(std::string user, std::string password, std::string domain)
        : m_user(std::move(user)), m_password(std::move(password)), m_domain(std::move(domain)) {
        const std::string info = le16("\x02") + std::string("\x0c\x00", 2) + le16("Domain") + std::string(4, '\0');
        // No target name, Unicode, NTLM, target information.
        m_type2 = std::string("NTLMSSP\0\x02\0\0\0", 12) + std::string(8, '\0') + std::string("\x01\x02\x80\x00", 4) +
                  m_serverChallenge + std::string(8, '\0');
        m_type2 += std::string(1, static_cast<char>(info.size())) + '\0' + static_cast<char>(info.size()) + '\0';
        m_type2 += std::string("\x30\0\0\0", 4) + info;
    }

    // The header value carrying the server's challenge.
    std::string challenge() const { return "NTLM " + net::base64Encode(m_type2); }

    // Reads an Authorization or Proxy-Authorization value.
    Step read(const std::string& value) {
        if (value.rfind("NTLM ", 0) != 0)
            return Step::None;
        std::string sent = net::base64Decode(value.substr(5));
        if (sent.size() > 12 && sent[8] == 1)
            return Step::Negotiate;
        if (sent.size() <= 64 || sent[8] != 3)
            return Step::None;
        m_lastUser = field(sent, 36);
        m_lastDomain = field(sent, 28);
        std::string nt = field(sent, 20);
        auto v2 = net::Ntlm::ntlmV2Hash(*net::Ntlm::ntHash(m_password), m_user, m_domain);
        bool proofOk = nt.size() > 16 && net::Ntlm::hmacMd5(v2, m_serverChallenge + nt.substr(16)) == nt.substr(0, 16);
        if (proofOk && m_lastUser == le16(m_user) && m_lastDomain == le16(m_domain))
            return Step::Authenticated;
        return Step::WrongAnswer;
    }
    // The user and domain of the last answer, as sent (UTF-16LE).
    const std::string& lastUser() const { return m_lastUser; }
    const std::string& lastDomain() const { return m_lastDomain; }

    static std::string le16(const std::string& ascii) {
        std::string out;
        for (char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    }

private:
    // The bytes a message's security buffer at `at` points to.
    static std::string field(const std::string& message, size_t at) {
        auto u = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(message[i])); };
        size_t length = u(at) | u(at + 1) << 8;
        size_t offset = u(at + 4) | u(at + 5) << 8 | u(at + 6) << 16 | u(at + 7) << 24;
        return offset + length <= message.size() ? message.substr(offset, length) : std::string();
    }

    std::string m_user, m_password, m_domain;
    const std::string m_serverChallenge = "\x01\x23\x45\x67\x89\xab\xcd\xef";
    std::string m_type2;
    std::string m_lastUser, m_lastDomain;
};

} // namespace pw::test
