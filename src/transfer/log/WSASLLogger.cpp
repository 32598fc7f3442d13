#include "transfer/log/WSASLLogger.h"

#include "platform/net/SystemLog.h"

namespace pw {

std::shared_ptr<WSASLLogger> WSASLLogger::sharedInstance() {
    static std::shared_ptr<WSASLLogger> instance(new WSASLLogger);
    return instance;
}

int WSASLLogger::priorityForLevel(int level) {
    switch (level) {
    case 1:
        return net::SystemLog::Critical;
    case 2:
        return net::SystemLog::Error;
    case 3:
        return net::SystemLog::Warning;
    default:
        return net::SystemLog::Notice;
    }
}

void WSASLLogger::logMessage(const WSLogMessage& message) {
    auto text = textOf(message);
    if (!text)
        return;
    net::SystemLog::send(static_cast<net::SystemLog::Priority>(priorityForLevel(message.logLevel())), *text);
}

} // namespace pw
