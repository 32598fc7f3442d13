#pragma once

// The reader's side of moving between chapters and chunks: answers the engine
// at a seam, opens UMD chapters and TXT chunks, opens stored site chapters and
// asks before downloading one that is missing. Keeps the text, title and
// chapter id in step with the engine, which saves the reading place.

#include <cstdint>
#include <optional>
#include <string>

#include "reader/ChapterGrouping.h"
#include "reader/ReaderAction.h"
#include "reader/SiteChapterStore.h"
#include "reading/turn/PageManagerDelegate.h"

namespace pw {

class ReaderEngine;
class ReaderHost;

class ReaderChapters {
public:
    ReaderChapters(ReaderEngine& engine, ReaderHost& host, SiteChapterStore* store = nullptr)
        : m_engine(engine), m_host(host), m_store(store) {}

    void setStore(SiteChapterStore* store) { m_store = store; }

    // The opening properties.
    int bookFormat = 0;
    int64_t rzBookId = -999;
    int64_t chapterId = 0;
    std::string filePath;
    int64_t txtContentTotalLength = 0;
    std::u16string content;
    std::string contentTitle;
    std::string userId;

    // Engine seams.
    bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data);
    bool tryGoToNextChapter(const std::optional<SeamData>& data);
    bool tryGoToPrevChapterTail(const std::optional<SeamData>& data);
    void atLastPage();
    void atFirstPage();
    void loadContentWithOffset(int64_t offset);

    bool goToNextChapter();
    bool goToPrevChapter();
    bool goToPrevChapterTail();
    void loadChapterWithChapterInfo(const ChapterNav& info, bool fromTail = false);
    void downloadPromptConfirmed(bool isVip, int64_t chapterId);

    bool openChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, bool isVip, int64_t position = -1);
    // A chapter picked in the chapter list: opened when stored, else fetched
    // after the login check (the pick was the user's yes). Nullopt: no record.
    void openChapterWithChapterInfo(const std::optional<ChapterListEntry>& record, int64_t rzBookId);
    bool openUmdFile(int direction, int64_t position);
    bool openUmdFileWithChapterOffset(int64_t offset, int64_t position);
    bool openTxtFile(int direction, int64_t offset, int64_t position);

    // From the bookmark list.
    void bookmarkDidSelected(int64_t chapterOrChunk, int64_t storedStart);
    // The site bookmark's chapter, once downloaded from the site.
    void openBookmarkChapter(int64_t chapterId);

    // The pending action: the last one asked for.
    const std::optional<ReaderAction>& downType() const { return m_downType; }

private:
    void takeChapter(std::u16string title, std::u16string text, int64_t id);
    void position(int64_t position);

    ReaderEngine& m_engine;
    ReaderHost& m_host;
    SiteChapterStore* m_store = nullptr;
    std::optional<ReaderAction> m_downType;
};

} // namespace pw
