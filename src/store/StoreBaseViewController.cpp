#include "store/StoreBaseViewController.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/util/FileHelper.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "platform/ui/NavigationController.h"
#include "site/BookContentDownloader.h"
#include "site/CheckLoginWithInfo.h"
#include "site/DownManager.h"
#include "site/GetBookCaseBooks.h"
#include "site/IGetBookInfo.h"
#include "site/Ostra.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/StoreBookCoverDownloader.h"
#include "store/StoreEnvironment.h"

#include <charconv>

namespace pw {
namespace {

std::optional<int64_t> parseId(std::string_view s) {
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return n;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

} // namespace

bool StoreBaseViewController::readNoImageMode() {
    auto stored = SettingTB::readSettingWithKey("showPic");
    return stored && *stored != "0";
}

StoreBaseViewController::~StoreBaseViewController() {
    cancelAll();
}

void StoreBaseViewController::cancelAll() {
    m_tokens.clear();
    for (auto& d : m_delayed)
        d.cancel();
    m_delayed.clear();
    for (auto& weak : m_requests)
        if (auto r = weak.lock())
            r->clearDelegatesAndCancel();
    m_requests.clear();
    if (m_request)
        m_request->clearDelegatesAndCancel();
}

void StoreBaseViewController::viewDidLoad() {
    view()->setBackgroundColor(tableBackground());
    m_isNoImageMode = readNoImageMode();
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
        modeButtonTitle(m_isNoImageMode),
        [weak] {
            if (auto s = weak.lock())
                s->innerSwitchImageMode();
        },
        ui::BarButtonItemStyle::Plain);
    if (!m_myIndicator) {
        m_myIndicator = MyActivityIndicatorView::init();
        view()->addSubview(m_myIndicator);
    }
    m_checkLogin = CheckLoginWithInfo::create();
    m_checkLogin->setResultDelegate(std::static_pointer_cast<CheckLoginWithInfoDelegate>(self()));
    m_iGetBookInfo = IGetBookInfo::create();
    m_bookContentDownloader = BookContentDownloader::create();
    m_getBookCaseBooks = std::make_shared<GetBookCaseBooks>();
    auto& center = core::NotificationCenter::defaultCenter();
    m_tokens.push_back(center.addObserver(StoreBookCoverDownloader::kNotification, [weak](const core::Notification& n) {
        if (auto s = weak.lock())
            s->storeBookCoverDown(n.payload);
    }));
    m_tokens.push_back(center.addObserver(kSwitchImageMode, [weak](const core::Notification& n) {
        if (auto s = weak.lock())
            s->notifySwitchImageMode(n.payload);
    }));
    m_dictDownMark.clear();
}

void StoreBaseViewController::viewDidUnload() {
    m_tokens.clear();
}

void StoreBaseViewController::viewWillAppear(bool) {
    if (m_myIndicator)
        m_myIndicator->setCenter(view()->bounds().center());
}

void StoreBaseViewController::viewDidDisappear(bool) {
    if (m_myIndicator)
        m_myIndicator->stopAnimatingUtilAllDone();
    if (m_pProgressHUD)
        m_pProgressHUD->hide(false);
}

bool StoreBaseViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    if (StoreEnvironment::supportRotate())
        return o != device::Orientation::PortraitUpsideDown;
    return o == device::Orientation::Portrait;
}

// ---- helpers

std::string StoreBaseViewController::storeUrl(const std::string& pathAndQuery) {
    return SiteAnswer::url(SiteHosts::Service::Store, pathAndQuery);
}

size_t StoreBaseViewController::requestsInFlight() const {
    size_t n = 0;
    for (const auto& weak : m_requests)
        if (auto r = weak.lock(); r && !r->isFinished())
            ++n;
    return n;
}

std::shared_ptr<RZHTTPRequest> StoreBaseViewController::startStoreRequest(const std::string& url, int tag,
                                                                          double timeOut, bool pageView) {
    if (pageView)
        Ostra::createOstraReferrer(className(), title(), className(), url, className(), className());
    auto request = RZHTTPRequest::requestWithURL(url);
    request->setShouldContinueWhenAppEntersBackground(true);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(timeOut);
    request->setTag(tag);
    request->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(self()));
    std::erase_if(m_requests, [](const std::weak_ptr<RZHTTPRequest>& w) {
        auto r = w.lock();
        return !r || r->isFinished();
    });
    m_requests.push_back(request);
    m_request = request;
    request->startAsynchronous();
    return request;
}

void StoreBaseViewController::performAfter(double delay, std::function<void()> fn) {
    std::erase_if(m_delayed, [](const core::Cancelable& c) { return c.hasRun() || c.isCancelled(); });
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    m_delayed.push_back(core::RunLoop::current().postAfter(delay, [weak, fn = std::move(fn)] {
        if (weak.lock())
            fn();
    }));
}

void StoreBaseViewController::tip(const std::string& text) {
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithLoadingHideDelay(text, static_cast<float>(kTipDelay));
}

void StoreBaseViewController::spinner(const std::string& text) {
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithLoading(text);
}

void StoreBaseViewController::startIndicator() {
    if (m_myIndicator)
        m_myIndicator->startAnimating();
}

void StoreBaseViewController::stopIndicator() {
    if (m_myIndicator)
        m_myIndicator->stopAnimating();
}

// ---- picture mode and covers

void StoreBaseViewController::innerSwitchImageMode() {
    core::Value::Map payload;
    payload.append("mode", !m_isNoImageMode);
    core::NotificationCenter::defaultCenter().post(kSwitchImageMode, core::Value(std::move(payload)));
}

void StoreBaseViewController::applyModeButton() {
    if (auto& item = navigationItem().rightBarButtonItem)
        item->title = modeButtonTitle(m_isNoImageMode);
    // The bar made its button from the item when the screen came up: it is made
    // again, so the screen on top shows its new title at once.
    if (auto* nav = navigationController())
        nav->navigationBar().refresh();
}

void StoreBaseViewController::notifySwitchImageMode(const core::Value& payload) {
    const core::Value* mode = payload.get("mode");
    if (!mode)
        return;
    m_isNoImageMode = mode->asBool().value_or(mode->asInt().value_or(0) != 0);
    SettingTB::saveSettingWithKey("showPic", m_isNoImageMode ? "1" : "0");
    applyModeButton();
    switchImageMode();
}

void StoreBaseViewController::storeBookCoverDown(const core::Value& note) {
    std::optional<ui::IndexPath> indexPath;
    if (const core::Value* ip = note.get("idxPath"))
        indexPath = ui::IndexPath{(*ip)["section"].asInt().value_or(0), (*ip)["row"].asInt().value_or(0)};
    storeBookCoverDown(note["success"].asBool().value_or(false), static_cast<int>(note["tag"].asInt().value_or(0)),
                       static_cast<int>(note["tag2"].asInt().value_or(0)), note["rzbid"].asInt().value_or(0), indexPath,
                       note["cover"].asString().value_or(""));
}

// ---- the login check

void StoreBaseViewController::checkIsLoginWithInfo(std::optional<int64_t> rzBookId) {
    spinner("");
    std::any pack;
    if (rzBookId)
        pack = *rzBookId;
    m_checkLogin->checkIsLoginWithTarget(shared_from_this(), pack);
}

void StoreBaseViewController::backClick() {
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

void StoreBaseViewController::checkLoginWithInfoManualClose() {
    backClick();
}

void StoreBaseViewController::checkLoginWithInfoResult(bool isLogin, const std::string& userId,
                                                       const std::any& userPack) {
    spinner("");
    checkLoginCallback(isLogin, userId, userPack);
    if (!isLogin) {
        tip("获取登录信息失败");
        return;
    }
    m_userId = userId;
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    if (m_downType == StoreActionChapterList || m_downType == StoreActionDownloadBook) {
        const int64_t* id = std::any_cast<int64_t>(&userPack);
        if (!id)
            return;
        const int exists = BookTB::isBookExistsByRZBookId(*id);
        if (exists == 1) {
            const int belongs = BookTB::isBookBelongWithRZBookId(*id, core::Value(m_userId));
            if (belongs == 0) {
                if (m_pProgressHUD)
                    m_pProgressHUD->showTipsWithLoadingDetailsHideDelay(
                        "", "书籍下载用户与当前登录用户不一致，请删除后重新下载", static_cast<float>(kTipDelay));
                return;
            }
            if (belongs != 1) {
                tip("读取本地信息失败");
                return;
            }
        } else if (exists != 0) {
            tip("读取本地信息失败");
            return;
        }
        if (m_downType == StoreActionChapterList) {
            m_iGetBookInfo->getBookInfoByRZBookId(
                *id, weak,
                [weak](const core::Value& answer) {
                    if (auto s = weak.lock())
                        s->getBookInfoCallback(answer);
                },
                m_pProgressHUD, m_userId, false);
        } else if (auto* manager = StoreEnvironment::downManager()) {
            manager->beginToDownloadWithRZBookId(*id, m_userId);
            tip("已开始后台下载");
        }
    } else if (m_downType == StoreActionSyncBookcase) {
        m_getBookCaseBooks->getBookCaseBookWithTarget(
            weak,
            [weak](const core::Value& bookcase) {
                if (auto s = weak.lock())
                    s->getBookCaseBooksCallback(bookcase);
            },
            m_pProgressHUD);
    }
}

// ---- chapter list, purchase, download and reading

void StoreBaseViewController::getBookInfoCallback(const core::Value& answer) {
    spinner("");
    const auto* list = answer.asArray();
    if (list && list->size() >= 3 && (*list)[0].asInt() == 1) {
        performAfter(0.6, [this, answer] { showChapterList(answer); });
        return;
    }
    tip("未能获取本书目录");
}

void StoreBaseViewController::showChapterList(const core::Value& answer) {
    const int64_t rzBookId = answer[1].asInt().value_or(0);
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    auto list = StoreEnvironment::makeChapterList(rzBookId, answer[2].asString().value_or(""),
                                                  [weak](const core::Value& chapter, int64_t bookId) {
                                                      if (auto s = weak.lock())
                                                          s->rzChapterDidSelected(chapter, bookId);
                                                  });
    list->hidesBottomBarWhenPushed = true;
    list->navigationItem().leftBarButtonItem = ui::BarButtonItem::withTitle("关闭", [weak] {
        if (auto s = weak.lock())
            s->backClick();
    });
    if (auto* nav = navigationController())
        nav->pushViewController(list, true);
}

void StoreBaseViewController::rzChapterDidSelected(const core::Value& chapter, int64_t rzBookId) {
    if (!chapter.asMap()) {
        tip("下载章节失败");
        return;
    }
    spinner("正在下载章节，请稍候...");
    const int64_t down = chapter["down"].asInt().value_or(0);
    const int64_t vip = chapter["vip"].asInt().value_or(0);
    const int64_t cid = chapter["cid"].asInt().value_or(0);
    if (down == 1) {
        openChapterWithRZBookId(rzBookId, cid, vip == 1);
    } else if (vip == 1) {
        performAfter(1.0, [this, rzBookId, cid] { showBuyChapterController(rzBookId, cid); });
    } else {
        std::weak_ptr<StoreBaseViewController> weak = weakSelf();
        m_bookContentDownloader->downloadBookContentByRZBookId(rzBookId, cid, weak, [weak](const core::Value& r) {
            if (auto s = weak.lock())
                s->downChapterCallback(r);
        });
    }
}

void StoreBaseViewController::showBuyChapterController(int64_t rzBookId, int64_t chapterId) {
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    auto screen = StoreEnvironment::makePurchase(rzBookId, chapterId, [weak](const std::string& result) {
        if (auto s = weak.lock())
            s->buyVipChapterCallback(result);
    });
    screen->navigationItem().leftBarButtonItem = ui::BarButtonItem::withTitle("关闭", [weak] {
        if (auto s = weak.lock())
            s->backClick();
    });
    screen->hidesBottomBarWhenPushed = true;
    if (auto* nav = navigationController())
        nav->pushViewController(screen, true);
}

void StoreBaseViewController::buyVipChapterCallback(const std::string& purchaseResult) {
    if (purchaseResult.empty())
        return;
    const auto parts = split(purchaseResult, ',');
    if (parts.size() == 1) {
        const auto bookId = parseId(parts[0]);
        if (!bookId)
            return;
        if (auto* nav = navigationController())
            nav->popViewControllerAnimated(true);
        tip("已开始后台下载");
        if (auto* manager = StoreEnvironment::downManager())
            manager->beginToDownloadWithRZBookId(*bookId, m_userId);
    } else if (parts.size() == 2) {
        const auto bookId = parseId(parts[0]);
        const auto chapterId = parseId(parts[1]);
        if (!bookId || !chapterId)
            return;
        spinner("下载中...");
        std::weak_ptr<StoreBaseViewController> weak = weakSelf();
        m_bookContentDownloader->downloadBookVipContentByRZBookId(*bookId, *chapterId, weak,
                                                                  [weak](const core::Value& r) {
                                                                      if (auto s = weak.lock())
                                                                          s->downChapterCallback(r);
                                                                  });
    }
}

void StoreBaseViewController::downChapterCallback(const core::Value& answer) {
    spinner("");
    if (!answer.asMap()) {
        tip("章节下载失败");
        return;
    }
    const int64_t bid = answer["bid"].asInt().value_or(0);
    const int64_t cid = answer["cid"].asInt().value_or(0);
    const core::Value* vipValue = answer.get("vip");
    const bool vip = vipValue && vipValue->asBool().value_or(vipValue->asInt().value_or(0) != 0);
    const core::Value* cnt = answer.get("cnt");
    bool saved = false;
    if (vip) {
        // A paid chapter's content is the bytes as the site sent them.
        const auto* bytes = cnt ? cnt->bytesPtr() : nullptr;
        const auto* text = cnt ? cnt->stringPtr() : nullptr;
        if ((bytes || text) && !m_userId.empty())
            saved = BookDB::saveVipChapterWithRZBookId(
                bid, cid, bytes ? core::ByteView(*bytes) : core::asByteView(*text), core::Value(m_userId));
    } else if (const auto* text = cnt ? cnt->stringPtr() : nullptr) {
        saved = BookDB::saveChapterWithRZBookId(bid, cid, text->empty() ? "  " : *text);
    }
    if (!saved) {
        tip("保存章节失败");
        return;
    }
    openChapterWithRZBookId(bid, cid, vip);
}

void StoreBaseViewController::openChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, bool isVip) {
    spinner("正在读取章节");
    std::string title, text;
    const int loaded = FileHelper::loadRZBookTitleAndChapterContent(
        rzBookId, chapterId, isVip, m_userId.empty() ? core::Value() : core::Value(m_userId), title, text);
    if (loaded != ChapterLoadResultLoaded) {
        tip("读取章节失败");
        return;
    }
    performAfter(
        1.0, [this, rzBookId, title, text, chapterId] { showPageViewController(rzBookId, title, text, chapterId); });
}

void StoreBaseViewController::showPageViewController(int64_t rzBookId, const std::string& title,
                                                     const std::string& text, int64_t chapterId) {
    StoreChapterOpening opening;
    opening.bookId = BookTB::getBookIdByRZBookId(rzBookId);
    opening.rzBookId = rzBookId;
    opening.contentTitle = title;
    opening.content = title + "\n\n" + text;
    opening.bookFormat = 1;
    opening.chapterId = chapterId;
    auto reader = StoreEnvironment::makeReader(opening);
    ui::NavigationController* nav = StoreEnvironment::mainNavigation();
    if (!nav)
        nav = navigationController();
    if (nav)
        nav->pushViewController(reader, true);
}

void StoreBaseViewController::getBookCaseBooksCallback(const core::Value& bookcase) {
    if (m_getBookCaseBooks->saveBookcaseWithUserId(m_userId, bookcase, m_pProgressHUD))
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_CategoryAndBookReload");
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithoutHideFirstHideDelay("保存书架信息完成", static_cast<float>(kTipDelay));
}

} // namespace pw
