#pragma once

#include "shelf/ShelfDeleteLists.h"
#include "shelf/ShelfRecords.h"

#include <cstdint>
#include <map>
#include <vector>

namespace pw::core {
class Value;
}

namespace pw {

// One selected book of edit mode, and the payload of a tap on a shelf book
// (keys rzid, status, file, bid).
struct BookSelectionInfo {
    int64_t rzid{0};
    int status{0};
    std::string file{};
    int64_t bid{0};

    core::Value toValue() const;
    static BookSelectionInfo fromValue(const core::Value& v);
};

// Edit mode's selection (by book id). Every action takes a copy and empties
// it before it starts.
class BookSelection {
public:
    // Every book of the shown shelf, whatever page is on screen. Whether all
    // are selected is the edit bar's to tell.
    void selectAllBooks(const std::vector<BookRecord>& allBooks);
    // A tap in edit mode selects or deselects exactly that book.
    void toggle(const BookRecord& book) { toggle(infoOf(book)); }
    void toggle(const BookSelectionInfo& info);
    // Moving one book from its list row selects exactly that book, whatever
    // was selected before (and whatever the tap before it toggled).
    void selectOnly(const BookSelectionInfo& info);
    bool isSelected(int64_t bid) const { return m_dictBookChoose.count(bid) != 0; }
    bool empty() const { return m_dictBookChoose.empty(); }
    size_t size() const { return m_dictBookChoose.size(); }
    void clear();
    // The selection in book id order, emptied; downloading(rzid) marks the
    // books the download manager is fetching now.
    template <typename Downloading>
    std::vector<ShelfDeleteLists::Selected> take(Downloading&& downloading) {
        std::vector<ShelfDeleteLists::Selected> out;
        for (auto& [bid, info] : m_dictBookChoose)
            out.push_back({info.bid, info.rzid, info.file, downloading(info.rzid)});
        clear();
        return out;
    }

private:
    static BookSelectionInfo infoOf(const BookRecord& b) { return {b.rzId, b.status, b.file, b.bid}; }

    std::map<int64_t, BookSelectionInfo> m_dictBookChoose{};
};

} // namespace pw
