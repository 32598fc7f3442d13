#include "reader/ReaderSiteService.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "reader/PageViewController.h"
#include "reader/ReaderSiteActions.h"
#include "site/BookContentDownloader.h"
#include "site/BookmarkSync.h"

#include <charconv>

namespace pw {

namespace {

// A downloader's answer as the site actions read it: nullopt for a failure.
std::optional<ChapterDownload> chapterDownloadFrom(const core::Value& v) {
    if (!v.isMap())
        return std::nullopt;
    ChapterDownload d;
    d.bid = v["bid"].asInt().value_or(0);
    d.cid = v["cid"].asInt().value_or(0);
    d.vip = v["vip"].asBool().value_or(false);
    if (auto bytes = v["cnt"].asBytes())
        d.cnt = std::string(bytes->begin(), bytes->end());
    else if (auto text = v["cnt"].asString())
        d.cnt = std::move(*text);
    return d;
}

// [success, answer text] of the bookmark client.
std::pair<bool, std::string> bookmarkAnswer(const core::Value& v) {
    const auto* list = v.asArray();
    if (!list || list->empty())
        return {false, {}};
    return {v[0].asBool().value_or(false), list->size() > 1 ? v[1].asString().value_or("") : ""};
}

} // namespace

BookContentDownloader& ReaderSiteService::downloader() {
    if (!m_bookContentDownloader)
        m_bookContentDownloader = BookContentDownloader::create();
    return *m_bookContentDownloader;
}

BookmarkSync& ReaderSiteService::bookmarks() {
    if (!m_bookmarkSync)
        m_bookmarkSync = BookmarkSync::create();
    return *m_bookmarkSync;
}

int ReaderSiteService::isBookExists(int64_t rzBookId) {
    const int answer = BookTB::isBookExistsByRZBookId(rzBookId);
    return answer == 0 || answer == 1 ? answer : -2;
}

int ReaderSiteService::isBookBelong(int64_t rzBookId, const std::string& userId) {
    const int answer = BookTB::isBookBelongWithRZBookId(rzBookId, core::Value(userId));
    return answer == 0 || answer == 1 ? answer : -2;
}

bool ReaderSiteService::deleteChapter(int64_t rzBookId, int64_t chapterId, bool isVip) {
    return isVip ? BookDB::deleteVipChapterByRZBookId(rzBookId, chapterId)
                 : BookDB::deleteChapterByRZBookId(rzBookId, chapterId);
}

void ReaderSiteService::forgetReadingPlace(int64_t rzBookId) {
    BookTB::deleteBookReadingInfoWithRZBookId(rzBookId);
}

int ReaderSiteService::isVipChapter(int64_t rzBookId, int64_t chapterId) {
    return BookDB::isVipChapterByRZBookId(rzBookId, chapterId);
}

void ReaderSiteService::downloadFree(int64_t rzBookId, int64_t chapterId) {
    auto screen = m_screen.lock();
    if (!screen)
        return;
    std::weak_ptr<PageViewController> weak = screen;
    downloader().downloadBookContentByRZBookId(rzBookId, chapterId, weak, [weak](const core::Value& v) {
        if (auto s = weak.lock(); s && s->siteActions())
            s->siteActions()->downChapterCallback(chapterDownloadFrom(v));
    });
}

void ReaderSiteService::downloadVip(int64_t rzBookId, int64_t chapterId) {
    auto screen = m_screen.lock();
    if (!screen)
        return;
    std::weak_ptr<PageViewController> weak = screen;
    downloader().downloadBookVipContentByRZBookId(rzBookId, chapterId, weak, [weak](const core::Value& v) {
        if (auto s = weak.lock(); s && s->siteActions())
            s->siteActions()->downChapterCallback(chapterDownloadFrom(v));
    });
}

void ReaderSiteService::showPurchase(int64_t rzBookId, int64_t chapterId) {
    if (auto screen = m_screen.lock())
        screen->showPurchaseScreen(rzBookId, chapterId);
}

bool ReaderSiteService::saveChapter(int64_t rzBookId, int64_t chapterId, const std::string& text) {
    return BookDB::saveChapterWithRZBookId(rzBookId, chapterId, text);
}

bool ReaderSiteService::saveVipChapter(int64_t rzBookId, int64_t chapterId, const std::string& bytes,
                                       const std::string& userId) {
    return BookDB::saveVipChapterWithRZBookId(rzBookId, chapterId, core::asByteView(bytes), core::Value(userId));
}

void ReaderSiteService::bookmarkSync(int64_t rzBookId) {
    auto screen = m_screen.lock();
    if (!screen)
        return;
    std::weak_ptr<PageViewController> weak = screen;
    bookmarks().bookmarkSyncWithTarget(
        weak,
        [weak](const core::Value& v) {
            auto s = weak.lock();
            if (!s || !s->siteActions())
                return;
            const auto [ok, text] = bookmarkAnswer(v);
            int64_t chapter = 0;
            std::from_chars(text.data(), text.data() + text.size(), chapter);
            s->siteActions()->handleBookmarkSync(ok && chapter > 0, chapter);
        },
        rzBookId);
}

void ReaderSiteService::bookmarkUpload(int64_t rzBookId, int64_t chapterId, bool isVip) {
    auto screen = m_screen.lock();
    if (!screen)
        return;
    std::weak_ptr<PageViewController> weak = screen;
    bookmarks().bookmarkUploadWithTarget(
        weak,
        [weak](const core::Value& v) {
            if (auto s = weak.lock(); s && s->siteActions())
                s->siteActions()->handleBookmarkUpload(bookmarkAnswer(v).first);
        },
        rzBookId, chapterId, isVip);
}

void ReaderSiteService::downloadWholeBook(int64_t rzBookId) {
    auto* app = PagewellAppDelegate::shared();
    auto screen = m_screen.lock();
    if (app && app->downManager() && screen)
        app->downManager()->beginToDownloadWithRZBookId(rzBookId, screen->chapters().userId);
}

void ReaderSiteService::goToMainView() {
    if (auto screen = m_screen.lock())
        screen->goToMainView();
}

} // namespace pw
