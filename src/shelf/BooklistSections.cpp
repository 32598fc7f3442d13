#include "shelf/BooklistSections.h"

#include "foundation/db/CategoryTB.h"
#include "platform/core/Text.h"

#include <unicode/unistr.h>

namespace pw {

namespace {

icu::UnicodeString folded(std::string_view utf8) {
    // Invalid bytes become replacement characters rather than dropping the name.
    std::u16string u16 = core::text::toUtf16Lenient(utf8);
    icu::UnicodeString s(u16.data(), static_cast<int32_t>(u16.size()));
    s.foldCase();
    return s;
}

} // namespace

bool BooklistSections::nameMatches(std::string_view name, std::string_view text) {
    if (text.empty())
        return true;
    return folded(name).indexOf(folded(text)) >= 0;
}

std::vector<BooklistSections::Section> BooklistSections::archive(const std::vector<CategoryRecord>& categories,
                                                                 const std::vector<BookRecord>* books, int bookcaseType,
                                                                 bool isSearching, std::string_view searchText) {
    std::vector<Section> sections(categories.size());
    if (books == nullptr || sections.empty())
        return sections;
    const bool searching = isSearching && !searchText.empty();

    bool firstClosed = true;
    for (const CategoryRecord& c : categories) {
        if (c.cid == -1) {
            firstClosed = c.expand != 0;
            break;
        }
    }
    Section& first = sections[0];
    for (const BookRecord& b : *books) {
        if (bookcaseType == 1 && b.lstReadt == -1)
            continue;
        if (searching) {
            if (nameMatches(b.bname, searchText)) {
                first.books.push_back(&b);
                ++first.amount;
            }
        } else {
            if (!firstClosed)
                first.books.push_back(&b);
            ++first.amount;
        }
    }
    // Every further section holds its category's books, on either shelf, as the grid's pages do.
    for (size_t j = 1; j < categories.size(); ++j) {
        const CategoryRecord& c = categories[j];
        if (c.cid == -1)
            continue;
        Section& s = sections[j];
        for (const BookRecord& b : *books) {
            if (b.cid != c.cid)
                continue;
            if (searching) {
                if (!nameMatches(b.bname, searchText))
                    continue;
                s.books.push_back(&b);
            } else if (c.expand == 0) {
                s.books.push_back(&b);
            }
            ++s.amount;
        }
    }
    return sections;
}

bool BooklistSections::setSectionOpen(std::vector<CategoryRecord>& categories, int section, bool open,
                                      bool isSearching) {
    if (isSearching || section < 0 || static_cast<size_t>(section) >= categories.size())
        return false;
    CategoryRecord& c = categories[static_cast<size_t>(section)];
    if (c.cid != -1)
        CategoryTB::setExpandByCategoryId(c.cid, open);
    c.expand = open ? 0 : 1;
    return true;
}

bool BooklistSections::headerOpen(const CategoryRecord& category, bool isSearching) {
    return isSearching || category.expand == 0;
}

std::string BooklistSections::amountText(int amount) {
    return "（共 " + std::to_string(amount) + " 本）";
}

} // namespace pw
