#include "reader/ChptsBookmarksModel.h"

#include <exception>
#include <stdexcept>

#include "reading/umd/UmdChapterBlock.h"
#include "reading/umd/UmdFile.h"

namespace pw {

size_t ChptsBookmarksModel::rowCount() const {
    if (m_showType == Bookmarks)
        return m_bookmarks.size();
    if (m_txt)
        return m_txt->size();
    if (m_umdOffsets)
        return m_umdOffsets->size();
    return 0;
}

std::string ChptsBookmarksModel::rowTitle(size_t row) const {
    if (row >= rowCount())
        return {};
    if (m_showType == Bookmarks)
        return m_bookmarks[row].desc;
    if (m_txt)
        return (*m_txt)[row].title;
    auto it = m_umdTitles.find((*m_umdOffsets)[row]);
    return it == m_umdTitles.end() ? std::string() : it->second;
}

void ChptsBookmarksModel::loadUmdContents(const std::string& filePath, int64_t chapterId) {
    if (m_showType != Contents || m_umdOffsets)
        return;
    updateUmdContents(readUmdContents(filePath, chapterId));
}

UmdContents ChptsBookmarksModel::readUmdContents(const std::string& filePath, int64_t chapterId) {
    UmdContents out;
    try {
        UmdFile file;
        file.loadUmdFile(filePath);
        file.getChapters();
        const UmdChapterBlock* chapters = file.chapters();
        if (!chapters)
            throw std::runtime_error("no chapter list");
        out.offsets = chapters->listChapterOffset();
        out.titles = chapters->getAllChapterTitle();
        for (size_t i = 0; i < out.offsets.size(); ++i)
            if (out.offsets[i] == chapterId)
                out.scrollToIndex = static_cast<int>(i);
    } catch (const std::exception&) {
        out = {};
        out.error = "章节读取失败";
    }
    return out;
}

void ChptsBookmarksModel::updateUmdContents(UmdContents contents) {
    if (m_showType != Contents || m_umdOffsets || m_txt)
        return;
    if (contents.error) {
        failContents(*contents.error);
        return;
    }
    m_umdTitles = std::move(contents.titles);
    m_scrollToIndex = contents.scrollToIndex;
    m_umdOffsets = std::move(contents.offsets);
    m_error.reset();
    m_canSelectItem = true;
}

void ChptsBookmarksModel::failContents(std::string error) {
    if (m_showType != Contents)
        return;
    m_error = std::move(error);
    m_canSelectItem = true;
}

void ChptsBookmarksModel::updateTxtContents(std::vector<TxtChapterEntry> entries) {
    if (m_showType != Contents || m_txt)
        return;
    m_txt = std::move(entries);
    m_canSelectItem = true;
}

void ChptsBookmarksModel::showBookmarks(std::vector<BookmarkRow> rows) {
    m_showType = Bookmarks;
    m_bookmarks = std::move(rows);
    m_canSelectItem = true;
}

void ChptsBookmarksModel::showContents() {
    m_showType = Contents;
    m_txt.reset();
    m_umdOffsets.reset();
    m_error.reset();
    m_canSelectItem = false;
}

bool ChptsBookmarksModel::deleteBookmark(size_t row, const std::function<bool(int64_t)>& deleteInStore) {
    if (m_showType != Bookmarks || row >= m_bookmarks.size())
        return false;
    if (!deleteInStore(m_bookmarks[row].id))
        return false;
    m_bookmarks.erase(m_bookmarks.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

std::optional<ChptsBookmarksModel::Pick> ChptsBookmarksModel::pick(size_t row) const {
    if (!m_canSelectItem || row >= rowCount())
        return std::nullopt;
    Pick p;
    if (m_showType == Bookmarks)
        p.bookmark = m_bookmarks[row];
    else if (m_txt)
        p.txtEntry = (*m_txt)[row];
    else
        p.umdOffset = (*m_umdOffsets)[row];
    return p;
}

} // namespace pw
