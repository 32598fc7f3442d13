#pragma once
// A page held in memory with extra header fields and a status of its own.
#include "transfer/http/HTTPDataResponse.h"

#include <string>
#include <utility>
#include <vector>

namespace pw {

class RZHTTPDataResponse : public HTTPDataResponse {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    explicit RZHTTPDataResponse(std::string data) : HTTPDataResponse(std::move(data)) {}

    Headers& headers() { return m_headers; }
    void setHeader(std::string name, std::string value);
    int statusCode() const { return m_statusCode; }
    void setStatusCode(int code) { m_statusCode = code; }

    std::vector<std::pair<std::string, std::string>> httpHeaders() override { return m_headers; }
    int status() override { return m_statusCode; }

private:
    Headers m_headers;
    int m_statusCode = 200;
};

} // namespace pw
