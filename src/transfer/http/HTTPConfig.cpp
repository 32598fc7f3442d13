#include "transfer/http/HTTPConfig.h"

#include <cstdlib>
#include <vector>

namespace pw {

HTTPConfig::HTTPConfig(std::weak_ptr<HTTPServer> server, std::string documentRoot,
                       std::shared_ptr<core::DispatchQueue> queue)
    : m_server(std::move(server)), m_documentRoot(standardizePath(documentRoot)), m_queue(std::move(queue)) {
    m_realDocumentRoot = m_documentRoot;
    if (!m_documentRoot.empty()) {
        if (char* r = ::realpath(m_documentRoot.c_str(), nullptr)) {
            m_realDocumentRoot = r;
            std::free(r);
        }
    }
}

std::string HTTPConfig::standardizePath(const std::string& path) {
    if (path.empty())
        return path;
    bool absolute = path.front() == '/';
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out = absolute ? "/" : "";
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k)
            out += "/";
        out += parts[k];
    }
    return out.empty() ? "." : out;
}

} // namespace pw
