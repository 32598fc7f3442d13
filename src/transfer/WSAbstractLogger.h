#pragma once
// Base of every logger: an optional formatter and a serial queue of its own.
#include "transfer/WSLogger.h"

#include <mutex>

namespace pw {

class WSAbstractLogger : public WSLogger {
public:
    void logMessage(const WSLogMessage&) override {}
    std::shared_ptr<WSLogFormatter> logFormatter() const override;
    void setLogFormatter(std::shared_ptr<WSLogFormatter> formatter) override;
    std::shared_ptr<core::DispatchQueue> loggerQueue() const override;
    std::string loggerName() const override { return "WSAbstractLogger"; }

protected:
    // The formatter's text, or the message's own; nullopt drops the message.
    std::optional<std::string> textOf(const WSLogMessage& message) const;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<WSLogFormatter> m_formatter;
    mutable std::shared_ptr<core::DispatchQueue> m_loggerQueue;
};

}  // namespace pw
