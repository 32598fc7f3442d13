#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pw {

// Every folder and file name of the app's own data, in one place. The folder
// names are what earlier versions wrote on users' devices, so they must not
// change; everything else asks here instead of spelling them out.
class AppPaths {
public:
    static std::filesystem::path mainFolder();     // Documents/torvane/main
    static std::filesystem::path bookFolder();     // Documents/torvane/book: one database per site book
    static std::filesystem::path coverFolder();    // Documents/torvane/cover: site book covers
    static std::filesystem::path logFolder();      // Documents/torvane/log
    static std::filesystem::path umdCoverFolder(); // Documents/local/cover/umd
    static std::filesystem::path storeCache();     // Library/Caches/Store: the store's images
    static std::filesystem::path importFolder();   // Documents: the user's own TXT and UMD files

    static std::filesystem::path mainDatabase();                      // main.rz
    static std::filesystem::path bookDatabase(std::int64_t rzBookId); // <id>.rz
    static std::filesystem::path bookDatabase(const std::string& rzBookId);
    static std::filesystem::path coverFile(std::int64_t rzBookId); // <id>.jpg
    static std::filesystem::path coverFile(const std::string& rzBookId);
    static std::filesystem::path settingsArchive();       // newsettings
    static std::filesystem::path legacySettingsArchive(); // settings, migrated once

    // The folders made at start-up, relative to the home, in the order made.
    static std::vector<std::filesystem::path> startupFolders();
};

} // namespace pw
