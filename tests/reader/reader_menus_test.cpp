// The reading menus on a headless screen, worked through their own controls:
// what opens, what each control changes, and the pictures where the pixels
// carry the behaviour (kept under <build>/artifacts/reader).

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "foundation/config/RZConfig.h"
#include "foundation/db/BookmarkTB.h"
#include "foundation/db/SettingTB.h"
#include "platform/device/Device.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/NavigationController.h"
#include "reader/ColorPickerBoxDelegate.h"
#include "reader/ColorPickerBoxView.h"
#include "reader/ColorPickerMapping.h"
#include "reader/PageBottomMenu.h"
#include "reader/PageBottomSubMenu.h"
#include "reader/PageHelpMenu.h"
#include "reader/PageHelpMenuLayout.h"
#include "reader/PageMenuChapter.h"
#include "reader/PageSliderMenu.h"
#include "reader/PageTopMenu.h"
#include "reader/PageViewController.h"
#include "reader/ReaderMenuKit.h"
#include "reading/turn/DragView.h"
#include "reading/turn/PageManager.h"
#include "reading/turn/TurnTestSupport.h"
#include "reading/txt/TxtFile.h"
#include "reading/txt/TxtTestFiles.h"
#include "support/Idioms.h"

namespace pw {
namespace {

class ReaderMenusTest : public test::TurnTest {
protected:
    void SetUp() override {
        TurnTest::SetUp();
        nav = ui::ViewController::create<ui::NavigationController>(ui::ViewController::create());
        m_window->setRootViewController(nav);
        settle();
    }
    void TearDown() override {
        nav.reset();
        TurnTest::TearDown();
    }

    // A TXT book read in chunks, opened at its first one, the help sheet
    // already gone.
    std::shared_ptr<PageViewController> open(float fontSize = 18) {
        const std::string path = (m_home / "book.txt").string();
        std::ofstream(path, std::ios::binary)
            << test::bookOfSize(TxtFile::Encoding::Utf8, 3 * TxtFile::kPhoneBlockLength, false, true);
        TxtFile file;
        file.loadTxtFile(path);
        std::optional<std::u16string> chunk;
        file.getNextBlockContentWithStart(0, file.totalLength(), path, chunk);
        auto screen = PageViewController::create();
        screen->bookFormat = 3;
        screen->bookId = m_bookId;
        screen->contentTitle = "书";
        screen->filePath = path;
        screen->content = chunk.value_or(u"");
        screen->txtContentTotalLength = file.totalLength();
        screen->setPageManagerMaker([this] {
            auto mgr = std::make_unique<PageManager>([] { return std::make_unique<test::FixedAdvanceTypesetter>(); });
            mgr->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
            return mgr;
        });
        auto config = phoneConfig(0);
        config->setFontSize(fontSize);
        config->setScreenBrightness(100); // no shade over the page's colours
        config->setFullScreenRead(readFullScreen);
        screen->setRzConfig(config);
        nav->pushViewController(screen, false);
        settle();
        runPreloads();
        PageHelpMenu::hideMenu(*screen->pageMgr()->pageView(), {0, 0});
        return screen;
    }

    void openMenu(PageViewController& screen) {
        tap(screen.view()->convertPointToView(screen.view()->bounds().center(), nullptr));
        settle();
        ASSERT_EQ(screen.pageState(), 0x1);
    }

    void press(ui::View* control) {
        ASSERT_TRUE(control);
        tapView(control);
        settle();
        runPreloads();
    }

    gfx::Image keep(const std::string& name) {
        auto img = renderScreen();
        const auto dir = test::artifactsDir().parent_path() / "reader";
        std::filesystem::create_directories(dir);
        img.writePNG((dir / name).string());
        return img;
    }

    static bool near(gfx::Pixel p, const gfx::Color& c, int tolerance = 4) {
        auto close = [&](uint8_t v, double want) { return std::abs(v - want * 255) <= tolerance; };
        return close(p.r, c.r()) && close(p.g, c.g()) && close(p.b, c.b());
    }

    std::shared_ptr<ui::NavigationController> nav;
    bool readFullScreen = true;
};

TEST_F(ReaderMenusTest, TheMenuOpensAroundThePageOfALocalBook) {
    auto screen = open();
    const auto before = renderScreen();
    openMenu(*screen);
    auto& bottom = *screen->bottomMenu();
    EXPECT_FALSE(screen->topMenu()->isHidden());
    EXPECT_FALSE(bottom.isHidden());
    EXPECT_FALSE(screen->chapterMenu()->isHidden());
    EXPECT_EQ(screen->interactiveMenu(), nullptr); // site books only
    EXPECT_EQ(bottom.btnAddBookmark->currentTitle(), "加书签");
    EXPECT_EQ(screen->chapterMenu()->btnChaptersAndBookmark->currentTitle(), "书签目录");
    EXPECT_FALSE(bottom.btnUpdate->isEnabled());
    EXPECT_FALSE(bottom.btnNotifyUpdate->isEnabled());
    EXPECT_EQ(bottom.btnUpdate->alpha(), 0.5); // greyed out
    // A local book's buttons wear the pictures of what they do here: adding a
    // bookmark at once, and the contents with the bookmarks.
    auto wears = [](ui::Button& b, const char* name) {
        return b.backgroundImageForState(ui::ControlStateNormal).surface() == ui::BundleImage::named(name).surface();
    };
    EXPECT_TRUE(wears(*bottom.btnAddBookmark, "icon_addbookmark_2.png"));
    EXPECT_TRUE(wears(*screen->chapterMenu()->btnChaptersAndBookmark, "v2_icon_read_dir.png"));
    EXPECT_EQ(bottom.frame(), gfx::Rect(0, 420, 320, 60));
    EXPECT_EQ(screen->topMenu()->frame(), gfx::Rect(0, 20, 320, 44));

    // The bars darken the page's top (below the status bar) and foot; the
    // middle stays the page.
    const auto img = keep("menu.png");
    const gfx::Rect topBar(60, 22, 100, 40), footBar(0, 425, 320, 50);
    auto pale = [](gfx::Pixel p) { return p.r > 180 && p.g > 180 && p.b > 150; };
    for (const auto& r : {topBar, footBar}) {
        const double area = r.width() * r.height();
        EXPECT_GT(countPixels(before, r, pale), 0.3 * area); // the page's paper
        EXPECT_LT(countPixels(img, r, pale), 0.15 * area);   // the bar over it (and its captions)
    }
    int same = 0;
    for (int y = 150; y < 250; y += 5)
        for (int x = 100; x < 220; x += 5)
            same += img.pixelAt(x, y) == before.pixelAt(x, y);
    EXPECT_EQ(same, 24 * 20);

    tap({300, 300}); // a tap on the page closes it all
    settle();
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_TRUE(screen->topMenu()->isHidden());
    EXPECT_TRUE(bottom.isHidden());
}

// Where the reader and its top bar stand, reading full screen or not, with the
// menu closed and open, on a phone and a tablet: full screen the page keeps
// the whole window and the status bar shows over its top while the menu is
// open, the top bar just below it; otherwise both stand below the bar.
TEST_F(ReaderMenusTest, FramesFollowFullScreenReadingAndTheStatusBar) {
    auto& app = ui::Application::shared();
    for (const test::Idiom& size : test::kIdioms) {
        for (bool full : {true, false}) {
            SCOPED_TRACE(std::string(size.name) + (full ? " full screen" : " below the bar"));
            test::useIdiom(*m_window, size);
            app.setStatusBarHidden(false);
            settle();
            readFullScreen = full;
            auto screen = open();
            advance(1.0); // the bar shown at the opening has slid away
            const double top = full ? 0 : 20;
            const gfx::Rect view(0, top, size.w, size.h - top);
            const gfx::Rect topMenu(0, full ? 20 : 0, size.w, 44);
            auto inWindow = [&] { return screen->view()->convertRectToView(screen->view()->bounds(), nullptr); };
            struct Step {
                const char* what;
                bool menuOpen;
                bool barHidden;
            };
            for (const Step& step : {Step{"reading", false, full}, Step{"menu open", true, false},
                                     Step{"menu closed", false, full}}) {
                SCOPED_TRACE(step.what);
                if (step.menuOpen)
                    openMenu(*screen);
                else if (screen->pageState() != 0)
                    tap(screen->view()->convertPointToView({size.w - 10, size.h / 2}, nullptr));
                settle();
                EXPECT_EQ(screen->pageState(), step.menuOpen ? 0x1 : 0);
                EXPECT_EQ(app.isStatusBarHidden(), step.barHidden);
                EXPECT_EQ(inWindow(), view);
                EXPECT_EQ(screen->topMenu()->frame(), topMenu);
                EXPECT_EQ(screen->pageMgr()->rzConfig()->canvasSize(), view.size);
            }
            nav->popToRootViewControllerAnimated(false);
            settle();
        }
    }
}

// Screens pushed over a reader reading full screen stand below the status
// bar, the reader has the whole window again when back on top, and the
// screen below it gets its place below the bar back when the reader leaves.
TEST_F(ReaderMenusTest, ScreensAroundTheReaderKeepTheirPlaceBelowTheBar) {
    auto& app = ui::Application::shared();
    for (const test::Idiom& size : test::kIdioms) {
        SCOPED_TRACE(size.name);
        test::useIdiom(*m_window, size);
        app.setStatusBarHidden(false);
        settle();
        nav->setNavigationBarHidden(true, false); // as the shelf keeps it
        auto* shelf = nav->topViewController();
        auto inWindow = [](ui::ViewController& vc) {
            return vc.view()->convertRectToView(vc.view()->bounds(), nullptr);
        };
        const gfx::Rect belowBar(0, 20, size.w, size.h - 20), whole(0, 0, size.w, size.h);
        ASSERT_EQ(inWindow(*shelf), belowBar);
        auto screen = open();
        advance(1.0);
        openMenu(*screen);
        auto above = ui::ViewController::create();
        nav->pushViewController(above, true);
        settle();
        EXPECT_FALSE(app.isStatusBarHidden());
        EXPECT_EQ(inWindow(*above), belowBar);
        nav->popViewControllerAnimated(true);
        settle();
        EXPECT_EQ(inWindow(*screen), whole);
        advance(1.0);
        EXPECT_TRUE(app.isStatusBarHidden());
        EXPECT_EQ(inWindow(*screen), whole);
        EXPECT_EQ(screen->pageMgr()->rzConfig()->canvasSize(), whole.size);
        nav->popViewControllerAnimated(true);
        settle();
        EXPECT_FALSE(app.isStatusBarHidden());
        EXPECT_EQ(inWindow(*shelf), belowBar);
        EXPECT_EQ(nav->view()->frame(), belowBar);
    }
}

// The menu opened full screen shows the real status bar (its clock and
// battery) over the page's top 20 points; the page under it stays where it
// was, and once the menu closes the picture is the page again, bar and all.
TEST_F(ReaderMenusTest, TheStatusBarShowsOverThePageWhileTheMenuIsOpen) {
    auto& app = ui::Application::shared();
    app.setStatusBarStyle(ui::StatusBarStyle::BlackOpaque); // as the app runs
    for (const test::Idiom& size : test::kIdioms) {
        SCOPED_TRACE(size.name);
        test::useIdiom(*m_window, size);
        settle();
        auto screen = open();
        advance(1.0);
        const auto before = renderScreen();
        const gfx::Rect bar(0, 0, size.w, 20);
        auto white = [](gfx::Pixel p) { return p.r > 200 && p.g > 200 && p.b > 200; };
        auto black = [](gfx::Pixel p) { return p.r < 40 && p.g < 40 && p.b < 40; };
        EXPECT_EQ(countPixels(before, bar, black), 0); // the page's paper up to the top
        // The bar alone, as the centre tap brings it: nothing below it moves.
        app.setStatusBarHidden(false, true);
        settle();
        const auto barShown = renderScreen();
        int moved = 0;
        for (int y = 20; y < size.h; y += 3)
            for (int x = 0; x < size.w; x += 3)
                moved += barShown.pixelAt(x, y) != before.pixelAt(x, y);
        EXPECT_EQ(moved, 0);
        app.setStatusBarHidden(true);
        openMenu(*screen);
        const auto img = keep(std::string(size.name) + "-menu-status-bar.png");
        // Clock and battery in white on the black bar, not a flat band.
        EXPECT_GT(countPixels(img, bar, black), 0.6 * bar.width() * bar.height());
        EXPECT_GT(countPixels(img, {size.w / 2 - 30, 0, 60, 20}, white), 40);  // the clock
        EXPECT_GT(countPixels(img, {size.w - 40, 0, 40, 20}, white), 30);      // the battery
        tap(screen->view()->convertPointToView({size.w - 10, size.h / 2}, nullptr));
        settle();
        ASSERT_EQ(screen->pageState(), 0);
        const auto after = renderScreen();
        int stale = 0;
        for (int y = 0; y < size.h; y += 2)
            for (int x = 0; x < size.w; x += 2)
                stale += after.pixelAt(x, y) != before.pixelAt(x, y);
        EXPECT_EQ(stale, 0);
        nav->popToRootViewControllerAnimated(false);
        settle();
    }
}

// The panels the reader lays over its page hide the page where they stand:
// with the page taken away and the screen painted green behind them, not one
// pixel inside them changes. Checked on a phone and a tablet; the pictures
// are kept under <build>/artifacts/reader.
TEST_F(ReaderMenusTest, PanelsHideThePageBehindThem) {
    for (const test::Idiom& size : test::kIdioms) {
        test::useIdiom(*m_window, size);
        settle();
        auto screen = open();
        ASSERT_EQ(screen->view()->bounds().width(), size.w);
        auto changed = [&](const std::vector<const ui::View*>& panels, const std::string& picture) {
            const auto shown = keep(std::string(size.name) + "-" + picture);
            auto page = screen->pageMgr()->pageView();
            const gfx::Color was = screen->view()->backgroundColor();
            page->setHidden(true);
            screen->view()->setBackgroundColor(gfx::Color::fromRGB255(0, 255, 0));
            const auto bare = renderScreen();
            page->setHidden(false);
            screen->view()->setBackgroundColor(was);
            int n = 0;
            for (const ui::View* v : panels) {
                // Inside the rounded corners.
                const gfx::Rect r = v->convertRectToView(v->bounds(), nullptr).insetBy(4, 4);
                n += countPixels(shown, r, [](gfx::Pixel) { return true; }) - [&] {
                    int same = 0;
                    for (int y = int(r.y()); y < int(r.maxY()); ++y)
                        for (int x = int(r.x()); x < int(r.maxX()); ++x)
                            same += shown.pixelAt(x, y) == bare.pixelAt(x, y);
                    return same;
                }();
            }
            return n;
        };
        openMenu(*screen);
        auto& top = *screen->topMenu();
        EXPECT_EQ(changed({&top, screen->bottomMenu()}, "menu.png"), 0) << size.name;
        press(top.btnSettingTop.get());
        ASSERT_TRUE(top.isOpen());
        EXPECT_EQ(changed({&top}, "settings.png"), 0) << size.name;
        tap({size.w - 20, size.h - 100});
        settle();
        openMenu(*screen);
        press(screen->bottomMenu()->btnJump.get());
        EXPECT_EQ(changed({screen->sliderMenu()}, "percent-box.png"), 0) << size.name;
        nav->popViewControllerAnimated(false);
        settle();
    }
}

TEST_F(ReaderMenusTest, TheSettingsPanelChangesFontSizeAndTurnType) {
    auto screen = open(41);
    openMenu(*screen);
    auto& top = *screen->topMenu();
    press(top.btnSettingTop.get());
    EXPECT_EQ(top.frame().height(), 280);
    EXPECT_TRUE(screen->bottomMenu()->isHidden()); // on a phone the open panel stands alone
    EXPECT_TRUE(screen->chapterMenu()->isHidden());
    const auto img = keep("settings.png");
    auto dark = [](gfx::Pixel p) { return p.r < 90 && p.g < 90 && p.b < 90; };
    EXPECT_GT(countPixels(img, {0, 100, 320, 150}, dark), 0.5 * 320 * 150);

    const auto* pageBefore = screen->pageMgr()->currPage().get();
    press(top.btnFontSizeIncrease.get());
    EXPECT_EQ(screen->pageMgr()->rzConfig()->fontSize(), 42);
    EXPECT_NE(screen->pageMgr()->currPage().get(), pageBefore); // laid out again
    EXPECT_FALSE(top.btnFontSizeIncrease->isEnabled());
    EXPECT_EQ(top.btnFontSizeIncrease->alpha(), 0.5);
    EXPECT_TRUE(top.btnFontSizeDecrease->isEnabled());
    press(top.btnFontSizeIncrease.get()); // disabled: nothing
    EXPECT_EQ(screen->pageMgr()->rzConfig()->fontSize(), 42);
    press(top.btnFontSizeDecrease.get());
    EXPECT_EQ(screen->pageMgr()->rzConfig()->fontSize(), 41);
    EXPECT_EQ(screen->pageState(), 0x1); // the menu stays open while the size changes

    // Folding shut brings the bottom bar back.
    press(top.btnSettingTop.get());
    EXPECT_EQ(top.frame().height(), 44);
    EXPECT_FALSE(screen->bottomMenu()->isHidden());

    press(top.btnSettingTop.get());
    press(top.turningButtons[2].get());
    EXPECT_EQ(screen->pageMgr()->rzConfig()->pageTurningType(), 2);
    EXPECT_TRUE(dynamic_cast<DragView*>(screen->pageMgr()->pageView().get()));
    EXPECT_EQ(screen->pageState(), 0);
    EXPECT_TRUE(top.isHidden());
    EXPECT_EQ(top.frame().height(), 44); // closed shut

    // Reopening marks the stored style and restores the limits from the size.
    openMenu(*screen);
    EXPECT_TRUE(top.btnFontSizeIncrease->isEnabled());
    press(top.btnSettingTop.get());
    EXPECT_TRUE(top.turningButtons[2]->isSelected());
}

TEST_F(ReaderMenusTest, TheColourBoxPreviewsConfirmsAndCancels) {
    auto screen = open();
    auto& config = *screen->pageMgr()->rzConfig();
    const gfx::Color original = config.getPageBackgroundColor();
    const gfx::Point margin(3, 300); // left of the text, inside the page

    openMenu(*screen);
    press(screen->topMenu()->btnSettingTop.get());
    press(screen->topMenu()->btnBackgroundColorPicker.get());
    EXPECT_EQ(screen->pageState(), 0x2800);
    auto* box = screen->colorBox();
    ASSERT_TRUE(box);
    keep("colour_picker.png");

    // A touch in the grid previews that colour on the page.
    auto* picker = box->cPicker.get();
    const auto areas = colorPickerAreas(picker->bounds());
    const gfx::Point inGrid(areas.left.x() + areas.left.width() * 0.6, areas.left.y() + areas.left.height() * 0.9);
    const auto touch = colorPickerTouch(areas, inGrid, 0.6);
    ASSERT_TRUE(touch && !touch->fromStrip);
    const gfx::Color picked = gfx::Color::fromHSB(touch->hsb);
    // The picker follows a drag; where it ends is the colour.
    const gfx::Point onScreen = picker->convertPointToView(inGrid, nullptr);
    drag({onScreen.x - 15, onScreen.y}, onScreen);
    settle();
    // The box covers the top; the page shows below it.
    EXPECT_TRUE(near(renderScreen().pixelAt(static_cast<int>(margin.x), static_cast<int>(margin.y)), picked));
    press(box->btnConfirm.get());
    settle();
    EXPECT_EQ(screen->colorBox(), nullptr); // a box is used once
    EXPECT_TRUE(near(keep("colour_confirmed.png").pixelAt(3, 300), picked));
    EXPECT_TRUE(near(renderScreen().pixelAt(3, 300), config.getPageBackgroundColor()));

    // Cancel puts back what was there when the box opened.
    tap({300, 300}); // the colour state closes the whole menu first
    settle();
    EXPECT_EQ(screen->pageState(), 0);
    openMenu(*screen);
    press(screen->topMenu()->btnSettingTop.get());
    press(screen->topMenu()->btnBackgroundColorPicker.get());
    const gfx::Point corner =
        screen->colorBox()->cPicker->convertPointToView({areas.left.x() + 20, areas.left.y() + 3}, nullptr);
    drag({corner.x - 15, corner.y}, corner);
    settle();
    EXPECT_FALSE(near(renderScreen().pixelAt(3, 300), picked));
    press(screen->colorBox()->btnCancel.get());
    settle();
    EXPECT_TRUE(near(renderScreen().pixelAt(3, 300), picked));
}

// The box pushes in from the left and out to the right in 0.1 s, leaves its
// superview when out, and answers one confirm or cancel only.
TEST_F(ReaderMenusTest, TheColourBoxSlidesInAndOutAndAnswersOnce) {
    struct Answers : ColorPickerBoxDelegate {
        std::vector<std::string> calls;
        void colorPicking(const gfx::Color&) override {}
        void colorPickCancel(const gfx::Color&, const gfx::Color&, bool, int) override { calls.push_back("cancel"); }
        void colorPickConfirm(const gfx::Color&) override { calls.push_back("confirm"); }
    };
    auto answers = std::make_shared<Answers>();
    auto box = ColorPickerBoxView::create({0, 0, 320, 480});
    box->setup(answers, gfx::Color::white(), gfx::Color::black(), false, 0);
    m_window->addSubview(box);
    box->genAndShow({0, 0, 320, 270});
    auto slide = [&] { return std::dynamic_pointer_cast<ui::Transition>(box->layer()->animationForKey("slide")); };
    ASSERT_TRUE(slide());
    EXPECT_EQ(slide()->type, ui::TransitionType::Push);
    EXPECT_EQ(slide()->subtype, ui::TransitionSubtype::FromLeft);
    EXPECT_EQ(slide()->duration, 0.1);
    settle();
    box->cPicker->handleViewPan({100, 100});
    box->btnConfirm->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    ASSERT_TRUE(slide());
    EXPECT_EQ(slide()->subtype, ui::TransitionSubtype::FromRight);
    EXPECT_EQ(slide()->duration, 0.1);
    box->btnConfirm->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    box->btnCancel->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(answers->calls, std::vector<std::string>{"confirm"});
    EXPECT_EQ(box->superview(), m_window.get()) << "still sliding out";
    advance(0.15);
    settle();
    EXPECT_EQ(box->superview(), nullptr);
}

TEST_F(ReaderMenusTest, ColourCommandsDoNothingAtNight) {
    auto screen = open();
    auto& config = *screen->pageMgr()->rzConfig();
    config.setLightOn(false);
    const auto before = config.getPageBackgroundColor();
    screen->genBoxMenuAndShow(0x2000);
    screen->colorPickConfirm(gfx::Color::red());
    screen->pickedPresetBackgroundColor(gfx::Color::blue(), gfx::Color::white());
    EXPECT_EQ(config.getPageBackgroundColor(), before);
}

TEST_F(ReaderMenusTest, ThePercentPanelJumps) {
    auto screen = open();
    openMenu(*screen);
    press(screen->bottomMenu()->btnJump.get());
    EXPECT_EQ(screen->pageState(), 0x12);
    auto& panel = *screen->sliderMenu();
    EXPECT_FALSE(panel.isHidden());
    EXPECT_EQ(panel.frame().height(), 89); // a TXT book has no chapter buttons
    EXPECT_EQ(panel.btnNextChapter, nullptr);
    EXPECT_EQ(panel.lblTitle->text(), "全文跳转：0%");
    // The box's face is stretched between its corners: they stay round (the
    // page shows at the very corner) while the inside is dark.
    const auto img = keep("percent.png");
    const gfx::Rect f = panel.frame();
    EXPECT_GT(img.pixelAt(int(f.x()), int(f.y())).r, 150);
    EXPECT_LT(img.pixelAt(int(f.x()) + 2, int(f.maxY()) - 8).r, 90);
    panel.slider->setValue(100);
    press(panel.btnIncrease.get()); // clamps at 100 and jumps there
    EXPECT_EQ(panel.slider->value(), 100);
    EXPECT_EQ(panel.lblTitle->text(), "全文跳转：100%");
    EXPECT_TRUE(screen->pageMgr()->isLastPage());
    press(panel.btnDecrease.get());
    EXPECT_EQ(panel.lblTitle->text(), "全文跳转：99%");
    EXPECT_EQ(panel.slider->value(), 99);
    tap({300, 250});
    settle();
    EXPECT_TRUE(panel.isHidden());
    EXPECT_EQ(screen->pageState(), 0);
}

// The settings screen another part builds comes with the reader's "完成",
// which returns to the page with what it changed.
TEST_F(ReaderMenusTest, TheSettingsScreenReturnsThroughDone) {
    std::shared_ptr<RZConfig> seen;
    PageViewController::setSettingsScreenMaker([&](PageViewController& reader) {
        seen = reader.pageMgr()->rzConfig();
        return ui::ViewController::create();
    });
    auto screen = open();
    openMenu(*screen);
    press(screen->bottomMenu()->btnMoreSettings.get());
    ASSERT_EQ(nav->viewControllers().size(), 3u);
    auto* settings = nav->topViewController();
    EXPECT_EQ(settings->title(), "设置面板");
    EXPECT_EQ(seen, screen->pageMgr()->rzConfig());
    seen->setPageTurningType(2); // what the settings screen changed
    ASSERT_TRUE(settings->navigationItem().rightBarButtonItem);
    EXPECT_EQ(settings->navigationItem().rightBarButtonItem->title, "完成");
    settings->navigationItem().rightBarButtonItem->action();
    settle();
    EXPECT_EQ(nav->topViewController(), screen.get());
    EXPECT_TRUE(nav->isNavigationBarHidden());
    EXPECT_TRUE(dynamic_cast<DragView*>(screen->pageMgr()->pageView().get()));
    PageViewController::setSettingsScreenMaker({});
}

// The top bar on its own: the turn-style row's marks and scroll targets, the
// font-size limits and the fold.
TEST_F(ReaderMenusTest, TopMenuShowsItsState) {
    auto menu = PageTopMenu::create({0, 20, 320, 44});
    m_window->addSubview(menu);
    menu->genMenuAndShow();
    settle();
    ASSERT_EQ(menu->scrollTurningStyle->bounds().width(), 235);
    struct Case {
        int style;
        std::optional<int> marked;
        double offset;
    };
    // Style 5 scrolls to the end of the content (290), not 294; 6 has no button.
    for (const Case& c : {Case{1, 1, 0}, Case{3, 3, 176}, Case{5, 5, 290}, Case{6, std::nullopt, 0}}) {
        menu->scrollTurningStyle->setContentOffset({100, 0});
        menu->setCurrentPageTurningStyle(c.style);
        menu->scrollToCurrentPageTurning();
        settle();
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(menu->turningButtons[i]->isSelected(), c.marked == i) << c.style << " " << i;
        EXPECT_EQ(menu->scrollTurningStyle->contentOffset().x, c.offset) << c.style;
    }
    struct Size {
        float points;
        bool decrease, increase;
    };
    for (const Size& c : {Size{12.9f, false, true}, Size{20, true, true}, Size{42, true, false}}) {
        readermenu::setUsable(*menu->btnFontSizeDecrease, true);
        readermenu::setUsable(*menu->btnFontSizeIncrease, true);
        menu->setBtnFontSize(c.points);
        EXPECT_EQ(menu->btnFontSizeDecrease->isEnabled(), c.decrease) << c.points;
        EXPECT_EQ(menu->btnFontSizeIncrease->isEnabled(), c.increase) << c.points;
    }
    menu->showMoreSetting();
    settle();
    EXPECT_TRUE(menu->isOpen());
    menu->showScrollSpeedView();
    settle();
    EXPECT_FALSE(menu->scrollSpeedView->isHidden());
    menu->showMoreSetting(); // shut again: the speed buttons give way to the auto-scroll button
    settle();
    EXPECT_FALSE(menu->isOpen());
    EXPECT_TRUE(menu->scrollSpeedView->isHidden());
    EXPECT_FALSE(menu->btnAutoScroll->isHidden());
    menu->removeFromSuperview();
}

// Each opening pushes the configuration into the top menu, which keeps it.
TEST_F(ReaderMenusTest, TopMenuKeepsTheStatePushedAtEachOpening) {
    auto screen = open(23);
    auto& config = *screen->pageMgr()->rzConfig();
    struct Case {
        bool lightOn, rotateLock, fullScreen;
        int brightness;
    };
    for (const Case& c : {Case{false, true, false, 40}, Case{true, false, true, 100}}) {
        config.setLightOn(c.lightOn);
        config.setRotateLock(c.rotateLock);
        config.setFullScreenRead(c.fullScreen);
        config.setScreenBrightness(c.brightness);
        openMenu(*screen);
        const auto& top = *screen->topMenu();
        EXPECT_EQ(top.lightOn(), c.lightOn);
        EXPECT_EQ(top.rotateLock(), c.rotateLock);
        EXPECT_EQ(top.fullScreen(), c.fullScreen);
        EXPECT_EQ(top.currentBrightness(), c.brightness);
        EXPECT_EQ(top.btnFontSize(), 23);
        EXPECT_EQ(top.btnTopLight->currentTitle(), c.lightOn ? "关灯" : "开灯");
        screen->closeReadPageMenu();
    }
}

// The auto-scroll button turns away (0.2 s, from the right) before the speeds
// turn in the same way; putting them away meanwhile leaves the button shown.
TEST_F(ReaderMenusTest, SpeedButtonsTurnInAfterTheAutoScrollButton) {
    auto menu = PageTopMenu::create({0, 20, 320, 44});
    m_window->addSubview(menu);
    menu->genMenuAndShow();
    menu->showMoreSetting();
    settle();
    auto flipOf = [](ui::View& v) {
        return std::dynamic_pointer_cast<ui::Transition>(v.layer()->animationForKey("speedSwap"));
    };
    menu->showScrollSpeedView();
    auto first = flipOf(*menu->btnAutoScroll);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, ui::TransitionType::Flip);
    EXPECT_EQ(first->subtype, ui::TransitionSubtype::FromRight);
    EXPECT_EQ(first->duration, 0.2);
    EXPECT_EQ(first->timing, ui::TimingFunction::EaseInOut);
    EXPECT_TRUE(menu->btnAutoScroll->isHidden());
    EXPECT_TRUE(menu->scrollSpeedView->isHidden());
    advance(0.1);
    EXPECT_TRUE(menu->scrollSpeedView->isHidden()) << "not before the button is gone";
    advance(0.15);
    EXPECT_FALSE(menu->scrollSpeedView->isHidden());
    auto second = flipOf(*menu->scrollSpeedView);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->subtype, ui::TransitionSubtype::FromRight);
    settle();

    menu->hideScrollSpeedView();
    menu->showScrollSpeedView();
    advance(0.1);
    menu->hideScrollSpeedView();
    advance(0.5);
    settle();
    EXPECT_FALSE(menu->btnAutoScroll->isHidden());
    EXPECT_TRUE(menu->scrollSpeedView->isHidden());
    menu->removeFromSuperview();
}

// The buttons of the reading menu by tag: the state each leaves, the tip it
// shows and what it changes.
TEST_F(ReaderMenusTest, ButtonCommands) {
    auto screen = open();
    auto& config = *screen->pageMgr()->rzConfig();
    struct Case {
        const char* name;
        int tag;
        int state;
        const char* tip;
        std::function<bool()> changed;
    };
    const Case cases[] = {
        {"add bookmark", 10001, 0, "",
         [&] {
             const auto marks = BookmarkTB::getAllBookmarkByBookId(m_bookId);
             return marks && marks->size() == 1;
         }},
        {"rotation lock", 18019, 0, "已锁定旋转", [&] { return config.rotateLock(); }},
        {"rotation unlock", 18019, 0, "锁定旋转已取消", [&] { return !config.rotateLock(); }},
        {"night", 18018, 0x1, "",
         [&] { return !config.lightOn() && screen->topMenu()->btnTopLight->currentTitle() == "开灯"; }},
        {"day", 18018, 0x1, "", [&] { return config.lightOn(); }},
        {"download choices", 10005, 0x20, "",
         [&] {
             return screen->bottomSubMenu()->btnFirst->currentTitle() == "重下本章" &&
                    !screen->bottomSubMenu()->isHidden();
         }},
        {"full screen off", 10073, 0, "", [&] { return !config.fullScreenRead(); }},
        {"full screen on", 10073, 0, "", [&] { return config.fullScreenRead(); }},
    };
    for (const auto& c : cases) {
        screen->closeReadPageMenu();
        screen->hideBottomSubMenu();
        screen->showReadPageMenu();
        const size_t tips = screen->tips().size();
        screen->handleBtnChoose(c.tag);
        settle();
        EXPECT_EQ(screen->pageState(), c.state) << c.name;
        EXPECT_EQ(screen->tips().size() > tips ? screen->tips().back() : "", c.tip) << c.name;
        EXPECT_TRUE(c.changed()) << c.name;
    }
    // Menus built and used keep nothing of the screen alive once it is gone.
    screen->goToMainView();
    settle();
    std::weak_ptr<PageViewController> weak = screen;
    screen.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(ReaderMenusTest, TheHelpSheetStaysAwayOnceToldSo) {
    auto screen = open();
    auto& page = *screen->pageMgr()->pageView();
    PageHelpMenu::genMenuAndShow(page, false);
    auto* sheet = dynamic_cast<PageHelpMenu*>(page.viewWithTag(kPageHelpMenuTag));
    ASSERT_TRUE(sheet);
    settle();
    keep("help.png");
    PageHelpMenu::genMenuAndShow(page, false); // one at a time
    int sheets = 0;
    for (const auto& v : page.subviews())
        sheets += v->tag() == kPageHelpMenuTag;
    EXPECT_EQ(sheets, 1);
    const gfx::Rect noTips = sheet->noTips();
    ASSERT_FALSE(noTips.isEmpty()); // drawn
    tap(page.convertPointToView(noTips.center(), nullptr));
    settle();
    EXPECT_FALSE(page.viewWithTag(kPageHelpMenuTag));
    EXPECT_EQ(SettingTB::readSettingWithKey(PageHelpMenu::kSettingKey), "off");
    nav->popViewControllerAnimated(false);
    settle();
    auto again = open();
    EXPECT_FALSE(again->pageMgr()->pageView()->viewWithTag(kPageHelpMenuTag));
}

} // namespace
} // namespace pw
