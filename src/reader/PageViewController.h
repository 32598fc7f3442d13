#pragma once

// The reading screen: owns the page manager for its whole life, hands it the
// text, routes taps and pans by the menu state, keeps the status line's percent
// fresh once a second, answers the manager at seams and lays itself out for
// full-screen reading and rotation. It plays the chapter loader's host too:
// tips in its progress overlay, the download prompt, the login check.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Cancelable.h"
#include "platform/core/ObserverToken.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/ViewController.h"
#include "reader/ColorPickerBoxDelegate.h"
#include "reader/PageManagerEngine.h"
#include "reader/ReaderChapters.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderLogic.h"
#include "reading/turn/PageManagerDelegate.h"
#include "site/CheckLoginWithInfoDelegate.h"

namespace pw {

class PageManager;
class ProgressHUD;
class RZConfig;
class StatusView;
class CheckLoginWithInfo;
class ColorPickerBoxView;
class PageBottomMenu;
class PageBottomSubMenu;
class PageMenuChapter;
class PageMenuInteractive;
class PageSliderMenu;
class PageTopMenu;
class PageTopMenuShadow;
class ReaderSite;
class ReaderSiteActions;
namespace core {
class Timer;
}
namespace ui {
class PanGestureRecognizer;
class TapGestureRecognizer;
} // namespace ui

class PageViewController : public ui::ViewController,
                           public PageManagerDelegate,
                           public ReaderHost,
                           public ui::AlertViewDelegate,
                           public CheckLoginWithInfoDelegate,
                           public ColorPickerBoxDelegate {
public:
    static std::shared_ptr<PageViewController> create() { return ViewController::create<PageViewController>(); }
    ~PageViewController() override;

    // Opening properties, set before the screen is pushed; from then on
    // chapters() keeps the text, title and chapter in step with the manager.
    int bookFormat = 0;
    int64_t rzBookId = -999;
    int64_t chapterId = 0;
    int64_t bookId = 0;
    std::string filePath;
    int64_t umdContentTotalLength = 0;
    int64_t umdLastChapterOffset = 0;
    int64_t txtContentTotalLength = 0;
    bool txtLoadAll = false;
    std::u16string content;
    std::string contentTitle;

    // What the screen makes for itself unless given before its view loads: the
    // page manager, the configuration (else the stored one for the orientation),
    // the site book's chapter store and the site behind the deferred actions.
    using PageManagerMaker = std::function<std::unique_ptr<PageManager>()>;
    void setPageManagerMaker(PageManagerMaker maker) { m_pageManagerMaker = std::move(maker); }
    void setRzConfig(std::shared_ptr<RZConfig> config) { m_config = std::move(config); }
    void setChapterStore(std::shared_ptr<SiteChapterStore> store);
    void setReaderSite(std::shared_ptr<ReaderSite> site);

    // Screens other parts build, pushed from the menu: the contents (chapter
    // list or contents and bookmarks), the settings and the interactions.
    using ScreenMaker = std::function<std::shared_ptr<ui::ViewController>(PageViewController&)>;
    static void setContentsScreenMaker(ScreenMaker maker);
    static void setSettingsScreenMaker(ScreenMaker maker);
    static void setInteractiveScreenMaker(ScreenMaker maker);

    // --- the screen ---
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void viewDidUnload() override;
    void didReceiveMemoryWarning() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void hideStatusBarDelay();
    void appDidBecomeActive();
    void changeToFullScreenModeIfNeeded(bool reload);
    // Releases the manager, the menus and the overlay; running it twice is harmless.
    void clean();

    int pageState() const { return m_pageState; }
    void setPageState(int state) { m_pageState = state; }
    // Touches in the screen's view coordinates.
    void handleRZViewTap(gfx::Point p);
    enum class PanPhase { Began, Changed, Ended };
    void handleRZViewPan(PanPhase phase, gfx::Point p);

    // Menu commands. Opening the reading menu needs nothing else open; every
    // close clears the whole state.
    void initialReadPageMenu();
    void layoutReadPageMenu();
    void showReadPageMenu();
    void closeReadPageMenu();
    // The "AndHideStatusBar" closes also put the status bar away again when
    // reading full screen.
    void closeReadPageMenuAndHideStatusBar();
    // The commands of the menus' buttons, by tag.
    void handleBtnChoose(int tag);
    void settingDoneClick();
    void handleInteractiveMenuChoose();
    void showPageSliderMenu(int extraBits);
    void hideSliderMenu();
    void hideSliderMenuAndHideStatusBar() override;
    void setupSliderWithMinMaxDefault(float min, float max, float value);
    void setupSliderMenuStatus(const std::string& text);
    void sliderMenuProcess();
    void sliderMenuProcess(double sliderValue);
    void handleSliderMenuBtnChoose(int tag);
    void handlSliderMenuSliderChoose();
    void handlSliderMenuSliderChooseEnd();
    void showPageDownMenu();
    void showPageBookmarkMenu();
    void hideBottomSubMenu();
    void hideBotSubMenuAndHideStatusBar();
    void handleSubFstClick();
    void handleSubSecClick();
    void genBoxMenuAndShow(int colourBit);
    // Background presets 15001..15006 stay in the menu; 15007 / 15008 open the
    // colour box for the page or the text colour.
    void handleColorBtnChoose(int tag, bool portrait);
    void handlePageTurningBtnChoose(int type);
    void handleAutoScrollBtnChoose(int speed);
    // While the slider moves the brightness follows unsaved; on release it is stored.
    void handleBrightnessChoose(double value);
    void handleBrightnessChooseEnd(double value);
    void handleFontSizeChoose(int points);
    // The colour box's answers; nothing while the night mode is on.
    void colorPicking(const gfx::Color& colour) override;
    void colorPickConfirm(const gfx::Color& colour) override;
    void colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont, bool useBackgroundImage,
                         int backgroundImageTag) override;
    void colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont, bool useBackgroundImage,
                         int backgroundImageTag, bool portrait);
    void pickingPresetBackgroundColor(const gfx::Color& background, const gfx::Color& font) override;
    void pickedPresetBackgroundColor(const gfx::Color& background, const gfx::Color& font) override;

    void refreshStatus();
    const std::string& statusPercent() const { return m_statusPercent; }
    void changeView(int pageTurningType);
    // Stops the status timer and returns to the shelf.
    void goToMainView();
    bool statusTimerRunning() const;

    PageManager* pageMgr() const { return m_pageMgr.get(); }
    ReaderChapters& chapters() { return m_chapters; }
    StatusView* statusView() const { return m_statusView.get(); }
    ProgressHUD* progressHUD() const { return m_pProgressHUD.get(); }
    // The tips shown, oldest first, for whoever watches the screen (a spinner
    // tip by its line, else by its details; the spinner alone adds none).
    const std::vector<std::string>& tips() const { return m_tips; }
    ui::AlertView* downloadPrompt() const { return m_downloadPrompt.get(); }
    PageTopMenu* topMenu() const { return m_topMenu.get(); }
    PageTopMenuShadow* topMenuShadow() const { return m_topMenuShadow.get(); }
    PageBottomMenu* bottomMenu() const { return m_bottomMenu.get(); }
    PageMenuChapter* chapterMenu() const { return m_chapterMenu.get(); }
    PageMenuInteractive* interactiveMenu() const { return m_interactiveMenu.get(); }
    PageSliderMenu* sliderMenu() const { return m_sliderMenu.get(); }
    PageBottomSubMenu* bottomSubMenu() const { return m_bottomSubMenu.get(); }
    ColorPickerBoxView* colorBox() const { return m_colorBox.lock().get(); }

    // PageManagerDelegate
    void atLastPage() override { m_chapters.atLastPage(); }
    void atFirstPage() override { m_chapters.atFirstPage(); }
    void autoScrollScreenEnd() override;
    void panCurlTurningEnd() override { refreshStatus(); }
    void changePageTurningType(int type) override { changeView(type); }
    bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) override;
    void loadContentWithOffset(int64_t offset) override;

    // ReaderHost
    void showTip(const std::string& text, double seconds) override;
    void showSpinnerTip(const std::string& text, double seconds, const std::string& details = {}) override;
    void hideProgress() override;
    void setStatusName(const std::string& name) override;
    void showDownloadPrompt(const std::string& chapterTitle, bool isVip, int64_t chapterId) override;
    void checkIsLoginWithInfo(const ReaderAction& action) override;
    // The login check's answer, with the action it was started for.
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) override;

    // AlertViewDelegate: the download prompt.
    void clickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;

protected:
    PageViewController();
    friend class ui::ViewController;

private:
    std::shared_ptr<PageViewController> self();
    void restoreReadingPlace();
    void addGestures();
    bool shouldReceiveTouch(const ui::View* touched, gfx::Point p);
    void addBtnHandler();
    void addSliderMenuHandler();
    void addBotSubMenuHandler();
    bool isPortrait() const;
    bool lightOn() const;
    void hideStatusBarWhenFullScreen();
    void addNavigationTransition(ui::TransitionType type, ui::TransitionSubtype from, double seconds);

    std::unique_ptr<PageManager> m_pageMgr;
    PageManagerEngine m_engine;
    ReaderChapters m_chapters;
    std::shared_ptr<SiteChapterStore> m_store;
    std::shared_ptr<ReaderSite> m_site;
    std::unique_ptr<ReaderSiteActions> m_siteActions;
    std::shared_ptr<CheckLoginWithInfo> m_checkLogin;
    PageManagerMaker m_pageManagerMaker;
    std::shared_ptr<RZConfig> m_config;
    std::shared_ptr<StatusView> m_statusView;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::shared_ptr<ui::AlertView> m_downloadPrompt;
    std::shared_ptr<PageTopMenu> m_topMenu;
    std::shared_ptr<PageTopMenuShadow> m_topMenuShadow;
    std::shared_ptr<PageBottomMenu> m_bottomMenu;
    std::shared_ptr<PageMenuChapter> m_chapterMenu;
    std::shared_ptr<PageMenuInteractive> m_interactiveMenu;
    std::shared_ptr<PageSliderMenu> m_sliderMenu;
    std::shared_ptr<PageBottomSubMenu> m_bottomSubMenu;
    std::weak_ptr<ColorPickerBoxView> m_colorBox;
    std::shared_ptr<ui::TapGestureRecognizer> m_tap;
    std::shared_ptr<ui::PanGestureRecognizer> m_pan;
    std::shared_ptr<core::Timer> m_statusViewTimer;
    core::Cancelable m_hideStatusBar;
    core::ObserverToken m_activeObserver;
    std::vector<std::string> m_tips;
    int m_pageState = 0;
    bool m_isFristLoad = true;
    int m_lastUIInterfaceOrientation = 0;
    std::string m_statusPercent;
    gfx::Point m_touchP;
    gfx::Point m_currentTouchPoint;
    bool m_canResponseToPan = false;
};

} // namespace pw
