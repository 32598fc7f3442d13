#include "reader/BookDBChapterStore.h"

#include "foundation/db/BookDB.h"
#include "foundation/util/FileHelper.h"

namespace pw {

namespace {
std::optional<ChapterNav> navFrom(const std::optional<core::Value::Array>& row) {
    if (!row || row->size() < 4)
        return std::nullopt;
    ChapterNav nav;
    nav.chapterId = (*row)[0].asInt().value_or(0);
    nav.title = (*row)[1].asString().value_or("");
    nav.isVip = (*row)[2].asInt().value_or(0) == 1;
    nav.downloaded = (*row)[3].asInt().value_or(0) == 1;
    return nav;
}
} // namespace

std::optional<ChapterNav> BookDBChapterStore::nextChapter(int64_t rzBookId, int64_t chapterId) {
    return navFrom(BookDB::getNextChapterInfoWithRZBookId(rzBookId, chapterId));
}

std::optional<ChapterNav> BookDBChapterStore::prevChapter(int64_t rzBookId, int64_t chapterId) {
    return navFrom(BookDB::getPrevChapterInfoWithRZBookId(rzBookId, chapterId));
}

std::optional<ChapterNav> BookDBChapterStore::chapterInfo(int64_t rzBookId, int64_t chapterId) {
    const auto row = BookDB::getChapterInfoWithRZBookId(rzBookId, chapterId);
    if (!row || row->size() < 3)
        return std::nullopt;
    ChapterNav nav;
    nav.chapterId = chapterId;
    nav.title = (*row)[0].asString().value_or("");
    nav.isVip = (*row)[1].asInt().value_or(0) == 1;
    nav.downloaded = (*row)[2].asInt().value_or(0) == 1;
    return nav;
}

int BookDBChapterStore::isVipChapterByRZBookId(int64_t rzBookId, int64_t chapterId) {
    return BookDB::isVipChapterByRZBookId(rzBookId, chapterId);
}

int BookDBChapterStore::loadChapter(int64_t rzBookId, int64_t chapterId, bool isVip, const std::string& userId,
                                    std::string& title, std::string& text) {
    const core::Value user = userId.empty() ? core::Value() : core::Value(userId);
    return FileHelper::loadRZBookTitleAndChapterContent(rzBookId, chapterId, isVip, user, title, text);
}

} // namespace pw
