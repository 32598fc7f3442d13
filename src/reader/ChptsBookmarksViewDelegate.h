#pragma once

#include <cstdint>

#include "reading/txt/TxtChapterEntry.h"

namespace pw {

// Told of a pick in a local book's contents or bookmarks, once the screen has
// asked to be popped.
class ChptsBookmarksViewDelegate {
public:
    virtual ~ChptsBookmarksViewDelegate() = default;
    virtual void txtChapterDidSelected(const TxtChapterEntry& entry) = 0;
    // A UMD chapter by its content offset.
    virtual void umdChapterDidSelected(int64_t chapterOffset) = 0;
    // The bookmark's book, chapter offset or TXT chunk offset, and stored start.
    virtual void bookmarkDidSelectedWithBookId(int64_t bookId, int64_t chapterId, int64_t position) = 0;
};

} // namespace pw
