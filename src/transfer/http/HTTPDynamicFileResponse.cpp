#include "transfer/http/HTTPDynamicFileResponse.h"

#include <sys/stat.h>

namespace pw {

std::shared_ptr<HTTPDynamicFileResponse>
HTTPDynamicFileResponse::create(const std::optional<std::string>& filePath, std::weak_ptr<HTTPConnection> connection,
                                const std::string& separator, std::map<std::string, std::string> replacements) {
    if (!filePath || separator.empty())
        return nullptr;
    struct stat st {};
    if (::stat(filePath->c_str(), &st) != 0)
        return nullptr;
    auto r = std::shared_ptr<HTTPDynamicFileResponse>(
        new HTTPDynamicFileResponse(*filePath, static_cast<uint64_t>(st.st_size), std::move(connection)));
    r->m_separator = separator;
    r->m_replacementDict = std::move(replacements);
    return r;
}

bool HTTPDynamicFileResponse::isDone() {
    std::lock_guard lock(m_mutex);
    return m_readOffset == m_fileLength && m_readBuffer.empty() && !m_data;
}

void HTTPDynamicFileResponse::processReadBuffer() {
    std::string& b = m_readBuffer;
    const std::string& sep = m_separator;
    size_t n = sep.size();
    std::optional<size_t> open; // start of a placeholder not yet closed
    size_t i = 0;
    while (i + n <= b.size()) {
        if (b.compare(i, n, sep) != 0) {
            ++i;
            continue;
        }
        if (!open) {
            open = i;
            i += n;
            continue;
        }
        size_t s1 = *open, s2 = i;
        open.reset();
        std::string name = b.substr(s1 + n, s2 - s1 - n);
        auto it = m_replacementDict.find(name);
        if (it != m_replacementDict.end()) {
            b.replace(s1, s2 + n - s1, it->second);
            i = s1 + it->second.size();
        } else {
            i = s2 + n;
        }
    }
    bool allRead = m_readOffset == m_fileLength;
    if (allRead) {
        m_data = std::move(b);
        b.clear();
        return;
    }
    // Keep back an open placeholder, or a separator that may be cut in two,
    // for the next read to complete.
    size_t keepFrom = open ? *open : (b.size() >= n ? b.size() - (n - 1) : 0);
    m_data = b.substr(0, keepFrom);
    b.erase(0, keepFrom);
    // The offset handed out counts file bytes, which no longer match the
    // output after replacements; it is not used for a chunked reply.
}

} // namespace pw
