#pragma once

#include "shelf/ShelfRecords.h"

#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Sorts the shelf's books into the list shelf's sections, one per category.
// A closed section counts its books and shows none; a search opens every
// section and counts only the books whose names contain the text, in any case.
class BooklistSections {
public:
    struct Section {
        std::vector<const BookRecord*> books{};
        int amount{0};
    };

    // bookcaseType 1 is the site shelf (its first section lists only books
    // already read); any other value is the local shelf, whose first section
    // holds every book. Each further section holds its category's books.
    static std::vector<Section> archive(const std::vector<CategoryRecord>& categories,
                                        const std::vector<BookRecord>* books, int bookcaseType, bool isSearching,
                                        std::string_view searchText);

    // Whether name contains text, compared without regard to case.
    static bool nameMatches(std::string_view name, std::string_view text);

    // A tap on section s's header opened or closed it. While searching
    // nothing changes (answers false). Otherwise the state is kept in memory
    // and, for saved categories (not the synthetic first one, which opens
    // again on every reload), in the category table; answers whether the
    // sections must be sorted again.
    static bool setSectionOpen(std::vector<CategoryRecord>& categories, int section, bool open, bool isSearching);

    // The section's header shows it open while searching or when not closed.
    static bool headerOpen(const CategoryRecord& category, bool isSearching);
    // "（共 N 本）"
    static std::string amountText(int amount);
};

} // namespace pw
