#include "transfer/log/WSAbstractLogger.h"

namespace pw {

std::shared_ptr<WSLogFormatter> WSAbstractLogger::logFormatter() const {
    std::lock_guard lock(m_mutex);
    return m_formatter;
}

void WSAbstractLogger::setLogFormatter(std::shared_ptr<WSLogFormatter> formatter) {
    std::lock_guard lock(m_mutex);
    m_formatter = std::move(formatter);
}

std::shared_ptr<core::DispatchQueue> WSAbstractLogger::loggerQueue() const {
    std::lock_guard lock(m_mutex);
    // Made on first use: the name comes from the most derived class.
    if (!m_loggerQueue)
        m_loggerQueue = core::DispatchQueue::create(loggerName());
    return m_loggerQueue;
}

std::optional<std::string> WSAbstractLogger::textOf(const WSLogMessage& message) const {
    auto formatter = logFormatter();
    if (formatter)
        return formatter->formatLogMessage(message);
    return message.logMsg();
}

} // namespace pw
