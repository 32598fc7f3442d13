#pragma once
// One TLS session over a non-blocking socket, driven step by step by its
// owner's readiness events.
#include <memory>
#include <string>

namespace pw::net {

class TlsSession {
public:
    struct Settings {
        bool isServer = false;
        std::string certificateFile; // PEM; needed by a server
        std::string privateKeyFile;  // PEM
        std::string peerName;        // a client checks the server's certificate against it
        bool verifyPeer = true;      // a client verifies the server's certificate
        std::string caFile;          // trusted certificates (PEM); empty: the system's
    };
    enum class Result { Done, WantRead, WantWrite, Closed, Error };

    // nullptr with the reason when the settings cannot be used.
    static std::unique_ptr<TlsSession> create(int fd, const Settings& settings, std::string* error);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    Result handshake();
    Result read(char* buffer, size_t length, size_t* got);
    Result write(const char* buffer, size_t length, size_t* written);
    // Decrypted bytes waiting inside the session.
    size_t pending() const;
    const std::string& lastError() const { return m_lastError; }
    int lastErrorCode() const { return m_lastErrorCode; }

private:
    TlsSession() = default;
    Result resultOf(int ret);

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    std::string m_lastError;
    int m_lastErrorCode = 0;
};

} // namespace pw::net
