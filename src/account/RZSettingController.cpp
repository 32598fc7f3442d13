#include "account/RZSettingController.h"

#include "account/AboutPagewellViewController.h"
#include "account/FeedbackViewController.h"
#include "account/LoginHelper.h"
#include "account/RZBookNotifyViewController.h"
#include "account/RZMessageViewController.h"
#include "account/RZSettingTableController.h"
#include "foundation/config/RZConfig.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/Utils.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"
#include "site/CheckVersion.h"
#include "account/ZELLoginViewController.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace pw {

namespace {

constexpr const char* kNotLoggedIn = "尚未登录，点击登录";
constexpr const char* kSettingNoticeBar = "k_MainViewNotifyView";
constexpr const char* kSettingRotate = "k_SupportRotate";
constexpr int kContainerTag = 1001;
constexpr int kAvatarTries = 10;
constexpr double kAvatarInterval = 1.0;

const std::vector<std::string> kSections = {"用户信息", "阅读设置", "一般设置", "墨川读书"};

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

RZSettingController::~RZSettingController() {
    m_avatarCheck.cancel();
    m_versionObservers.clear();
    if (m_alert)
        m_alert->setDelegate({});
}

RZSettingController::ChoiceList RZSettingController::choiceList(int listType) {
    ChoiceList list;
    switch (listType) {
    case kListFontSize:
        for (int size = 12; size <= 42; ++size) {
            list.titles.push_back(std::to_string(size) + " 号");
            list.values.push_back(size);
        }
        break;
    case kListPageTurn:
        list.titles = {"无翻页效果", "仿真翻页", "左右拖动", "左右滑动", "上下拖动", "上下滑动"};
        list.values = {0, 1, 2, 3, 4, 5};
        break;
    case kListScrollSpeed:
        list.titles = {"快速", "中速", "慢速"};
        list.values = {0, 1, 2};
        break;
    case kListTheme:
        list.titles = {"羊皮卷", "羽毛", "黑色水滴", "纸质", "木纹", "西方花纹"};
        for (int tag = kReadingBackgroundFirstTag; tag <= kReadingBackgroundLastTag; ++tag)
            list.values.push_back(tag);
        break;
    case kListLineSpace:
        list.titles = {"1.5 倍行距", "1.8 倍行距", "2 倍行距", "2.5 倍行距"};
        list.values = {1.5, 1.8, 2.0, 2.5};
        break;
    default:
        break;
    }
    return list;
}

std::optional<int64_t> RZSettingController::markedRow(int listType, const RZConfig& config) {
    int64_t row = -1;
    switch (listType) {
    case kListFontSize:
        row = static_cast<int64_t>(std::lround(config.fontSize())) - 12;
        break;
    case kListPageTurn:
        row = config.pageTurningType();
        break;
    case kListScrollSpeed:
        row = config.autoScrollSpeed();
        break;
    case kListTheme:
        if (!config.useBackgroundImage())
            return std::nullopt;
        row = config.backgroundImageTag() - kReadingBackgroundFirstTag;
        break;
    case kListLineSpace: {
        const double space = config.lineSpace();
        row = space < 1.6 ? 0 : space < 1.9 ? 1 : space < 2.1 ? 2 : 3;
        break;
    }
    default:
        return std::nullopt;
    }
    // A value outside the list (a hand-edited archive, a size the list does
    // not offer) marks nothing rather than a row that is not there.
    if (row < 0 || row >= static_cast<int64_t>(choiceList(listType).values.size()))
        return std::nullopt;
    return row;
}

std::string RZSettingController::themeTitle(int tag) {
    const ChoiceList themes = choiceList(kListTheme);
    for (size_t i = 0; i < themes.values.size(); ++i)
        if (static_cast<int>(themes.values[i]) == tag)
            return themes.titles[i];
    return "未指定";
}

void RZSettingController::viewDidLoad() {
    if (!m_rzConfig)
        m_rzConfig = RZConfig::getRZConfig(static_cast<int>(interfaceOrientation()));
    auto v = view();
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Grouped);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->separatorStyle = ui::TableViewSeparatorStyle::SingleLine;
    auto self = std::static_pointer_cast<RZSettingController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
    v->addSubview(m_table);

    m_arrMenuTitle = kSections;
    m_dictMenu[kSections[0]] = {""};
    m_dictMenu[kSections[1]] = {"阅读时禁止屏幕关闭", "简体转繁体", "全屏幕阅读", "旋转锁定",
                                "夜间模式（关灯）",   "字体大小",   "翻页效果",   "滚屏速度",
                                "主题样式",           "阅读亮度",   "行间距",     "重置阅读设置"};
    m_dictMenu[kSections[2]] = {"书籍更新提醒", "消息中心", "清除书库缓存", "关闭主界面提醒栏"};
    if (!UIDeviceHardware::supportOrientationLock())
        m_dictMenu[kSections[2]].push_back("禁止屏幕自动翻转");
    m_dictMenu[kSections[3]] = {"关于", "意见反馈", "检查是否有新版本"};
    m_userInfo = {kNotLoggedIn};

    const auto notice = SettingTB::readSettingWithKey(kSettingNoticeBar);
    m_mainViewNofityOn = !notice || *notice == "on";
}

void RZSettingController::viewWillAppear(bool) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, !m_useCustomNavAnimate);
    m_hasLogin = LoginHelper::hasLogin();
    m_userImage = m_hasLogin ? LoginHelper::getUserImage() : std::nullopt;
    m_userInfo = {m_hasLogin ? LoginHelper::getUserNickName() : std::string(kNotLoggedIn)};
    if (m_table)
        m_table->reloadData();
    m_avatarCheck.cancel();
    if (m_hasLogin && !m_userImage)
        waitForAvatar(kAvatarTries);
}

void RZSettingController::viewWillDisappear(bool) {
    m_avatarCheck.cancel();
}

void RZSettingController::waitForAvatar(int triesLeft) {
    if (triesLeft <= 0)
        return;
    std::weak_ptr<RZSettingController> weak = std::static_pointer_cast<RZSettingController>(shared_from_this());
    m_avatarCheck = core::RunLoop::current().postAfter(kAvatarInterval, [weak, triesLeft] {
        auto self = weak.lock();
        if (!self || !LoginHelper::hasLogin())
            return;
        self->m_userImage = LoginHelper::getUserImage();
        if (!self->m_userImage) {
            self->waitForAvatar(triesLeft - 1);
            return;
        }
        if (self->m_table)
            self->m_table->reloadRows({ui::IndexPath{0, 0}});
    });
}

bool RZSettingController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

const std::vector<std::string>& RZSettingController::rowsOfSection(int64_t section) const {
    static const std::vector<std::string> none;
    if (section < 0 || section >= static_cast<int64_t>(m_arrMenuTitle.size()))
        return none;
    auto it = m_dictMenu.find(m_arrMenuTitle[static_cast<size_t>(section)]);
    return it == m_dictMenu.end() ? none : it->second;
}

int64_t RZSettingController::numberOfRows(ui::TableView&, int64_t section) {
    return static_cast<int64_t>(rowsOfSection(section).size());
}

std::string RZSettingController::titleForHeader(ui::TableView&, int64_t section) {
    if (section < 0 || section >= static_cast<int64_t>(m_arrMenuTitle.size()))
        return {};
    return m_arrMenuTitle[static_cast<size_t>(section)];
}

double RZSettingController::heightForRow(ui::TableView&, const ui::IndexPath& ip) {
    return ip.section == 0 && ip.row == 0 && m_hasLogin ? 60 : 42;
}

bool RZSettingController::isValueRow(const ui::IndexPath& ip) const {
    return ip.section == 1 && (ip.row == 5 || ip.row == 6 || ip.row == 7 || ip.row == 8 || ip.row == 10);
}

std::string RZSettingController::valueText(const ui::IndexPath& ip) const {
    if (!m_rzConfig || !isValueRow(ip))
        return {};
    const RZConfig& c = *m_rzConfig;
    auto titleAt = [](int listType, int64_t index) {
        const ChoiceList list = choiceList(listType);
        return index >= 0 && index < static_cast<int64_t>(list.titles.size()) ? list.titles[static_cast<size_t>(index)]
                                                                              : std::string();
    };
    switch (ip.row) {
    case 5:
        return format("%.0f 号", c.fontSize());
    case 6:
        return titleAt(kListPageTurn, c.pageTurningType());
    case 7:
        return titleAt(kListScrollSpeed, c.autoScrollSpeed());
    case 8:
        return themeTitle(c.useBackgroundImage() ? c.backgroundImageTag() : 0);
    case 10:
        return format("%.1f 倍", c.lineSpace());
    default:
        return {};
    }
}

std::shared_ptr<ui::Label> RZSettingController::genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                                  const std::string& text, ui::View& container) {
    return genLabelWithFrame(frame, fontSize, gfx::Color::black(), text, container);
}

std::shared_ptr<ui::Label> RZSettingController::genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                                  const gfx::Color& colour, const std::string& text,
                                                                  ui::View& container) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::boldSystemFont(fontSize));
    label->setTextColor(colour);
    label->setBackgroundColor(gfx::Color::clear());
    label->setText(text);
    container.addSubview(label);
    return label;
}

std::shared_ptr<ui::Switch> RZSettingController::genSwitchWithContainer(ui::View& container, int tag) {
    auto sw = ui::View::create<ui::Switch>();
    const gfx::Size size = sw->sizeThatFits({});
    const gfx::Rect b = container.bounds();
    sw->setFrame(gfx::Rect(b.width() - size.width - 5, b.height() / 2 - size.height / 2, size.width, size.height));
    std::weak_ptr<RZSettingController> weak = std::static_pointer_cast<RZSettingController>(shared_from_this());
    sw->addTarget(
        [weak](ui::Control& c) {
            if (auto self = weak.lock())
                self->handleSwitchChoose(c.tag(), static_cast<ui::Switch&>(c).isOn());
        },
        ui::ControlEventValueChanged);
    sw->setOn(true);
    sw->setTag(tag);
    container.addSubview(sw);
    return sw;
}

std::shared_ptr<ui::Slider> RZSettingController::genSliderWithContainer(ui::View& container, int tag, float maxValue,
                                                                        float minValue, float defaultValue) {
    auto slider = ui::View::create<ui::Slider>(gfx::Rect(container.bounds().width() - 165, 8, 160, 23));
    slider->setTag(tag);
    slider->minimumValue = minValue;
    slider->maximumValue = maxValue;
    slider->setValue(defaultValue);
    std::weak_ptr<RZSettingController> weak = std::static_pointer_cast<RZSettingController>(shared_from_this());
    slider->addTarget(
        [weak](ui::Control& c) {
            if (auto self = weak.lock())
                self->handlSliderMenuSliderChooseEnd(c.tag(), static_cast<ui::Slider&>(c).value());
        },
        ui::ControlEventTouchUpInside);
    container.addSubview(slider);
    return slider;
}

std::shared_ptr<ui::TableViewCell> RZSettingController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell("Cell");
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, "Cell");
        auto container = ui::View::create(cell->contentView().bounds());
        container->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        container->setTag(kContainerTag);
        cell->contentView().addSubview(container);
    }
    // Laid out at the row's size first, so the controls find the right edge.
    cell->setFrame(gfx::Rect(0, 0, table.bounds().width(), heightForRow(table, ip)));
    cell->layoutSubviews();
    ui::View* container = nullptr;
    for (const auto& v : cell->contentView().subviews())
        if (v->tag() == kContainerTag)
            container = v.get();
    if (!container || !m_rzConfig)
        return cell;
    container->setFrame(cell->contentView().bounds());
    while (!container->subviews().empty())
        container->subviews().back()->removeFromSuperview();

    cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
    cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
    const auto& rows = rowsOfSection(ip.section);
    const std::string text = ip.section == 0 ? (m_userInfo.empty() ? std::string() : m_userInfo.front())
                             : ip.row < static_cast<int64_t>(rows.size()) ? rows[static_cast<size_t>(ip.row)]
                                                                          : std::string();
    genLabelWithFrame(gfx::Rect(10, 5, 160, 32), 14, text, *container);
    const double right = container->bounds().width();
    const RZConfig& c = *m_rzConfig;

    auto addSwitch = [&](int tag, bool on) {
        auto sw = genSwitchWithContainer(*container, tag);
        sw->setAutoresizingMask(ui::FlexibleLeftMargin);
        sw->setOn(on);
        cell->accessoryType = ui::TableViewCellAccessory::None;
        cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
    };

    if (ip.section == 0) {
        cell->accessoryType = ui::TableViewCellAccessory::None;
        if (m_hasLogin) {
            genLabelWithFrame(gfx::Rect(15, 40, 160, 20), 11, gfx::Color::gray(), "切换登录用户", *container);
            auto avatar = ui::View::create<ui::ImageView>(gfx::Rect(right - 60, 5, 50, 50));
            avatar->setAutoresizingMask(ui::FlexibleLeftMargin);
            if (m_userImage)
                avatar->setImage(*m_userImage);
            container->addSubview(avatar);
        }
    } else if (ip.section == 1) {
        switch (ip.row) {
        case 0:
            addSwitch(kTagKeepAwake, c.idleTimerDisabled());
            break;
        case 1:
            addSwitch(kTagBig5, c.convertToBig5());
            break;
        case 2:
            addSwitch(kTagFullScreen, c.fullScreenRead());
            break;
        case 3:
            addSwitch(kTagRotateLock, c.rotateLock());
            break;
        case 4:
            addSwitch(kTagNight, !c.lightOn());
            break;
        case 9: {
            auto slider =
                genSliderWithContainer(*container, kTagBrightness, 100, 0, static_cast<float>(c.screenBrightness()));
            slider->setAutoresizingMask(ui::FlexibleLeftMargin);
            cell->accessoryType = ui::TableViewCellAccessory::None;
            cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
            break;
        }
        case 11:
            cell->accessoryType = ui::TableViewCellAccessory::None;
            break;
        default:
            if (isValueRow(ip)) {
                auto value = ui::View::create<ui::Label>(gfx::Rect(right - 80, 7, 70, 26));
                value->setFont(gfx::Font::systemFont(14));
                value->setTextColor(m_txtColor);
                value->setBackgroundColor(gfx::Color::clear());
                value->setTextAlignment(gfx::TextAlignment::Right);
                value->setAutoresizingMask(ui::FlexibleLeftMargin);
                value->setText(valueText(ip));
                container->addSubview(value);
            }
            break;
        }
    } else if (ip.section == 2) {
        if (ip.row == 2)
            cell->accessoryType = ui::TableViewCellAccessory::None;
        else if (ip.row == 3)
            addSwitch(kTagCloseNoticeBar, !m_mainViewNofityOn);
        else if (ip.row == 4) {
            auto* app = PagewellAppDelegate::shared();
            addSwitch(kTagNoRotation, !(app && app->supportRotate()));
        }
    } else if (ip.section == 3 && ip.row == 2) {
        cell->accessoryType = ui::TableViewCellAccessory::None;
    }
    return cell;
}

void RZSettingController::openChoiceList(const ui::IndexPath& ip) {
    int type = kListFontSize;
    switch (ip.row) {
    case 5:
        type = kListFontSize;
        break;
    case 6:
        type = kListPageTurn;
        break;
    case 7:
        type = kListScrollSpeed;
        break;
    case 8:
        type = kListTheme;
        break;
    default:
        type = kListLineSpace;
        break;
    }
    auto list = RZSettingTableController::create();
    const auto& rows = rowsOfSection(ip.section);
    list->setTitle(rows[static_cast<size_t>(ip.row)]);
    const ChoiceList choices = choiceList(type);
    list->setArrMenuTitles(choices.titles);
    list->setArrMenuValues(choices.values);
    list->setRzConfig(m_rzConfig);
    list->setSetType(type);
    if (auto row = markedRow(type, *m_rzConfig))
        list->setLstIndexPath(ui::IndexPath{0, *row});
    if (auto* nav = navigationController())
        nav->pushViewController(list, true);
}

void RZSettingController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto* nav = navigationController();
    if (ip.section == 0 && ip.row == 0) {
        auto login = ZELLoginViewController::create();
        login->hidesBottomBarWhenPushed = true;
        std::weak_ptr<RZSettingController> weak = std::static_pointer_cast<RZSettingController>(shared_from_this());
        login->setCallbackTarget(weak);
        login->setCallbackSelector([weak](const std::any&) {
            if (auto self = weak.lock())
                self->afterLogin();
        });
        login->setDisableAutoLogin(true);
        if (nav)
            nav->pushViewController(login, true);
    } else if (ip.section == 1 && isValueRow(ip) && m_rzConfig) {
        openChoiceList(ip);
    } else if (ip.section == 1 && ip.row == 11 && m_rzConfig) {
        m_rzConfig->reset();
        m_rzConfig->saveConfig();
        table.reloadData();
        showAlert("阅读设置已重置");
    } else if (ip.section == 2 && (ip.row == 0 || ip.row == 1)) {
        std::shared_ptr<ui::ViewController> next;
        if (ip.row == 0)
            next = RZBookNotifyViewController::create();
        else
            next = RZMessageViewController::create();
        if (nav)
            nav->pushViewController(next, true);
    } else if (ip.section == 2 && ip.row == 2) {
        clearStoreCache();
    } else if (ip.section == 3 && ip.row < 2) {
        std::shared_ptr<ui::ViewController> next;
        if (ip.row == 0)
            next = AboutPagewellViewController::create();
        else
            next = FeedbackViewController::create();
        if (nav)
            nav->pushViewController(next, true);
    } else if (ip.section == 3 && ip.row == 2) {
        startVersionCheck();
    }
    table.deselectRow(ip, true);
}

void RZSettingController::handleSwitchChoose(int tag, bool on) {
    if (!m_rzConfig)
        return;
    RZConfig& c = *m_rzConfig;
    switch (tag) {
    case kTagKeepAwake:
        // The front end turns the desktop's screen saver off while this is set.
        ui::Application::shared().setIdleTimerDisabled(on);
        c.setIdleTimerDisabled(on);
        break;
    case kTagBig5:
        c.setConvertToBig5(on);
        break;
    case kTagFullScreen:
        c.setFullScreenRead(on);
        break;
    case kTagRotateLock:
        c.setRotateLock(on);
        break;
    case kTagNight:
        c.setLightOn(!on);
        break;
    case kTagCloseNoticeBar:
        m_mainViewNofityOn = !on;
        if (m_mainViewNofityOn) {
            SettingTB::saveSettingWithKey(kSettingNoticeBar, "on");
        } else {
            core::NotificationCenter::defaultCenter().post("NSNotificationCenter_CloseMainViewNotify");
            SettingTB::saveSettingWithKey(kSettingNoticeBar, "off");
        }
        break;
    case kTagNoRotation: {
        if (auto* app = PagewellAppDelegate::shared())
            app->setSupportRotate(!on);
        SettingTB::saveSettingWithKey(kSettingRotate, on ? "off" : "on");
        break;
    }
    default:
        return;
    }
    c.saveConfig();
}

void RZSettingController::handlSliderMenuSliderChooseEnd(int tag, float value) {
    if (tag != kTagBrightness || !m_rzConfig)
        return;
    m_rzConfig->setScreenBrightness(static_cast<int>(value));
    m_rzConfig->saveConfig();
}

void RZSettingController::clearStoreCache() {
    const std::filesystem::path folder = AppPaths::storeCache();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec) {
        showAlert("清除书库缓存失败（" + ec.message() + "）");
        return;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    showAlert(made ? "清除书库缓存失败，您可能需要重启下本程序..." : "清除书库缓存成功");
}

void RZSettingController::startVersionCheck() {
    if (!m_checkVersion)
        m_checkVersion = CheckVersion::create();
    // A second tap while a check runs must not answer twice.
    if (m_versionObservers.empty()) {
        std::weak_ptr<RZSettingController> weak = std::static_pointer_cast<RZSettingController>(shared_from_this());
        auto& nc = core::NotificationCenter::defaultCenter();
        m_versionObservers.push_back(nc.addObserver("NSNotificationCenter_NoNewVersion", [weak](const auto&) {
            if (auto self = weak.lock())
                self->noNewVersion();
        }));
        m_versionObservers.push_back(nc.addObserver("NSNotificationCenter_VersionCheckFailed", [weak](const auto&) {
            if (auto self = weak.lock())
                self->versionCheckFailed();
        }));
    }
    m_checkVersion->checkVersion();
}

void RZSettingController::noNewVersion() {
    m_versionObservers.clear();
    showAlert("当前已经是最新的版本了");
}

void RZSettingController::versionCheckFailed() {
    m_versionObservers.clear();
    showAlert("服务目前不可用");
}

void RZSettingController::showAlert(const std::string& message) {
    m_alert = ui::AlertView::create("提示", message, {}, "知道了");
    m_alert->show();
}

} // namespace pw
