#include "shelf/GridLayout.h"

#include "shelf/BooklistSections.h"

#include <algorithm>

namespace pw {

int GridLayout::tilesPerRow(bool tablet, double width, double height) {
    const bool landscape = width > height;
    if (tablet)
        return landscape ? 6 : 4;
    return landscape ? 4 : 3;
}

int GridLayout::rowCount(int books, int perRow) {
    if (books <= 0 || perRow <= 0)
        return 0;
    return (books + perRow - 1) / perRow;
}

GridLayout::RowRange GridLayout::rowRange(int row, int perRow, int books) {
    if (row < 0 || perRow <= 0 || books <= 0)
        return {};
    const int first = std::min(row * perRow, books);
    return {first, std::min((row + 1) * perRow, books)};
}

std::vector<const BookRecord*> GridLayout::pageBooks(PageKind kind, const std::vector<BookRecord>& allBooks,
                                                     int bookcaseType, int64_t categoryId, bool isSearching,
                                                     std::string_view searchText) {
    std::vector<const BookRecord*> books;
    for (const BookRecord& b : allBooks) {
        if (kind == PageKind::FirstCategory && bookcaseType == 1 && b.lstReadt == -1)
            continue;
        if (kind == PageKind::Category && b.cid != categoryId)
            continue;
        books.push_back(&b);
    }
    // The search page stays empty until a search is made; elsewhere an empty
    // text is no search, as on the list shelf.
    std::vector<const BookRecord*> result;
    if (kind == PageKind::Search ? searchText.empty() : !(isSearching && !searchText.empty()))
        return kind == PageKind::Search ? result : books;
    for (const BookRecord* b : books)
        if (BooklistSections::nameMatches(b->bname, searchText))
            result.push_back(b);
    return result;
}

} // namespace pw
