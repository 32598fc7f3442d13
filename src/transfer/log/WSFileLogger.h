#pragma once
// Writes messages into rolling log files: a file rolls when it reaches
// `maximumFileSize` bytes, when it is `rollingFrequency` seconds old, or on
// `rollLogFile`. A rolled file is marked archived and never written again.
#include "transfer/log/WSAbstractLogger.h"
#include "platform/core/DispatchSource.h"
#include "transfer/log/WSLogFileManagerDefault.h"

#include <memory>
#include <optional>

namespace pw {

class WSFileLogger : public WSAbstractLogger {
public:
    // Files in the default folder of a new WSLogFileManagerDefault.
    WSFileLogger();
    explicit WSFileLogger(std::shared_ptr<WSLogFileManager> manager);
    ~WSFileLogger() override;

    void logMessage(const WSLogMessage& message) override;
    std::string loggerName() const override { return "app.wslog.fileLogger"; }
    const std::shared_ptr<WSLogFileManager>& logFileManager() const { return m_logFileManager; }

    uint64_t maximumFileSize() const;
    void setMaximumFileSize(uint64_t bytes);
    double rollingFrequency() const;
    void setRollingFrequency(double seconds);
    // Rolls the current file now (asynchronously).
    void rollLogFile();
    // The file being written, if one is open.
    std::optional<std::string> currentLogFilePath() const;

private:
    WSLogFileInfo* currentLogFileInfo();
    int currentLogFileHandle();
    void rollLogFileNow();
    void maybeRollLogFileDueToSize();
    void maybeRollLogFileDueToAge();
    void scheduleTimerToRollLogFileDueToAge();

    std::shared_ptr<WSLogFileManager> m_logFileManager;
    std::unique_ptr<WSLogFileInfo> m_currentLogFileInfo;
    int m_currentLogFileHandle = -1;
    uint64_t m_maximumFileSize = 1024 * 1024;
    double m_rollingFrequency = 60 * 60 * 24;
    // One-shot, on the logger's queue; cancelled when the file rolls and
    // when the logger goes.
    std::shared_ptr<core::DispatchSource> m_rollingTimer;
};

} // namespace pw
