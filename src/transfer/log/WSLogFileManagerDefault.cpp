#include "transfer/log/WSLogFileManagerDefault.h"

#include "platform/core/Paths.h"
#include "platform/core/RandomId.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace pw {

WSLogFileManagerDefault::WSLogFileManagerDefault() : m_logsDirectory(defaultLogsDirectory()) {}

WSLogFileManagerDefault::WSLogFileManagerDefault(std::string logsDirectory)
    : m_logsDirectory(std::move(logsDirectory)) {}

std::string WSLogFileManagerDefault::defaultLogsDirectory() {
    return (core::Paths::documents() / "Logs").string();
}

std::string WSLogFileManagerDefault::logsDirectory() const {
    std::error_code ec;
    if (!fs::exists(m_logsDirectory, ec)) {
        fs::create_directories(m_logsDirectory, ec);
        if (ec)
            std::fprintf(stderr, "WSLogFileManagerDefault: Error creating logsDirectory: %s\n", ec.message().c_str());
    }
    return m_logsDirectory;
}

bool WSLogFileManagerDefault::isLogFile(const std::string& name) {
    if (name.size() < 10 || name.compare(0, 4, "log-") != 0)
        return false;
    for (size_t i = 4; i < 10; ++i)
        if (std::string_view("0123456789ABCDEF").find(name[i]) == std::string_view::npos)
            return false;
    return true;
}

std::vector<std::string> WSLogFileManagerDefault::unsortedLogFileNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(logsDirectory(), ec)) {
        auto n = e.path().filename().string();
        if (isLogFile(n))
            names.push_back(n);
    }
    return names;
}

std::vector<std::string> WSLogFileManagerDefault::unsortedLogFilePaths() const {
    std::vector<std::string> paths;
    for (auto& n : unsortedLogFileNames())
        paths.push_back((fs::path(m_logsDirectory) / n).string());
    return paths;
}

std::vector<WSLogFileInfo> WSLogFileManagerDefault::unsortedLogFileInfos() const {
    std::vector<WSLogFileInfo> infos;
    for (auto& p : unsortedLogFilePaths())
        infos.emplace_back(p);
    return infos;
}

std::vector<WSLogFileInfo> WSLogFileManagerDefault::sortedLogFileInfos() const {
    auto infos = unsortedLogFileInfos();
    std::vector<std::pair<double, size_t>> keys;
    for (size_t i = 0; i < infos.size(); ++i)
        keys.emplace_back(infos[i].creationDate().value_or(0), i);
    std::stable_sort(keys.begin(), keys.end(), [](auto& a, auto& b) { return a.first > b.first; });
    std::vector<WSLogFileInfo> sorted;
    for (auto& [date, i] : keys)
        sorted.push_back(infos[i]);
    return sorted;
}

std::vector<std::string> WSLogFileManagerDefault::sortedLogFilePaths() const {
    std::vector<std::string> v;
    for (auto& i : sortedLogFileInfos())
        v.push_back(i.filePath());
    return v;
}

std::vector<std::string> WSLogFileManagerDefault::sortedLogFileNames() const {
    std::vector<std::string> v;
    for (auto& i : sortedLogFileInfos())
        v.push_back(i.fileName());
    return v;
}

std::string WSLogFileManagerDefault::generateShortUUID() {
    return core::RandomId::uuidString().substr(0, 6);
}

std::string WSLogFileManagerDefault::createNewLogFile() {
    auto dir = logsDirectory();
    std::string path;
    do {
        path = (fs::path(dir) / ("log-" + generateShortUUID() + ".txt")).string();
    } while (fs::exists(path));
    std::ofstream(path, std::ios::binary).flush();
    deleteOldLogFiles();
    return path;
}

void WSLogFileManagerDefault::deleteOldLogFiles() {
    auto infos = sortedLogFileInfos();
    size_t first = 0;
    if (!infos.empty() && !infos[0].isArchived())
        first = 1; // the file being written
    unsigned keep = maximumNumberOfLogFiles();
    for (size_t i = first + keep; i < infos.size(); ++i) {
        std::error_code ec;
        fs::remove(infos[i].filePath(), ec);
    }
}

void WSLogFileManagerDefault::setMaximumNumberOfLogFiles(unsigned n) {
    if (m_maximumNumberOfLogFiles.exchange(n) == n)
        return;
    deleteOldLogFiles(); // at once: the manager may be gone before a queued pruning runs
}

} // namespace pw
