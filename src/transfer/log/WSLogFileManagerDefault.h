#pragma once
// Names, lists, creates and prunes the log files of one folder. Log files are
// named "log-" + 6 upper-case hexadecimal characters + ".txt".
#include "transfer/log/WSLogFileManager.h"

#include <atomic>
#include <string>
#include <vector>

namespace pw {

class WSLogFileManagerDefault : public WSLogFileManager {
public:
    // Logs in the default folder (defaultLogsDirectory).
    WSLogFileManagerDefault();
    explicit WSLogFileManagerDefault(std::string logsDirectory);

    // "Logs" inside the user's Documents folder.
    static std::string defaultLogsDirectory();

    // Created with its parents when missing.
    std::string logsDirectory() const override;
    std::vector<std::string> unsortedLogFilePaths() const override;
    std::vector<std::string> unsortedLogFileNames() const override;
    std::vector<WSLogFileInfo> unsortedLogFileInfos() const override;
    std::vector<WSLogFileInfo> sortedLogFileInfos() const override;
    std::vector<std::string> sortedLogFilePaths() const override;
    std::vector<std::string> sortedLogFileNames() const override;
    // Old files are pruned once the new one exists.
    std::string createNewLogFile() override;

    unsigned maximumNumberOfLogFiles() const override { return m_maximumNumberOfLogFiles.load(); }
    void setMaximumNumberOfLogFiles(unsigned n) override;
    void deleteOldLogFiles();
    static bool isLogFile(const std::string& fileName);
    static std::string generateShortUUID();

private:
    std::string m_logsDirectory;
    std::atomic<unsigned> m_maximumNumberOfLogFiles{5};
};

} // namespace pw
