#include "reader/PageViewController.h"

#include "foundation/config/RZConfig.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderLogic.h"
#include "reading/turn/BaseView.h"
#include "reading/turn/PageManager.h"

namespace pw {

PageViewController::PageViewController(ReaderHost& host, SiteChapterStore* store)
    : m_host(host), m_chapters(m_engine, host, store) {}

PageViewController::~PageViewController() {
    // The timer holds only a weak reference, but it must not outlive the screen
    // on the run loop either.
    if (m_statusViewTimer)
        m_statusViewTimer->invalidate();
}

void PageViewController::viewDidLoad(std::unique_ptr<PageManager> manager, std::shared_ptr<RZConfig> config,
                                     const gfx::Rect& bounds, const std::optional<std::vector<int64_t>>& storedPlace) {
    m_bounds = bounds;
    m_pageMgr = std::move(manager);
    m_engine.setManager(m_pageMgr.get());
    auto& mgr = *m_pageMgr;
    mgr.setChapterId(chapterId);
    mgr.setDelegate(weak_from_this());
    mgr.setBookFormat(static_cast<BookFormat>(bookFormat));
    mgr.setData(content);
    mgr.setTitle(contentTitle);
    mgr.setBookId(bookId);
    mgr.setFilePath(filePath);
    mgr.setUmdContentTotalLength(umdContentTotalLength);
    mgr.setTxtContentTotalLength(txtContentTotalLength);
    mgr.setTxtLoadAll(txtLoadAll);
    mgr.setRzConfig(config);
    mgr.setupPageConfig();

    m_chapters.bookFormat = bookFormat;
    m_chapters.rzBookId = rzBookId;
    m_chapters.chapterId = chapterId;
    m_chapters.filePath = filePath;
    m_chapters.txtContentTotalLength = txtContentTotalLength;
    m_chapters.content = content;
    m_chapters.contentTitle = contentTitle;
    m_host.setStatusName(contentTitle);

    changeView(config ? config->pageTurningType() : 0);
    if (config && config->screenBrightness() != 100)
        mgr.setupScreenBrightness(config->screenBrightness());

    m_pageState = 0;
    std::weak_ptr<PageViewController> weak = weak_from_this();
    m_statusViewTimer = core::RunLoop::current().scheduleTimer(1.0, true, [weak](core::Timer&) {
        if (auto self = weak.lock())
            self->refreshStatus();
    });
    if (const auto p = restoredPosition(bookFormat, storedPlace))
        mgr.getPageFromPosition(*p);
    refreshStatus();
}

void PageViewController::changeView(int pageTurningType) {
    if (!m_pageMgr)
        return;
    if (auto old = m_pageMgr->pageView())
        old->removeFromSuperview();
    auto view = PageManager::makePageView(pageTurningType, m_bounds);
    m_pageMgr->setPageView(std::move(view));
}

void PageViewController::handleTap(gfx::Point p) {
    const auto centre = readerCentreRect(m_bounds);
    const bool inCentre = p.x >= centre.minX() && p.x < centre.maxX() && p.y >= centre.minY() && p.y < centre.maxY();
    switch (tapActionFor(m_pageState, inCentre)) {
    case TapAction::ShowReadPageMenu:
        showReadPageMenu();
        break;
    case TapAction::CloseReadPageMenu:
    case TapAction::HideSliderMenu:
    case TapAction::HideBottomSubMenu:
        closeReadPageMenu();
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

void PageViewController::handlePan(PanPhase phase, gfx::Point p) {
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

void PageViewController::showReadPageMenu() {
    if (m_pageState != 0)
        return;
    m_pageState = PageStateMainMenu;
}

void PageViewController::showPageSliderMenu(int extraBits) {
    m_pageState = PageStateSlider | extraBits;
}

void PageViewController::sliderMenuProcess(double sliderValue) {
    if ((m_pageState & PageStatePercentJump) && m_pageMgr)
        m_pageMgr->goToPercent(static_cast<int>(sliderValue));
}

void PageViewController::handleColorBtnChoose(int tag, bool portrait) {
    m_pageState |= PageStateColour;
    if (tag == 15007)
        m_pageState = PageStateColour | PageStateBackgroundColourPick;
    else if (tag == 15008)
        m_pageState = PageStateColour | PageStateFontColourPick;
    else if (tag >= 15001 && tag <= 15006 && m_pageMgr)
        m_pageMgr->setReadBackgroundImage(tag, portrait);
}

void PageViewController::handlePageTurningBtnChoose(int type) {
    if (m_pageMgr)
        m_pageMgr->pageCurlChanged(type);
    closeReadPageMenu();
}

void PageViewController::handleAutoScrollBtnChoose(int speed) {
    closeReadPageMenu();
    if (!m_pageMgr)
        return;
    if (m_pageMgr->isLastPage()) {
        m_host.showTip("已到达最后页", 2.0);
        return;
    }
    m_pageMgr->autoScrollScreenSpeedChanged(speed);
    m_pageMgr->pageCurlChanged(6);
    m_pageState = PageStateAutoScroll;
    m_pageMgr->beginAutoScrollScreen();
    m_host.showTip("已进入自动滚屏模式，点击屏幕退出", 2.0);
}

void PageViewController::handleBrightnessChoose(double value, bool released) {
    if (!m_pageMgr)
        return;
    if (released)
        m_pageMgr->setupScreenBrightness(static_cast<int>(value));
    else
        m_pageMgr->setupScreenBrightnessWithoutSave(static_cast<int>(value));
}

void PageViewController::colorPicking(const gfx::Color& colour) {
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    if (m_pageState & PageStateBackgroundColourPick) {
        m_pageMgr->rzConfig()->setIsPickingBgColor(true);
        m_pageMgr->pickBackgroundColor(colour);
    } else if (m_pageState & PageStateFontColourPick) {
        m_pageMgr->pickFontColor(colour);
    }
}

void PageViewController::colorPickConfirm(const gfx::Color& colour) {
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    auto& config = *m_pageMgr->rzConfig();
    config.setIsPickingBgColor(false);
    if (m_pageState & PageStateBackgroundColourPick) {
        config.setUseBackgroundImage(false);
        m_pageMgr->setReadingBackgroundColor(colour);
    } else if (m_pageState & PageStateFontColourPick) {
        m_pageMgr->setReadingFontColor(colour);
    }
}

void PageViewController::colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont,
                                         bool useBackgroundImage, int backgroundImageTag, bool portrait) {
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    auto& config = *m_pageMgr->rzConfig();
    config.setIsPickingBgColor(false);
    config.setUseBackgroundImage(useBackgroundImage);
    if (useBackgroundImage)
        m_pageMgr->setReadBackgroundImage(backgroundImageTag, portrait, orgFont);
    else
        m_pageMgr->setReadingBackgroundColor(orgBackground, orgFont);
}

void PageViewController::pickingPresetColors(const gfx::Color& background, const gfx::Color& font) {
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    m_pageMgr->rzConfig()->setIsPickingBgColor(false);
    if (m_pageState & PageStateColour) {
        m_pageMgr->rzConfig()->setUseBackgroundImage(false);
        m_pageMgr->pickReadingBackgroundColor(background, font);
    }
}

void PageViewController::pickedPresetColors(const gfx::Color& background, const gfx::Color& font) {
    if (!m_pageMgr || !m_pageMgr->rzConfig())
        return;
    m_pageMgr->rzConfig()->setIsPickingBgColor(false);
    if (m_pageState & PageStateColour) {
        m_pageMgr->rzConfig()->setUseBackgroundImage(false);
        m_pageMgr->setReadingBackgroundColor(background, font);
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
    if (m_pageMgr)
        m_statusPercent = readerPercentText(m_pageMgr->getCorrectionOfPercent());
}

void PageViewController::goToMainView() {
    if (m_statusViewTimer && m_statusViewTimer->isValid())
        m_statusViewTimer->invalidate();
    m_host.hideProgress();
}

bool PageViewController::statusTimerRunning() const {
    return m_statusViewTimer && m_statusViewTimer->isValid();
}

} // namespace pw
