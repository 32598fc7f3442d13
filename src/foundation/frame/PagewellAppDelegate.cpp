#include "foundation/frame/PagewellAppDelegate.h"

namespace pw {

namespace {

PagewellAppDelegate::MainScreenMaker& mainScreenMaker() {
    static PagewellAppDelegate::MainScreenMaker maker;
    return maker;
}

} // namespace

void PagewellAppDelegate::setMainScreenMaker(MainScreenMaker maker) {
    mainScreenMaker() = std::move(maker);
}

PagewellAppDelegate* PagewellAppDelegate::shared() {
    return dynamic_cast<PagewellAppDelegate*>(ui::Application::shared().delegate());
}

bool PagewellAppDelegate::allowsOrientation(device::Orientation o) {
    auto* app = shared();
    if (app && app->supportRotate())
        return o == device::Orientation::Portrait || o == device::Orientation::LandscapeLeft ||
               o == device::Orientation::LandscapeRight;
    return o == device::Orientation::Portrait;
}

gfx::Color PagewellAppDelegate::scrollViewTexturedBackgroundColor() {
    return gfx::Color::fromRGB255(111, 113, 121);
}

bool PagewellAppDelegate::didFinishLaunching(ui::Application& app) {
    m_window = ui::View::create<ui::Window>(app.screenBounds());
    m_window->setBackgroundColor(scrollViewTexturedBackgroundColor());
    m_versionCode = kVersionCode;
    app.setStatusBarStyle(ui::StatusBarStyle::BlackOpaque);
    // The process's one background queue: every part that asks for the shared
    // queue gets this one, so their work runs one operation at a time.
    m_operationQueue = &core::OperationQueue::shared();
    m_operationQueue->setMaxConcurrentOperationCount(1);
    m_downManager = std::make_unique<DownManager>();
    m_mainViewController = mainScreenMaker() ? mainScreenMaker()() : ui::ViewController::create();
    m_navController = RZNavigationController::create(m_mainViewController);
    m_navController->navigationBar().setTintColor(gfx::Color::fromRGB255(120, 141, 169, 1));
    // The main screen follows what the stack shows (it knows when a book is open).
    if (auto asDelegate = std::dynamic_pointer_cast<ui::NavigationControllerDelegate>(m_mainViewController))
        m_navController->setDelegate(std::weak_ptr<ui::NavigationControllerDelegate>(asDelegate));
    m_navController->setNavigationBarHidden(true, false);
    m_window->setRootViewController(m_navController);
    m_window->makeKeyAndVisible();
    return true;
}

PagewellAppDelegate::~PagewellAppDelegate() {
    if (m_operationQueue)
        m_operationQueue->cancelAllOperations();
    m_mainViewController.reset();
    m_downManager.reset();
    m_navController.reset();
    m_window.reset();
}

} // namespace pw
