#pragma once

#include <filesystem>

namespace pw {

// The main database file, Documents/torvane/main/main.rz: the shelf's books,
// settings, bookmarks, shelf groups and site messages (user version 2). The
// folder is made by the main screen at start-up, never here.
class MainDB {
public:
    static constexpr int UserVersion = 2;

    static std::filesystem::path mainDBPath();
    static bool isMainDBExists();
    // Creates the file with all its tables, or brings an older file up to the
    // current version. False when the file cannot be opened or a statement
    // fails; a failed creation leaves nothing half made.
    static bool createMainDBIfNotExists();
};

} // namespace pw
