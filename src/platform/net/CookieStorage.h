#pragma once
#include "platform/net/Url.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw::net {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain; // lower case, no leading dot
    std::string path = "/";
    std::optional<double> expires; // seconds since 1970; none: ends with the session
    bool secure = false;
    bool httpOnly = false;
    bool hostOnly = true;
    double created = 0;
    uint64_t order = 0; // creation order among cookies of one storage

    bool sameIdentity(const Cookie& other) const {
        return name == other.name && domain == other.domain && path == other.path;
    }
};

// The shared cookie store, after RFC 6265: cookies from Set-Cookie headers are
// kept by domain, path and name; a request gets those whose domain, path and
// security match, longest path first, then oldest first. Persistent cookies are
// written to a file when one is set (the app keeps it under Library/).
class CookieStorage {
public:
    CookieStorage() = default;
    explicit CookieStorage(std::string filePath);

    static CookieStorage& shared();

    // Parses one Set-Cookie value received from url; nullopt when it is malformed or
    // the server may not set it (a domain the host does not belong to).
    static std::optional<Cookie> parseSetCookie(const std::string& header, const Url& url, double now);
    static std::vector<Cookie> cookiesWithResponseHeaderFields(const std::vector<std::string>& setCookies,
                                                               const Url& url, double now);

    // Stores (or replaces, or with a past expiry deletes) each cookie.
    void setCookies(const std::vector<Cookie>& cookies);
    void setCookie(const Cookie& cookie);
    void deleteCookie(const Cookie& cookie);
    void removeAll();
    std::vector<Cookie> cookiesForURL(const Url& url) const;
    std::vector<Cookie> allCookies() const;

    // The file persistent cookies live in; loads what it holds. Empty: memory only.
    void setFilePath(std::string path);
    bool save() const;
    void setClock(std::function<double()> now);

    static bool domainMatches(const std::string& host, const std::string& domain);
    static bool pathMatches(const std::string& requestPath, const std::string& cookiePath);

private:
    double now() const;
    void load();
    void saveLocked() const;
    void purgeExpiredLocked();

    mutable std::recursive_mutex m_mutex;
    std::vector<Cookie> m_cookies;
    uint64_t m_nextOrder = 1;
    std::string m_filePath;
    std::function<double()> m_now;
};

} // namespace pw::net
