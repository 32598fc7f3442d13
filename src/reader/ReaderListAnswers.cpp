#include "reader/ReaderListAnswers.h"

#include "reader/ReaderChapters.h"
#include "reader/ReaderLogic.h"

namespace pw {

void ReaderListAnswers::rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) {
    if (willOpenPick)
        willOpenPick();
    m_chapters.openChapterWithChapterInfo(chapter, rzBookId);
}

void ReaderListAnswers::chapterDidSelected(const ContentsEntry& entry) {
    if (willOpenPick)
        willOpenPick();
    const auto* txt = std::get_if<TxtChapterEntry>(&entry);
    const auto* umd = std::get_if<int64_t>(&entry);
    if (m_chapters.bookFormat == 3 && txt)
        m_chapters.openTxtFile(2, txt->chunkOffset, txt->index - 1);
    else if (m_chapters.bookFormat == 2 && umd)
        m_chapters.openUmdFileWithChapterOffset(*umd, kPositionFirstPage);
}

void ReaderListAnswers::bookmarkDidSelectedWithBookId(int64_t, int64_t chapterId, int64_t position) {
    if (willOpenPick)
        willOpenPick();
    m_chapters.bookmarkDidSelected(chapterId, position);
}

} // namespace pw
