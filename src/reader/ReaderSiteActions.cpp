#include "reader/ReaderSiteActions.h"

#include "reader/ReaderChapters.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderLogic.h"
#include "reader/ReaderSite.h"

namespace pw {

void ReaderSiteActions::loginChecked(bool loggedIn, const std::string& userId, const ReaderAction& action) {
    if (!loggedIn) {
        m_host.showSpinnerTip("获取登录信息失败", 2.0);
        return;
    }
    m_host.showSpinnerTip("", 0);
    m_chapters.userId = userId;
    const int64_t book = m_chapters.rzBookId;
    const int exists = m_site.isBookExists(book);
    if (exists == -2) {
        m_host.showSpinnerTip("读取本地信息失败", 2.0);
        return;
    }
    if (exists == 1) {
        const int belongs = m_site.isBookBelong(book, userId);
        if (belongs == 0) {
            m_host.showSpinnerTip("", 2.0, "书籍下载用户与当前登录用户不一致，请删除后重新下载");
            return;
        }
        if (belongs != 1) {
            m_host.showSpinnerTip("读取本地信息失败", 2.0);
            return;
        }
    }
    switch (action.code) {
    case ReaderActionRedownloadChapter:
        m_site.deleteChapter(book, action.chapterId, action.isVip);
        m_site.forgetReadingPlace(book);
        [[fallthrough]];
    case ReaderActionDownloadChapter:
        downChapter(action.isVip, action.chapterId);
        break;
    case ReaderActionDownloadBookmark:
        m_host.showTip("正在下载书签，请稍候...", 0);
        m_site.bookmarkSync(book);
        break;
    case ReaderActionUploadBookmark:
        m_host.showTip("正在上传书签，请稍候...", 0);
        m_site.bookmarkUpload(book, m_chapters.chapterId, m_site.isVipChapter(book, m_chapters.chapterId) == 1);
        break;
    }
}

void ReaderSiteActions::downChapter(bool isVip, int64_t chapterId) {
    m_host.hideSliderMenuAndHideStatusBar();
    m_host.showTip("正在下载章节，请稍候...", 0);
    if (isVip)
        m_site.showBuyChapterController(m_chapters.rzBookId, chapterId);
    else
        m_site.downloadFree(m_chapters.rzBookId, chapterId);
}

void ReaderSiteActions::buyVipChapterCallback(const std::string& purchaseResult) {
    const auto answer = parsePurchaseResult(purchaseResult);
    if (!answer)
        return;
    if (!answer->chapterId) {
        m_site.downloadWholeBook(answer->rzBookId);
        m_site.goToMainView();
        return;
    }
    m_host.showTip("章节下载中...", 0);
    m_site.downloadVip(answer->rzBookId, *answer->chapterId);
}

void ReaderSiteActions::downChapterCallback(const std::optional<ChapterDownload>& result) {
    if (!result) {
        m_host.showTip("章节下载失败", 2.0);
        return;
    }
    bool saved = false;
    if (result->cnt) {
        if (result->vip) {
            saved = !m_chapters.userId.empty() &&
                    m_site.saveVipChapter(result->bid, result->cid, *result->cnt, m_chapters.userId);
        } else {
            const std::string text = result->cnt->empty() ? std::string("  ") : *result->cnt;
            saved = m_site.saveChapter(result->bid, result->cid, text);
        }
    }
    if (!saved) {
        m_host.showTip("保存章节失败", 2.0);
        return;
    }
    m_host.showTip("正在打开...", 0);
    m_chapters.openChapterWithRZBookId(result->bid, result->cid, result->vip, kPositionFirstPage);
}

void ReaderSiteActions::handleBookmarkSync(bool success, int64_t chapterId) {
    if (!success) {
        m_host.showTip("下载失败", 1.0);
        return;
    }
    m_host.showTip("下载书签成功", 0);
    m_chapters.openBookmarkChapter(chapterId);
}

void ReaderSiteActions::handleBookmarkUpload(bool success) {
    m_host.showTip(success ? "上传成功" : "上传失败", 1.0);
}

} // namespace pw
