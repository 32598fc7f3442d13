#include "platform/net/HttpHead.h"

#include <strings.h>

namespace pw::net {

namespace {
bool isTokenChar(unsigned char c) {
    if (c <= 32 || c >= 127)
        return false;
    switch (c) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '@':
    case ',':
    case ';':
    case ':':
    case '\\':
    case '"':
    case '/':
    case '[':
    case ']':
    case '?':
    case '=':
    case '{':
    case '}':
        return false;
    default:
        return true;
    }
}

bool isToken(std::string_view s) {
    if (s.empty())
        return false;
    for (unsigned char c : s)
        if (!isTokenChar(c))
            return false;
    return true;
}

bool isVersion(std::string_view v) {
    if (v.size() < 8 || v.substr(0, 5) != "HTTP/")
        return false;
    auto rest = v.substr(5);
    auto dot = rest.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == rest.size())
        return false;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != dot && (rest[i] < '0' || rest[i] > '9'))
            return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}
} // namespace

HttpHead HttpHead::emptyRequest() {
    return HttpHead();
}

HttpHead HttpHead::request(std::string method, std::string target, std::string version) {
    HttpHead h;
    h.m_method = std::move(method);
    h.m_target = std::move(target);
    h.m_version = std::move(version);
    h.m_haveStartLine = true;
    h.m_complete = true;
    return h;
}

HttpHead HttpHead::response(int statusCode, std::string reason, std::string version) {
    HttpHead h;
    h.m_isRequest = false;
    h.m_statusCode = statusCode;
    h.m_reason = reason.empty() ? standardReasonPhrase(statusCode) : std::move(reason);
    h.m_version = std::move(version);
    h.m_haveStartLine = true;
    h.m_complete = true;
    return h;
}

bool HttpHead::appendData(std::string_view bytes) {
    if (m_failed || !m_isRequest)
        return false;
    if (m_complete) {
        m_body.append(bytes);
        return true;
    }
    m_pending.append(bytes);
    size_t start = 0;
    for (;;) {
        auto nl = m_pending.find('\n', start);
        if (nl == std::string::npos)
            break;
        std::string_view line(m_pending.data() + start, nl - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start = nl + 1;
        if (!parseLine(line)) {
            m_failed = true;
            m_pending.clear();
            return false;
        }
        if (m_complete) {
            m_body.append(m_pending, start, std::string::npos);
            m_pending.clear();
            return true;
        }
    }
    m_pending.erase(0, start);
    return true;
}

bool HttpHead::parseLine(std::string_view line) {
    for (unsigned char c : line)
        if ((c < 32 && c != '\t') || c == 127)
            return false;
    if (!m_haveStartLine) {
        if (line.empty())
            return true; // stray empty lines before a request are allowed
        auto sp1 = line.find(' ');
        if (sp1 == std::string_view::npos)
            return false;
        auto sp2 = line.find(' ', sp1 + 1);
        if (sp2 == std::string_view::npos)
            return false;
        auto method = line.substr(0, sp1);
        auto target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        auto version = line.substr(sp2 + 1);
        if (!isToken(method) || target.empty() || target.find_first_of(" \t") != std::string_view::npos ||
            !isVersion(version))
            return false;
        m_method = method;
        m_target = target;
        m_version = version;
        m_haveStartLine = true;
        return true;
    }
    if (line.empty()) {
        m_complete = true;
        return true;
    }
    if (line.front() == ' ' || line.front() == '\t')
        return false; // folded lines are obsolete
    auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    auto name = line.substr(0, colon);
    if (!isToken(name))
        return false;
    auto value = trim(line.substr(colon + 1));
    for (auto& [n, v] : m_fields) {
        if (sameName(n, name)) {
            // Repeated fields combine, so conflicting values cannot hide.
            v.append(", ").append(value);
            return true;
        }
    }
    m_fields.emplace_back(std::string(name), std::string(value));
    return true;
}

std::optional<std::string> HttpHead::headerField(std::string_view name) const {
    for (auto& [n, v] : m_fields)
        if (sameName(n, name))
            return v;
    return std::nullopt;
}

void HttpHead::setHeaderField(std::string name, std::string value) {
    for (auto& [n, v] : m_fields) {
        if (sameName(n, name)) {
            v = std::move(value);
            return;
        }
    }
    m_fields.emplace_back(std::move(name), std::move(value));
}

std::string HttpHead::serialize() const {
    std::string out;
    out.reserve(256);
    if (m_isRequest) {
        out.append(m_method).append(" ").append(m_target).append(" ").append(m_version);
    } else {
        out.append(m_version).append(" ").append(std::to_string(m_statusCode)).append(" ").append(m_reason);
    }
    out.append("\r\n");
    for (auto& [n, v] : m_fields)
        out.append(n).append(": ").append(v).append("\r\n");
    out.append("\r\n");
    out.append(m_body);
    return out;
}

std::string HttpHead::standardReasonPhrase(int code) {
    switch (code) {
    case 100:
        return "Continue";
    case 101:
        return "Switching Protocols";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 202:
        return "Accepted";
    case 203:
        return "Non-Authoritative Information";
    case 204:
        return "No Content";
    case 205:
        return "Reset Content";
    case 206:
        return "Partial Content";
    case 300:
        return "Multiple Choices";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 305:
        return "Use Proxy";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 402:
        return "Payment Required";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 406:
        return "Not Acceptable";
    case 407:
        return "Proxy Authentication Required";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 410:
        return "Gone";
    case 411:
        return "Length Required";
    case 412:
        return "Precondition Failed";
    case 413:
        return "Request Entity Too Large";
    case 414:
        return "Request-URI Too Long";
    case 415:
        return "Unsupported Media Type";
    case 416:
        return "Requested Range Not Satisfiable";
    case 417:
        return "Expectation Failed";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

} // namespace pw::net
