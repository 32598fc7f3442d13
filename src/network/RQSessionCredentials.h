#pragma once
#include "platform/net/HttpAuthentication.h"
#include "platform/net/Url.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

// Credentials that worked, kept for the rest of the session: for servers by
// URL (and realm), for proxies by host and port. Every member takes the
// store's own lock and calls nothing of the engine under it.
class RQSessionCredentials {
public:
    struct Entry {
        std::optional<net::HttpAuthentication> authentication; // none: Basic sent before any challenge
        net::AuthenticationCredentials credentials;
        std::string url;
        std::string scheme;
        std::string realm;
        std::string proxyHost;
        int proxyPort = 0;
    };
    // What a server lookup must match: credentials the caller set, the realm
    // known from a challenge (each empty when not known).
    struct ServerQuery {
        std::string url;
        std::string user;
        std::string password;
        std::string realm;
    };

    static RQSessionCredentials& shared();

    // The entry for exactly this URL, else the first of the same origin.
    std::optional<Entry> findForServer(const ServerQuery& query, const net::Url& url) const;
    std::optional<Entry> findForProxy(const std::string& host, int port) const;
    // Replaces what is kept for the entry's URL (or proxy).
    void storeForServer(Entry entry);
    void storeForProxy(Entry entry);
    // Keeps Basic credentials sent before a challenge, unless already kept.
    void addBasicForServer(const std::string& url, const net::AuthenticationCredentials& credentials);
    // Forgets credentials that were turned down.
    void forgetForServer(const net::AuthenticationCredentials& credentials);
    void forgetForProxy(const std::string& host, int port);
    void clearServers();
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_servers;
    std::vector<Entry> m_proxies;
};

} // namespace pw
