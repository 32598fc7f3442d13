#pragma once
// The application's delegate: builds the first screen stack at launch and owns
// the process-wide objects every other part reaches through it.
#include "site/DownManager.h"
#include "foundation/frame/RZNavigationController.h"
#include "platform/core/OperationQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <functional>
#include <memory>

namespace pw {

class PagewellAppDelegate : public ui::ApplicationDelegate {
public:
    PagewellAppDelegate() = default;
    ~PagewellAppDelegate() override;

    // The delegate of the running application, if it is this kind.
    static PagewellAppDelegate* shared();
    static constexpr int32_t kVersionCode = 15;

    bool didFinishLaunching(ui::Application& app) override;

    // The first screen lives in a library above this one; the application
    // says how to make it before launch. Without a maker the root is empty.
    using MainScreenMaker = std::function<std::shared_ptr<ui::ViewController>()>;
    static void setMainScreenMaker(MainScreenMaker maker);

    const std::shared_ptr<ui::Window>& window() const { return m_window; }
    const std::shared_ptr<RZNavigationController>& navController() const { return m_navController; }
    DownManager* downManager() const { return m_downManager.get(); }
    int32_t versionCode() const { return m_versionCode; }
    const std::shared_ptr<ui::ViewController>& mainViewController() const { return m_mainViewController; }
    core::OperationQueue* operationQueue() const { return m_operationQueue; }
    bool supportRotate() const { return m_supportRotate; }
    void setSupportRotate(bool s) { m_supportRotate = s; }
    // The turning rule of the application's screens: portrait and both
    // landscapes while the application allows turning, else portrait.
    static bool allowsOrientation(device::Orientation o);

    // The textured grey behind every screen.
    static gfx::Color scrollViewTexturedBackgroundColor();

private:
    std::shared_ptr<ui::Window> m_window;
    std::shared_ptr<RZNavigationController> m_navController;
    std::unique_ptr<DownManager> m_downManager;
    int32_t m_versionCode = 0;
    std::shared_ptr<ui::ViewController> m_mainViewController;
    core::OperationQueue* m_operationQueue = nullptr;
    bool m_supportRotate = false;
};

} // namespace pw
