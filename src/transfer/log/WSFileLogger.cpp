#include "transfer/log/WSFileLogger.h"

#include "transfer/log/WSLogFileFormatterDefault.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

namespace pw {

WSFileLogger::WSFileLogger() : WSFileLogger(std::make_shared<WSLogFileManagerDefault>()) {}

WSFileLogger::WSFileLogger(std::shared_ptr<WSLogFileManager> manager) : m_logFileManager(std::move(manager)) {
    setLogFormatter(std::make_shared<WSLogFileFormatterDefault>());
}

WSFileLogger::~WSFileLogger() {
    // The timer's handler and a queued roll refer to this logger: stop the
    // one and let what is already on the queue finish before going.
    loggerQueue()->sync([this] {
        if (m_rollingTimer)
            m_rollingTimer->cancel();
    });
    if (m_currentLogFileHandle >= 0) {
        ::fsync(m_currentLogFileHandle);
        ::close(m_currentLogFileHandle);
    }
}

uint64_t WSFileLogger::maximumFileSize() const {
    return onLoggerQueue([this] { return m_maximumFileSize; });
}

void WSFileLogger::setMaximumFileSize(uint64_t bytes) {
    onLoggerQueue([this, bytes] {
        m_maximumFileSize = bytes;
        maybeRollLogFileDueToSize();
    });
}

double WSFileLogger::rollingFrequency() const {
    return onLoggerQueue([this] { return m_rollingFrequency; });
}

void WSFileLogger::setRollingFrequency(double seconds) {
    onLoggerQueue([this, seconds] {
        m_rollingFrequency = seconds;
        maybeRollLogFileDueToAge();
    });
}

void WSFileLogger::rollLogFile() {
    loggerQueue()->async([this] { rollLogFileNow(); });
}

std::optional<std::string> WSFileLogger::currentLogFilePath() const {
    return onLoggerQueue([this]() -> std::optional<std::string> {
        if (!m_currentLogFileInfo)
            return std::nullopt;
        return m_currentLogFileInfo->filePath();
    });
}

WSLogFileInfo* WSFileLogger::currentLogFileInfo() {
    if (m_currentLogFileInfo)
        return m_currentLogFileInfo.get();
    auto infos = m_logFileManager->sortedLogFileInfos();
    if (!infos.empty()) {
        auto& newest = infos.front();
        if (!newest.isArchived()) {
            if (newest.fileSize() >= m_maximumFileSize || newest.age() >= m_rollingFrequency) {
                newest.setIsArchived(true);
                m_logFileManager->didArchiveLogFile(newest.filePath());
            } else {
                m_currentLogFileInfo = std::make_unique<WSLogFileInfo>(newest.filePath());
            }
        }
    }
    if (!m_currentLogFileInfo)
        m_currentLogFileInfo = std::make_unique<WSLogFileInfo>(m_logFileManager->createNewLogFile());
    return m_currentLogFileInfo.get();
}

int WSFileLogger::currentLogFileHandle() {
    if (m_currentLogFileHandle >= 0)
        return m_currentLogFileHandle;
    auto* info = currentLogFileInfo();
    m_currentLogFileHandle = ::open(info->filePath().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (m_currentLogFileHandle >= 0)
        scheduleTimerToRollLogFileDueToAge();
    return m_currentLogFileHandle;
}

void WSFileLogger::scheduleTimerToRollLogFileDueToAge() {
    if (m_rollingTimer)
        m_rollingTimer->clearTimer();
    if (!m_currentLogFileInfo)
        return;
    double due = m_currentLogFileInfo->creationDate().value_or(0) + m_rollingFrequency;
    double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    if (!m_rollingTimer) {
        m_rollingTimer = core::DispatchSource::makeTimer(loggerQueue());
        // The destructor cancels the timer on this queue, so `this` outlives it.
        m_rollingTimer->setEventHandler([this] { maybeRollLogFileDueToAge(); });
        m_rollingTimer->resume();
    }
    auto delay = std::chrono::nanoseconds(static_cast<long long>(std::max(0.0, due - now) * 1e9));
    m_rollingTimer->setTimer(delay, std::chrono::nanoseconds(0));
}

void WSFileLogger::maybeRollLogFileDueToAge() {
    if (!m_currentLogFileInfo)
        return;
    if (m_currentLogFileInfo->age() >= m_rollingFrequency)
        rollLogFileNow();
    else
        scheduleTimerToRollLogFileDueToAge();
}

void WSFileLogger::maybeRollLogFileDueToSize() {
    if (m_currentLogFileHandle < 0)
        return;
    off_t offset = ::lseek(m_currentLogFileHandle, 0, SEEK_END);
    if (offset >= 0 && static_cast<uint64_t>(offset) >= m_maximumFileSize)
        rollLogFileNow();
}

void WSFileLogger::rollLogFileNow() {
    if (m_currentLogFileHandle >= 0) {
        ::fsync(m_currentLogFileHandle);
        ::close(m_currentLogFileHandle);
        m_currentLogFileHandle = -1;
    }
    if (m_rollingTimer)
        m_rollingTimer->clearTimer();
    if (m_currentLogFileInfo) {
        m_currentLogFileInfo->setIsArchived(true);
        m_logFileManager->didRollAndArchiveLogFile(m_currentLogFileInfo->filePath());
        m_currentLogFileInfo.reset();
    }
}

void WSFileLogger::logMessage(const WSLogMessage& message) {
    auto text = textOf(message);
    if (!text)
        return;
    if (text->empty() || text->back() != '\n')
        text->push_back('\n');
    int fd = currentLogFileHandle();
    if (fd < 0)
        return;
    size_t off = 0;
    while (off < text->size()) {
        ssize_t n = ::write(fd, text->data() + off, text->size() - off);
        if (n <= 0)
            break;
        off += static_cast<size_t>(n);
    }
    maybeRollLogFileDueToSize();
}

} // namespace pw
