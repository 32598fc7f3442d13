#include "transfer/http/HTTPFileResponse.h"

#include "transfer/http/HTTPConnection.h"
#include "transfer/log/WSLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pw {

namespace {
constexpr int kFileResponseLogLevel = WSLogMessage::LevelErrorsAndWarnings;
}

std::shared_ptr<HTTPFileResponse> HTTPFileResponse::create(const std::optional<std::string>& filePath,
                                                           std::weak_ptr<HTTPConnection> connection) {
    if (!filePath) {
        WS_LOG_WARN(kFileResponseLogLevel, "%s: Init failed - Nil filePath", "HTTPFileResponse");
        return nullptr;
    }
    struct stat st {};
    if (::stat(filePath->c_str(), &st) != 0) {
        WS_LOG_WARN(kFileResponseLogLevel, "%s: Init failed - Unable to get file attributes. filePath: %s", "HTTPFileResponse",
                    filePath->c_str());
        return nullptr;
    }
    if (S_ISDIR(st.st_mode))
        return nullptr; // a folder has no bytes to serve
    return create(*filePath, static_cast<uint64_t>(st.st_size), std::move(connection));
}

std::shared_ptr<HTTPFileResponse> HTTPFileResponse::create(std::string filePath, uint64_t fileLength,
                                                           std::weak_ptr<HTTPConnection> connection) {
    auto response = std::shared_ptr<HTTPFileResponse>(
        new HTTPFileResponse(std::move(filePath), fileLength, std::move(connection)));
    response->m_sendsFromFile = true;
    return response;
}

HTTPFileResponse::HTTPFileResponse(std::string filePath, uint64_t fileLength, std::weak_ptr<HTTPConnection> connection)
    : m_connection(std::move(connection)), m_filePath(std::move(filePath)), m_fileLength(fileLength) {}

HTTPFileResponse::~HTTPFileResponse() = default;

std::shared_ptr<const core::UniqueFd> HTTPFileResponse::fileForSending() {
    if (!m_sendsFromFile || !openFileIfNeeded())
        return nullptr;
    return m_file;
}

void HTTPFileResponse::abort() {
    if (auto c = m_connection.lock())
        c->responseDidAbort(this);
    m_aborted = true;
}

bool HTTPFileResponse::openFile() {
    m_file->reset(::open(m_filePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m_file->isValid()) {
        WS_LOG_ERROR(kFileResponseLogLevel, "%s[%p]: Unable to open file. filePath: %s", "HTTPFileResponse",
                     static_cast<void*>(this), m_filePath.c_str());
        abort();
        return false;
    }
    return true;
}

bool HTTPFileResponse::openFileIfNeeded() {
    if (m_aborted)
        return false;
    if (m_file->isValid())
        return true;
    return openFile();
}

void HTTPFileResponse::setOffset(uint64_t offset) {
    if (!openFileIfNeeded())
        return;
    m_fileOffset = offset;
    if (::lseek(m_file->get(), static_cast<off_t>(offset), SEEK_SET) < 0) {
        WS_LOG_ERROR(kFileResponseLogLevel, "%s[%p]: lseek failed - errno(%i) filePath(%s)", "HTTPFileResponse",
                     static_cast<void*>(this), errno, m_filePath.c_str());
        abort();
    }
}

std::string HTTPFileResponse::readDataOfLength(uint32_t length) {
    if (!openFileIfNeeded())
        return {};
    uint64_t left = m_fileLength > m_fileOffset ? m_fileLength - m_fileOffset : 0;
    size_t toRead = static_cast<size_t>(std::min<uint64_t>(length, left));
    if (toRead == 0)
        return {};
    // Straight into the bytes handed out: no buffer in between to copy from.
    std::string data(toRead, '\0');
    ssize_t n = ::read(m_file->get(), data.data(), toRead);
    if (n < 0) {
        WS_LOG_ERROR(kFileResponseLogLevel, "%s: Error(%i) reading file(%s)", "HTTPFileResponse", errno, m_filePath.c_str());
        abort();
        return {};
    }
    if (n == 0) {
        WS_LOG_ERROR(kFileResponseLogLevel, "%s: Read EOF on file(%s)", "HTTPFileResponse", m_filePath.c_str());
        abort();
        return {};
    }
    m_fileOffset += static_cast<uint64_t>(n);
    data.resize(static_cast<size_t>(n));
    return data;
}

} // namespace pw
