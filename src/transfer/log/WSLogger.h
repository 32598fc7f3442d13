#pragma once
// What a logger offers the log dispatcher, and the formatter it may carry.
#include "platform/core/DispatchQueue.h"
#include "transfer/log/WSLogMessage.h"

#include <memory>
#include <optional>
#include <string>

namespace pw {

class WSLogFormatter {
public:
    virtual ~WSLogFormatter() = default;
    // The text to write, or nullopt to drop the message.
    virtual std::optional<std::string> formatLogMessage(const WSLogMessage& message) = 0;
};

class WSLogger {
public:
    virtual ~WSLogger() = default;
    virtual void logMessage(const WSLogMessage& message) = 0;
    virtual std::shared_ptr<WSLogFormatter> logFormatter() const = 0;
    virtual void setLogFormatter(std::shared_ptr<WSLogFormatter> formatter) = 0;
    virtual void didAddLogger() {}
    virtual void willRemoveLogger() {}
    virtual void flush() {}
    // The serial queue the logger wants to run on; nullptr lets the dispatcher make one.
    virtual std::shared_ptr<core::DispatchQueue> loggerQueue() const { return nullptr; }
    virtual std::string loggerName() const { return {}; }
};

} // namespace pw
