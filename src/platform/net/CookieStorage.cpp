#include "platform/net/CookieStorage.h"

#include "platform/core/Clock.h"
#include "platform/net/HeaderText.h"

#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace pw::net {
namespace {

bool isIpAddress(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string defaultPath(const std::string& uriPath) {
    if (uriPath.empty() || uriPath[0] != '/')
        return "/";
    auto last = uriPath.rfind('/');
    if (last == 0)
        return "/";
    return uriPath.substr(0, last);
}

std::string escapeField(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string unescapeField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

CookieStorage::CookieStorage(std::string filePath) {
    setFilePath(std::move(filePath));
}

CookieStorage& CookieStorage::shared() {
    // Never destroyed: the network thread may still use it while the process ends.
    static CookieStorage* storage = new CookieStorage();
    return *storage;
}

bool CookieStorage::domainMatches(const std::string& host, const std::string& domain) {
    std::string h = asciiLower(host);
    if (h == domain)
        return true;
    if (isIpAddress(h) || h.size() <= domain.size())
        return false;
    return h.compare(h.size() - domain.size(), domain.size(), domain) == 0 && h[h.size() - domain.size() - 1] == '.';
}

bool CookieStorage::pathMatches(const std::string& requestPath, const std::string& cookiePath) {
    std::string p = requestPath.empty() ? "/" : requestPath;
    if (p == cookiePath)
        return true;
    if (p.rfind(cookiePath, 0) != 0)
        return false;
    return cookiePath.back() == '/' || p[cookiePath.size()] == '/';
}

std::optional<Cookie> CookieStorage::parseSetCookie(const std::string& header, const Url& url, double now) {
    std::vector<std::string> parts;
    std::stringstream in(header);
    std::string piece;
    while (std::getline(in, piece, ';'))
        parts.push_back(piece);
    if (parts.empty())
        return std::nullopt;
    auto eq = parts[0].find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    Cookie c;
    c.name = trimBlanks(parts[0].substr(0, eq));
    c.value = trimBlanks(parts[0].substr(eq + 1));
    if (c.name.empty())
        return std::nullopt;
    if (c.value.size() >= 2 && c.value.front() == '"' && c.value.back() == '"')
        c.value = c.value.substr(1, c.value.size() - 2);

    std::optional<double> maxAge;
    std::optional<double> expires;
    std::string domainAttr;
    std::optional<std::string> pathAttr;
    for (size_t i = 1; i < parts.size(); ++i) {
        std::string attr = trimBlanks(parts[i]);
        auto aeq = attr.find('=');
        std::string name = asciiLower(trimBlanks(attr.substr(0, aeq)));
        std::string value = aeq == std::string::npos ? std::string() : trimBlanks(attr.substr(aeq + 1));
        if (name == "expires") {
            time_t t = curl_getdate(value.c_str(), nullptr);
            if (t != -1)
                expires = static_cast<double>(t);
        } else if (name == "max-age") {
            if (value.empty() || !(std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '-'))
                continue;
            char* end = nullptr;
            long long secs = std::strtoll(value.c_str(), &end, 10);
            if (end && *end == '\0')
                maxAge = secs <= 0 ? -1.0e18 : now + static_cast<double>(secs);
        } else if (name == "domain") {
            if (!value.empty() && value[0] == '.')
                value = value.substr(1);
            domainAttr = asciiLower(value);
        } else if (name == "path") {
            if (!value.empty() && value[0] == '/')
                pathAttr = value;
        } else if (name == "secure") {
            c.secure = true;
        } else if (name == "httponly") {
            c.httpOnly = true;
        }
    }
    if (maxAge)
        c.expires = *maxAge;
    else if (expires)
        c.expires = expires;

    std::string host = asciiLower(url.host());
    if (!domainAttr.empty()) {
        if (!domainMatches(host, domainAttr))
            return std::nullopt;
        c.domain = domainAttr;
        c.hostOnly = false;
    } else {
        c.domain = host;
        c.hostOnly = true;
    }
    c.path = pathAttr ? *pathAttr : defaultPath(url.path());
    c.created = now;
    return c;
}

std::vector<Cookie> CookieStorage::cookiesWithResponseHeaderFields(const std::vector<std::string>& setCookies,
                                                                   const Url& url, double now) {
    std::vector<Cookie> out;
    for (const auto& h : setCookies)
        if (auto c = parseSetCookie(h, url, now))
            out.push_back(*c);
    return out;
}

double CookieStorage::now() const {
    if (m_now)
        return m_now();
    return core::Clock::shared().now();
}

void CookieStorage::setClock(std::function<double()> now) {
    std::lock_guard lock(m_mutex);
    m_now = std::move(now);
}

void CookieStorage::setCookie(const Cookie& cookie) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_cookies.begin(), m_cookies.end(), [&](const Cookie& c) { return c.sameIdentity(cookie); });
    bool expired = cookie.expires && *cookie.expires <= now();
    bool existed = it != m_cookies.end();
    if (expired) {
        if (it != m_cookies.end())
            m_cookies.erase(it);
    } else if (it != m_cookies.end()) {
        // A replaced cookie keeps its creation time and place (RFC 6265 5.3 step 11).
        Cookie updated = cookie;
        updated.created = it->created;
        updated.order = it->order;
        *it = updated;
    } else {
        Cookie added = cookie;
        added.order = m_nextOrder++;
        m_cookies.push_back(added);
    }
    if (!m_filePath.empty() && (cookie.expires || existed))
        saveLocked();
}

void CookieStorage::setCookies(const std::vector<Cookie>& cookies) {
    std::lock_guard lock(m_mutex);
    for (const auto& c : cookies)
        setCookie(c);
}

void CookieStorage::deleteCookie(const Cookie& cookie) {
    std::lock_guard lock(m_mutex);
    auto before = m_cookies.size();
    m_cookies.erase(
        std::remove_if(m_cookies.begin(), m_cookies.end(), [&](const Cookie& c) { return c.sameIdentity(cookie); }),
        m_cookies.end());
    if (before != m_cookies.size() && !m_filePath.empty())
        saveLocked();
}

void CookieStorage::removeAll() {
    std::lock_guard lock(m_mutex);
    m_cookies.clear();
    if (!m_filePath.empty())
        saveLocked();
}

void CookieStorage::purgeExpiredLocked() {
    double t = now();
    m_cookies.erase(std::remove_if(m_cookies.begin(), m_cookies.end(),
                                   [&](const Cookie& c) { return c.expires && *c.expires <= t; }),
                    m_cookies.end());
}

std::vector<Cookie> CookieStorage::cookiesForURL(const Url& url) const {
    std::lock_guard lock(m_mutex);
    const_cast<CookieStorage*>(this)->purgeExpiredLocked();
    std::vector<Cookie> out;
    std::string host = asciiLower(url.host());
    bool secure = url.scheme() == "https";
    for (const auto& c : m_cookies) {
        bool hostOk = c.hostOnly ? host == c.domain : domainMatches(host, c.domain);
        if (!hostOk || !pathMatches(url.path(), c.path) || (c.secure && !secure))
            continue;
        out.push_back(c);
    }
    std::stable_sort(out.begin(), out.end(), [](const Cookie& a, const Cookie& b) {
        if (a.path.size() != b.path.size())
            return a.path.size() > b.path.size();
        return a.order < b.order;
    });
    return out;
}

std::vector<Cookie> CookieStorage::allCookies() const {
    std::lock_guard lock(m_mutex);
    return m_cookies;
}

void CookieStorage::setFilePath(std::string path) {
    std::lock_guard lock(m_mutex);
    m_filePath = std::move(path);
    if (!m_filePath.empty())
        load();
}

void CookieStorage::load() {
    std::ifstream in(m_filePath);
    std::string line;
    double t = now();
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        std::string field;
        while (std::getline(ls, field, '\t'))
            f.push_back(unescapeField(field));
        if (f.size() != 8)
            continue;
        Cookie c;
        c.domain = f[0];
        c.hostOnly = f[1] == "1";
        c.path = f[2];
        c.secure = f[3] == "1";
        c.httpOnly = f[4] == "1";
        c.expires = std::strtod(f[5].c_str(), nullptr);
        c.name = f[6];
        c.value = f[7];
        c.created = t;
        if (*c.expires <= t)
            continue;
        auto it = std::find_if(m_cookies.begin(), m_cookies.end(), [&](const Cookie& o) { return o.sameIdentity(c); });
        if (it != m_cookies.end())
            continue;
        c.order = m_nextOrder++;
        m_cookies.push_back(c);
    }
}

bool CookieStorage::save() const {
    std::lock_guard lock(m_mutex);
    if (m_filePath.empty())
        return false;
    saveLocked();
    return true;
}

void CookieStorage::saveLocked() const {
    // Session cookies end with the process; only dated ones are written.
    std::string tmp = m_filePath + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out)
            return;
        for (const auto& c : m_cookies) {
            if (!c.expires)
                continue;
            char expires[64];
            std::snprintf(expires, sizeof expires, "%.0f", *c.expires);
            out << escapeField(c.domain) << '\t' << (c.hostOnly ? "1" : "0") << '\t' << escapeField(c.path) << '\t'
                << (c.secure ? "1" : "0") << '\t' << (c.httpOnly ? "1" : "0") << '\t' << expires << '\t'
                << escapeField(c.name) << '\t' << escapeField(c.value) << '\n';
        }
        if (!out.flush())
            return;
    }
    std::rename(tmp.c_str(), m_filePath.c_str());
}

} // namespace pw::net
