#pragma once

#include <cstdint>

#include "reader/ChapterGrouping.h"

namespace pw {

// Told of a pick in a site book's chapter list, once the list has asked to be popped.
class RZChapterListViewDelegate {
public:
    virtual ~RZChapterListViewDelegate() = default;
    virtual void rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) = 0;
};

} // namespace pw
