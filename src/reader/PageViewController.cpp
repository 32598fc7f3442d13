#include "reader/PageViewController.h"

#include "foundation/config/RZConfig.h"
#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZAlertView.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/device/Device.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "reader/BookDBChapterStore.h"
#include "reader/PageHelpMenu.h"
#include "reader/PageTopMenu.h"
#include "reader/PageTopMenuShadow.h"
#include "reader/ReaderLogic.h"
#include "reader/ReaderSite.h"
#include "reader/ReaderSiteActions.h"
#include "reading/turn/BaseView.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/StatusView.h"
#include "site/CheckLoginWithInfo.h"

namespace pw {

namespace {
constexpr int kDownloadPromptTag = 1001;
} // namespace

PageViewController::PageViewController() : m_chapters(m_engine, *this) {
    m_store = std::make_shared<BookDBChapterStore>();
    m_chapters.setStore(m_store.get());
}

PageViewController::~PageViewController() {
    clean();
}

std::shared_ptr<PageViewController> PageViewController::self() {
    return std::static_pointer_cast<PageViewController>(shared_from_this());
}

void PageViewController::setChapterStore(std::shared_ptr<SiteChapterStore> store) {
    m_store = std::move(store);
    m_chapters.setStore(m_store.get());
}

void PageViewController::setReaderSite(std::shared_ptr<ReaderSite> site) {
    m_site = std::move(site);
    m_siteActions = m_site ? std::make_unique<ReaderSiteActions>(m_chapters, *this, *m_site) : nullptr;
}

void PageViewController::clean() {
    m_activeObserver = {};
    m_hideStatusBar.cancel();
    // The timer holds only a weak reference, but it must not outlive the screen
    // on the run loop either.
    if (m_statusViewTimer)
        m_statusViewTimer->invalidate();
    m_statusViewTimer.reset();
    // A prompt left open would outlive the screen it asks for.
    if (auto prompt = std::move(m_downloadPrompt)) {
        prompt->setDelegate({});
        prompt->dismissWithClickedButtonIndex(prompt->cancelButtonIndex(), false);
    }
    m_checkLogin.reset();
    m_engine.setManager(nullptr);
    m_pageMgr.reset();
    m_statusView.reset();
    m_topMenu.reset();
    m_bottomMenu.reset();
    m_chapterMenu.reset();
    m_sliderMenu.reset();
    m_bottomSubMenu.reset();
    m_interactiveMenu.reset();
    m_topMenuShadow.reset();
    m_pProgressHUD.reset();
}

void PageViewController::viewDidLoad() {
    setTitle("返回阅读");
    m_isFristLoad = true;
    std::weak_ptr<PageViewController> weak = self();
    m_activeObserver = core::NotificationCenter::defaultCenter().addObserver(ui::kDidBecomeActiveNotification,
                                                                             [weak](const core::Notification&) {
                                                                                 if (auto s = weak.lock())
                                                                                     s->appDidBecomeActive();
                                                                             });

    m_pageMgr = m_pageManagerMaker ? m_pageManagerMaker() : std::make_unique<PageManager>();
    m_engine.setManager(m_pageMgr.get());
    auto& mgr = *m_pageMgr;
    mgr.setChapterId(chapterId);
    mgr.setDelegate(std::shared_ptr<PageManagerDelegate>(shared_from_this(), static_cast<PageManagerDelegate*>(this)));
    mgr.setBookFormat(static_cast<BookFormat>(bookFormat));
    mgr.setData(content);
    mgr.setTitle(contentTitle);
    mgr.setBookId(bookId);
    mgr.setFilePath(filePath);
    mgr.setUmdContentTotalLength(umdContentTotalLength);
    mgr.setTxtContentTotalLength(txtContentTotalLength);
    mgr.setTxtLoadAll(txtLoadAll);
    if (!m_config)
        m_config = RZConfig::getRZConfig(static_cast<int>(interfaceOrientation()));
    mgr.setRzConfig(m_config);

    m_chapters.bookFormat = bookFormat;
    m_chapters.rzBookId = rzBookId;
    m_chapters.chapterId = chapterId;
    m_chapters.filePath = filePath;
    m_chapters.txtContentTotalLength = txtContentTotalLength;
    m_chapters.content = content;
    m_chapters.contentTitle = contentTitle;

    auto v = view();
    v->setBackgroundColor(m_config->pageBgColor().value_or(RZConfig::defaultPageBgColor()));
    changeToFullScreenModeIfNeeded(false);

    const gfx::Rect b = v->bounds();
    m_statusView = ui::View::create<StatusView>(readerStatusLineFrame(b));
    m_statusView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    m_statusView->setBookName(contentTitle);
    v->addSubview(m_statusView);

    m_pProgressHUD = ProgressHUD::initWithView(v.get());
    m_pProgressHUD->animationType = ProgressHUDAnimationZoom;
    m_pProgressHUD->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_pProgressHUD);

    changeView(m_config->pageTurningType());
    if (m_config->screenBrightness() != 100)
        mgr.setupScreenBrightness(m_config->screenBrightness());
    addGestures();

    m_pageState = 0;
    initialReadPageMenu();
    m_statusViewTimer = core::RunLoop::current().scheduleTimer(1.0, true, [weak](core::Timer&) {
        if (auto s = weak.lock())
            s->refreshStatus();
    });
    restoreReadingPlace();
    m_config->saveConfig();
    refreshStatus();
    if (auto page = mgr.pageView())
        PageHelpMenu::genMenuAndShow(*page, mgr.isPageTurningUpDown());
}

void PageViewController::restoreReadingPlace() {
    std::optional<core::Value::Array> row;
    if (bookFormat == 1)
        row = BookTB::getRZBookReadingInfoByRZBookIdChapterId(rzBookId, chapterId);
    else if (bookFormat == 2 || bookFormat == 3)
        row = BookTB::getBookReadingInfoByBookId(bookId);
    std::optional<std::vector<int64_t>> stored;
    if (row) {
        stored.emplace();
        for (const auto& v : *row)
            stored->push_back(v.asInt().value_or(0));
    }
    if (const auto p = restoredPosition(bookFormat, stored))
        m_pageMgr->getPageFromPosition(*p);
}

void PageViewController::addGestures() {
    auto v = view();
    std::weak_ptr<PageViewController> weak = self();
    m_pan = ui::PanGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        auto s = weak.lock();
        if (!s || !s->isViewLoaded())
            return;
        const gfx::Point p = g.locationInView(s->view().get());
        switch (g.state()) {
        case ui::GestureState::Began:
            s->handleRZViewPan(PanPhase::Began, p);
            break;
        case ui::GestureState::Changed:
            s->handleRZViewPan(PanPhase::Changed, p);
            break;
        case ui::GestureState::Ended:
        case ui::GestureState::Cancelled:
            s->handleRZViewPan(PanPhase::Ended, p);
            break;
        default:
            break;
        }
    });
    m_pan->maximumNumberOfTouches = 1;
    m_tap = ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        auto s = weak.lock();
        if (!s || !s->isViewLoaded() || g.view() != s->view().get())
            return;
        s->handleRZViewTap(g.locationInView(s->view().get()));
    });
    for (const auto& g : {std::static_pointer_cast<ui::GestureRecognizer>(m_pan),
                          std::static_pointer_cast<ui::GestureRecognizer>(m_tap)}) {
        g->shouldReceiveTouch = [weak](ui::GestureRecognizer&, const ui::Touch& touch) {
            auto s = weak.lock();
            if (!s || !s->isViewLoaded())
                return false;
            auto touched = touch.view.lock();
            return s->shouldReceiveTouch(touched.get(), touch.locationInView(s->view().get()));
        };
        v->addGestureRecognizer(g);
    }
}

bool PageViewController::shouldReceiveTouch(const ui::View* touched, gfx::Point p) {
    m_currentTouchPoint = p;
    if (!touched)
        return false;
    if (dynamic_cast<const PageHelpMenu*>(touched)) {
        if (m_pageMgr && m_pageMgr->pageView()) {
            auto& page = *m_pageMgr->pageView();
            PageHelpMenu::hideMenu(page, page.convertPointFromView(p, view().get()));
        }
        return false;
    }
    if (touched == view().get() || touched->tag() == PageManager::kDimmingViewTag)
        return true;
    if (dynamic_cast<const StatusView*>(touched))
        return true;
    const auto* page = m_pageMgr ? m_pageMgr->pageView().get() : nullptr;
    return page && touched->isDescendantOfView(page);
}

void PageViewController::viewWillAppear(bool) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(true, false);
    auto& app = ui::Application::shared();
    if (m_config)
        app.setIdleTimerDisabled(m_config->idleTimerDisabled());
    std::weak_ptr<PageViewController> weak = self();
    auto later = [weak] {
        if (auto s = weak.lock())
            s->hideStatusBarDelay();
    };
    const int orientation = static_cast<int>(interfaceOrientation());
    if (m_isFristLoad) {
        m_isFristLoad = false;
        m_lastUIInterfaceOrientation = orientation;
        // The bar shows over the page a moment, then slides away.
        if (m_config && m_config->fullScreenRead())
            app.setStatusBarHidden(false);
        m_hideStatusBar = core::RunLoop::current().postAfter(0.5, later);
    } else if (orientation == m_lastUIInterfaceOrientation) {
        m_hideStatusBar = core::RunLoop::current().postAfter(0.5, later);
    } else {
        m_lastUIInterfaceOrientation = orientation;
        changeToFullScreenModeIfNeeded(true);
    }
}

void PageViewController::viewWillDisappear(bool) {
    if (m_pageState & PageStateSlider)
        hideSliderMenu();
    hideBottomSubMenu();
    closeReadPageMenu();
    m_hideStatusBar.cancel();
    auto& app = ui::Application::shared();
    if (m_config && m_config->fullScreenRead())
        app.setStatusBarHidden(false, true);
    app.setIdleTimerDisabled(false);
}

void PageViewController::viewDidDisappear(bool) {
    if (m_pProgressHUD)
        m_pProgressHUD->hide(false);
    m_lastUIInterfaceOrientation = static_cast<int>(interfaceOrientation());
}

void PageViewController::viewDidUnload() {
    clean();
}

void PageViewController::didReceiveMemoryWarning() {
    if (m_pageMgr)
        m_pageMgr->handleMemoryWarning();
}

void PageViewController::hideStatusBarDelay() {
    if (!m_config || !m_config->fullScreenRead())
        return;
    auto& app = ui::Application::shared();
    const bool wasShown = !app.isStatusBarHidden();
    app.setStatusBarHidden(true, true);
    // A screen pushed over this one showed the status bar, and a page opened
    // meanwhile (a pick in the contents) was drawn for the smaller screen: the
    // page is laid out for the whole screen again.
    if (!wasShown || !isViewLoaded())
        return;
    auto v = view();
    const auto* super = v->superview();
    if ((super && v->frame() != super->bounds()) || m_config->canvasSize() != v->bounds().size)
        changeToFullScreenModeIfNeeded(true);
    else if (m_pageMgr && m_pageMgr->currPage())
        m_pageMgr->reloadCurrentPage();
}

void PageViewController::appDidBecomeActive() {
    if (!m_pageMgr)
        return;
    if (m_pageState & PageStateAutoScroll) {
        m_pageState = 0;
        m_pageMgr->exitAutoScrollScreen();
    }
    m_pageMgr->appDidBecomeActive();
}

bool PageViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    const bool locked = m_pageMgr ? m_pageMgr->isRotateLock() : false;
    const auto* app = PagewellAppDelegate::shared();
    return readerShouldAutorotate(static_cast<int>(o), locked, app && app->supportRotate());
}

void PageViewController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double) {
    if (!m_pageMgr || !isViewLoaded())
        return;
    m_pageMgr->orientationChangedHandler(view()->bounds().size, static_cast<int>(o));
    refreshStatus();
}

void PageViewController::changeToFullScreenModeIfNeeded(bool reload) {
    if (!m_config || !isViewLoaded())
        return;
    const bool full = m_config->fullScreenRead();
    // Reading full screen, the page keeps the whole screen whether the status
    // bar shows over it or not, so the bar coming and going moves nothing.
    setWantsFullScreenLayout(full);
    ui::Application::shared().setStatusBarHidden(full);
    if (auto* nav = navigationController(); nav && nav->isViewLoaded()) {
        nav->view()->setNeedsLayout();
        nav->view()->layoutIfNeeded();
    }
    auto v = view();
    if (auto* super = v->superview())
        v->setFrame(super->bounds());
    else
        v->setFrame({0, 0, ui::Application::shared().applicationFrame().width(),
                     ui::Application::shared().applicationFrame().height()});
    if (m_topMenu) {
        const gfx::Rect top = readerTopMenuFrame(full, v->bounds().width());
        m_topMenu->setFrame({top.x(), top.y(), top.width(), m_topMenu->frame().height()});
        m_topMenuShadow->setFrame(readerTopMenuShadowFrame(top));
    }
    m_config->setCanvasSize(v->bounds().size);
    if (m_pageMgr) {
        m_pageMgr->setupPageConfig();
        if (reload && m_pageMgr->currPage())
            m_pageMgr->reloadCurrentPage();
    }
    m_config->saveConfig();
    layoutReadPageMenu();
}

void PageViewController::changeView(int pageTurningType) {
    if (!m_pageMgr || !isViewLoaded())
        return;
    if (auto old = m_pageMgr->pageView())
        old->removeFromSuperview();
    const gfx::Rect bounds = view()->bounds();
    auto pageView = PageManager::makePageView(pageTurningType, bounds);
    if (!pageView)
        pageView = PageManager::makePageView(0, bounds);
    pageView->setFrame(bounds);
    pageView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    view()->insertSubview(pageView, 0);
    m_pageMgr->setPageView(std::move(pageView));
}

void PageViewController::handleRZViewTap(gfx::Point p) {
    if (!isViewLoaded())
        return;
    const auto centre = readerCentreRect(view()->bounds());
    const bool inCentre = p.x >= centre.minX() && p.x < centre.maxX() && p.y >= centre.minY() && p.y < centre.maxY();
    switch (tapActionFor(m_pageState, inCentre)) {
    case TapAction::ShowReadPageMenu:
        // Full screen, the bar slides in over the page's top above the menu.
        if (m_config && m_config->fullScreenRead())
            ui::Application::shared().setStatusBarHidden(false, true);
        showReadPageMenu();
        break;
    case TapAction::CloseReadPageMenu:
        closeReadPageMenuAndHideStatusBar();
        break;
    case TapAction::HideSliderMenu:
        hideSliderMenuAndHideStatusBar();
        break;
    case TapAction::HideBottomSubMenu:
        hideBotSubMenuAndHideStatusBar();
        break;
    case TapAction::ExitAutoScroll:
        m_pageState = 0;
        if (m_pageMgr)
            m_pageMgr->exitAutoScrollScreen();
        break;
    case TapAction::TurnPage:
        if (m_pageMgr)
            m_pageMgr->tapTurning(p);
        break;
    }
}

void PageViewController::handleRZViewPan(PanPhase phase, gfx::Point p) {
    if (m_pageState != 0 || !m_pageMgr)
        return;
    switch (phase) {
    case PanPhase::Began:
        m_touchP = p;
        m_canResponseToPan = m_pageMgr->isFirstPageOrLastPage(p, true);
        if (!m_canResponseToPan)
            m_pageMgr->panTurningBegin(p);
        break;
    case PanPhase::Changed:
        if (!m_canResponseToPan)
            m_pageMgr->panTurningChanged(p, m_touchP);
        break;
    case PanPhase::Ended:
        if (!m_canResponseToPan)
            m_pageMgr->panTurningEnd(p, m_touchP);
        m_canResponseToPan = false;
        break;
    }
}

void PageViewController::autoScrollScreenEnd() {
    if (m_pageState & PageStateAutoScroll)
        m_pageState = 0;
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    const int type = m_pageMgr->rzConfig()->pageTurningType();
    changePageTurningType(type);
    m_pageMgr->pageCurlChanged(type);
}

bool PageViewController::canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) {
    return m_chapters.canLoadAnotherChapter(previous, data);
}

void PageViewController::loadContentWithOffset(int64_t offset) {
    m_chapters.loadContentWithOffset(offset);
}

void PageViewController::refreshStatus() {
    if (!m_pageMgr)
        return;
    m_statusPercent = readerPercentText(m_pageMgr->getCorrectionOfPercent());
    if (m_statusView) {
        if (m_config)
            m_statusView->setFontColor(m_config->getPageFontColor());
        m_statusView->setPercent(m_statusPercent);
        m_statusView->setNeedsDisplay();
    }
}

void PageViewController::goToMainView() {
    if (m_statusViewTimer && m_statusViewTimer->isValid())
        m_statusViewTimer->invalidate();
    hideProgress();
    if (auto* nav = navigationController())
        nav->popToRootViewControllerAnimated(true);
}

bool PageViewController::statusTimerRunning() const {
    return m_statusViewTimer && m_statusViewTimer->isValid();
}

void PageViewController::showTip(const std::string& text, double seconds) {
    m_tips.push_back(text);
    if (!m_pProgressHUD)
        return;
    // No delay: the tip stays while the work it announces runs.
    if (seconds > 0)
        m_pProgressHUD->showTipsWithoutLoadingHideDelay(text, static_cast<float>(seconds));
    else
        m_pProgressHUD->showTipsWithLoading(text);
}

void PageViewController::showSpinnerTip(const std::string& text, double seconds, const std::string& details) {
    if (!text.empty() || !details.empty())
        m_tips.push_back(text.empty() ? details : text);
    if (!m_pProgressHUD)
        return;
    if (seconds > 0)
        m_pProgressHUD->showTipsWithLoadingDetailsHideDelay(text, details, static_cast<float>(seconds));
    else
        m_pProgressHUD->showTipsWithLoading(text, details);
}

void PageViewController::hideProgress() {
    if (m_pProgressHUD)
        m_pProgressHUD->hide(true);
}

void PageViewController::setStatusName(const std::string& name) {
    if (m_statusView) {
        m_statusView->setBookName(name);
        m_statusView->setNeedsDisplay();
    }
}

void PageViewController::showDownloadPrompt(const std::string& chapterTitle, bool isVip, int64_t chapter) {
    if (m_downloadPrompt)
        m_downloadPrompt->setDelegate({});
    auto alert = RZAlertView::create("下载提醒", "“" + chapterTitle + "”还木有下载，现在下载吗？",
                                     std::static_pointer_cast<ui::AlertViewDelegate>(self()), "取消", {"确定"});
    alert->setTag(kDownloadPromptTag);
    alert->isVip = isVip;
    alert->chapterId = static_cast<int32_t>(chapter);
    alert->rzBookId = static_cast<int32_t>(rzBookId);
    m_downloadPrompt = alert;
    alert->show();
}

void PageViewController::clickedButtonAtIndex(ui::AlertView& alert, int64_t index) {
    if (alert.tag() != kDownloadPromptTag)
        return;
    auto* prompt = dynamic_cast<RZAlertView*>(&alert);
    if (prompt && index == alert.firstOtherButtonIndex())
        m_chapters.downloadPromptConfirmed(prompt->isVip, prompt->chapterId);
    if (m_downloadPrompt.get() == &alert)
        m_downloadPrompt.reset();
}

void PageViewController::checkIsLoginWithInfo(const ReaderAction& action) {
    showSpinnerTip("", 0);
    if (!m_siteActions) {
        showSpinnerTip("获取登录信息失败", 2.0);
        return;
    }
    if (!m_checkLogin) {
        m_checkLogin = CheckLoginWithInfo::create();
        m_checkLogin->setResultDelegate(std::static_pointer_cast<CheckLoginWithInfoDelegate>(self()));
    }
    // The action rides with its own check, so a late answer runs what it was
    // asked for.
    m_checkLogin->checkIsLoginWithTarget(shared_from_this(), action);
}

void PageViewController::checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) {
    const auto* action = std::any_cast<ReaderAction>(&userPack);
    if (!action || !m_siteActions)
        return;
    if (isLogin)
        m_chapters.userId = userId;
    m_siteActions->loginChecked(isLogin, userId, *action);
}

} // namespace pw
