#pragma once
// Names, lists, creates and prunes the log files of one folder. Log files are
// named "log-" + 6 upper-case hexadecimal characters + ".txt".
#include "transfer/log/WSLogFileInfo.h"

#include <atomic>
#include <string>
#include <vector>

namespace pw {

class WSLogFileManagerDefault {
public:
    explicit WSLogFileManagerDefault(std::string logsDirectory);
    virtual ~WSLogFileManagerDefault() = default;

    // Created with its parents when missing.
    std::string logsDirectory() const;
    std::vector<std::string> unsortedLogFilePaths() const;
    std::vector<std::string> unsortedLogFileNames() const;
    std::vector<WSLogFileInfo> unsortedLogFileInfos() const;
    // Newest creation first.
    std::vector<WSLogFileInfo> sortedLogFileInfos() const;
    std::vector<std::string> sortedLogFilePaths() const;
    std::vector<std::string> sortedLogFileNames() const;
    // Path of a new empty log file; old files are pruned.
    std::string createNewLogFile();

    unsigned maximumNumberOfLogFiles() const { return m_maximumNumberOfLogFiles.load(); }
    void setMaximumNumberOfLogFiles(unsigned n);
    void deleteOldLogFiles();
    static bool isLogFile(const std::string& fileName);
    static std::string generateShortUUID();

    virtual void didArchiveLogFile(const std::string&) {}
    virtual void didRollAndArchiveLogFile(const std::string&) {}

private:
    std::string m_logsDirectory;
    std::atomic<unsigned> m_maximumNumberOfLogFiles{5};
};

} // namespace pw
