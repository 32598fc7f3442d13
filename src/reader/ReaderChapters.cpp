#include "reader/ReaderChapters.h"

#include <exception>

#include "platform/core/Text.h"
#include "reader/ReaderEngine.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderLogic.h"
#include "reader/SiteChapterStore.h"
#include "reading/txt/TxtFile.h"
#include "reading/umd/UmdChapterBlock.h"
#include "reading/umd/UmdFile.h"

namespace pw {

namespace {
constexpr int kFormatSite = 1;
constexpr int kFormatUmd = 2;
constexpr int kFormatTxt = 3;
constexpr const char* kReadFailed = "读取章节失败";
} // namespace

bool ReaderChapters::canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) {
    return previous ? tryGoToPrevChapterTail(data) : tryGoToNextChapter(data);
}

bool ReaderChapters::tryGoToNextChapter(const std::optional<SeamData>& data) {
    switch (bookFormat) {
    case kFormatTxt:
        if (data && data->bEnd < txtContentTotalLength - 1)
            return openTxtFile(2, data->bEnd + 1, kPositionNone);
        return false;
    case kFormatUmd:
        return openUmdFile(2, kPositionNone);
    case kFormatSite: {
        if (!m_store)
            return false;
        auto next = m_store->nextChapter(rzBookId, chapterId);
        if (!next || !next->downloaded)
            return false;
        return openChapterWithRZBookId(rzBookId, next->chapterId, next->isVip, kPositionNone);
    }
    default:
        return false;
    }
}

bool ReaderChapters::tryGoToPrevChapterTail(const std::optional<SeamData>& data) {
    switch (bookFormat) {
    case kFormatTxt:
        if (data && data->bStart > 0)
            return openTxtFile(1, data->bStart - 1, kPositionNone);
        return false;
    case kFormatUmd:
        return openUmdFile(1, kPositionNone);
    case kFormatSite: {
        if (!m_store)
            return false;
        auto prev = m_store->prevChapter(rzBookId, chapterId);
        if (!prev || !prev->downloaded)
            return false;
        return openChapterWithRZBookId(rzBookId, prev->chapterId, prev->isVip, kPositionNone);
    }
    default:
        return false;
    }
}

void ReaderChapters::atLastPage() {
    if (bookFormat == kFormatSite && goToNextChapter())
        return;
    m_host.showTip("已到达末尾", 1.0);
}

void ReaderChapters::atFirstPage() {
    if (bookFormat == kFormatSite && goToPrevChapterTail())
        return;
    m_host.showTip("已到达第一页", 1.0);
}

bool ReaderChapters::goToNextChapter() {
    if (bookFormat == kFormatUmd)
        return openUmdFile(2, kPositionFirstPage);
    if (bookFormat != kFormatSite || !m_store)
        return false;
    auto next = m_store->nextChapter(rzBookId, chapterId);
    if (!next)
        return false;
    loadChapterWithChapterInfo(*next);
    return true;
}

bool ReaderChapters::goToPrevChapter() {
    if (bookFormat == kFormatUmd)
        return openUmdFile(1, kPositionFirstPage);
    if (bookFormat != kFormatSite || !m_store)
        return false;
    auto prev = m_store->prevChapter(rzBookId, chapterId);
    if (!prev)
        return false;
    loadChapterWithChapterInfo(*prev);
    return true;
}

bool ReaderChapters::goToPrevChapterTail() {
    if (bookFormat != kFormatSite || !m_store)
        return false;
    auto prev = m_store->prevChapter(rzBookId, chapterId);
    if (!prev)
        return false;
    loadChapterWithChapterInfo(*prev, prev->downloaded);
    return true;
}

void ReaderChapters::loadChapterWithChapterInfo(const ChapterNav& info, bool fromTail) {
    if (info.downloaded) {
        openChapterWithRZBookId(rzBookId, info.chapterId, info.isVip,
                                fromTail ? kPositionLastPage : kPositionFirstPage);
        return;
    }
    m_downType = ReaderAction{ReaderActionDownloadChapter, info.isVip, info.chapterId};
    m_host.showDownloadPrompt(info.title, info.isVip, info.chapterId);
}

void ReaderChapters::downloadPromptConfirmed(bool isVip, int64_t id) {
    ReaderAction action{ReaderActionDownloadChapter, isVip, id};
    m_downType = action;
    m_host.checkIsLoginWithInfo(action);
}

void ReaderChapters::openChapterWithChapterInfo(const std::optional<ChapterListEntry>& record, int64_t book) {
    m_host.showSpinnerTip("", 0);
    if (!record) {
        m_host.showTip("打开章节失败", 2.0);
        return;
    }
    if (!record->down) {
        downloadPromptConfirmed(record->vip, record->cid);
        return;
    }
    m_host.showTip("正在读取章节", 0);
    openChapterWithRZBookId(book, record->cid, record->vip, kPositionFirstPage);
}

void ReaderChapters::takeChapter(std::u16string title, std::u16string text, int64_t id) {
    m_host.hideProgress();
    contentTitle = core::text::toUtf8Lenient(title);
    content = chapterText(title, text);
    chapterId = id;
    m_engine.setChapterId(id);
    m_engine.setData(content);
    m_engine.setTitle(contentTitle);
    m_host.setStatusName(contentTitle);
}

void ReaderChapters::position(int64_t p) {
    const auto step = positionStepFor(p, static_cast<int64_t>(content.size()));
    if (step.kind == PositionKind::LastPage)
        m_engine.getPageToPosition(step.value);
    else if (step.kind == PositionKind::FromPosition)
        m_engine.getPageFromPosition(step.value);
}

bool ReaderChapters::openChapterWithRZBookId(int64_t book, int64_t id, bool isVip, int64_t p) {
    if (!m_store)
        return false;
    std::string title, text;
    if (m_store->loadChapter(book, id, isVip, userId, title, text) != 1) {
        m_host.showTip(kReadFailed, 2.0);
        return false;
    }
    takeChapter(core::text::toUtf16Lenient(title), core::text::toUtf16Lenient(text), id);
    position(p);
    return true;
}

bool ReaderChapters::openUmdFile(int direction, int64_t p) {
    try {
        UmdFile file;
        file.loadUmdFile(filePath);
        file.getChapters();
        const UmdChapterBlock* chapters = file.chapters();
        if (!chapters) {
            m_host.showTip(kReadFailed, 2.0);
            return false;
        }
        const int64_t target = direction == 2 ? chapters->nextChapterContentOffset(chapterId)
                                              : chapters->prevChapterContentOffset(chapterId);
        if (target == -1)
            return false;
        std::u16string text;
        if (!file.getChapterContent(target, text)) {
            m_host.showTip(kReadFailed, 2.0);
            return false;
        }
        takeChapter(core::text::toUtf16Lenient(chapters->getChapterTitle(target)), std::move(text), target);
    } catch (const std::exception&) {
        m_host.showTip(kReadFailed, 2.0);
        return false;
    }
    position(p);
    return true;
}

bool ReaderChapters::openUmdFileWithChapterOffset(int64_t offset, int64_t p) {
    try {
        UmdFile file;
        file.loadUmdFile(filePath);
        file.getChapters();
        const UmdChapterBlock* chapters = file.chapters();
        std::u16string text;
        if (!chapters || !file.getChapterContent(offset, text)) {
            m_host.showTip(kReadFailed, 2.0);
            return false;
        }
        takeChapter(core::text::toUtf16Lenient(chapters->getChapterTitle(offset)), std::move(text), offset);
    } catch (const std::exception&) {
        m_host.showTip(kReadFailed, 2.0);
        return false;
    }
    m_engine.getPageFromPosition(p);
    return true;
}

bool ReaderChapters::openTxtFile(int direction, int64_t offset, int64_t p) {
    TxtFile file;
    std::optional<std::u16string> chunk;
    if (direction == 2)
        file.getNextBlockContentWithStart(offset, txtContentTotalLength, filePath, chunk);
    else
        file.getPrevBlockContentWithStart(offset, txtContentTotalLength, filePath, chunk);
    // An unreadable chunk keeps the page shown and says so, rather than handing
    // the engine an empty text as if it were the book.
    if (!chunk || chunk->empty()) {
        m_host.showTip(kReadFailed, 2.0);
        return false;
    }
    content = std::move(*chunk);
    m_engine.setData(content);
    position(p);
    return true;
}

void ReaderChapters::loadContentWithOffset(int64_t offset) {
    if (bookFormat == kFormatTxt) {
        TxtFile file;
        std::optional<std::u16string> chunk;
        int64_t pos = -1;
        file.goToContent(offset, filePath, txtContentTotalLength, chunk, pos);
        if (!chunk || chunk->empty()) {
            m_host.showTip(kReadFailed, 2.0);
            return;
        }
        content = std::move(*chunk);
        m_engine.setData(content);
        m_engine.getPageFromPosition(pos);
        return;
    }
    if (bookFormat != kFormatUmd)
        return;
    int64_t start = 0;
    std::u16string rest, whole, title;
    try {
        UmdFile file;
        file.loadUmdFile(filePath);
        file.getChapters();
        const UmdChapterBlock* chapters = file.chapters();
        if (!chapters || !file.getContent(offset, rest, start) || !file.getChapterContent(start, whole)) {
            m_host.showTip(kReadFailed, 2.0);
            return;
        }
        title = core::text::toUtf16Lenient(chapters->getChapterTitle(start));
    } catch (const std::exception&) {
        m_host.showTip(kReadFailed, 2.0);
        return;
    }
    const auto wholeLength = static_cast<int64_t>(whole.size());
    const auto restLength = static_cast<int64_t>(rest.size());
    takeChapter(std::move(title), std::move(whole), start);
    m_engine.getPageFromPosition(wholeLength - 1 - restLength);
}

void ReaderChapters::bookmarkDidSelected(int64_t chapterOrChunk, int64_t storedStart) {
    const int64_t p = storedStart - 1;
    if (bookFormat == kFormatTxt)
        openTxtFile(2, chapterOrChunk, p);
    else if (bookFormat == kFormatUmd)
        openUmdFileWithChapterOffset(chapterOrChunk, p);
    else if (bookFormat == kFormatSite) {
        const int vip = m_store && rzBookId >= 0 ? m_store->isVipChapterByRZBookId(rzBookId, chapterOrChunk) : -1;
        if (vip < 0) {
            m_host.showTip("未能打开章节", 2.0);
            return;
        }
        openChapterWithRZBookId(rzBookId, chapterOrChunk, vip == 1, p);
    }
}

void ReaderChapters::openBookmarkChapter(int64_t id) {
    const auto info = m_store ? m_store->chapterInfo(rzBookId, id) : std::nullopt;
    if (!info)
        return;
    if (!info->downloaded) {
        m_host.showTip("书签所在章节尚未下载", 2.0);
        return;
    }
    openChapterWithRZBookId(rzBookId, id, info->isVip, kPositionFirstPage);
}

} // namespace pw
