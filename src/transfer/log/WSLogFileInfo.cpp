#include "transfer/log/WSLogFileInfo.h"

#include "platform/net/ExtendedAttributes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>

namespace pw {

namespace {
// Where the file system keeps no extended attributes, archiving is
// remembered for the life of the process instead.
std::mutex g_archivedMutex;
std::set<std::string>& archivedWithoutAttributes() {
    static auto* s = new std::set<std::string>;
    return *s;
}
double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}
} // namespace

WSLogFileInfo::WSLogFileInfo(std::string filePath) : m_filePath(std::move(filePath)) {}

std::shared_ptr<WSLogFileInfo> WSLogFileInfo::logFileWithPath(std::string filePath) {
    return std::make_shared<WSLogFileInfo>(std::move(filePath));
}

std::string WSLogFileInfo::fileName() const {
    return std::filesystem::path(m_filePath).filename().string();
}

void WSLogFileInfo::readAttributes() {
    if (m_haveAttributes)
        return;
    struct statx sx {};
    if (::statx(AT_FDCWD, m_filePath.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        std::fprintf(stderr, "WSLogFileInfo: creationDate(%s): getattrlist result = -1\n", fileName().c_str());
        return;
    }
    m_haveAttributes = true;
    auto t = [](const statx_timestamp& ts) { return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9; };
    m_creationDate = (sx.stx_mask & STATX_BTIME) ? t(sx.stx_btime) : t(sx.stx_mtime);
    m_modificationDate = t(sx.stx_mtime);
    m_fileSize = sx.stx_size;
    core::ValueMap attributes;
    attributes.set("fileType", S_ISREG(sx.stx_mode) ? "regular" : S_ISDIR(sx.stx_mode) ? "directory" : "other");
    attributes.set("fileSize", static_cast<int64_t>(sx.stx_size));
    attributes.set("filePosixPermissions", static_cast<int64_t>(sx.stx_mode & 07777));
    attributes.set("fileCreationDate", *m_creationDate);
    attributes.set("fileModificationDate", *m_modificationDate);
    m_fileAttributes = core::Value(std::move(attributes));
}

core::Value WSLogFileInfo::fileAttributes() {
    readAttributes();
    return m_fileAttributes;
}

namespace {
int reverseCompare(std::optional<double> mine, std::optional<double> theirs) {
    double a = mine.value_or(-1), b = theirs.value_or(-1);
    return a > b ? -1 : a < b ? 1 : 0;
}
} // namespace

int WSLogFileInfo::reverseCompareByCreationDate(WSLogFileInfo& other) {
    return reverseCompare(creationDate(), other.creationDate());
}

int WSLogFileInfo::reverseCompareByModificationDate(WSLogFileInfo& other) {
    return reverseCompare(modificationDate(), other.modificationDate());
}

std::string WSLogFileInfo::description() {
    auto date = [](std::optional<double> d) { return d ? std::to_string(*d) : std::string("(null)"); };
    std::string attributes;
    const core::Value fields = fileAttributes();
    if (auto* map = fields.asMap()) {
        for (auto& [key, value] : *map) {
            if (!attributes.empty())
                attributes += ", ";
            attributes += key + " = ";
            attributes += value.isString() ? *value.stringPtr()
                          : value.isInt()  ? std::to_string(*value.asInt())
                                           : std::to_string(value.asDouble().value_or(0));
        }
    }
    std::string text = "{\n";
    auto line = [&text](const char* key, const std::string& value) { text += "    " + std::string(key) + " = " + value + ";\n"; };
    line("filePath", m_filePath);
    line("fileName", fileName());
    line("fileAttributes", "{" + attributes + "}");
    line("creationDate", date(creationDate()));
    line("modificationDate", date(modificationDate()));
    line("fileSize", std::to_string(fileSize()));
    line("age", std::to_string(age()));
    line("isArchived", isArchived() ? "1" : "0");
    return text + "}";
}

std::optional<double> WSLogFileInfo::creationDate() {
    readAttributes();
    return m_creationDate;
}

std::optional<double> WSLogFileInfo::modificationDate() {
    readAttributes();
    return m_modificationDate;
}

uint64_t WSLogFileInfo::fileSize() {
    readAttributes();
    return m_fileSize;
}

double WSLogFileInfo::age() {
    return nowSeconds() - creationDate().value_or(nowSeconds());
}

bool WSLogFileInfo::isArchived() const {
    if (net::ExtendedAttributes::has(m_filePath, kArchivedAttribute))
        return true;
    std::lock_guard lock(g_archivedMutex);
    return archivedWithoutAttributes().count(m_filePath) > 0;
}

void WSLogFileInfo::setIsArchived(bool archived) {
    if (archived) {
        int r = net::ExtendedAttributes::set(m_filePath, kArchivedAttribute, "");
        if (r != 0) {
            std::fprintf(stderr, "WSLogFileInfo: setxattr(%s, %s): error = %i\n", kArchivedAttribute,
                         fileName().c_str(), r);
            std::lock_guard lock(g_archivedMutex);
            archivedWithoutAttributes().insert(m_filePath);
        }
    } else {
        int r = net::ExtendedAttributes::remove(m_filePath, kArchivedAttribute);
        if (r != 0 && r != ENODATA)
            std::fprintf(stderr, "WSLogFileInfo: removexattr(%s, %s): error = %i\n", kArchivedAttribute,
                         fileName().c_str(), r);
        std::lock_guard lock(g_archivedMutex);
        archivedWithoutAttributes().erase(m_filePath);
    }
}

void WSLogFileInfo::renameFile(const std::string& newName) {
    if (newName == fileName())
        return;
    auto newPath = (std::filesystem::path(m_filePath).parent_path() / newName).string();
    std::error_code ec;
    std::filesystem::rename(m_filePath, newPath, ec);
    if (ec)
        std::fprintf(stderr, "WSLogFileInfo: Error renaming file (%s): %s\n", fileName().c_str(), ec.message().c_str());
    m_filePath = newPath;
    m_haveAttributes = false;
    m_fileAttributes = core::Value();
    m_creationDate.reset();
    m_modificationDate.reset();
}

void WSLogFileInfo::reset() {
    m_haveAttributes = false;
    m_fileAttributes = core::Value();
    m_creationDate.reset();
    m_modificationDate.reset();
    m_fileSize = 0;
}

} // namespace pw
