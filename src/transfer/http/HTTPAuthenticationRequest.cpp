#include "transfer/http/HTTPAuthenticationRequest.h"

#include <strings.h>

namespace pw {

namespace {
bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && ::strncasecmp(s.data(), prefix.data(), prefix.size()) == 0;
}

// Position just after "name=" where `name` starts a parameter: at the start
// of the field's parameters or after a separator.
size_t findParameter(std::string_view name, std::string_view field) {
    size_t from = 0;
    for (;;) {
        size_t pos = field.find(name, from);
        if (pos == std::string_view::npos)
            return pos;
        size_t after = pos + name.size();
        bool startOk = pos == 0 || field[pos - 1] == ' ' || field[pos - 1] == ',' || field[pos - 1] == '\t';
        if (startOk && after < field.size() && field[after] == '=')
            return after + 1;
        from = pos + 1;
    }
}
} // namespace

std::optional<std::string> HTTPAuthenticationRequest::quotedSubHeaderFieldValue(std::string_view name,
                                                                                std::string_view field) {
    size_t start = findParameter(name, field);
    if (start == std::string_view::npos || start >= field.size() || field[start] != '"')
        return std::nullopt;
    ++start;
    size_t end = field.find('"', start);
    if (end == std::string_view::npos)
        return std::nullopt;
    return std::string(field.substr(start, end - start));
}

std::optional<std::string> HTTPAuthenticationRequest::nonquotedSubHeaderFieldValue(std::string_view name,
                                                                                   std::string_view field) {
    size_t start = findParameter(name, field);
    if (start == std::string_view::npos)
        return std::nullopt;
    size_t end = field.find(',', start);
    if (end == std::string_view::npos) {
        if (field.find(' ', start) != std::string_view::npos)
            return std::nullopt;
        end = field.size();
    }
    return std::string(field.substr(start, end - start));
}

HTTPAuthenticationRequest::HTTPAuthenticationRequest(const HTTPMessage& request) {
    std::string field = request.headerField("Authorization").value_or("");
    m_isBasic = field.size() > 5 && startsWithIgnoringCase(field, "Basic ");
    m_isDigest = field.size() > 6 && startsWithIgnoringCase(field, "Digest ");
    if (m_isBasic) {
        std::string_view v = std::string_view(field).substr(6);
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        m_base64Credentials = v;
    }
    if (m_isDigest) {
        std::string_view params = std::string_view(field).substr(7);
        m_username = quotedSubHeaderFieldValue("username", params);
        m_realm = quotedSubHeaderFieldValue("realm", params);
        m_nonce = quotedSubHeaderFieldValue("nonce", params);
        m_uri = quotedSubHeaderFieldValue("uri", params);
        m_qop = nonquotedSubHeaderFieldValue("qop", params);
        if (m_qop && !m_qop->empty() && m_qop->front() == '"')
            m_qop = quotedSubHeaderFieldValue("qop", params);
        m_nc = nonquotedSubHeaderFieldValue("nc", params);
        m_cnonce = quotedSubHeaderFieldValue("cnonce", params);
        m_response = quotedSubHeaderFieldValue("response", params);
    }
}

} // namespace pw
