#pragma once

// The reading screen's controller: owns the page manager for its whole life,
// hands it the text, routes taps and pans by the menu state, keeps the status
// line's percent fresh once a second and answers the manager at seams.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "reader/PageManagerEngine.h"
#include "reader/ReaderChapters.h"
#include "reader/ReaderLogic.h"
#include "reading/turn/PageManagerDelegate.h"

namespace pw {

class PageManager;
class RZConfig;
namespace core {
class Timer;
}

class PageViewController : public PageManagerDelegate, public std::enable_shared_from_this<PageViewController> {
public:
    PageViewController(ReaderHost& host, SiteChapterStore* store = nullptr);
    ~PageViewController() override;
    PageViewController(const PageViewController&) = delete;
    PageViewController& operator=(const PageViewController&) = delete;

    // Opening properties, set before viewDidLoad; from then on chapters() keeps
    // the text, title and chapter in step with the manager.
    int bookFormat = 0;
    int64_t rzBookId = -999;
    int64_t chapterId = 0;
    int64_t bookId = 0;
    std::string filePath;
    int64_t umdContentTotalLength = 0;
    int64_t txtContentTotalLength = 0;
    bool txtLoadAll = false;
    std::u16string content;
    std::string contentTitle;

    // Set-up: the manager gets the opening properties and the configuration,
    // the turn view is built, the stored place (as the book tables answer it)
    // is shown and the status timer starts on the current run loop.
    void viewDidLoad(std::unique_ptr<PageManager> manager, std::shared_ptr<RZConfig> config, const gfx::Rect& bounds,
                     const std::optional<std::vector<int64_t>>& storedPlace);

    int pageState() const { return m_pageState; }
    void setPageState(int state) { m_pageState = state; }
    void handleTap(gfx::Point p);
    enum class PanPhase { Began, Changed, Ended };
    void handlePan(PanPhase phase, gfx::Point p);

    // Menu commands. Opening the reading menu needs nothing else open; every
    // close clears the whole state.
    void showReadPageMenu();
    void closeReadPageMenu() { m_pageState = 0; }
    void showPageSliderMenu(int extraBits);
    void sliderMenuProcess(double sliderValue);
    void showPageDownMenu() { m_pageState = 0x20; }
    void showPageBookmarkMenu() { m_pageState = 0x8; }
    // Background presets 15001..15006 stay in the menu; 15007 / 15008 open the
    // colour box for the page or the text colour.
    void handleColorBtnChoose(int tag, bool portrait);
    void handlePageTurningBtnChoose(int type);
    void handleAutoScrollBtnChoose(int speed);
    void handleBrightnessChoose(double value, bool released);
    // The colour box's answers (its delegate, forwarded by the screen).
    void colorPicking(const gfx::Color& colour);
    void colorPickConfirm(const gfx::Color& colour);
    void colorPickCancel(const gfx::Color& orgBackground, const gfx::Color& orgFont, bool useBackgroundImage,
                         int backgroundImageTag, bool portrait);
    void pickingPresetColors(const gfx::Color& background, const gfx::Color& font);
    void pickedPresetColors(const gfx::Color& background, const gfx::Color& font);

    void refreshStatus();
    const std::string& statusPercent() const { return m_statusPercent; }
    void changeView(int pageTurningType);
    // Stops the status timer; the screen leaves for the shelf.
    void goToMainView();
    bool statusTimerRunning() const;

    PageManager* pageMgr() const { return m_pageMgr.get(); }
    ReaderChapters& chapters() { return m_chapters; }

    // PageManagerDelegate
    void atLastPage() override { m_chapters.atLastPage(); }
    void atFirstPage() override { m_chapters.atFirstPage(); }
    void autoScrollScreenEnd() override;
    void panCurlTurningEnd() override { refreshStatus(); }
    void changePageTurningType(int type) override { changeView(type); }
    bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) override;
    void loadContentWithOffset(int64_t offset) override;

private:
    ReaderHost& m_host;
    std::unique_ptr<PageManager> m_pageMgr;
    PageManagerEngine m_engine;
    ReaderChapters m_chapters;
    std::shared_ptr<core::Timer> m_statusViewTimer;
    gfx::Rect m_bounds;
    int m_pageState = 0;
    std::string m_statusPercent;
    gfx::Point m_touchP;
    bool m_canResponseToPan = false;
};

} // namespace pw
