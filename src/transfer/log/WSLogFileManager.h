#pragma once
// What a file logger needs of whoever names, lists, creates and prunes its
// log files. The two archive notices are optional: the defaults do nothing.
#include "transfer/log/WSLogFileInfo.h"

#include <string>
#include <vector>

namespace pw {

class WSLogFileManager {
public:
    virtual ~WSLogFileManager() = default;

    virtual std::string logsDirectory() const = 0;
    virtual std::vector<std::string> unsortedLogFilePaths() const = 0;
    virtual std::vector<std::string> unsortedLogFileNames() const = 0;
    virtual std::vector<WSLogFileInfo> unsortedLogFileInfos() const = 0;
    // Newest creation first.
    virtual std::vector<std::string> sortedLogFilePaths() const = 0;
    virtual std::vector<std::string> sortedLogFileNames() const = 0;
    virtual std::vector<WSLogFileInfo> sortedLogFileInfos() const = 0;
    // Path of a new empty log file.
    virtual std::string createNewLogFile() = 0;
    virtual unsigned maximumNumberOfLogFiles() const = 0;
    virtual void setMaximumNumberOfLogFiles(unsigned n) = 0;

    virtual void didArchiveLogFile(const std::string&) {}
    virtual void didRollAndArchiveLogFile(const std::string&) {}
};

} // namespace pw
