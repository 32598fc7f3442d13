#pragma once
// A reply body held in memory.
#include "transfer/http/HTTPResponse.h"

namespace pw {

class HTTPDataResponse : public HTTPResponse {
public:
    explicit HTTPDataResponse(std::string data) : m_data(std::move(data)) {}

    uint64_t contentLength() override { return m_data.size(); }
    uint64_t offset() override { return m_offset; }
    void setOffset(uint64_t offset) override { m_offset = std::min<uint64_t>(offset, m_data.size()); }
    std::string readDataOfLength(uint32_t length) override;
    bool isDone() override { return m_offset == m_data.size(); }

protected:
    const std::string& data() const { return m_data; }

private:
    uint64_t m_offset = 0;
    std::string m_data;
};

} // namespace pw
