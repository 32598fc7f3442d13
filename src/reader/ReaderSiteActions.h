#pragma once

// Runs the site actions that wait for a login check, and takes the answers of
// the downloader, the purchase screen and the bookmark client.

#include <cstdint>
#include <optional>
#include <string>

#include "reader/ReaderAction.h"

namespace pw {

class ReaderChapters;
class ReaderHost;
class ReaderSite;

struct ChapterDownload {
    int64_t bid = 0;
    int64_t cid = 0;
    bool vip = false;
    std::optional<std::string> cnt;
};

class ReaderSiteActions {
public:
    ReaderSiteActions(ReaderChapters& chapters, ReaderHost& host, ReaderSite& site)
        : m_chapters(chapters), m_host(host), m_site(site) {}

    // The login check's answer, with the action it was started for.
    void loginChecked(bool loggedIn, const std::string& userId, const ReaderAction& action);
    void downChapter(bool isVip, int64_t chapterId);
    void buyVipChapterCallback(const std::string& purchaseResult);
    // Nullopt: the download failed.
    void downChapterCallback(const std::optional<ChapterDownload>& result);
    void handleBookmarkSync(bool success, int64_t chapterId);
    void handleBookmarkUpload(bool success);

private:
    ReaderChapters& m_chapters;
    ReaderHost& m_host;
    ReaderSite& m_site;
};

} // namespace pw
