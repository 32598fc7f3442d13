#pragma once
// A 302 reply that sends the client to another path.
#include "transfer/http/HTTPResponse.h"

namespace pw {

class HTTPRedirectResponse : public HTTPResponse {
public:
    explicit HTTPRedirectResponse(std::string path) : m_redirectPath(std::move(path)) {}
    uint64_t contentLength() override { return 0; }
    uint64_t offset() override { return 0; }
    void setOffset(uint64_t) override {}
    std::string readDataOfLength(uint32_t) override { return {}; }
    bool isDone() override { return true; }
    int status() override { return 302; }
    std::vector<std::pair<std::string, std::string>> httpHeaders() override { return {{"Location", m_redirectPath}}; }

private:
    std::string m_redirectPath;
};

} // namespace pw
