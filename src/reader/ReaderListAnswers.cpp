#include "reader/ReaderListAnswers.h"

#include "reader/ReaderChapters.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderLogic.h"

namespace pw {

void ReaderListAnswers::rzChapterDidSelected(const ChapterListEntry& chapter, int64_t rzBookId) {
    if (willOpenPick)
        willOpenPick();
    if (!chapter.down) {
        // The pick itself was the user's yes: straight to the login check.
        m_chapters.downloadPromptConfirmed(chapter.vip, chapter.cid);
        return;
    }
    m_host.showTip("正在读取章节", 0);
    m_chapters.openChapterWithRZBookId(rzBookId, chapter.cid, chapter.vip, kPositionFirstPage);
}

void ReaderListAnswers::txtChapterDidSelected(const TxtChapterEntry& entry) {
    if (willOpenPick)
        willOpenPick();
    m_chapters.txtChapterDidSelected(entry.chunkOffset, entry.index);
}

void ReaderListAnswers::umdChapterDidSelected(int64_t chapterOffset) {
    if (willOpenPick)
        willOpenPick();
    m_chapters.umdChapterDidSelected(chapterOffset);
}

void ReaderListAnswers::bookmarkDidSelectedWithBookId(int64_t, int64_t chapterId, int64_t position) {
    if (willOpenPick)
        willOpenPick();
    m_chapters.bookmarkDidSelected(chapterId, position);
}

} // namespace pw
