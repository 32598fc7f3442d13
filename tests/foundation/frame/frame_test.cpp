#include "platform/ui/UiTestSupport.h"

#include "foundation/frame/CheckNetwork.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/StoreNavigationController.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "foundation/hosts/SiteHosts.h"
#include "network/Reachability.h"
#include "platform/ui/AlertView.h"

#include <sys/utsname.h>

#include <chrono>
#include <thread>

namespace pw {
namespace {

namespace fs = std::filesystem;

class FrameTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // The main screen logs in silently at start-up: the account service is
        // a closed loopback port, so that request ends at once and no lookup
        // of a placeholder host is still running when the process exits.
        SiteHosts::set(SiteHosts::Service::Account, "http://127.0.0.1:9");
    }
    void TearDown() override {
        PagewellAppDelegate::setMainScreenMaker({});
        Reachability::setSnapshotProvider(nullptr);
        SiteHosts::reset();
        m_delegate.reset();
        UiTest::TearDown();
    }

    // The first screen comes from the shelf library, above this one; a
    // screen that follows the stack stands in for it here.
    struct RootScreen : ui::ViewController, ui::NavigationControllerDelegate {};

    PagewellAppDelegate& launch() {
        PagewellAppDelegate::setMainScreenMaker([] { return ui::ViewController::create<RootScreen>(); });
        m_window->resignVisible();
        m_delegate = std::make_shared<PagewellAppDelegate>();
        auto& app = ui::Application::shared();
        app.setDelegate(m_delegate);
        EXPECT_TRUE(app.launch());
        settle();
        return *m_delegate;
    }

    // Alerts on screen now, front to back.
    static std::vector<ui::AlertView*> shownAlerts() {
        std::vector<ui::AlertView*> out;
        std::function<void(ui::View*)> walk = [&](ui::View* v) {
            if (auto* a = dynamic_cast<ui::AlertView*>(v); a && a->isVisible())
                out.push_back(a);
            for (auto& s : v->subviews())
                walk(s.get());
        };
        for (auto& w : ui::Application::shared().windows())
            walk(w.get());
        return out;
    }

    std::shared_ptr<PagewellAppDelegate> m_delegate;
};

TEST_F(FrameTest, LaunchBuildsTheFirstScreenStack) {
    EXPECT_EQ(PagewellAppDelegate::shared(), nullptr);
    auto& d = launch();
    EXPECT_EQ(PagewellAppDelegate::shared(), &d);
    EXPECT_EQ(d.versionCode(), 15);
    ASSERT_TRUE(d.navController());
    EXPECT_TRUE(d.navController()->isNavigationBarHidden());
    ASSERT_EQ(d.navController()->viewControllers().size(), 1u);
    EXPECT_EQ(d.navController()->topViewController(), d.mainViewController().get());
    EXPECT_EQ(d.navController()->delegate().get(),
              dynamic_cast<ui::NavigationControllerDelegate*>(d.mainViewController().get()));
    EXPECT_EQ(d.operationQueue()->maxConcurrentOperationCount(), 1);
    EXPECT_NE(d.downManager(), nullptr);
    EXPECT_EQ(ui::Application::shared().statusBarStyle(), ui::StatusBarStyle::BlackOpaque);
    EXPECT_EQ(d.window()->rootViewController(), d.navController());
    EXPECT_TRUE(d.window()->isKeyWindow());
    EXPECT_EQ(d.navController()->navigationBar().tintColor(), gfx::Color::fromRGB255(120, 141, 169));
}

// Animates the next pop with a transition from the right, as the chapter lists do.
struct CustomPop : RZNavigationControllerDelegate {
    RZNavigationController* nav = nullptr;
    int calls = 0;
    void customViewControllerAnimated() override {
        ++calls;
        nav->view()->layer()->addAnimation(
            std::make_shared<ui::Transition>(ui::TransitionType::Push, ui::TransitionSubtype::FromRight, 0.25), "pop");
    }
};

TEST_F(FrameTest, CustomPopUsesTheDelegateOnceThenTheCallersFlag) {
    auto root = ui::ViewController::create();
    auto nav = RZNavigationController::create(root);
    m_window->setRootViewController(nav);
    auto custom = std::make_shared<CustomPop>();
    custom->nav = nav.get();
    nav->pushViewController(ui::ViewController::create(), false);
    nav->setRzDelegate(custom);
    nav->popViewControllerAnimated(true);
    EXPECT_EQ(custom->calls, 1);
    EXPECT_FALSE(nav->isTransitioning()); // popped at once, under the transition
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(nav->rzDelegate(), nullptr);
    EXPECT_TRUE(nav->view()->layer()->animationForKey("pop"));
    settle();
    // The next pop without a new delegate animates the usual way.
    nav->pushViewController(ui::ViewController::create(), false);
    nav->popViewControllerAnimated(true);
    EXPECT_TRUE(nav->isTransitioning());
    EXPECT_EQ(custom->calls, 1);
    settle();
    // A delegate that went away is no delegate.
    nav->pushViewController(ui::ViewController::create(), false);
    {
        auto gone = std::make_shared<CustomPop>();
        nav->setRzDelegate(gone);
    }
    nav->popViewControllerAnimated(false);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(FrameTest, StoreStacksHaveADarkBar) {
    auto store = StoreNavigationController::create(ui::ViewController::create());
    store->view();
    EXPECT_EQ(store->navigationBar().tintColor(), gfx::Color::fromRGB255(50, 50, 50));
}

TEST_F(FrameTest, UnreachableSiteShowsTheAlertOncePerCheck) {
    SiteHosts::set(SiteHosts::Service::Interface, "http://10.1.2.3:8080");
    EXPECT_EQ(CheckNetwork::hostName(), "10.1.2.3");
    struct Case {
        bool reachable;
        size_t alerts;
    };
    for (const Case c : {Case{false, 1}, Case{true, 0}}) {
        Reachability::setSnapshotProvider([c] {
            NetworkSnapshot s;
            if (c.reachable) {
                NetworkInterfaceInfo eth;
                eth.name = "eth0";
                eth.up = eth.running = true;
                eth.ipv4 = {0x0A010201};
                s.interfaces.push_back(eth);
                s.routes.push_back({"eth0", 0, 0, true});
            }
            return s;
        });
        EXPECT_EQ(CheckNetwork::isExistenceNetwork(), c.reachable);
        CheckNetwork::checkNetWork();
        // The check runs on its own thread and hands the alert to this one.
        // (The manual clock does not move by itself, so wait in real time here.)
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(c.alerts ? 5000 : 50);
        while (shownAlerts().empty() && std::chrono::steady_clock::now() < deadline) {
            core::RunLoop::current().runPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        auto alerts = shownAlerts();
        ASSERT_EQ(alerts.size(), c.alerts);
        if (c.alerts) {
            EXPECT_EQ(alerts[0]->title(), "提示");
            EXPECT_EQ(alerts[0]->message(), "似乎无法访问墨川书库，请检查下网络吧");
            EXPECT_EQ(alerts[0]->numberOfButtons(), 1);
            EXPECT_EQ(alerts[0]->buttonTitleAtIndex(alerts[0]->cancelButtonIndex()), "知道了");
            alerts[0]->dismissWithClickedButtonIndex(0, false);
        }
    }
}

TEST_F(FrameTest, DeviceModelComesFromTheKernel) {
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    EXPECT_EQ(UIDeviceHardware::platform(), u.machine);
    EXPECT_EQ(UIDeviceHardware::getSysInfoByName("kern.ostype"), u.sysname);
    EXPECT_EQ(UIDeviceHardware::getSysInfoByName(nullptr), "");
    EXPECT_FALSE(UIDeviceHardware::supportOrientationLock());
}

} // namespace
} // namespace pw
