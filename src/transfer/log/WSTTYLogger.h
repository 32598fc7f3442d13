#pragma once
// Writes messages to standard error when it is a terminal.
#include "transfer/log/WSAbstractLogger.h"

namespace pw {

class WSTTYLogger : public WSAbstractLogger {
public:
    static std::shared_ptr<WSTTYLogger> sharedInstance();
    void logMessage(const WSLogMessage& message) override;
    std::string loggerName() const override { return "app.wslog.ttyLogger"; }

    // For tests: write to this descriptor as if it were a terminal (or not).
    void setOutput(int fd, bool isATTY);

private:
    WSTTYLogger();
    int m_fd = 2;
    bool m_isaTTY = false;
    std::string m_app;
    std::string m_pid;
};

} // namespace pw
