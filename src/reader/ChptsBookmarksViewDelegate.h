#pragma once

#include <cstdint>
#include <variant>

#include "reading/txt/TxtChapterEntry.h"

namespace pw {

// Told of a pick in a local book's contents or bookmarks, once the screen has
// asked to be popped.
class ChptsBookmarksViewDelegate {
public:
    virtual ~ChptsBookmarksViewDelegate() = default;
    // The picked contents row: a TXT book's index entry, or a UMD chapter's
    // content offset.
    using ContentsEntry = std::variant<TxtChapterEntry, int64_t>;
    virtual void chapterDidSelected(const ContentsEntry& entry) = 0;
    // The bookmark's book, chapter offset or TXT chunk offset, and stored start.
    virtual void bookmarkDidSelectedWithBookId(int64_t bookId, int64_t chapterId, int64_t position) = 0;
};

} // namespace pw
