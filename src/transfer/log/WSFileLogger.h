#pragma once
// Writes messages into rolling log files: a file rolls when it reaches
// `maximumFileSize` bytes, when it is `rollingFrequency` seconds old, or on
// `rollLogFile`. A rolled file is marked archived and never written again.
#include "transfer/log/WSAbstractLogger.h"
#include "transfer/log/WSLogFileManagerDefault.h"

#include <memory>
#include <optional>

namespace pw {

class WSFileLogger : public WSAbstractLogger, public std::enable_shared_from_this<WSFileLogger> {
public:
    explicit WSFileLogger(std::shared_ptr<WSLogFileManagerDefault> manager);
    ~WSFileLogger() override;

    void logMessage(const WSLogMessage& message) override;
    std::string loggerName() const override { return "app.wslog.fileLogger"; }
    const std::shared_ptr<WSLogFileManagerDefault>& logFileManager() const { return m_logFileManager; }

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

    std::shared_ptr<WSLogFileManagerDefault> m_logFileManager;
    std::unique_ptr<WSLogFileInfo> m_currentLogFileInfo;
    int m_currentLogFileHandle = -1;
    uint64_t m_maximumFileSize = 1024 * 1024;
    double m_rollingFrequency = 60 * 60 * 24;
    unsigned m_ageTimerGeneration = 0;
};

} // namespace pw
