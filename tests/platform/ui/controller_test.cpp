#include "UiTestSupport.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"

namespace pw::ui::test {
namespace {

using gfx::Rect;

std::vector<std::string>* g_log = nullptr;

class Screen : public ViewController {
public:
    explicit Screen(std::string name) : m_name(std::move(name)) { setTitle(m_name); }
    void viewDidLoad() override { log("load"); }
    void viewWillAppear(bool) override { log("willAppear"); }
    void viewDidAppear(bool) override { log("didAppear"); }
    void viewWillDisappear(bool) override { log("willDisappear"); }
    void viewDidDisappear(bool) override { log("didDisappear"); }
    void willRotateToInterfaceOrientation(device::Orientation, double) override { log("willRotate"); }
    void didRotateFromInterfaceOrientation(device::Orientation) override { log("didRotate"); }

private:
    void log(const char* what) {
        if (g_log)
            g_log->push_back(m_name + ":" + what);
    }
    std::string m_name;
};

class ControllerTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_log = &m_log;
    }
    void TearDown() override {
        g_log = nullptr;
        UiTest::TearDown();
    }
    std::vector<std::string> m_log;
};

TEST_F(ControllerTest, PushSlidesTheNewScreenInOnTheClock) {
    auto root = ViewController::create<Screen>("root");
    auto nav = ViewController::create<NavigationController>(root);
    m_window->setRootViewController(nav);
    EXPECT_EQ(m_log, (std::vector<std::string>{"root:load", "root:willAppear", "root:didAppear"}));
    EXPECT_EQ(nav->view()->frame(), Rect(0, 20, 320, 460)); // below the status bar
    m_log.clear();

    auto next = ViewController::create<Screen>("next");
    nav->pushViewController(next, true);
    EXPECT_TRUE(nav->isTransitioning());
    EXPECT_TRUE(Application::shared().isIgnoringInteractionEvents());
    EXPECT_EQ(m_log, (std::vector<std::string>{"next:load", "next:willAppear", "root:willDisappear"}));
    advance(NavigationController::kTransitionDuration / 2);
    // Midway both screens show, side by side.
    const double x = next->view()->layer()->presentation().frame().x();
    EXPECT_GT(x, 30);
    EXPECT_LT(x, 290);
    EXPECT_NEAR(root->view()->layer()->presentation().frame().maxX(), x, 1);
    settle();
    EXPECT_FALSE(nav->isTransitioning());
    EXPECT_FALSE(Application::shared().isIgnoringInteractionEvents());
    EXPECT_EQ(m_log.back(), "root:didDisappear");
    EXPECT_EQ(next->view()->frame().x(), 0);
    EXPECT_EQ(root->view()->superview(), nullptr);
    EXPECT_EQ(next->navigationController(), nav.get());
    EXPECT_EQ(nav->navigationBar().backButton()->currentTitle(), "root");

    m_log.clear();
    auto popped = nav->popViewControllerAnimated(true);
    EXPECT_EQ(popped, next);
    settle();
    EXPECT_EQ(m_log, (std::vector<std::string>{"root:willAppear", "next:willDisappear", "root:didAppear",
                                               "next:didDisappear"}));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr); // the root stays
}

TEST_F(ControllerTest, PushDuringATransitionFinishesTheFirstOne) {
    auto nav = ViewController::create<NavigationController>(ViewController::create<Screen>("a"));
    m_window->setRootViewController(nav);
    auto b = ViewController::create<Screen>("b");
    auto c = ViewController::create<Screen>("c");
    nav->pushViewController(b, true);
    advance(0.1);
    nav->pushViewController(c, true);
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 3u);
    EXPECT_EQ(nav->topViewController(), c.get());
    EXPECT_EQ(c->view()->frame().x(), 0);
    EXPECT_EQ(b->view()->superview(), nullptr);
    EXPECT_FALSE(Application::shared().isIgnoringInteractionEvents());
    auto gone = nav->popToRootViewControllerAnimated(false);
    EXPECT_EQ(gone.size(), 2u);
    EXPECT_EQ(c->parentViewController(), nullptr);
}

TEST_F(ControllerTest, BackButtonTapPopsAndHiddenBarGivesTheRoomBack) {
    auto nav = ViewController::create<NavigationController>(ViewController::create<Screen>("书架"));
    m_window->setRootViewController(nav);
    auto next = ViewController::create<Screen>("目录");
    nav->pushViewController(next, false);
    EXPECT_EQ(next->view()->frame(), Rect(0, 0, 320, 416));
    auto* back = nav->navigationBar().backButton();
    ASSERT_NE(back, nullptr);
    tapView(back);
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    nav->setNavigationBarHidden(true, false);
    EXPECT_EQ(nav->topViewController()->view()->frame(), Rect(0, 0, 320, 460));
}

// A screen that wants full-screen layout, pushed on the stack, gets the whole
// window under the status bar whether the bar shows or not; the screens below
// it stand below a shown bar again once it leaves or stops wanting it.
TEST_F(ControllerTest, FullScreenLayoutFollowsTheShownScreen) {
    auto& app = Application::shared();
    auto shelf = ViewController::create<Screen>("书架");
    auto nav = ViewController::create<NavigationController>(shelf);
    m_window->setRootViewController(nav);
    nav->setNavigationBarHidden(true, false);
    auto inWindow = [](ViewController& vc) { return vc.view()->convertRectToView(vc.view()->bounds(), nullptr); };
    ASSERT_EQ(inWindow(*shelf), Rect(0, 20, 320, 460));

    auto reader = ViewController::create<Screen>("阅读");
    reader->setWantsFullScreenLayout(true);
    nav->pushViewController(reader, true);
    settle();
    EXPECT_EQ(inWindow(*reader), Rect(0, 0, 320, 480));
    for (bool hidden : {true, false, true, false}) {
        app.setStatusBarHidden(hidden, true);
        settle();
        EXPECT_EQ(inWindow(*reader), Rect(0, 0, 320, 480)) << hidden;
    }
    // A plain screen pushed over it stands below the bar, and the reader gets
    // the whole window back when it is on top again.
    auto contents = ViewController::create<Screen>("目录");
    nav->pushViewController(contents, true);
    settle();
    EXPECT_EQ(inWindow(*contents), Rect(0, 20, 320, 460));
    nav->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(inWindow(*reader), Rect(0, 0, 320, 480));
    // Asking no more gives the bar its room at once.
    reader->setWantsFullScreenLayout(false);
    EXPECT_EQ(inWindow(*reader), Rect(0, 20, 320, 460));
    reader->setWantsFullScreenLayout(true);
    nav->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(inWindow(*shelf), Rect(0, 20, 320, 460));
    EXPECT_EQ(nav->view()->frame(), Rect(0, 20, 320, 460));
    // With the bar hidden everyone has the whole window, as before.
    app.setStatusBarHidden(true);
    EXPECT_EQ(inWindow(*shelf), Rect(0, 0, 320, 480));
}

TEST_F(ControllerTest, ModalScreenSlidesUpAndAwayAgain) {
    auto root = ViewController::create<Screen>("main");
    m_window->setRootViewController(root);
    m_log.clear();
    auto modal = ViewController::create<Screen>("agreement");
    root->presentModalViewController(modal, true);
    EXPECT_EQ(root->modalViewController(), modal.get());
    EXPECT_EQ(modal->presentingViewController(), root.get());
    advance(0.15);
    EXPECT_GT(modal->view()->layer()->presentation().position.y, root->view()->center().y + 10);
    settle();
    EXPECT_EQ(modal->view()->center(), gfx::Point(160, 250));
    EXPECT_EQ(root->view()->superview(), nullptr); // covered screens leave the window
    EXPECT_EQ(m_log, (std::vector<std::string>{"agreement:load", "agreement:willAppear", "main:willDisappear",
                                               "agreement:didAppear", "main:didDisappear"}));
    modal->dismissModalViewControllerAnimated(true);
    settle();
    EXPECT_EQ(root->modalViewController(), nullptr);
    EXPECT_EQ(root->view()->superview(), m_window.get());
    EXPECT_EQ(modal->view()->superview(), nullptr);
}

TEST_F(ControllerTest, InterfaceOrientationTurnsTheRootView) {
    auto root = ViewController::create<Screen>("main");
    auto nav = ViewController::create<NavigationController>(root);
    m_window->setRootViewController(nav);
    nav->setNavigationBarHidden(true, false);
    m_log.clear();
    Application::shared().setStatusBarOrientation(device::Orientation::LandscapeRight, true);
    EXPECT_EQ(m_log, (std::vector<std::string>{"main:willRotate"}));
    settle();
    EXPECT_EQ(m_log, (std::vector<std::string>{"main:willRotate", "main:didRotate"}));
    EXPECT_EQ(nav->view()->bounds().size, gfx::Size(480, 300));
    EXPECT_EQ(root->view()->bounds().size, gfx::Size(480, 300));
    EXPECT_EQ(root->interfaceOrientation(), device::Orientation::LandscapeRight);
    // The view's top left corner is at the screen's bottom left, right of the bar.
    const gfx::Point corner = root->view()->convertPointToView({0, 0}, nullptr);
    EXPECT_NEAR(corner.x, 20, 1e-6);
    EXPECT_NEAR(corner.y, 480, 1e-6);
    EXPECT_EQ(Application::shared().statusBarFrame(), Rect(0, 0, 20, 480));
}

TEST_F(ControllerTest, TabsSwitchScreensOnTapUnlessTheDelegateSaysNo) {
    struct Gate : TabBarControllerDelegate {
        bool allow = true;
        int selected = 0;
        bool shouldSelectViewController(TabBarController&, ViewController&) override { return allow; }
        void didSelectViewController(TabBarController&, ViewController&) override { ++selected; }
    };
    auto gate = std::make_shared<Gate>();
    auto tabs = ViewController::create<TabBarController>();
    auto shelf = ViewController::create<Screen>("shelf");
    auto store = ViewController::create<Screen>("store");
    tabs->setViewControllers({shelf, store});
    tabs->setTabBarItems({{"书架", {}, {}}, {"书城", {}, "3"}});
    tabs->setDelegate(gate);
    m_window->setRootViewController(tabs);
    EXPECT_EQ(tabs->selectedViewController(), shelf.get());
    EXPECT_EQ(shelf->view()->frame(), Rect(0, 0, 320, 460 - TabBarController::kBarHeight));
    m_log.clear();
    tap({240, 480 - 20}); // the second tab
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(gate->selected, 1);
    EXPECT_EQ(m_log, (std::vector<std::string>{"shelf:willDisappear", "shelf:didDisappear", "store:load",
                                               "store:willAppear", "store:didAppear"}));
    EXPECT_EQ(shelf->view()->superview(), nullptr);
    gate->allow = false;
    tap({80, 480 - 20});
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(store->parentViewController(), tabs.get());
}

TEST_F(ControllerTest, APushedScreenThatAsksForTheWholeHeightHidesTheTabBar) {
    auto root = ViewController::create<Screen>("list");
    auto nav = ViewController::create<NavigationController>(root);
    auto tabs = ViewController::create<TabBarController>();
    tabs->setViewControllers({nav, ViewController::create<Screen>("other")});
    m_window->setRootViewController(tabs);
    const double withBar = 460 - TabBarController::kBarHeight;
    EXPECT_EQ(nav->view()->frame().height(), withBar);
    auto login = ViewController::create<Screen>("login");
    login->hidesBottomBarWhenPushed = true;
    nav->pushViewController(login, false);
    EXPECT_TRUE(tabs->tabBar().isHidden());
    EXPECT_EQ(nav->view()->frame().height(), 460);
    // Another tab without such a screen shows the bar again, and coming back hides it.
    tabs->setSelectedIndex(1);
    EXPECT_FALSE(tabs->tabBar().isHidden());
    tabs->setSelectedIndex(0);
    EXPECT_TRUE(tabs->tabBar().isHidden());
    nav->popViewControllerAnimated(false);
    EXPECT_FALSE(tabs->tabBar().isHidden());
    EXPECT_EQ(nav->view()->frame().height(), withBar);
}

} // namespace
} // namespace pw::ui::test
