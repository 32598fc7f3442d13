#pragma once

#include <cstdint>
#include <string>

namespace pw::core {
class Value;
}

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
    // "RZ", "TXT", "UMD" (or "EPUB").
    std::string type{};
    double percent{0};
    // The newest chapter the user has seen, and the newest the site has.
    int64_t currLstChapterId{0};
    int64_t lstChapterId{0};

    // A record as the book table answers it; absent keys keep the defaults.
    static BookRecord fromValue(const core::Value& v);
    // A book the site has chapters of that the user has not seen.
    bool hasNewChapters() const { return static_cast<int32_t>(currLstChapterId) < static_cast<int32_t>(lstChapterId); }
};

// One shelf group; cid -1 is the synthetic first group the main screen keeps
// at index 0, cid -2 the grid's search entry.
struct CategoryRecord {
    int64_t cid{0};
    std::string cname{};
    // 0 open, 1 closed.
    int expand{0};
    // Creation time, seconds since 1970.
    double t{0};

    static CategoryRecord fromValue(const core::Value& v);
};

} // namespace pw
