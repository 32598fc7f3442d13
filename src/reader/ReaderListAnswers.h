#pragma once
// The reader's answers to its two list screens: a chapter picked in a site
// book's chapter list, a contents row or a bookmark of a local book. The
// reading screen owns one and hands it to the list as its delegate.
#include "reader/ChptsBookmarksViewDelegate.h"
#include "reader/RZChapterListViewDelegate.h"

#include <functional>

namespace pw {

class ReaderChapters;

class ReaderListAnswers : public RZChapterListViewDelegate, public ChptsBookmarksViewDelegate {
public:
    explicit ReaderListAnswers(ReaderChapters& chapters) : m_chapters(chapters) {}

    // Runs first on every pick (the screen hides its navigation bar).
    std::function<void()> willOpenPick;

    void rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) override;
    // TXT: the entry's chunk at its title; UMD: the chapter at its first page.
    void chapterDidSelected(const ContentsEntry& entry) override;
    void bookmarkDidSelectedWithBookId(int64_t bookId, int64_t chapterId, int64_t position) override;

private:
    ReaderChapters& m_chapters;
};

} // namespace pw
