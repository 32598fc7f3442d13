#include "platform/net/Url.h"

#include "platform/core/Bytes.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace pw::net {
namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::string part(CURLU* u, CURLUPart which, unsigned flags = 0) {
    char* out = nullptr;
    if (curl_url_get(u, which, &out, flags) != CURLUE_OK || !out)
        return {};
    std::string s(out);
    curl_free(out);
    return s;
}

constexpr unsigned kParseFlags = CURLU_NON_SUPPORT_SCHEME;

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return std::nullopt;
    UrlHandle u(curl_url());
    if (!u)
        return std::nullopt;
    std::string s(text);
    if (curl_url_set(u.get(), CURLUPART_URL, s.c_str(), kParseFlags) != CURLUE_OK)
        return std::nullopt;
    // Host names are case-insensitive: keep them in lower case so equal URLs compare equal.
    std::string host = part(u.get(), CURLUPART_HOST);
    bool upper = false;
    for (auto& c : host)
        if (std::isupper(static_cast<unsigned char>(c))) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            upper = true;
        }
    if (upper)
        curl_url_set(u.get(), CURLUPART_HOST, host.c_str(), 0);
    Url url;
    url.m_absolute = part(u.get(), CURLUPART_URL);
    url.m_scheme = part(u.get(), CURLUPART_SCHEME);
    for (auto& c : url.m_scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    url.m_user = part(u.get(), CURLUPART_USER, CURLU_URLDECODE);
    url.m_password = part(u.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
    url.m_host = part(u.get(), CURLUPART_HOST);
    if (url.m_host.size() > 2 && url.m_host.front() == '[' && url.m_host.back() == ']')
        url.m_host = url.m_host.substr(1, url.m_host.size() - 2);
    std::string port = part(u.get(), CURLUPART_PORT);
    if (!port.empty())
        url.m_port = std::stoi(port);
    url.m_path = part(u.get(), CURLUPART_PATH);
    url.m_query = part(u.get(), CURLUPART_QUERY);
    url.m_fragment = part(u.get(), CURLUPART_FRAGMENT);
    return url;
}

std::optional<Url> Url::resolve(std::string_view reference) const {
    if (reference.find('\0') != std::string_view::npos)
        return std::nullopt;
    UrlHandle u(curl_url());
    if (!u)
        return std::nullopt;
    if (curl_url_set(u.get(), CURLUPART_URL, m_absolute.c_str(), kParseFlags) != CURLUE_OK)
        return std::nullopt;
    std::string ref(reference);
    // Setting a URL on a handle that holds one reads it relative to the old one.
    if (curl_url_set(u.get(), CURLUPART_URL, ref.c_str(), kParseFlags) != CURLUE_OK)
        return std::nullopt;
    return parse(part(u.get(), CURLUPART_URL));
}

int Url::portOrDefault() const {
    if (m_port)
        return *m_port;
    if (m_scheme == "https")
        return 443;
    if (m_scheme == "http")
        return 80;
    return 0;
}

std::string Url::requestTarget() const {
    std::string t = m_path.empty() ? "/" : m_path;
    if (!m_query.empty())
        t += "?" + m_query;
    return t;
}

std::string Url::lastPathComponent() const {
    std::string p = m_path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    auto slash = p.rfind('/');
    return percentUnescape(slash == std::string::npos ? p : p.substr(slash + 1));
}

std::string Url::pathExtension() const {
    std::string last = lastPathComponent();
    auto dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    return last.substr(dot + 1);
}

std::string Url::percentEscape(std::string_view text, std::string_view keep) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (std::isalnum(c) && c < 0x80) {
            out += static_cast<char>(c);
        } else if (keep.find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Url::percentUnescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = core::hexDigitValue(text[i + 1]), lo = core::hexDigitValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace pw::net
