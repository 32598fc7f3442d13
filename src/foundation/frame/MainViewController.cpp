#include "foundation/frame/MainViewController.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "platform/core/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "account/AutoLogin.h"

namespace pw {

namespace {

// An empty bookshelf: wooden boards under a title bar.
class ShelfView : public ui::View {
public:
    void draw(gfx::Context& ctx, const gfx::Rect&) override {
        const gfx::Rect b = bounds();
        ctx.clipToRect(b);
        ctx.drawLinearGradient({{0, gfx::Color::fromRGB255(196, 150, 104)}, {1, gfx::Color::fromRGB255(160, 112, 70)}},
                               {0, 0}, {0, b.height()});
        const double bar = 44;
        ctx.drawLinearGradient({{0, gfx::Color::fromRGB255(150, 166, 188)}, {1, gfx::Color::fromRGB255(120, 141, 169)}},
                               {0, 0}, {0, bar}, 0);
        ctx.setFillColor(gfx::Color::fromRGB255(120, 141, 169));
        ctx.fillRect({0, 0, b.width(), bar});
        for (double y = bar + 150; y < b.height(); y += 150) {
            ctx.setFillColor(gfx::Color::fromRGB255(112, 72, 40));
            ctx.fillRect({0, y, b.width(), 14});
            ctx.setFillColor(gfx::Color(0, 0, 0, 0.25));
            ctx.fillRect({0, y + 14, b.width(), 4});
        }
    }
};

MainViewController::ScreenMaker& importScreenMaker() {
    static MainViewController::ScreenMaker maker;
    return maker;
}

MainViewController::ScreenMaker& wifiScreenMaker() {
    static MainViewController::ScreenMaker maker;
    return maker;
}

} // namespace

void MainViewController::setImportScreenMaker(ScreenMaker maker) {
    importScreenMaker() = std::move(maker);
}

void MainViewController::setWifiScreenMaker(ScreenMaker maker) {
    wifiScreenMaker() = std::move(maker);
}

void MainViewController::importLocalBook() {
    if (auto* nav = navigationController(); nav && importScreenMaker())
        nav->pushViewController(importScreenMaker()(), true);
}

void MainViewController::openWifiTransfer() {
    if (auto* nav = navigationController(); nav && wifiScreenMaker()) {
        nav->setNavigationBarHidden(false, false);
        nav->pushViewController(wifiScreenMaker()(), true);
    }
}

void MainViewController::viewWillAppear(bool animated) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(true, animated);
}

std::vector<std::filesystem::path> MainViewController::startupFolders() {
    return AppPaths::startupFolders();
}

void MainViewController::loadView() {
    auto v = ui::View::create<ShelfView>();
    v->setFrame(ui::Application::shared().applicationFrame());
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto title = ui::View::create<ui::Label>(gfx::Rect(0, 0, v->bounds().width(), 44));
    title->setText("书架");
    title->setFont(gfx::Font::boldSystemFont(20));
    title->setTextColor(gfx::Color::white());
    title->setShadowColor(gfx::Color(0, 0, 0, 0.5));
    title->setTextAlignment(gfx::TextAlignment::Center);
    title->setAutoresizingMask(ui::FlexibleWidth);
    v->addSubview(title);
    // The shelf's ways to the import and Wi-Fi screens, until the real shelf has its menus.
    const double w = v->bounds().width(), h = v->bounds().height();
    const double bw = std::min(200.0, (w - 60) / 2);
    struct Entry {
        const char* title;
        double x;
        void (MainViewController::*action)();
    };
    for (const Entry& e : {Entry{"导入书籍", w / 2 - 10 - bw, &MainViewController::importLocalBook},
                           Entry{"Wi-Fi 传书", w / 2 + 10, &MainViewController::openWifiTransfer}}) {
        auto b = ui::Button::create(ui::ButtonType::RoundedRect);
        b->setFrame(gfx::Rect(e.x, h - 64, bw, 44));
        b->setTitle(e.title);
        b->setAutoresizingMask(ui::FlexibleTopMargin | ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
        std::weak_ptr<ViewController> weak = weak_from_this();
        b->addTarget(
            [weak, action = e.action](ui::Control&) {
                if (auto self = std::static_pointer_cast<MainViewController>(weak.lock()))
                    ((*self).*action)();
            },
            ui::ControlEventTouchUpInside);
        v->addSubview(b);
    }
    setView(v);
}

void MainViewController::viewDidLoad() {
    const auto home = core::Paths::home();
    for (const auto& f : startupFolders()) {
        std::error_code ec;
        std::filesystem::create_directories(home / f, ec);
    }
    m_progressHUD = ProgressHUD::initWithView(view().get());
    view()->addSubview(m_progressHUD);
    m_progressHUD->animationType = ProgressHUDAnimationZoom;
    m_progressHUD->setCustomView(ui::View::create(gfx::Rect()));
    m_mainDBReady = MainDB::createMainDBIfNotExists();
    if (!m_mainDBReady)
        m_progressHUD->showTipsWithoutLoadingHideDelay("严重错误，创建本地数据失败", 2);
    if (auto* app = PagewellAppDelegate::shared()) {
        if (UIDeviceHardware::supportOrientationLock())
            app->setSupportRotate(true);
        else if (SettingTB::readSettingWithKey("k_SupportRotate").value_or("") != "off")
            app->setSupportRotate(true);
    }
    // The user's session with the site is renewed silently at every start.
    m_autoLogin = AutoLogin::create();
    m_autoLogin->login();
}

bool MainViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    auto* app = PagewellAppDelegate::shared();
    if (app && app->supportRotate())
        return o != device::Orientation::Unknown;
    return o == device::Orientation::Portrait;
}

} // namespace pw
