#include "transfer/http/HTTPAsyncFileResponse.h"

#include "transfer/http/HTTPConnection.h"
#include "transfer/log/WSLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace pw {

namespace {
constexpr int kAsyncFileLogLevel = WSLogMessage::LevelErrorsAndWarnings;
constexpr const char* kAsyncFileUnit = "HTTPAsyncFileResponse";
} // namespace

std::shared_ptr<HTTPAsyncFileResponse> HTTPAsyncFileResponse::create(const std::optional<std::string>& filePath,
                                                                     std::weak_ptr<HTTPConnection> connection) {
    if (!filePath) {
        WS_LOG_WARN(kAsyncFileLogLevel, "%s: Init failed - Nil filePath", kAsyncFileUnit);
        return nullptr;
    }
    struct stat st {};
    if (::stat(filePath->c_str(), &st) != 0) {
        WS_LOG_WARN(kAsyncFileLogLevel, "%s: Init failed - Unable to get file attributes. filePath: %s", kAsyncFileUnit,
                    filePath->c_str());
        return nullptr;
    }
    return std::shared_ptr<HTTPAsyncFileResponse>(
        new HTTPAsyncFileResponse(*filePath, static_cast<uint64_t>(st.st_size), std::move(connection)));
}

HTTPAsyncFileResponse::HTTPAsyncFileResponse(std::string filePath, uint64_t fileLength,
                                             std::weak_ptr<HTTPConnection> connection)
    : m_connection(std::move(connection)), m_filePath(std::move(filePath)), m_fileLength(fileLength) {}

HTTPAsyncFileResponse::~HTTPAsyncFileResponse() {
    // The source's cancel handler closes the file.
    cancelReadSource();
}

uint64_t HTTPAsyncFileResponse::offset() {
    std::lock_guard lock(m_mutex);
    return m_fileOffset;
}

bool HTTPAsyncFileResponse::isDone() {
    std::lock_guard lock(m_mutex);
    return m_fileOffset == m_fileLength;
}

void HTTPAsyncFileResponse::abort() {
    std::weak_ptr<HTTPConnection> connection;
    {
        std::lock_guard lock(m_mutex);
        m_aborted = true;
        connection = m_connection;
    }
    if (auto c = connection.lock())
        c->responseDidAbort(this);
}

bool HTTPAsyncFileResponse::openFileIfNeeded() {
    if (m_aborted)
        return false;
    if (m_fileFD >= 0)
        return true;
    return openFileAndSetupReadSource();
}

bool HTTPAsyncFileResponse::openFileAndSetupReadSource() {
    m_fileFD = ::open(m_filePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fileFD < 0) {
        WS_LOG_ERROR(kAsyncFileLogLevel, "%s: Unable to open file. filePath: %s", kAsyncFileUnit, m_filePath.c_str());
        return false;
    }
    m_readSource = core::DispatchSource::makeRead(m_fileFD, m_readQueue);
    std::weak_ptr<HTTPAsyncFileResponse> weak = weak_from_this();
    m_readSource->setEventHandler([weak] {
        if (auto self = weak.lock())
            self->readOnQueue();
    });
    int fd = m_fileFD;
    m_readSource->setCancelHandler([fd] { ::close(fd); });
    m_readSourceSuspended = true; // sources start suspended
    return true;
}

void HTTPAsyncFileResponse::pauseReadSource() {
    if (m_readSource && !m_readSourceSuspended) {
        m_readSourceSuspended = true;
        m_readSource->suspend();
    }
}

void HTTPAsyncFileResponse::resumeReadSource() {
    if (m_readSource && m_readSourceSuspended) {
        m_readSourceSuspended = false;
        m_readSource->resume();
    }
}

void HTTPAsyncFileResponse::cancelReadSource() {
    if (!m_readSource)
        return;
    // A suspended source would never get to run its cancellation.
    resumeReadSource();
    m_readSource->cancel();
    m_readSource.reset();
}

void HTTPAsyncFileResponse::setOffset(uint64_t offset) {
    bool failed = false;
    {
        std::lock_guard lock(m_mutex);
        if (!openFileIfNeeded())
            return;
        m_fileOffset = m_readOffset = offset;
        m_readBuffer.clear();
        m_data.reset();
        if (::lseek(m_fileFD, static_cast<off_t>(offset), SEEK_SET) < 0) {
            WS_LOG_ERROR(kAsyncFileLogLevel, "%s[%p]: lseek failed - errno(%i) filePath(%s)", kAsyncFileUnit, static_cast<void*>(this),
                         errno, m_filePath.c_str());
            failed = true;
        }
    }
    if (failed)
        abort();
}

std::string HTTPAsyncFileResponse::readDataOfLength(uint32_t length) {
    {
        std::lock_guard lock(m_mutex);
        if (m_data && !m_data->empty()) {
            std::string out = std::move(*m_data);
            m_data.reset();
            m_fileOffset += out.size();
            return out;
        }
        m_data.reset();
        if (!openFileIfNeeded() || m_readOffset >= m_fileLength)
            return {};
    }
    m_readQueue->sync([this, length] {
        std::lock_guard lock(m_mutex);
        m_readRequestLength = length;
        // A read that ran between the check above and now already left data
        // for the connection; reading again before it is taken would lose it.
        if (!hasDataWaiting())
            resumeReadSource();
    });
    return {}; // the data follows
}

void HTTPAsyncFileResponse::readOnQueue() {
    bool failed = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_aborted || !m_readSource)
            return;
        if (hasDataWaiting()) {
            // An event left over from an earlier resume: the last read's data
            // is not taken yet, and the connection has been told of it.
            pauseReadSource();
            return;
        }
        uint64_t leftInFile = m_fileLength - m_readOffset;
        uint64_t room = m_readRequestLength > m_readBuffer.size() ? m_readRequestLength - m_readBuffer.size() : 0;
        // Bytes held back (a placeholder cut by the last read) must not stop reading.
        if (room == 0)
            room = 16384;
        uint64_t readable = m_readSource->data();
        size_t toRead = static_cast<size_t>(std::min({room, leftInFile, readable > 0 ? readable : leftInFile}));
        pauseReadSource();
        if (toRead > 0) {
            size_t old = m_readBuffer.size();
            m_readBuffer.resize(old + toRead);
            ssize_t n = ::read(m_fileFD, m_readBuffer.data() + old, toRead);
            if (n <= 0) {
                m_readBuffer.resize(old);
                if (n < 0)
                    WS_LOG_ERROR(kAsyncFileLogLevel, "%s: Error(%i) reading file(%s)", kAsyncFileUnit, errno, m_filePath.c_str());
                else
                    WS_LOG_ERROR(kAsyncFileLogLevel, "%s: Read EOF on file(%s)", kAsyncFileUnit, m_filePath.c_str());
                failed = true;
            } else {
                m_readBuffer.resize(old + static_cast<size_t>(n));
                m_readOffset += static_cast<uint64_t>(n);
            }
        }
        if (!failed)
            processReadBuffer();
    }
    if (failed)
        abort();
    else
        tellConnection();
}

bool HTTPAsyncFileResponse::hasDataWaiting() const {
    return m_data && !m_data->empty();
}

void HTTPAsyncFileResponse::processReadBuffer() {
    m_data = std::move(m_readBuffer);
    m_readBuffer.clear();
}

void HTTPAsyncFileResponse::tellConnection() {
    std::shared_ptr<HTTPConnection> c;
    {
        std::lock_guard lock(m_mutex);
        c = m_connection.lock();
    }
    if (c)
        c->responseHasAvailableData(this);
}

void HTTPAsyncFileResponse::connectionDidClose() {
    {
        std::lock_guard lock(m_mutex);
        m_connection.reset();
        if (m_fileFD < 0)
            return;
    }
    m_readQueue->sync([this] {
        std::lock_guard lock(m_mutex);
        cancelReadSource();
    });
}

} // namespace pw
