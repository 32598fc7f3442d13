#include "transfer/wifi/RZHTTPDataResponse.h"

namespace pw {

void RZHTTPDataResponse::setHeader(std::string name, std::string value) {
    for (auto& h : m_headers)
        if (h.first == name) {
            h.second = std::move(value);
            return;
        }
    m_headers.emplace_back(std::move(name), std::move(value));
}

} // namespace pw
