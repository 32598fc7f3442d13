#pragma once

// The contents and bookmarks list of a local book, without its views: which
// tab is shown, what it lists, which row is marked and what a pick hands back.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "reading/txt/TxtChapterEntry.h"

namespace pw {

struct BookmarkRow {
    int64_t id = 0;
    int64_t bid = 0;
    int64_t pos = 0;  // chapter id or chunk offset
    int64_t pos2 = 0; // stored start
    std::string desc;
    double percent = 0;
    int64_t t = 0; // created, seconds since 1970
};

// A UMD book's chapter list as a worker reads it.
struct UmdContents {
    std::vector<int64_t> offsets;
    std::map<int64_t, std::string> titles;
    int scrollToIndex = -1;
    std::optional<std::string> error;
};

class ChptsBookmarksModel {
public:
    enum ShowType { Contents = 1, Bookmarks = 2 };
    struct Pick {
        std::optional<BookmarkRow> bookmark;
        std::optional<TxtChapterEntry> txtEntry;
        std::optional<int64_t> umdOffset;
    };

    int showType() const { return m_showType; }
    bool canSelectItem() const { return m_canSelectItem; }
    const std::optional<std::string>& error() const { return m_error; }
    int scrollToIndex() const { return m_scrollToIndex; }
    size_t rowCount() const;
    std::string rowTitle(size_t row) const;

    // The UMD chapter list (read on a worker by the screen); a damaged file
    // ends the loading with an error rather than a loading row for ever.
    void loadUmdContents(const std::string& filePath, int64_t chapterId);
    // Any thread: the reading half of loadUmdContents.
    static UmdContents readUmdContents(const std::string& filePath, int64_t chapterId);
    // The installing half; dropped when the bookmarks tab is shown or a list is there.
    void updateUmdContents(UmdContents contents);
    // Contents that cannot be listed end the loading with an error.
    void failContents(std::string error);
    // A contents list (possibly empty) has arrived.
    bool hasContents() const { return m_txt.has_value() || m_umdOffsets.has_value(); }
    const BookmarkRow* bookmarkAt(size_t row) const {
        return m_showType == Bookmarks && row < m_bookmarks.size() ? &m_bookmarks[row] : nullptr;
    }
    // A list that arrives after the bookmarks tab was chosen is dropped.
    void updateTxtContents(std::vector<TxtChapterEntry> entries);
    void showBookmarks(std::vector<BookmarkRow> rows);
    void showContents();
    // Removes the row only when the store's delete succeeded.
    bool deleteBookmark(size_t row, const std::function<bool(int64_t)>& deleteInStore);
    std::optional<Pick> pick(size_t row) const;

private:
    int m_showType = Contents;
    bool m_canSelectItem = false;
    std::optional<std::string> m_error;
    int m_scrollToIndex = -1;
    std::optional<std::vector<TxtChapterEntry>> m_txt;
    std::optional<std::vector<int64_t>> m_umdOffsets;
    std::map<int64_t, std::string> m_umdTitles;
    std::vector<BookmarkRow> m_bookmarks;
};

} // namespace pw
