#include "network/RQInputStream.h"

#include "network/RQHTTPRequest.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace pw {
namespace {
std::mutex& readLock() {
    static std::mutex m;
    return m;
}
} // namespace

std::shared_ptr<RQInputStream> RQInputStream::inputStreamWithData(std::string data, RQHTTPRequest* request) {
    std::shared_ptr<RQInputStream> s(new RQInputStream());
    s->m_data = std::move(data);
    s->m_request = request;
    return s;
}

std::shared_ptr<RQInputStream> RQInputStream::inputStreamWithFileAtPath(const std::string& path,
                                                                        RQHTTPRequest* request) {
    std::shared_ptr<RQInputStream> s(new RQInputStream());
    s->m_path = path;
    s->m_isFile = true;
    s->m_request = request;
    return s;
}

RQInputStream::~RQInputStream() {
    close();
}

bool RQInputStream::open() {
    if (!m_isFile)
        return true;
    if (m_file)
        return true;
    m_file = std::fopen(m_path.c_str(), "rb");
    m_error = !m_file;
    return m_file != nullptr;
}

void RQInputStream::close() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

int64_t RQInputStream::length() const {
    if (!m_isFile)
        return static_cast<int64_t>(m_data.size());
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t RQInputStream::readUnderlying(char* buffer, size_t length) {
    m_lastRequested = length;
    if (!m_isFile) {
        size_t n = std::min(length, m_data.size() - m_offset);
        std::memcpy(buffer, m_data.data() + m_offset, n);
        m_offset += n;
        return static_cast<int64_t>(n);
    }
    if (!m_file && !open())
        return -1;
    size_t n = std::fread(buffer, 1, length, m_file);
    if (n == 0 && std::ferror(m_file)) {
        m_error = true;
        return -1;
    }
    return static_cast<int64_t>(n);
}

int64_t RQInputStream::read(char* buffer, size_t maxLength) {
    {
        std::lock_guard lock(readLock());
        if (RQHTTPRequest::isBandwidthThrottled()) {
            unsigned long limit = RQHTTPRequest::maxUploadReadLength();
            if (m_request)
                m_request->performThrottling();
            if (maxLength >= limit)
                maxLength = limit == 0 ? 1 : limit;
        }
    }
    int64_t n = readUnderlying(buffer, maxLength);
    if (n > 0)
        RQHTTPRequest::incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(n));
    return n;
}

} // namespace pw
