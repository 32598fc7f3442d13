#pragma once

// The site book's stored chapters as the reader reads them.

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

struct ChapterNav {
    int64_t chapterId = 0;
    std::string title;
    bool isVip = false;
    bool downloaded = false;
};

class SiteChapterStore {
public:
    virtual ~SiteChapterStore() = default;
    virtual std::optional<ChapterNav> nextChapter(int64_t rzBookId, int64_t chapterId) = 0;
    virtual std::optional<ChapterNav> prevChapter(int64_t rzBookId, int64_t chapterId) = 0;
    // The chapter itself; nullopt when the book has no such chapter.
    virtual std::optional<ChapterNav> chapterInfo(int64_t rzBookId, int64_t chapterId) = 0;
    // 1 the chapter is paid, 0 free; negative when the book cannot be read
    // (-1 unopened, -2 missing). By default from the chapter's own record.
    virtual int isVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId) {
        const auto info = chapterInfo(rzBookId, chapterId);
        return info ? (info->isVip ? 1 : 0) : -1;
    }
    // 1 when loaded; any other answer is a failure.
    virtual int loadChapter(int64_t rzBookId, int64_t chapterId, bool isVip, const std::string& userId,
                            std::string& title, std::string& text) = 0;
};

} // namespace pw
