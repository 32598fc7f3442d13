#pragma once
// One log file and what the file system says of it, read on first request.
#include "platform/core/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pw {

class WSLogFileInfo {
public:
    static constexpr const char* kArchivedAttribute = "wslog.log.archived";

    explicit WSLogFileInfo(std::string filePath);
    static std::shared_ptr<WSLogFileInfo> logFileWithPath(std::string filePath);

    const std::string& filePath() const { return m_filePath; }
    std::string fileName() const;
    // What the file system says of the path: "fileType" ("regular",
    // "directory" or "other"), "fileSize", "filePosixPermissions",
    // "fileCreationDate" and "fileModificationDate" (seconds since 1970).
    // Empty when the path cannot be read.
    core::Value fileAttributes();
    std::optional<double> creationDate(); // seconds since 1970
    std::optional<double> modificationDate();
    uint64_t fileSize();
    double age(); // seconds since creation
    bool isArchived() const;
    void setIsArchived(bool archived);
    void renameFile(const std::string& newName);
    void reset();
    bool operator==(const WSLogFileInfo& other) const { return m_filePath == other.m_filePath; }
    // Newest first: -1 when this file is newer than the other, 1 when older,
    // 0 when alike (a missing date counts as the oldest).
    int reverseCompareByCreationDate(WSLogFileInfo& other);
    int reverseCompareByModificationDate(WSLogFileInfo& other);
    // A key/value text of the path, name, attributes, dates, size, age and
    // archived flag.
    std::string description();

private:
    void readAttributes();

    std::string m_filePath;
    bool m_haveAttributes = false;
    std::optional<double> m_creationDate;
    std::optional<double> m_modificationDate;
    core::Value m_fileAttributes;
    uint64_t m_fileSize = 0;
};

} // namespace pw
