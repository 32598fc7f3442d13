#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace pw::net {

// An absolute URL split into its parts. Parsing and resolving follow RFC 3986
// (libcurl's URL parser); a text that is not an absolute URL gives no Url.
class Url {
public:
    static std::optional<Url> parse(std::string_view text);
    // The reference (absolute, or relative such as "/next" or "../a") read against this URL.
    std::optional<Url> resolve(std::string_view reference) const;

    const std::string& absoluteString() const { return m_absolute; }
    const std::string& scheme() const { return m_scheme; } // lower case
    const std::string& user() const { return m_user; }     // unescaped
    const std::string& password() const { return m_password; }
    const std::string& host() const { return m_host; }
    std::optional<int> port() const { return m_port; } // only when the URL names one
    int portOrDefault() const;
    const std::string& path() const { return m_path; } // as written, escaped
    const std::string& query() const { return m_query; }
    const std::string& fragment() const { return m_fragment; }
    // Path plus "?query": what goes on an HTTP request line.
    std::string requestTarget() const;
    std::string lastPathComponent() const;
    std::string pathExtension() const;
    bool isFileUrl() const { return m_scheme == "file"; }

    bool operator==(const Url& other) const { return m_absolute == other.m_absolute; }
    bool operator!=(const Url& other) const { return !(*this == other); }

    // Escapes every byte except letters, digits and the characters in `keep`.
    static std::string percentEscape(std::string_view text, std::string_view keep = "-_.");
    // Undoes %XX escapes; malformed escapes stay as they are.
    static std::string percentUnescape(std::string_view text);

private:
    std::string m_absolute;
    std::string m_scheme;
    std::string m_user;
    std::string m_password;
    std::string m_host;
    std::optional<int> m_port;
    std::string m_path;
    std::string m_query;
    std::string m_fragment;
};

} // namespace pw::net
