#pragma once
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw::net {

struct ProtectionSpace {
    std::string host;
    int port = 0;
    std::string protocol; // URL scheme, or "http-proxy" for a proxy
    std::string realm;
    bool operator==(const ProtectionSpace&) const = default;
};

struct Credential {
    std::string user;
    std::string password;
    bool operator==(const Credential&) const = default;
};

// Credentials the user chose to keep, one default per protection space. Kept in
// a file only the user may read (mode 0600), rewritten whole on every change.
class CredentialStorage {
public:
    CredentialStorage() = default;
    explicit CredentialStorage(std::string filePath);
    static CredentialStorage& shared();

    void setFilePath(std::string path); // loads what the file holds
    void setDefaultCredential(const Credential& credential, const ProtectionSpace& space);
    std::optional<Credential> defaultCredential(const ProtectionSpace& space) const;
    void removeDefaultCredential(const ProtectionSpace& space);

private:
    bool saveLocked() const;
    void loadLocked();

    mutable std::mutex m_mutex;
    std::string m_filePath;
    std::vector<std::pair<ProtectionSpace, Credential>> m_entries;
};

} // namespace pw::net
