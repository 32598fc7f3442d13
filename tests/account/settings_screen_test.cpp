// The settings screen and its choice lists: what each switch writes, the
// value rows and the row their list marks, choosing, reset, the cache, the
// user row.
#include "account/SettingsTest.h"

#include "account/AboutPagewellViewController.h"
#include "account/RZSettingController.h"
#include "account/RZSettingTableController.h"
#include "foundation/config/RZConfig.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableViewCell.h"
#include "account/ZELLoginViewController.h"

#include <fstream>
#include <functional>

namespace pw::test {
namespace {

using ui::IndexPath;

class SettingsTest : public SettingsScreenTest {
protected:
    std::shared_ptr<RZSettingController> open() {
        auto screen = RZSettingController::create();
        push(screen);
        return screen;
    }
    static std::shared_ptr<RZConfig> stored() { return RZConfig::getRZConfig(1); }
};

TEST_F(SettingsTest, SwitchesWriteTheirValueAndSaveIt) {
    struct Case {
        IndexPath row;
        int tag;
        bool on;
        std::function<bool(const RZConfig&)> written;
        const char* setting;  // the settings-table key the switch writes, if any
        const char* expected; // and its value
        bool closesNoticeBar;
    };
    const auto none = [](const RZConfig&) { return true; };
    const std::vector<Case> cases = {
        {{1, 0}, 0, false, [](const RZConfig& c) { return !c.idleTimerDisabled(); }, nullptr, nullptr, false},
        {{1, 0}, 0, true, [](const RZConfig& c) { return c.idleTimerDisabled(); }, nullptr, nullptr, false},
        {{1, 1}, 1, true, [](const RZConfig& c) { return c.convertToBig5(); }, nullptr, nullptr, false},
        {{1, 2}, 2, false, [](const RZConfig& c) { return !c.fullScreenRead(); }, nullptr, nullptr, false},
        {{1, 3}, 3, true, [](const RZConfig& c) { return c.rotateLock(); }, nullptr, nullptr, false},
        {{1, 4}, 4, true, [](const RZConfig& c) { return !c.lightOn(); }, nullptr, nullptr, false},
        {{1, 4}, 4, false, [](const RZConfig& c) { return c.lightOn(); }, nullptr, nullptr, false},
        {{2, 3}, 21, true, none, "k_MainViewNotifyView", "off", true},
        {{2, 3}, 21, false, none, "k_MainViewNotifyView", "on", false},
        {{2, 4}, 22, true, none, "k_SupportRotate", "off", false},
        {{2, 4}, 22, false, none, "k_SupportRotate", "on", false},
    };
    auto screen = open();
    auto& table = *screen->table();
    // A fresh configuration: awake and full screen on, the rest off.
    EXPECT_TRUE(controlOf<ui::Switch>(table, {1, 0})->isOn());
    EXPECT_FALSE(controlOf<ui::Switch>(table, {1, 1})->isOn());
    EXPECT_TRUE(controlOf<ui::Switch>(table, {1, 2})->isOn());
    EXPECT_FALSE(controlOf<ui::Switch>(table, {1, 4})->isOn());
    EXPECT_FALSE(controlOf<ui::Switch>(table, {2, 3})->isOn());
    EXPECT_TRUE(controlOf<ui::Switch>(table, {2, 4})->isOn()); // rotation not allowed

    std::vector<std::string> events;
    auto token = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_CloseMainViewNotify", [&](const core::Notification&) {
            // The bar closes before the setting says so.
            events.push_back("close:" + SettingTB::readSettingWithKey("k_MainViewNotifyView").value_or("-"));
        });
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tag " << c.tag << (c.on ? " on" : " off"));
        events.clear();
        auto* sw = controlOf<ui::Switch>(table, c.row);
        ASSERT_NE(sw, nullptr);
        EXPECT_EQ(sw->tag(), c.tag);
        sw->setOn(c.on);
        sw->sendActionsForControlEvents(ui::ControlEventValueChanged);
        EXPECT_TRUE(c.written(*screen->rzConfig()));
        EXPECT_TRUE(c.written(*stored())) << "saved at once";
        if (c.setting)
            EXPECT_EQ(SettingTB::readSettingWithKey(c.setting).value_or(""), c.expected);
        EXPECT_EQ(events, c.closesNoticeBar ? std::vector<std::string>{"close:-"} : std::vector<std::string>{});
        if (c.tag == 0)
            EXPECT_EQ(ui::Application::shared().isIdleTimerDisabled(), c.on);
        if (c.tag == 21)
            EXPECT_EQ(screen->mainViewNofityOn(), !c.on);
        if (c.tag == 22)
            EXPECT_EQ(m_app->supportRotate(), !c.on);
        // Written once more from an "off" setting: the next close posts again.
        if (c.tag == 21 && c.on)
            SettingTB::deleteSettingWithKey("k_MainViewNotifyView");
    }
    // The screen turns only while rotation is allowed.
    EXPECT_TRUE(screen->shouldAutorotateToInterfaceOrientation(device::Orientation::LandscapeLeft));
    m_app->setSupportRotate(false);
    EXPECT_FALSE(screen->shouldAutorotateToInterfaceOrientation(device::Orientation::LandscapeLeft));

    // The slider keeps the whole part of its value.
    auto* slider = controlOf<ui::Slider>(table, {1, 9});
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), 90);
    slider->setValue(42.7f);
    slider->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_EQ(stored()->screenBrightness(), 42);
}

TEST_F(SettingsTest, ValueRowsShowTheConfigurationAndTheirListMarksItsRow) {
    struct Case {
        std::function<void(RZConfig&)> set;
        int list;
        int64_t row; // of the settings screen, section 1
        std::string shown;
        std::optional<int64_t> marked;
    };
    const std::vector<Case> cases = {
        {[](RZConfig& c) { c.setFontSize(20); }, 0, 5, "20 号", 8},
        {[](RZConfig& c) { c.setFontSize(12); }, 0, 5, "12 号", 0},
        {[](RZConfig& c) { c.setFontSize(42); }, 0, 5, "42 号", 30},
        {[](RZConfig& c) { c.setFontSize(50); }, 0, 5, "50 号", std::nullopt},
        {[](RZConfig& c) { c.setPageTurningType(3); }, 1, 6, "左右滑动", 3},
        {[](RZConfig& c) { c.setPageTurningType(0); }, 1, 6, "无翻页效果", 0},
        {[](RZConfig& c) { c.setPageTurningType(6); }, 1, 6, "", std::nullopt},
        {[](RZConfig& c) { c.setAutoScrollSpeed(2); }, 2, 7, "慢速", 2},
        {[](RZConfig& c) { c.setUseBackgroundImage(false); }, 3, 8, "未指定", std::nullopt},
        {[](RZConfig& c) { c.setUseBackgroundImage(true), c.setBackgroundImageTag(15003); }, 3, 8, "黑色水滴", 2},
        {[](RZConfig& c) { c.setUseBackgroundImage(true), c.setBackgroundImageTag(15006); }, 3, 8, "西方花纹", 5},
        {[](RZConfig& c) { c.setUseBackgroundImage(true), c.setBackgroundImageTag(0); }, 3, 8, "未指定", std::nullopt},
        {[](RZConfig& c) { c.setLineSpace(1.5f); }, 4, 10, "1.5 倍", 0},
        {[](RZConfig& c) { c.setLineSpace(1.75f); }, 4, 10, "1.8 倍", 1},
        {[](RZConfig& c) { c.setLineSpace(1.8f); }, 4, 10, "1.8 倍", 1},
        {[](RZConfig& c) { c.setLineSpace(2.0f); }, 4, 10, "2.0 倍", 2},
        {[](RZConfig& c) { c.setLineSpace(2.2f); }, 4, 10, "2.2 倍", 3},
        {[](RZConfig& c) { c.setLineSpace(2.5f); }, 4, 10, "2.5 倍", 3},
    };
    auto screen = open();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "list " << c.list << " shows " << c.shown);
        c.set(*screen->rzConfig());
        EXPECT_EQ(screen->valueText({1, c.row}), c.shown);
        EXPECT_EQ(RZSettingController::markedRow(c.list, *screen->rzConfig()), c.marked);
        // The pushed list carries the same mark.
        screen->didSelectRow(*screen->table(), {1, c.row});
        settle();
        auto* list = dynamic_cast<RZSettingTableController*>(m_nav->topViewController());
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->setType(), c.list);
        EXPECT_EQ(list->lstIndexPath(), c.marked ? std::optional<IndexPath>(IndexPath{0, *c.marked}) : std::nullopt);
        EXPECT_EQ(list->arrMenuTitles().size(), list->arrMenuValues().size());
        m_nav->popViewControllerAnimated(false);
        settle();
    }
    // The row shows the value the screen reads.
    auto& table = *screen->table();
    table.reloadData();
    table.scrollToRow({1, 10}, ui::TableViewScrollPosition::Middle, false);
    table.layoutIfNeeded();
    ASSERT_NE(table.cellForRow({1, 10}), nullptr);
    EXPECT_NE(labelsOf(*table.cellForRow({1, 10})).find("行间距|2.5 倍|"), std::string::npos);
}

TEST_F(SettingsTest, ChoosingARowMovesTheMarkAppliesTheValueAndSavesIt) {
    auto screen = open();
    screen->rzConfig()->setUseBackgroundImage(false);
    // The theme list opens unmarked and does not scroll.
    screen->didSelectRow(*screen->table(), {1, 8});
    settle();
    auto list = std::dynamic_pointer_cast<RZSettingTableController>(m_nav->viewControllers().back());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->title(), "主题样式");
    EXPECT_EQ(list->rzConfig(), screen->rzConfig()) << "the very object the screen uses";
    advance(0.5);
    EXPECT_EQ(list->table()->contentOffset().y, 0);
    auto& table = *list->table();
    table.layoutIfNeeded();
    for (auto* cell : table.visibleCells())
        EXPECT_EQ(cell->accessoryType, ui::TableViewCellAccessory::None);
    list->didSelectRow(table, {0, 2});
    settle();
    EXPECT_EQ(table.cellForRow({0, 2})->accessoryType, ui::TableViewCellAccessory::Checkmark);
    EXPECT_TRUE(stored()->useBackgroundImage());
    EXPECT_EQ(stored()->backgroundImageTag(), 15003);
    keepScreenshot("settings_theme_list");
    // Choosing it again keeps the mark; another row takes it.
    list->didSelectRow(table, {0, 2});
    EXPECT_EQ(table.cellForRow({0, 2})->accessoryType, ui::TableViewCellAccessory::Checkmark);
    list->didSelectRow(table, {0, 0});
    EXPECT_EQ(table.cellForRow({0, 2})->accessoryType, ui::TableViewCellAccessory::None);
    EXPECT_EQ(table.cellForRow({0, 0})->accessoryType, ui::TableViewCellAccessory::Checkmark);
    EXPECT_EQ(stored()->backgroundImageTag(), 15001);
    m_nav->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(screen->valueText({1, 8}), "羊皮卷") << "the screen shows the new value when it is back";

    // Each list applies its own kind of value.
    struct Case {
        int64_t row;
        int64_t choose;
        std::function<bool(const RZConfig&)> applied;
    };
    const std::vector<Case> cases = {
        {5, 10, [](const RZConfig& c) { return c.fontSize() == 22 && c.getReadingFont().size() == 22; }},
        {6, 4, [](const RZConfig& c) { return c.pageTurningType() == 4; }},
        {7, 0, [](const RZConfig& c) { return c.autoScrollSpeed() == 0; }},
        {10, 3, [](const RZConfig& c) { return c.lineSpace() == 2.5f; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        screen->didSelectRow(*screen->table(), {1, c.row});
        settle();
        auto l = std::dynamic_pointer_cast<RZSettingTableController>(m_nav->viewControllers().back());
        ASSERT_TRUE(l);
        l->table()->layoutIfNeeded();
        if (c.row == 5) {
            // The marked size (20, row 8) has been scrolled to the middle.
            const gfx::Rect marked = l->table()->rectForRow({0, 8});
            EXPECT_NEAR(marked.midY() - l->table()->contentOffset().y, l->table()->bounds().height() / 2, 1);
        }
        l->didSelectRow(*l->table(), {0, c.choose});
        EXPECT_EQ(l->lstIndexPath(), (IndexPath{0, c.choose}));
        EXPECT_TRUE(c.applied(*screen->rzConfig()));
        EXPECT_TRUE(c.applied(*stored()));
        m_nav->popViewControllerAnimated(false);
        settle();
    }
}

TEST_F(SettingsTest, ResetRestoresTheReadingDefaultsAndSavesThem) {
    auto screen = open();
    auto& c = *screen->rzConfig();
    c.setReadingFont(30);
    c.setLineSpace(2.5f);
    c.setPageTurningType(1);
    c.setAutoScrollSpeed(2);
    c.saveConfig();
    ui::Application::shared().setIdleTimerDisabled(false);
    screen->didSelectRow(*screen->table(), {1, 11});
    ASSERT_TRUE(screen->alert());
    EXPECT_EQ(screen->alert()->title(), "提示");
    EXPECT_EQ(screen->alert()->message(), "阅读设置已重置");
    EXPECT_EQ(screen->alert()->buttonTitleAtIndex(0), "知道了");
    EXPECT_EQ(stored()->fontSize(), 20);
    EXPECT_EQ(stored()->autoScrollSpeed(), 2) << "reset leaves the scroll speed";
    EXPECT_FALSE(ui::Application::shared().isIdleTimerDisabled()) << "reset leaves the idle timer";
    EXPECT_EQ(RZSettingController::markedRow(0, c), 8);
    EXPECT_EQ(RZSettingController::markedRow(4, c), 0);
    EXPECT_EQ(screen->valueText({1, 5}), "20 号");
    keepScreenshot("settings_reset_alert");
}

TEST_F(SettingsTest, TheUserRowFollowsTheLogin) {
    auto screen = open();
    auto& table = *screen->table();
    EXPECT_EQ(screen->arrMenuTitle(), (std::vector<std::string>{"用户信息", "阅读设置", "一般设置", "墨川读书"}));
    EXPECT_EQ(table.numberOfRows(1), 12);
    EXPECT_EQ(table.numberOfRows(2), 5);
    EXPECT_EQ(table.numberOfRows(3), 3);
    EXPECT_EQ(screen->userInfo(), std::vector<std::string>{"尚未登录，点击登录"});
    EXPECT_EQ(table.rectForRow({0, 0}).height(), 42);
    keepScreenshot("settings_logged_out");

    SettingTB::saveSettingWithKey("user_nickName", "读书人");
    screen->viewWillAppear(false);
    EXPECT_TRUE(screen->hasLogin());
    EXPECT_EQ(screen->userInfo(), std::vector<std::string>{"读书人"});
    EXPECT_EQ(table.rectForRow({0, 0}).height(), 60);
    table.layoutIfNeeded();
    const std::string shown = labelsOf(*table.cellForRow({0, 0}));
    EXPECT_NE(shown.find("读书人|切换登录用户|"), std::string::npos) << shown;
    keepScreenshot("settings_logged_in");

    screen->didSelectRow(table, {0, 0});
    settle();
    auto* login = dynamic_cast<ZELLoginViewController*>(m_nav->topViewController());
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->disableAutoLogin());
    EXPECT_TRUE(login->hidesBottomBarWhenPushed);
}

TEST_F(SettingsTest, ClearingTheCacheEmptiesTheStoreFolderAndSaysSo) {
    const auto cache = AppPaths::storeCache();
    std::filesystem::create_directories(cache / "sub");
    std::ofstream(cache / "sub" / "cover.jpg") << "x";
    auto screen = open();
    screen->didSelectRow(*screen->table(), {2, 2});
    ASSERT_TRUE(screen->alert());
    EXPECT_EQ(screen->alert()->message(), "清除书库缓存成功");
    EXPECT_TRUE(std::filesystem::is_directory(cache));
    EXPECT_TRUE(std::filesystem::is_empty(cache));
}

} // namespace
} // namespace pw::test

namespace pw::test {
namespace {

TEST_F(SettingsTest, TheAboutPageStacksItsTextsAndOpensTheAgreement) {
    auto about = AboutPagewellViewController::create();
    push(about);
    EXPECT_EQ(about->title(), "关于");
    const auto& labels = about->labels();
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(labels[1]->text(), "墨川读书iPhone/iPad版");
    EXPECT_EQ(labels[2]->text(), "版本：1.4.0beta");
    EXPECT_NE(labels[4]->text().find("4.0"), std::string::npos) << "the disclaimer names the system version";
    // On a phone every item sits directly below the one before.
    for (size_t i = 1; i < labels.size(); ++i)
        EXPECT_EQ(labels[i]->frame().y(), labels[i - 1]->frame().maxY()) << i;
    EXPECT_EQ(about->allHeight(), labels.back()->frame().maxY() + 1);
    EXPECT_EQ(about->scrollview()->contentSize().height, about->allHeight());
    const gfx::Image shot = keepScreenshot("about");
    EXPECT_GT(pixelsOf(shot, *find<ui::ImageView>(*about->scrollview()), isBlue), 1000) << "the icon";

    // The agreement: the one given, else a plain page that closes itself.
    about->click();
    settle();
    ASSERT_NE(about->presentedViewController(), nullptr);
    auto* button = find<ui::Button>(*about->presentedViewController()->view());
    ASSERT_NE(button, nullptr);
    button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    settle();
    EXPECT_EQ(about->presentedViewController(), nullptr);
    int made = 0;
    AboutPagewellViewController::setAgreementFactory([&] {
        ++made;
        return ui::ViewController::create<ui::ViewController>();
    });
    about->click();
    settle();
    EXPECT_EQ(made, 1);
    about->dismissModalViewControllerAnimated(false);
    AboutPagewellViewController::setAgreementFactory({});
}

TEST_F(SettingsTest, TheAboutPageOnATabletKeepsItsGapsAndLargerType) {
    device::Device::current().setScreen({768, 1024, 1});
    auto about = AboutPagewellViewController::create();
    ASSERT_EQ(about->view()->bounds().width(), 768);
    const auto& labels = about->labels();
    ASSERT_EQ(labels.size(), 9u);
    const auto* icon = find<ui::ImageView>(*about->scrollview());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->frame().y(), 30);
    EXPECT_EQ(icon->frame().midX(), 384) << "centred";
    // Gap above each label, and its font size.
    const double gaps[] = {30, 25, 15, 40, 20, 50, 20, 20, 70};
    const double fonts[] = {25, 23, 18, 25, 25, 18, 18, 18, 18};
    double above = icon->frame().maxY();
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->frame().y() - above, gaps[i]) << i;
        EXPECT_EQ(labels[i]->font().size(), fonts[i]) << i;
        above = labels[i]->frame().maxY();
    }
    EXPECT_EQ(labels[3]->frame().x(), 15);
    EXPECT_EQ(labels[3]->frame().height(), 164);
    EXPECT_EQ(about->allHeight(), labels.back()->frame().maxY() + 1);
}

TEST_F(SettingsTest, TheThemeListShowsEachThemesPicture) {
    auto screen = open();
    screen->didSelectRow(*screen->table(), {1, 8});
    settle();
    auto list = std::dynamic_pointer_cast<RZSettingTableController>(m_nav->viewControllers().back());
    ASSERT_TRUE(list);
    list->table()->layoutIfNeeded();
    for (int64_t row = 0; row < 6; ++row) {
        auto* cell = list->table()->cellForRow({0, row});
        ASSERT_NE(cell, nullptr);
        // The row's own picture, in the container beside the cell's built-in one.
        ui::ImageView* picture = nullptr;
        for (auto& sub : cell->contentView().subviews())
            if (sub.get() != &cell->imageView() && !picture)
                picture = find<ui::ImageView>(*sub);
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(picture->image().isNull()) << row;
    }
}

} // namespace
} // namespace pw::test
