#pragma once

#include "reader/SiteChapterStore.h"

namespace pw {

// A site book's chapters as its own database holds them.
class BookDBChapterStore : public SiteChapterStore {
public:
    std::optional<ChapterNav> nextChapter(int64_t rzBookId, int64_t chapterId) override;
    std::optional<ChapterNav> prevChapter(int64_t rzBookId, int64_t chapterId) override;
    std::optional<ChapterNav> chapterInfo(int64_t rzBookId, int64_t chapterId) override;
    int isVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId) override;
    int loadChapter(int64_t rzBookId, int64_t chapterId, bool isVip, const std::string& userId, std::string& title,
                    std::string& text) override;
};

} // namespace pw
