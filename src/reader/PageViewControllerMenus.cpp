// The reading screen's menus: building and placing them, showing and closing
// them, and what each of their controls does.

#include "foundation/config/RZConfig.h"
#include "foundation/db/BookTB.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/NotificationCenter.h"
#include "platform/device/Device.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/Layer.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/NavigationController.h"
#include "reader/ColorPickerBoxView.h"
#include "reader/PageBottomMenu.h"
#include "reader/PageBottomMenuLayout.h"
#include "reader/PageBottomSubMenu.h"
#include "reader/PageMenuChapter.h"
#include "reader/PageMenuInteractive.h"
#include "reader/PageSliderMenu.h"
#include "reader/PageSliderMenuLayout.h"
#include "reader/PageTopMenu.h"
#include "reader/PageTopMenuShadow.h"
#include "reader/PageViewController.h"
#include "reader/ReaderMenuKit.h"
#include "reading/turn/PageManager.h"

#include <cstdio>

namespace pw {

namespace {

PageViewController::ScreenMaker& contentsMaker() {
    static PageViewController::ScreenMaker maker;
    return maker;
}
PageViewController::ScreenMaker& settingsMaker() {
    static PageViewController::ScreenMaker maker;
    return maker;
}
PageViewController::ScreenMaker& interactiveMaker() {
    static PageViewController::ScreenMaker maker;
    return maker;
}

bool isTablet() {
    return device::Device::current().idiom() == device::Idiom::Pad;
}

std::string wholeNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

constexpr const char* kDownAllBook = "NSNotificationCenter_DownAllBook";

} // namespace

void PageViewController::setContentsScreenMaker(ScreenMaker maker) {
    contentsMaker() = std::move(maker);
}
void PageViewController::setSettingsScreenMaker(ScreenMaker maker) {
    settingsMaker() = std::move(maker);
}
void PageViewController::setInteractiveScreenMaker(ScreenMaker maker) {
    interactiveMaker() = std::move(maker);
}

bool PageViewController::isPortrait() const {
    const auto o = interfaceOrientation();
    return o == device::Orientation::Portrait || o == device::Orientation::PortraitUpsideDown;
}

bool PageViewController::lightOn() const {
    return m_config && m_config->lightOn();
}

// --- building and placing ---

void PageViewController::initialReadPageMenu() {
    auto v = view();
    const double w = v->bounds().width(), h = v->bounds().height();
    const bool full = m_config && m_config->fullScreenRead();
    const bool tablet = isTablet();
    auto add = [&](const std::shared_ptr<ui::View>& menu) {
        menu->setHidden(true);
        v->addSubview(menu);
    };
    m_bottomMenu = PageBottomMenu::create(pageBottomMenuFrame(w, h));
    m_topMenu = PageTopMenu::create({0, full ? 20.0 : 0.0, w, 44});
    m_topMenuShadow = PageTopMenuShadow::create(readerTopMenuShadowFrame(m_topMenu->frame()));
    m_chapterMenu = PageMenuChapter::create(pageMenuChapterFrame(tablet, m_topMenu->frame().maxY(), false));
    const auto slider = pageSliderMenuLayout(w, h, bookFormat);
    m_sliderMenu = PageSliderMenu::create(slider.frame);
    m_sliderMenu->showChapterNav = slider.showChapterNav;
    m_bottomSubMenu = PageBottomSubMenu::create(pageBottomSubMenuFrame(w, h));
    for (const std::shared_ptr<ui::View>& menu :
         {std::static_pointer_cast<ui::View>(m_bottomMenu), std::static_pointer_cast<ui::View>(m_topMenu),
          std::static_pointer_cast<ui::View>(m_topMenuShadow), std::static_pointer_cast<ui::View>(m_chapterMenu),
          std::static_pointer_cast<ui::View>(m_sliderMenu), std::static_pointer_cast<ui::View>(m_bottomSubMenu)})
        add(menu);
    if (bookFormat == 1) {
        m_interactiveMenu = PageMenuInteractive::create(pageMenuInteractiveFrame(tablet, m_chapterMenu->frame()));
        add(m_interactiveMenu);
    }
}

void PageViewController::layoutReadPageMenu() {
    if (!m_topMenu || !m_chapterMenu || isTablet())
        return;
    m_chapterMenu->setFrame(pageMenuChapterFrame(false, m_topMenu->frame().maxY(), true));
    if (m_interactiveMenu)
        m_interactiveMenu->setFrame(pageMenuInteractiveFrame(false, m_chapterMenu->frame()));
}

// --- the reading menu ---

void PageViewController::showReadPageMenu() {
    if (m_pageState != 0)
        return;
    m_pageState = PageStateMainMenu;
    if (!m_topMenu)
        return;
    m_bottomMenu->genMenuAndShow();
    m_topMenu->genMenuAndShow();
    m_chapterMenu->genMenuAndShow();
    m_topMenuShadow->genMenuAndShow();
    if (m_interactiveMenu)
        m_interactiveMenu->genMenuAndShow();
    if (!m_bottomMenu->hasAddHandler)
        addBtnHandler();

    auto& top = *m_topMenu;
    const auto& config = *m_config;
    top.setCurrentPageTurningStyle(config.pageTurningType());
    top.setCurrentAutoScrollSpeed(config.autoScrollSpeed());
    top.setCurrentBrightness(static_cast<float>(config.screenBrightness()));
    top.setLightOn(config.lightOn());
    top.setRotateLock(config.rotateLock());
    top.setFullScreen(config.fullScreenRead());
    top.setBtnFontSize(config.fontSize());
    readermenu::setUsable(*top.btnFontSizeDecrease, true);
    readermenu::setUsable(*top.btnFontSizeIncrease, true);
    const int size = static_cast<int>(config.fontSize());
    if (size == 12)
        readermenu::setUsable(*top.btnFontSizeDecrease, false);
    else if (size == 42)
        readermenu::setUsable(*top.btnFontSizeIncrease, false);

    const bool notify = bookFormat == 1 && BookTB::isSetBookUpdateNotifyRZBookId(rzBookId);
    m_bottomMenu->btnNotifyUpdate->setTitle(notify ? "取消提醒" : "更新提醒");
    m_bottomMenu->btnNotifyUpdate->setTag(notify ? 10022 : 10021);
}

void PageViewController::addBtnHandler() {
    std::weak_ptr<PageViewController> weak = self();
    auto wire = [weak](ui::Button& b, int tag) {
        if (tag >= 0)
            b.setTag(tag);
        b.addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->handleBtnChoose(sender.tag());
            },
            ui::ControlEventTouchUpInside);
    };
    auto& bottom = *m_bottomMenu;
    wire(*bottom.btnAddBookmark, 10001);
    wire(*bottom.btnNotifyUpdate, 10021);
    wire(*bottom.btnUpdate, 10005);
    wire(*bottom.btnJump, 10012);
    wire(*bottom.btnMoreSettings, 10020);
    wire(*m_chapterMenu->btnChaptersAndBookmark, 10011);
    const bool site = bookFormat == 1;
    m_chapterMenu->btnChaptersAndBookmark->setTitle(site ? "目 录" : "书签目录");
    bottom.btnAddBookmark->setTitle(site ? "书签" : "加书签");
    // A site book's side tab opens the contents alone, and its bookmark button
    // the bookmark choices; a local book's adds a bookmark at once.
    for (auto [button, image] :
         {std::pair{m_chapterMenu->btnChaptersAndBookmark.get(),
                    site ? "v2_icon_read_dir_2.png" : "v2_icon_read_dir.png"},
          std::pair{bottom.btnAddBookmark.get(), site ? "icon_bookmark_menu.png" : "icon_addbookmark_2.png"}})
        if (auto img = ui::BundleImage::named(image); !img.isNull())
            button->setBackgroundImage(img);
    if (!site) {
        readermenu::setUsable(*bottom.btnUpdate, false);
        readermenu::setUsable(*bottom.btnNotifyUpdate, false);
    }
    if (m_interactiveMenu) {
        m_interactiveMenu->btnZoom->addTarget(
            [weak](ui::Control&) {
                if (auto s = weak.lock())
                    s->handleInteractiveMenuChoose();
            },
            ui::ControlEventTouchUpInside);
        m_interactiveMenu->hasAddHandler = true;
    }

    auto& top = *m_topMenu;
    wire(*top.btnTopBack, 18008);
    wire(*top.btnTopLight, 18018);
    wire(*top.btnTopScreenOrientation, 18019);
    wire(*top.btnFontSizeDecrease, 10074);
    wire(*top.btnFontSizeIncrease, 10075);
    wire(*top.btnFullScreen, 10073);
    top.sliderBrightness->addTarget(
        [weak](ui::Control& c) {
            if (auto s = weak.lock())
                s->handleBrightnessChoose(static_cast<ui::Slider&>(c).value());
        },
        ui::ControlEventValueChanged);
    top.sliderBrightness->addTarget(
        [weak](ui::Control& c) {
            if (auto s = weak.lock())
                s->handleBrightnessChooseEnd(static_cast<ui::Slider&>(c).value());
        },
        ui::ControlEventTouchUpInside);
    auto colour = [weak](ui::Button& b, int tag) {
        b.setTag(tag);
        b.addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->handleColorBtnChoose(sender.tag(), s->isPortrait());
            },
            ui::ControlEventTouchUpInside);
    };
    for (int i = 0; i < 6; ++i)
        colour(*top.backgroundButtons[i], 15001 + i);
    colour(*top.btnBackgroundColorPicker, 15007);
    colour(*top.btnFontColorPicker, 15008);
    for (auto& b : top.turningButtons)
        b->addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->handlePageTurningBtnChoose(sender.tag());
            },
            ui::ControlEventTouchUpInside);
    for (auto& b : top.speedButtons)
        b->addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->handleAutoScrollBtnChoose(sender.tag());
            },
            ui::ControlEventTouchUpInside);
    bottom.hasAddHandler = true;
    top.hasAddHandler = true;
    m_chapterMenu->hasAddHandler = true;
}

void PageViewController::closeReadPageMenu() {
    for (ReaderMenuView* menu :
         {static_cast<ReaderMenuView*>(m_bottomMenu.get()), static_cast<ReaderMenuView*>(m_topMenu.get()),
          static_cast<ReaderMenuView*>(m_chapterMenu.get()), static_cast<ReaderMenuView*>(m_interactiveMenu.get()),
          static_cast<ReaderMenuView*>(m_topMenuShadow.get())})
        if (menu)
            menu->close();
    m_pageState = 0;
}

void PageViewController::hideStatusBarWhenFullScreen() {
    if (m_config && m_config->fullScreenRead())
        ui::Application::shared().setStatusBarHidden(true);
}

void PageViewController::closeReadPageMenuAndHideStatusBar() {
    closeReadPageMenu();
    hideStatusBarWhenFullScreen();
}

void PageViewController::handleBtnChoose(int tag) {
    auto* nav = navigationController();
    switch (tag) {
    case 10001:
        if (bookFormat == 1) {
            closeReadPageMenu();
            showPageBookmarkMenu();
        } else if (m_pageMgr) {
            m_pageMgr->animateToPoint({m_currentTouchPoint.x, m_currentTouchPoint.y + 40});
            closeReadPageMenuAndHideStatusBar();
            m_pageMgr->addBookmark();
        }
        break;
    case 10011:
        if (nav && contentsMaker())
            if (auto screen = contentsMaker()(*this)) {
                // The list slides in by the reader's own push, from the side
                // the list will leave by.
                nav->pushViewController(screen, false);
                const auto o = interfaceOrientation();
                const auto from = isPortrait()                               ? ui::TransitionSubtype::FromLeft
                                  : o == device::Orientation::LandscapeRight ? ui::TransitionSubtype::FromTop
                                                                             : ui::TransitionSubtype::FromBottom;
                addNavigationTransition(ui::TransitionType::Push, from, 0.2);
            }
        closeReadPageMenu();
        break;
    case 10005:
        closeReadPageMenu();
        showPageDownMenu();
        break;
    case 10012: {
        closeReadPageMenu();
        const double p = m_pageMgr ? m_pageMgr->getCorrectionOfPercent() : 0;
        showPageSliderMenu(PageStatePercentJump);
        setupSliderMenuStatus(wholeNumber(p));
        setupSliderWithMinMaxDefault(0, 100, static_cast<float>(p));
        break;
    }
    case 10020:
        if (nav && settingsMaker())
            if (auto screen = settingsMaker()(*this)) {
                // The reader's own way back: "完成" re-reads what the settings changed.
                screen->setTitle("设置面板");
                screen->navigationItem().hidesBackButton = true;
                std::weak_ptr<PageViewController> weak = self();
                screen->navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle("完成", [weak] {
                    if (auto s = weak.lock())
                        s->settingDoneClick();
                });
                nav->setNavigationBarHidden(false, false);
                nav->pushViewController(screen, false);
                addNavigationTransition(ui::TransitionType::Flip, ui::TransitionSubtype::FromLeft, 0.6);
            }
        break;
    case 10021:
    case 10022: {
        const bool on = tag == 10021;
        BookTB::setNotifyBookUpdateByRZBookId(rzBookId, on);
        closeReadPageMenuAndHideStatusBar();
        showTip(on ? "设置更新提醒成功" : "取消更新提醒成功", 2.0);
        break;
    }
    case 10073:
        m_config->setFullScreenRead(!m_config->fullScreenRead());
        changeToFullScreenModeIfNeeded(true);
        closeReadPageMenu();
        break;
    case 10074:
    case 10075: {
        const int size = static_cast<int>(m_config->fontSize());
        auto& top = *m_topMenu;
        if (tag == 10074 && size >= 13) {
            handleFontSizeChoose(size - 1);
            if (size - 1 == 12)
                readermenu::setUsable(*top.btnFontSizeDecrease, false);
            readermenu::setUsable(*top.btnFontSizeIncrease, true);
        } else if (tag == 10075 && size <= 41) {
            handleFontSizeChoose(size + 1);
            if (size + 1 == 42)
                readermenu::setUsable(*top.btnFontSizeIncrease, false);
            readermenu::setUsable(*top.btnFontSizeDecrease, true);
        }
        break;
    }
    case 18008:
        goToMainView();
        break;
    case 18018:
        if (m_pageMgr)
            m_pageMgr->lightSwitch();
        m_topMenu->setLightOn(m_config->lightOn());
        break;
    case 18019: {
        if (m_pageMgr)
            m_pageMgr->rotateLock();
        const bool locked = m_config->rotateLock();
        m_topMenu->setRotateLock(locked);
        closeReadPageMenuAndHideStatusBar();
        showTip(locked ? "已锁定旋转" : "锁定旋转已取消", 1.0);
        break;
    }
    default:
        break;
    }
}

void PageViewController::settingDoneClick() {
    if (auto* nav = navigationController()) {
        nav->popViewControllerAnimated(false);
        nav->setNavigationBarHidden(true, false);
    }
    if (m_pageMgr && m_config)
        m_pageMgr->pageCurlChanged(m_config->pageTurningType());
    m_lastUIInterfaceOrientation = 0;
    addNavigationTransition(ui::TransitionType::Flip, ui::TransitionSubtype::FromRight, 0.6);
}

void PageViewController::addNavigationTransition(ui::TransitionType type, ui::TransitionSubtype from, double seconds) {
    if (auto* nav = navigationController(); nav && nav->isViewLoaded())
        nav->view()->layer()->addAnimation(std::make_shared<ui::Transition>(type, from, seconds), "contents");
}

void PageViewController::handleInteractiveMenuChoose() {
    if (auto* nav = navigationController(); nav && interactiveMaker())
        if (auto screen = interactiveMaker()(*this))
            nav->pushViewController(screen, true);
}

void PageViewController::handleFontSizeChoose(int points) {
    if (m_pageMgr)
        m_pageMgr->fontSizeChangedHandler(points);
}

void PageViewController::handleColorBtnChoose(int tag, bool portrait) {
    m_pageState |= PageStateColour;
    if (tag == 15007)
        genBoxMenuAndShow(PageStateBackgroundColourPick);
    else if (tag == 15008)
        genBoxMenuAndShow(PageStateFontColourPick);
    else if (tag >= 15001 && tag <= 15006 && m_pageMgr)
        m_pageMgr->setReadBackgroundImage(tag, portrait);
}

void PageViewController::handlePageTurningBtnChoose(int type) {
    if (m_pageMgr)
        m_pageMgr->pageCurlChanged(type);
    closeReadPageMenuAndHideStatusBar();
}

void PageViewController::handleAutoScrollBtnChoose(int speed) {
    closeReadPageMenuAndHideStatusBar();
    if (!m_pageMgr)
        return;
    if (m_pageMgr->isLastPage()) {
        showTip("已到达最后页", 2.0);
        return;
    }
    m_pageMgr->autoScrollScreenSpeedChanged(speed);
    m_pageMgr->pageCurlChanged(6);
    m_pageState = PageStateAutoScroll;
    m_pageMgr->beginAutoScrollScreen();
    showTip("已进入自动滚屏模式，点击屏幕退出", 2.0);
}

void PageViewController::handleBrightnessChoose(double value) {
    if (m_pageMgr)
        m_pageMgr->setupScreenBrightnessWithoutSave(static_cast<int>(value));
}

void PageViewController::handleBrightnessChooseEnd(double value) {
    if (m_pageMgr)
        m_pageMgr->setupScreenBrightness(static_cast<int>(value));
}

// --- the slider panel ---

void PageViewController::showPageSliderMenu(int extraBits) {
    m_pageState = PageStateSlider | extraBits;
    if (!m_sliderMenu)
        return;
    m_sliderMenu->genMenuAndShow();
    if (!m_sliderMenu->hasAddHandler)
        addSliderMenuHandler();
}

void PageViewController::addSliderMenuHandler() {
    std::weak_ptr<PageViewController> weak = self();
    auto& menu = *m_sliderMenu;
    auto wire = [weak](ui::Button& b, int tag) {
        b.setTag(tag);
        b.addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->handleSliderMenuBtnChoose(sender.tag());
            },
            ui::ControlEventTouchUpInside);
    };
    wire(*menu.btnDecrease, 1101);
    wire(*menu.btnIncrease, 1102);
    if (menu.btnPrevChapter)
        wire(*menu.btnPrevChapter, 10009);
    if (menu.btnNextChapter)
        wire(*menu.btnNextChapter, 10010);
    menu.slider->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->handlSliderMenuSliderChoose();
        },
        ui::ControlEventValueChanged);
    menu.slider->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->handlSliderMenuSliderChooseEnd();
        },
        ui::ControlEventTouchUpInside);
    menu.hasAddHandler = true;
}

void PageViewController::hideSliderMenu() {
    if (m_sliderMenu)
        m_sliderMenu->close();
    m_pageState = 0;
}

void PageViewController::hideSliderMenuAndHideStatusBar() {
    hideSliderMenu();
    hideStatusBarWhenFullScreen();
}

void PageViewController::setupSliderWithMinMaxDefault(float min, float max, float value) {
    if (!m_sliderMenu || !m_sliderMenu->slider)
        return;
    m_sliderMenu->slider->minimumValue = min;
    m_sliderMenu->slider->maximumValue = max;
    m_sliderMenu->slider->setValue(value);
}

void PageViewController::setupSliderMenuStatus(const std::string& text) {
    if ((m_pageState & PageStatePercentJump) && m_sliderMenu && m_sliderMenu->lblTitle)
        m_sliderMenu->lblTitle->setText("全文跳转：" + text + "%");
}

void PageViewController::sliderMenuProcess() {
    if (m_sliderMenu && m_sliderMenu->slider)
        sliderMenuProcess(m_sliderMenu->slider->value());
}

void PageViewController::sliderMenuProcess(double sliderValue) {
    if ((m_pageState & PageStatePercentJump) && m_pageMgr)
        m_pageMgr->goToPercent(pageSliderJumpPercent(sliderValue));
}

void PageViewController::handleSliderMenuBtnChoose(int tag) {
    if (!m_sliderMenu || !m_sliderMenu->slider)
        return;
    auto& slider = *m_sliderMenu->slider;
    switch (tag) {
    case 1101:
    case 1102:
        slider.setValue(static_cast<float>(pageSliderStep(slider.value(), tag == 1101 ? -1 : 1)));
        setupSliderMenuStatus(wholeNumber(slider.value()));
        sliderMenuProcess();
        break;
    case 10009:
    case 10010: {
        const bool moved = tag == 10009 ? m_chapters.goToPrevChapter() : m_chapters.goToNextChapter();
        if (!moved) {
            showTip("无更多章节", 2.0);
            break;
        }
        const double value = bookFormat == 1 || !m_pageMgr ? 0.0 : m_pageMgr->getCorrectionOfPercent();
        slider.setValue(static_cast<float>(value));
        setupSliderMenuStatus(wholeNumber(value));
        break;
    }
    default:
        break;
    }
}

void PageViewController::handlSliderMenuSliderChoose() {
    if (m_sliderMenu && m_sliderMenu->slider)
        setupSliderMenuStatus(wholeNumber(m_sliderMenu->slider->value()));
}

void PageViewController::handlSliderMenuSliderChooseEnd() {
    handlSliderMenuSliderChoose();
    sliderMenuProcess();
}

// --- the two-button sub-menus ---

void PageViewController::showPageDownMenu() {
    m_pageState = PageStateDownloadSubMenu;
    if (!m_bottomSubMenu)
        return;
    m_bottomSubMenu->genMenuAndShow();
    if (!m_bottomSubMenu->hasAddHandler)
        addBotSubMenuHandler();
    m_bottomSubMenu->btnFirst->setTitle("重下本章");
    m_bottomSubMenu->btnSecond->setTitle("更新全书");
}

void PageViewController::showPageBookmarkMenu() {
    m_pageState = PageStateBookmarkSubMenu;
    if (!m_bottomSubMenu)
        return;
    m_bottomSubMenu->genMenuAndShow();
    if (!m_bottomSubMenu->hasAddHandler)
        addBotSubMenuHandler();
    m_bottomSubMenu->btnFirst->setTitle("上传书签");
    m_bottomSubMenu->btnSecond->setTitle("下载书签");
}

void PageViewController::addBotSubMenuHandler() {
    std::weak_ptr<PageViewController> weak = self();
    m_bottomSubMenu->btnFirst->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->handleSubFstClick();
        },
        ui::ControlEventTouchUpInside);
    m_bottomSubMenu->btnSecond->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->handleSubSecClick();
        },
        ui::ControlEventTouchUpInside);
    m_bottomSubMenu->hasAddHandler = true;
}

void PageViewController::hideBottomSubMenu() {
    if (m_bottomSubMenu)
        m_bottomSubMenu->close();
    m_pageState = 0;
}

void PageViewController::hideBotSubMenuAndHideStatusBar() {
    hideBottomSubMenu();
    hideStatusBarWhenFullScreen();
}

void PageViewController::handleSubFstClick() {
    if (m_pageState & PageStateDownloadSubMenu) {
        hideBotSubMenuAndHideStatusBar();
        const auto info = m_store ? m_store->chapterInfo(rzBookId, m_chapters.chapterId) : std::nullopt;
        if (!info) {
            showTip("更新章节失败", 2.0);
            return;
        }
        checkIsLoginWithInfo({ReaderActionRedownloadChapter, info->isVip, m_chapters.chapterId});
    } else if (m_pageState & PageStateBookmarkSubMenu) {
        hideBottomSubMenu();
        if (m_pageMgr)
            m_pageMgr->animateToPoint({m_currentTouchPoint.x, m_currentTouchPoint.y + 40});
        checkIsLoginWithInfo({ReaderActionUploadBookmark, false, m_chapters.chapterId});
    }
}

void PageViewController::handleSubSecClick() {
    if (m_pageState & PageStateDownloadSubMenu) {
        hideBottomSubMenu();
        const int64_t book = rzBookId;
        goToMainView();
        core::NotificationCenter::defaultCenter().post(kDownAllBook,
                                                       core::Value(core::Value::Map{{"rzbid", core::Value(book)}}));
    } else if (m_pageState & PageStateBookmarkSubMenu) {
        hideBottomSubMenu();
        checkIsLoginWithInfo({ReaderActionDownloadBookmark, false, m_chapters.chapterId});
    }
}

// --- the colour box ---

void PageViewController::genBoxMenuAndShow(int colourBit) {
    m_pageState = PageStateColour | colourBit;
    if (!isViewLoaded() || !m_config)
        return;
    if (auto old = m_colorBox.lock())
        old->removeFromSuperview();
    auto v = view();
    auto box = ColorPickerBoxView::create(v->bounds());
    box->setup(std::static_pointer_cast<ColorPickerBoxDelegate>(self()), m_config->getPageBackgroundColor(),
               m_config->getPageFontColor(), m_config->useBackgroundImage(), m_config->backgroundImageTag());
    box->genAndShow({0, 0, v->bounds().width(), m_config->fullScreenRead() ? 290.0 : 270.0});
    v->addSubview(box);
    m_colorBox = box;
}

void PageViewController::colorPicking(const gfx::Color& colour) {
    if (!m_pageMgr || !m_config || !lightOn())
        return;
    if (m_pageState & PageStateBackgroundColourPick) {
        m_config->setIsPickingBgColor(true);
        m_pageMgr->pickBackgroundColor(colour);
    } else if (m_pageState & PageStateFontColourPick) {
        m_pageMgr->pickFontColor(colour);
    }
}

void PageViewController::colorPickConfirm(const gfx::Color& colour) {
    if (!m_pageMgr || !m_config || !lightOn())
        return;
    m_config->setIsPickingBgColor(false);
    if (m_pageState & PageStateBackgroundColourPick) {
        m_config->setUseBackgroundImage(false);
        m_pageMgr->setReadingBackgroundColor(colour);
    } else if (m_pageState & PageStateFontColourPick) {
        m_pageMgr->setReadingFontColor(colour);
    }
}

void PageViewController::colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont,
                                         bool useBackgroundImage, int backgroundImageTag) {
    colorPickCancel(orgBackground, orgFont, useBackgroundImage, backgroundImageTag, isPortrait());
}

void PageViewController::colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont,
                                         bool useBackgroundImage, int backgroundImageTag, bool portrait) {
    if (!m_pageMgr || !m_config || !lightOn())
        return;
    m_config->setIsPickingBgColor(false);
    m_config->setUseBackgroundImage(useBackgroundImage);
    if (useBackgroundImage)
        m_pageMgr->setReadBackgroundImage(backgroundImageTag, portrait, orgFont);
    else
        m_pageMgr->setReadingBackgroundColor(orgBackground, orgFont);
}

void PageViewController::pickingPresetBackgroundColor(const gfx::Color& background, const gfx::Color& font) {
    if (!m_pageMgr || !m_config || !lightOn())
        return;
    m_config->setIsPickingBgColor(false);
    if (m_pageState & PageStateColour) {
        m_config->setUseBackgroundImage(false);
        m_pageMgr->pickReadingBackgroundColor(background, font);
    }
}

void PageViewController::pickedPresetBackgroundColor(const gfx::Color& background, const gfx::Color& font) {
    if (!m_pageMgr || !m_config || !lightOn())
        return;
    m_config->setIsPickingBgColor(false);
    if (m_pageState & PageStateColour) {
        m_config->setUseBackgroundImage(false);
        m_pageMgr->setReadingBackgroundColor(background, font);
    }
}

} // namespace pw
