#pragma once

// The bar that drops in at the top of the page with the menu: back to the
// shelf, day/night, rotation lock and "阅读设置", which folds the same view open
// to the settings panel (font size, brightness, styles and colour pickers,
// page-turn effect, automatic scrolling, full screen). The view builds, lays
// out, animates and shows state; the reader wires its controls.

#include <array>
#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Slider.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageTopMenu : public ReaderMenuView {
public:
    static constexpr const char* kBottomMenuClose = "NSNotificationCenter_PageMenu_PageBottomMenuClose";
    static constexpr const char* kBottomMenuShow = "NSNotificationCenter_PageMenu_PageBottomMenuShow";
    static constexpr const char* kChapterClose = "NSNotificationCenter_PageMenuChapterClose";
    static constexpr const char* kChapterShow = "NSNotificationCenter_PageMenuChapterShow";
    static constexpr const char* kInteractiveClose = "NSNotificationCenter_PageMenuInteractiveClose";
    static constexpr const char* kInteractiveShow = "NSNotificationCenter_PageMenuInteractiveShow";

    static std::shared_ptr<PageTopMenu> create(const gfx::Rect& frame) { return View::create<PageTopMenu>(frame); }

    void close() override;
    void showMoreSetting();
    static constexpr double kSpeedSwapSeconds = 0.2;
    void showScrollSpeedView();
    void hideScrollSpeedView();
    void setAutoScrollSpeedButton();
    void scrollToCurrentPageTurning();
    bool isOpen() const;

    void setCurrentPageTurningStyle(int style);
    int currentPageTurningStyle() const { return m_currentPageTurningStyle; }
    void setCurrentAutoScrollSpeed(int speed);
    int currentAutoScrollSpeed() const { return m_currentAutoScrollSpeed; }
    void setCurrentBrightness(float value);
    float currentBrightness() const { return m_currentBrightness; }
    void setLightOn(bool on);
    bool lightOn() const { return m_lightOn; }
    void setRotateLock(bool locked);
    bool rotateLock() const { return m_rotateLock; }
    void setFullScreen(bool full);
    bool fullScreen() const { return m_fullScreen; }
    void setBtnFontSize(float points);
    float btnFontSize() const { return m_btnFontSize; }

    std::shared_ptr<ui::Button> btnTopBack, btnTopLight, btnTopScreenOrientation, btnSettingTop;
    std::shared_ptr<ui::ImageView> imgBackground;
    std::shared_ptr<ui::Button> btnAutoScroll, btnFullScreen, btnFontSizeIncrease, btnFontSizeDecrease;
    std::shared_ptr<ui::Slider> sliderBrightness;
    // btnYPJ, btnYM, btnHSSD, btnZZ, btnMW, btnXFHW: tags 15001..15006.
    std::array<std::shared_ptr<ui::Button>, 6> backgroundButtons;
    ui::Button& btnYPJ() const { return *backgroundButtons[0]; }
    ui::Button& btnYM() const { return *backgroundButtons[1]; }
    ui::Button& btnHSSD() const { return *backgroundButtons[2]; }
    ui::Button& btnZZ() const { return *backgroundButtons[3]; }
    ui::Button& btnMW() const { return *backgroundButtons[4]; }
    ui::Button& btnXFHW() const { return *backgroundButtons[5]; }
    std::shared_ptr<ui::Button> btnBackgroundColorPicker, btnFontColorPicker;
    // No effect, curl, across drag, across swipe, up-down drag, up-down swipe.
    std::array<std::shared_ptr<ui::Button>, 6> turningButtons;
    ui::Button& btnTurningNoEffect() const { return *turningButtons[0]; }
    ui::Button& btnTurningCurl() const { return *turningButtons[1]; }
    ui::Button& btnTurningLRDrag() const { return *turningButtons[2]; }
    ui::Button& btnTurningLRSwipe() const { return *turningButtons[3]; }
    ui::Button& btnTurningTBDrag() const { return *turningButtons[4]; }
    ui::Button& btnTurningTBSwipe() const { return *turningButtons[5]; }
    std::shared_ptr<ui::ScrollView> scrollTurningStyle;
    std::shared_ptr<ui::View> scrollSpeedView;
    // Fast, normal, slow.
    std::array<std::shared_ptr<ui::Button>, 3> speedButtons;
    ui::Button& btnAutoScrollFast() const { return *speedButtons[0]; }
    ui::Button& btnAutoScrollNormal() const { return *speedButtons[1]; }
    ui::Button& btnAutoScrollSlow() const { return *speedButtons[2]; }

protected:
    explicit PageTopMenu(const gfx::Rect& frame);
    friend class ui::View;

private:
    void build() override;
    void addMenuLineUnderView(const ui::View& row);
    void layoutMenu();
    void setFoldHeight(double h);
    ui::Button* turningButtonTagged(int tag) const;

    int m_currentPageTurningStyle = -1;
    int m_currentAutoScrollSpeed = -1;
    float m_currentBrightness = 100;
    bool m_lightOn = true;
    bool m_rotateLock = false;
    bool m_fullScreen = false;
    float m_btnFontSize = 0;
    // Counts the swaps of the auto-scroll button for its speeds; a swap's
    // second step runs only while no later swap or hide came.
    uint64_t m_speedSwap = 0;
};

} // namespace pw
