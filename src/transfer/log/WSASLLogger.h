#pragma once
// Sends messages to the system log at a priority chosen by the unit's level.
#include "transfer/log/WSAbstractLogger.h"

namespace pw {

class WSASLLogger : public WSAbstractLogger {
public:
    static std::shared_ptr<WSASLLogger> sharedInstance();
    void logMessage(const WSLogMessage& message) override;
    std::string loggerName() const override { return "app.wslog.aslLogger"; }
    // 1 critical, 2 error, 3 warning, anything else notice.
    static int priorityForLevel(int level);

private:
    WSASLLogger() = default;
};

} // namespace pw
