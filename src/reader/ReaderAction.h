#pragma once

#include <cstdint>

namespace pw {

// The site action waiting for a login check.
enum ReaderActionCode : int {
    ReaderActionDownloadChapter = 5,
    ReaderActionDownloadBookmark = 6,
    ReaderActionUploadBookmark = 7,
    ReaderActionRedownloadChapter = 8,
};

// A pending action travels with its own check, so a late answer runs what was
// asked for with its own chapter, whatever was asked since.
struct ReaderAction {
    ReaderActionCode code = ReaderActionDownloadChapter;
    bool isVip = false;
    int64_t chapterId = 0;
    friend bool operator==(const ReaderAction&, const ReaderAction&) = default;
};

} // namespace pw
