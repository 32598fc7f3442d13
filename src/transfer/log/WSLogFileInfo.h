#pragma once
// One log file and what the file system says of it, read on first request.
#include <cstdint>
#include <optional>
#include <string>

namespace pw {

class WSLogFileInfo {
public:
    static constexpr const char* kArchivedAttribute = "wslog.log.archived";

    explicit WSLogFileInfo(std::string filePath);

    const std::string& filePath() const { return m_filePath; }
    std::string fileName() const;
    std::optional<double> creationDate(); // seconds since 1970
    std::optional<double> modificationDate();
    uint64_t fileSize();
    double age(); // seconds since creation
    bool isArchived() const;
    void setIsArchived(bool archived);
    void renameFile(const std::string& newName);
    void reset();
    bool operator==(const WSLogFileInfo& other) const { return m_filePath == other.m_filePath; }

private:
    void readAttributes();

    std::string m_filePath;
    bool m_haveAttributes = false;
    std::optional<double> m_creationDate;
    std::optional<double> m_modificationDate;
    uint64_t m_fileSize = 0;
};

} // namespace pw
