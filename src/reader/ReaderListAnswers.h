#pragma once
// The reader's answers to its two list screens: a chapter picked in a site
// book's chapter list, a contents row or a bookmark of a local book. The
// reading screen owns one and hands it to the list as its delegate.
#include "reader/ChptsBookmarksViewDelegate.h"
#include "reader/RZChapterListViewDelegate.h"

#include <functional>

namespace pw {

class ReaderChapters;
class ReaderHost;

class ReaderListAnswers : public RZChapterListViewDelegate, public ChptsBookmarksViewDelegate {
public:
    ReaderListAnswers(ReaderChapters& chapters, ReaderHost& host) : m_chapters(chapters), m_host(host) {}

    // Runs first on every pick (the screen hides its navigation bar).
    std::function<void()> willOpenPick;

    void rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) override;
    void txtChapterDidSelected(const TxtChapterEntry& entry) override;
    void umdChapterDidSelected(int64_t chapterOffset) override;
    void bookmarkDidSelectedWithBookId(int64_t bookId, int64_t chapterId, int64_t position) override;

private:
    ReaderChapters& m_chapters;
    ReaderHost& m_host;
};

} // namespace pw
