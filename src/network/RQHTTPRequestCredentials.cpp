#include "network/RQHTTPRequest.h"

#include "platform/net/CredentialStorage.h"

#include <algorithm>

// Credentials: the two session stores (what worked in this process), the
// platform's credential storage (what the user chose to keep), and finding
// and applying what answers a server's or a proxy's challenge.

namespace pw {
namespace {

// Guards both session stores. Recursive: storing removes first.
std::recursive_mutex& credentialStoreLock() {
    static auto* lock = new std::recursive_mutex(); // lives to the end of the process
    return *lock;
}

std::vector<RQSessionCredentialsEntry>& serverStore() {
    static auto* store = new std::vector<RQSessionCredentialsEntry>();
    return *store;
}

std::vector<RQSessionCredentialsEntry>& proxyStore() {
    static auto* store = new std::vector<RQSessionCredentialsEntry>();
    return *store;
}

// The first entry holding this very record goes; an equal record is another's.
void removeFrom(std::vector<RQSessionCredentialsEntry>& store, const RQCredentials& credentials) {
    if (!credentials)
        return;
    auto it = std::find_if(store.begin(), store.end(),
                           [&](const RQSessionCredentialsEntry& e) { return e.credentials == credentials; });
    if (it != store.end())
        store.erase(it);
}

// The protocol of a proxy's protection space.
constexpr const char* kProxyProtocol = "http-proxy";

// "DOMAIN\user" names the account domain before the backslash; only a name
// with exactly one backslash is read that way.
bool splitAtBackslash(net::AuthenticationCredentials& c) {
    auto slash = c.user.find('\\');
    if (slash == std::string::npos || c.user.find('\\', slash + 1) != std::string::npos)
        return false;
    c.accountDomain = c.user.substr(0, slash);
    c.user = c.user.substr(slash + 1);
    return true;
}

} // namespace

// ---- session stores

void RQHTTPRequest::storeAuthenticationCredentialsInSessionStore(RQSessionCredentialsEntry entry) {
    if (!entry.credentials)
        return;
    std::lock_guard lock(credentialStoreLock());
    removeAuthenticationCredentialsFromSessionStore(entry.credentials);
    serverStore().push_back(std::move(entry));
}

void RQHTTPRequest::storeProxyAuthenticationCredentialsInSessionStore(RQSessionCredentialsEntry entry) {
    if (!entry.credentials)
        return;
    std::lock_guard lock(credentialStoreLock());
    removeProxyAuthenticationCredentialsFromSessionStore(entry.credentials);
    proxyStore().push_back(std::move(entry));
}

void RQHTTPRequest::removeAuthenticationCredentialsFromSessionStore(const RQCredentials& credentials) {
    std::lock_guard lock(credentialStoreLock());
    removeFrom(serverStore(), credentials);
}

void RQHTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore(const RQCredentials& credentials) {
    std::lock_guard lock(credentialStoreLock());
    removeFrom(proxyStore(), credentials);
}

std::vector<RQSessionCredentialsEntry> RQHTTPRequest::sessionCredentialsStore() {
    std::lock_guard lock(credentialStoreLock());
    return serverStore();
}

std::vector<RQSessionCredentialsEntry> RQHTTPRequest::sessionProxyCredentialsStore() {
    std::lock_guard lock(credentialStoreLock());
    return proxyStore();
}

void RQHTTPRequest::clearSessionCredentials() {
    std::lock_guard lock(credentialStoreLock());
    serverStore().clear();
    proxyStore().clear();
}

void RQHTTPRequest::clearServerSessionCredentials() {
    std::lock_guard lock(credentialStoreLock());
    serverStore().clear();
}

void RQHTTPRequest::storeBasicCredentialsSentBeforeChallenge() {
    std::lock_guard lock(credentialStoreLock());
    // Every request sending them would otherwise add one more equal entry.
    bool kept = std::any_of(serverStore().begin(), serverStore().end(), [&](const RQSessionCredentialsEntry& e) {
        return !e.authentication && e.url == m_urlText && e.credentials->user == m_username &&
               e.credentials->password == m_password;
    });
    if (kept)
        return;
    RQSessionCredentialsEntry entry;
    entry.credentials =
        std::make_shared<const net::AuthenticationCredentials>(net::AuthenticationCredentials{m_username, m_password, {}});
    entry.url = m_urlText;
    entry.scheme = net::kAuthenticationSchemeBasic;
    storeAuthenticationCredentialsInSessionStore(std::move(entry));
}

std::optional<RQSessionCredentialsEntry> RQHTTPRequest::findSessionAuthenticationCredentials() {
    std::lock_guard lock(credentialStoreLock());
    if (!m_url)
        return std::nullopt;
    const RQSessionCredentialsEntry* close = nullptr;
    for (const auto& e : serverStore()) {
        bool exact = e.url == m_urlText;
        if (!exact) {
            if (close)
                continue;
            // Same host, port (both unnamed, or named alike) and scheme.
            auto u = net::Url::parse(e.url);
            if (!u || u->host() != m_url->host() || u->port() != m_url->port() || u->scheme() != m_url->scheme())
                continue;
        }
        if (!m_serverAuth.realm.empty() && !e.realm.empty() && e.realm != m_serverAuth.realm)
            continue;
        if (!m_username.empty() && !m_password.empty() &&
            (e.credentials->user != m_username || e.credentials->password != m_password))
            continue;
        if (exact)
            return e;
        close = &e;
    }
    if (close)
        return *close;
    return std::nullopt;
}

std::optional<RQSessionCredentialsEntry> RQHTTPRequest::findSessionProxyAuthenticationCredentials() {
    std::lock_guard lock(credentialStoreLock());
    for (const auto& e : proxyStore())
        if (e.host == m_proxyHost && e.port == m_proxyPort)
            return e;
    return std::nullopt;
}

// ---- the platform's credential storage

void RQHTTPRequest::saveCredentialsForHost(const net::Credential& credentials, const std::string& host, int port,
                                           const std::string& protocol, const std::string& realm) {
    net::CredentialStorage::shared().setDefaultCredential(credentials, {host, port, protocol, realm});
}

void RQHTTPRequest::saveCredentialsForProxy(const net::Credential& credentials, const std::string& proxy, int port,
                                            const std::string& realm) {
    net::CredentialStorage::shared().setDefaultCredential(credentials, {proxy, port, kProxyProtocol, realm});
}

std::optional<net::Credential> RQHTTPRequest::savedCredentialsForHost(const std::string& host, int port,
                                                                      const std::string& protocol,
                                                                      const std::string& realm) {
    return net::CredentialStorage::shared().defaultCredential({host, port, protocol, realm});
}

std::optional<net::Credential> RQHTTPRequest::savedCredentialsForProxy(const std::string& proxy, int port,
                                                                       const std::string& /*protocol*/,
                                                                       const std::string& realm) {
    return net::CredentialStorage::shared().defaultCredential({proxy, port, kProxyProtocol, realm});
}

void RQHTTPRequest::removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                             const std::string& realm) {
    net::CredentialStorage::shared().removeDefaultCredential({host, port, protocol, realm});
}

void RQHTTPRequest::removeCredentialsForProxy(const std::string& proxy, int port, const std::string& realm) {
    net::CredentialStorage::shared().removeDefaultCredential({proxy, port, kProxyProtocol, realm});
}

void RQHTTPRequest::saveCredentialsToKeychain(const RQCredentials& credentials) {
    if (!credentials || !m_url)
        return;
    saveCredentialsForHost({credentials->user, credentials->password}, m_url->host(), m_url->port().value_or(0),
                           m_url->scheme(), m_serverAuth.realm);
}

void RQHTTPRequest::saveProxyCredentialsToKeychain(const RQCredentials& credentials) {
    if (!credentials)
        return;
    saveCredentialsForProxy({credentials->user, credentials->password}, m_proxyHost, m_proxyPort, m_proxyAuth.realm);
}

// ---- finding credentials

RQCredentials RQHTTPRequest::findCredentials() {
    net::AuthenticationCredentials c;
    auto both = [](const std::string& u, const std::string& p) { return !u.empty() && !p.empty(); };
    if (m_url && both(m_url->user(), m_url->password())) {
        c.user = m_url->user();
        c.password = m_url->password();
    } else if (m_mainRequest && both(m_mainRequest->m_username, m_mainRequest->m_password)) {
        c.user = m_mainRequest->m_username;
        c.password = m_mainRequest->m_password;
    } else if (both(m_username, m_password)) {
        c.user = m_username;
        c.password = m_password;
    } else if (m_useKeychainPersistence && m_url) {
        if (auto saved = savedCredentialsForHost(m_url->host(), m_url->port().value_or(0), m_url->scheme(),
                                                 m_serverAuth.realm)) {
            c.user = saved->user;
            c.password = saved->password;
        }
    }
    if (!both(c.user, c.password))
        return nullptr;
    if (m_serverAuth.authentication && m_serverAuth.authentication->requiresAccountDomain()) {
        if (!m_domain.empty())
            c.accountDomain = m_domain;
        else
            splitAtBackslash(c);
    }
    return std::make_shared<const net::AuthenticationCredentials>(std::move(c));
}

RQCredentials RQHTTPRequest::findProxyCredentials() {
    net::AuthenticationCredentials c;
    auto both = [](const std::string& u, const std::string& p) { return !u.empty() && !p.empty(); };
    if (m_mainRequest && both(m_mainRequest->m_proxyUsername, m_mainRequest->m_proxyPassword)) {
        c.user = m_mainRequest->m_proxyUsername;
        c.password = m_mainRequest->m_proxyPassword;
    } else if (both(m_proxyUsername, m_proxyPassword)) {
        c.user = m_proxyUsername;
        c.password = m_proxyPassword;
    } else if (m_proxyAuth.scheme == net::kAuthenticationSchemeNTLM && both(m_username, m_password)) {
        c.user = m_username;
        c.password = m_password;
    } else if (auto saved = savedCredentialsForProxy(m_proxyHost, m_proxyPort, {}, m_proxyAuth.realm)) {
        c.user = saved->user;
        c.password = saved->password;
    }
    if (!both(c.user, c.password))
        return nullptr;
    if (m_proxyAuth.authentication && m_proxyAuth.authentication->requiresAccountDomain()) {
        if (!m_proxyDomain.empty())
            c.accountDomain = m_proxyDomain;
        else if (!splitAtBackslash(c))
            c.accountDomain = m_domain;
    }
    return std::make_shared<const net::AuthenticationCredentials>(std::move(c));
}

// ---- applying credentials

bool RQHTTPRequest::applyCredentials(const RQCredentials& credentials) {
    ++m_serverAuth.retryCount;
    if (!credentials || !m_serverAuth.authentication || !m_url)
        return false;
    auto& auth = *m_serverAuth.authentication;
    auto value = auth.authorizationValue(*credentials, m_requestMethod, *m_url, entityBodyMD5(auth));
    if (!value) {
        removeAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    setHeader("Authorization", *value);
    if (m_useKeychainPersistence)
        saveCredentialsToKeychain(credentials);
    if (m_useSessionPersistence) {
        RQSessionCredentialsEntry entry;
        entry.authentication = auth;
        entry.credentials = credentials;
        entry.url = m_urlText;
        entry.scheme = auth.scheme();
        entry.realm = m_serverAuth.realm;
        storeAuthenticationCredentialsInSessionStore(std::move(entry));
    }
    m_serverAuth.credentials = credentials;
    return true;
}

bool RQHTTPRequest::applyProxyCredentials(const RQCredentials& credentials) {
    ++m_proxyAuth.retryCount;
    if (!credentials || !m_proxyAuth.authentication || !m_url)
        return false;
    auto& auth = *m_proxyAuth.authentication;
    auto value = auth.authorizationValue(*credentials, m_requestMethod, *m_url, entityBodyMD5(auth));
    if (!value) {
        removeProxyAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    setHeader("Proxy-Authorization", *value);
    if (m_useKeychainPersistence)
        saveProxyCredentialsToKeychain(credentials);
    if (m_useSessionPersistence) {
        RQSessionCredentialsEntry entry;
        entry.authentication = auth;
        entry.credentials = credentials;
        entry.host = m_proxyHost;
        entry.port = m_proxyPort;
        entry.scheme = auth.scheme();
        storeProxyAuthenticationCredentialsInSessionStore(std::move(entry));
    }
    m_proxyAuth.credentials = credentials;
    return true;
}

} // namespace pw
