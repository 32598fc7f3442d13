#include "foundation/paths/AppPaths.h"

#include "platform/core/Paths.h"

namespace pw {

namespace fs = std::filesystem;

namespace {
// Relative to the home; the start-up list and the accessors share them.
const fs::path kMain = "Documents/torvane/main";
const fs::path kBook = "Documents/torvane/book";
const fs::path kCover = "Documents/torvane/cover";
const fs::path kLog = "Documents/torvane/log";
const fs::path kUmdCover = "Documents/local/cover/umd";
const fs::path kStoreCache = "Library/Caches/Store";
} // namespace

fs::path AppPaths::mainFolder() {
    return core::Paths::home() / kMain;
}
fs::path AppPaths::bookFolder() {
    return core::Paths::home() / kBook;
}
fs::path AppPaths::coverFolder() {
    return core::Paths::home() / kCover;
}
fs::path AppPaths::logFolder() {
    return core::Paths::home() / kLog;
}
fs::path AppPaths::umdCoverFolder() {
    return core::Paths::home() / kUmdCover;
}
fs::path AppPaths::storeCache() {
    return core::Paths::home() / kStoreCache;
}
fs::path AppPaths::importFolder() {
    return core::Paths::documents();
}

fs::path AppPaths::mainDatabase() {
    return mainFolder() / "main.rz";
}
fs::path AppPaths::bookDatabase(std::int64_t rzBookId) {
    return bookDatabase(std::to_string(rzBookId));
}
fs::path AppPaths::bookDatabase(const std::string& rzBookId) {
    return bookFolder() / (rzBookId + ".rz");
}
fs::path AppPaths::coverFile(std::int64_t rzBookId) {
    return coverFile(std::to_string(rzBookId));
}
fs::path AppPaths::coverFile(const std::string& rzBookId) {
    return coverFolder() / (rzBookId + ".jpg");
}
fs::path AppPaths::settingsArchive() {
    return mainFolder() / "newsettings";
}
fs::path AppPaths::legacySettingsArchive() {
    return mainFolder() / "settings";
}

std::vector<fs::path> AppPaths::startupFolders() {
    return {kMain, kBook, kCover, kLog, kUmdCover, kStoreCache};
}

} // namespace pw
