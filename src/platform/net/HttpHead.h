#pragma once
// One HTTP/1.x message head: parsed from raw request bytes, or built for a
// response and serialized. Field names match without regard to letter case.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw::net {

class HttpHead {
public:
    // An empty request head, ready for appendData().
    static HttpHead emptyRequest();
    static HttpHead request(std::string method, std::string target, std::string version);
    // An empty reason uses the standard phrase of the status code.
    static HttpHead response(int statusCode, std::string reason, std::string version);

    // Feeds raw bytes; false once they cannot be an HTTP head. Bytes after the
    // empty line that ends the head are kept as the body.
    bool appendData(std::string_view bytes);
    bool isHeaderComplete() const { return m_complete; }
    bool isRequest() const { return m_isRequest; }

    const std::string& method() const { return m_method; }
    const std::string& target() const { return m_target; }
    const std::string& version() const { return m_version; }
    int statusCode() const { return m_statusCode; }
    const std::string& reasonPhrase() const { return m_reason; }

    std::optional<std::string> headerField(std::string_view name) const;
    void setHeaderField(std::string name, std::string value);
    const std::vector<std::pair<std::string, std::string>>& headerFields() const { return m_fields; }

    const std::string& body() const { return m_body; }
    void setBody(std::string body) { m_body = std::move(body); }

    // Start line, fields, empty line, then the body.
    std::string serialize() const;

    static std::string standardReasonPhrase(int statusCode);

private:
    bool parseLine(std::string_view line);

    bool m_isRequest = true;
    bool m_complete = false;
    bool m_failed = false;
    bool m_haveStartLine = false;
    std::string m_pending;
    std::string m_method;
    std::string m_target;
    std::string m_version;
    int m_statusCode = 0;
    std::string m_reason;
    std::vector<std::pair<std::string, std::string>> m_fields;
    std::string m_body;
};

} // namespace pw::net
