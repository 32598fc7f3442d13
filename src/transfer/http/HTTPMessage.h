#pragma once
// One HTTP request or response head of the built-in web server.
#include "platform/net/HttpHead.h"

#include <optional>
#include <string>
#include <string_view>

namespace pw {

class HTTPMessage {
public:
    static constexpr const char* kVersion10 = "HTTP/1.0";
    static constexpr const char* kVersion11 = "HTTP/1.1";

    static HTTPMessage emptyRequest();
    static HTTPMessage request(std::string method, std::string url, std::string version);
    // An empty description uses the standard reason phrase.
    static HTTPMessage response(int statusCode, std::string description = {}, std::string version = kVersion11);

    // false when the bytes cannot be parsed as an HTTP head.
    bool appendData(std::string_view bytes) { return m_message.appendData(bytes); }
    bool isHeaderComplete() const { return m_message.isHeaderComplete(); }
    std::string version() const { return m_message.version(); }
    std::string method() const { return m_message.method(); }
    // The request target as sent (path and query).
    std::string url() const { return m_message.target(); }
    int statusCode() const { return m_message.statusCode(); }
    const auto& allHeaderFields() const { return m_message.headerFields(); }
    std::optional<std::string> headerField(std::string_view name) const { return m_message.headerField(name); }
    void setHeaderField(std::string name, std::string value) {
        m_message.setHeaderField(std::move(name), std::move(value));
    }
    std::string messageData() const { return m_message.serialize(); }
    const std::string& body() const { return m_message.body(); }
    void setBody(std::string body) { m_message.setBody(std::move(body)); }

private:
    explicit HTTPMessage(net::HttpHead head) : m_message(std::move(head)) {}
    net::HttpHead m_message;
};

} // namespace pw
