#pragma once

#include <cstdint>
#include <functional>

namespace pw {

// The shelf shown: 1 the site shelf (the initial value), 2 the local shelf.
// Set by the main screen's tabs; read by the shelf views, the category menu
// and the edit bar.
extern int bookcaseType;

// What the shelf views ask of the screen that hosts them. The main screen
// fills these in; unset ones answer "no" and do nothing, so the views also
// work on their own.
struct ShelfHost {
    // The download manager fetches this site book as a whole now.
    std::function<bool(int64_t rzBookId)> isBookDownloadingNow{};
    // Edit mode's selection holds this book (by row id).
    std::function<bool(int64_t bid)> isBookChosen{};
    // Pushes the import screen of the local shelf.
    std::function<void()> importLocalBook{};

    static ShelfHost& shared();

    bool downloading(int64_t rzBookId) const { return isBookDownloadingNow && isBookDownloadingNow(rzBookId); }
    bool chosen(int64_t bid) const { return isBookChosen && isBookChosen(bid); }
};

} // namespace pw
