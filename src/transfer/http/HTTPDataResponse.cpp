#include "transfer/http/HTTPDataResponse.h"

namespace pw {

std::string HTTPDataResponse::readDataOfLength(uint32_t length) {
    uint64_t left = m_data.size() - m_offset;
    uint64_t n = std::min<uint64_t>(length, left);
    std::string piece = m_data.substr(m_offset, n);
    m_offset += n;
    return piece;
}

} // namespace pw
