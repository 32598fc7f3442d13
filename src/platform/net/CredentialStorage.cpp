#include "platform/net/CredentialStorage.h"

#include "platform/net/Url.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace pw::net {

CredentialStorage::CredentialStorage(std::string filePath) {
    setFilePath(std::move(filePath));
}

CredentialStorage& CredentialStorage::shared() {
    // Never destroyed: the network thread may still use it while the process ends.
    static CredentialStorage* storage = new CredentialStorage();
    return *storage;
}

void CredentialStorage::setFilePath(std::string path) {
    std::lock_guard lock(m_mutex);
    m_filePath = std::move(path);
    m_entries.clear();
    loadLocked();
}

void CredentialStorage::setDefaultCredential(const Credential& credential, const ProtectionSpace& space) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return e.first == space; });
    if (it != m_entries.end())
        it->second = credential;
    else
        m_entries.emplace_back(space, credential);
    saveLocked();
}

std::optional<Credential> CredentialStorage::defaultCredential(const ProtectionSpace& space) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [s, c] : m_entries)
        if (s == space)
            return c;
    return std::nullopt;
}

void CredentialStorage::removeDefaultCredential(const ProtectionSpace& space) {
    std::lock_guard lock(m_mutex);
    auto before = m_entries.size();
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return e.first == space; }),
                    m_entries.end());
    if (before != m_entries.size())
        saveLocked();
}

// One entry per line: host, port, protocol, realm, user, password, each escaped.
bool CredentialStorage::saveLocked() const {
    if (m_filePath.empty())
        return false;
    std::string text;
    for (const auto& [s, c] : m_entries) {
        // Every field starts with '=' so an empty one still counts.
        auto f = [](const std::string& v) { return "=" + Url::percentEscape(v); };
        text += f(s.host) + ' ' + std::to_string(s.port) + ' ' + f(s.protocol) + ' ' + f(s.realm) + ' ' + f(c.user) +
                ' ' + f(c.password) + '\n';
    }
    std::string tmp = m_filePath + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600); // an older file of ours may have other bits
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    return std::rename(tmp.c_str(), m_filePath.c_str()) == 0;
}

void CredentialStorage::loadLocked() {
    if (m_filePath.empty())
        return;
    std::ifstream in(m_filePath);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string host, port, protocol, realm, user, password;
        if (!(ls >> host >> port >> protocol >> realm >> user >> password))
            continue;
        auto f = [](const std::string& v) { return Url::percentUnescape(v.empty() ? v : v.substr(1)); };
        ProtectionSpace s{f(host), std::atoi(port.c_str()), f(protocol), f(realm)};
        m_entries.emplace_back(s, Credential{f(user), f(password)});
    }
}

} // namespace pw::net
