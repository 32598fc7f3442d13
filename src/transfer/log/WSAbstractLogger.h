#pragma once
// Base of every logger: an optional formatter and a serial queue of its own.
#include "transfer/log/WSLogger.h"

#include <mutex>
#include <type_traits>

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

    // Runs f on the logger queue (inline when already on it) and hands back
    // its result, so settings are read and written in the queue's order.
    template <class F>
    auto onLoggerQueue(F f) const -> decltype(f()) {
        return loggerQueue()->syncResult(std::move(f));
    }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<WSLogFormatter> m_formatter;
    mutable std::shared_ptr<core::DispatchQueue> m_loggerQueue;
};

} // namespace pw
