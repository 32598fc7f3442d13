#pragma once

#include "shelf/ShelfRecords.h"

#include <string_view>
#include <vector>

namespace pw {

// How a grid page lays its books into rows of tiles, and which books it shows.
class GridLayout {
public:
    enum class PageKind { Search, FirstCategory, Category };

    struct RowRange {
        int first{0};
        int end{0}; // one past the last book of the row
    };

    // Tiles per row: 3 (phone) or 4 (tablet) upright, 4 or 6 when wider than high.
    static int tilesPerRow(bool tablet, double width, double height);
    static int rowHeight(bool tablet) { return tablet ? 188 : 130; }
    static int rowCount(int books, int perRow);
    // Book k of a row goes to tile k % perRow; slots past the end stay hidden.
    static RowRange rowRange(int row, int perRow, int books);

    // The books a page shows. The search page lists only matches of a
    // non-empty text; the other pages narrow to matches while searching a
    // non-empty text.
    // bookcaseType 1 is the site shelf, whose first category lists books read before.
    static std::vector<const BookRecord*> pageBooks(PageKind kind, const std::vector<BookRecord>& allBooks,
                                                    int bookcaseType, int64_t categoryId, bool isSearching,
                                                    std::string_view searchText);
};

} // namespace pw
