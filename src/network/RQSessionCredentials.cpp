#include "network/RQSessionCredentials.h"

#include "network/RQHelpers.h"

#include <algorithm>

namespace pw {
RQSessionCredentials& RQSessionCredentials::shared() {
    static RQSessionCredentials* store = new RQSessionCredentials(); // lives to the end of the process
    return *store;
}

std::optional<RQSessionCredentials::Entry> RQSessionCredentials::findForServer(const ServerQuery& query,
                                                                               const net::Url& url) const {
    std::lock_guard lock(m_mutex);
    const Entry* close = nullptr;
    for (const auto& e : m_servers) {
        if (!query.user.empty() && !query.password.empty() &&
            (e.credentials.user != query.user || e.credentials.password != query.password))
            continue;
        if (!query.realm.empty() && !e.realm.empty() && e.realm != query.realm)
            continue;
        if (e.url == query.url)
            return e;
        auto u = net::Url::parse(e.url);
        if (!close && u && RQHelpers::sameOrigin(*u, url))
            close = &e;
    }
    if (close)
        return *close;
    return std::nullopt;
}

std::optional<RQSessionCredentials::Entry> RQSessionCredentials::findForProxy(const std::string& host, int port) const {
    std::lock_guard lock(m_mutex);
    for (const auto& e : m_proxies)
        if (e.proxyHost == host && e.proxyPort == port && e.authentication)
            return e;
    return std::nullopt;
}

void RQSessionCredentials::storeForServer(Entry entry) {
    std::lock_guard lock(m_mutex);
    m_servers.erase(
        std::remove_if(m_servers.begin(), m_servers.end(), [&](const Entry& e) { return e.url == entry.url; }),
        m_servers.end());
    m_servers.push_back(std::move(entry));
}

void RQSessionCredentials::storeForProxy(Entry entry) {
    std::lock_guard lock(m_mutex);
    m_proxies.erase(std::remove_if(m_proxies.begin(), m_proxies.end(),
                                   [&](const Entry& e) {
                                       return e.proxyHost == entry.proxyHost && e.proxyPort == entry.proxyPort;
                                   }),
                    m_proxies.end());
    m_proxies.push_back(std::move(entry));
}

void RQSessionCredentials::addBasicForServer(const std::string& url,
                                             const net::AuthenticationCredentials& credentials) {
    std::lock_guard lock(m_mutex);
    bool present = std::any_of(m_servers.begin(), m_servers.end(), [&](const Entry& o) {
        return o.url == url && o.credentials.user == credentials.user && o.credentials.password == credentials.password;
    });
    if (present)
        return;
    Entry e;
    e.credentials = {credentials.user, credentials.password, {}};
    e.url = url;
    e.scheme = net::kAuthenticationSchemeBasic;
    m_servers.push_back(std::move(e));
}

void RQSessionCredentials::forgetForServer(const net::AuthenticationCredentials& credentials) {
    std::lock_guard lock(m_mutex);
    m_servers.erase(std::remove_if(m_servers.begin(), m_servers.end(),
                                   [&](const Entry& e) {
                                       return e.credentials.user == credentials.user &&
                                              e.credentials.password == credentials.password;
                                   }),
                    m_servers.end());
}

void RQSessionCredentials::forgetForProxy(const std::string& host, int port) {
    std::lock_guard lock(m_mutex);
    m_proxies.erase(std::remove_if(m_proxies.begin(), m_proxies.end(),
                                   [&](const Entry& e) { return e.proxyHost == host && e.proxyPort == port; }),
                    m_proxies.end());
}

void RQSessionCredentials::clearServers() {
    std::lock_guard lock(m_mutex);
    m_servers.clear();
}

void RQSessionCredentials::clear() {
    std::lock_guard lock(m_mutex);
    m_servers.clear();
    m_proxies.clear();
}

} // namespace pw
