#pragma once

#include <cstdint>
#include <string>

namespace pw {

// The shelf's view of one book row (table `book`), as far as sorting and
// showing it needs.
struct BookRecord {
    int64_t bid{0};
    int64_t rzId{0};
    int64_t cid{0};
    std::string bname{};
    std::string author{};
    std::string file{};
    int status{0};
    // Seconds since 1970 of the last reading; -1 when never opened.
    int64_t lstReadt{-1};
    std::string cover{};
    // "RZ", "TXT" or "UMD".
    std::string type{};
    double percent{0};
    // The newest chapter seen on this device and the newest on the site; the
    // shelf marks a book whose site chapter is newer.
    int64_t currLstChapterId{0};
    int64_t lstChapterId{0};
};

// One shelf group; cid -1 is the synthetic first group the main screen keeps
// at index 0, cid -2 the grid's search entry.
struct CategoryRecord {
    int64_t cid{0};
    std::string cname{};
    // 0 open, 1 closed.
    int expand{0};
};

} // namespace pw
