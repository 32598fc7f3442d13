#pragma once
// Store screens on a tab's navigation stack in the headless window, against
// the stand-in site: the overlay the store frame would hand every screen, a
// download manager of the test's own, and the reader pushed on that stack.
#include "site/SiteTest.h"

#include "foundation/frame/StoreNavigationController.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/OperationQueue.h"
#include "site/DownManager.h"
#include "store/StoreBaseViewController.h"
#include "store/StoreEnvironment.h"

#include <filesystem>

namespace pw::test {

// Hands the overlay to each store screen about to show, as the frame does.
struct HudHandOver : ui::NavigationControllerDelegate {
    std::shared_ptr<ProgressHUD> hud;
    void willShowViewController(ui::NavigationController&, ui::ViewController& vc, bool) override {
        if (auto* store = dynamic_cast<StoreBaseViewController*>(&vc))
            store->setProgressHUD(hud);
    }
};

class StoreScreenTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        m_downManager = std::make_unique<DownManager>();
        StoreEnvironment::setDownManager(m_downManager.get());
    }
    void TearDown() override {
        // No screen may lay out rows (and ask for covers) once the queue is drained.
        if (m_nav)
            m_nav->setViewControllers({}, false);
        m_window->setRootViewController(nullptr);
        settle();
        m_nav.reset();
        m_handOver.reset();
        StoreEnvironment::reset();
        if (m_downManager)
            m_downManager->cancelAllDownload();
        m_downManager.reset();
        // Covers and icons still queued on the shared queue must not outlive the
        // test's home folder.
        auto& queue = core::OperationQueue::shared();
        queue.cancelAllOperations();
        waitFor([&] { return queue.operationCount() == 0; }, 30);
        SiteTest::TearDown();
    }

    template <typename T>
    std::shared_ptr<T> show(std::shared_ptr<T> root) {
        m_nav = StoreNavigationController::create(root);
        m_handOver = std::make_shared<HudHandOver>();
        m_nav->setDelegate(m_handOver);
        m_window->setRootViewController(m_nav);
        m_handOver->hud = ProgressHUD::initWithView(m_nav->view().get());
        m_nav->view()->addSubview(m_handOver->hud);
        root->setProgressHUD(m_handOver->hud);
        StoreEnvironment::setMainNavigation(m_nav);
        settle();
        return root;
    }
    void push(std::shared_ptr<ui::ViewController> vc) {
        m_nav->pushViewController(std::move(vc), false);
        settle();
    }
    ui::ViewController* top() const { return m_nav->topViewController(); }
    // Waits until the screen's requests have ended and their answers reached
    // it: a request ends on its own thread just after posting its answer to
    // the main queue, so the queue is served once more after the wait.
    bool waitAnswered(const StoreBaseViewController& screen) {
        if (!waitFor([&] { return screen.requestsInFlight() == 0; }))
            return false;
        core::RunLoop::current().runPending();
        return true;
    }
    // Serves the loop and moves the clock on (delayed steps), then draws.
    void pass(double seconds) {
        advance(seconds);
        settle();
        m_window->layoutIfNeeded();
    }
    // One turn of a wait for network answers and delayed steps together.
    // The animation driver is a timer on the same clock, so a turning
    // spinner moves with it; nothing may run the clock ahead of real time.
    void step() {
        pace();
        m_window->layoutIfNeeded();
    }
    std::string hudText() const {
        return m_handOver && m_handOver->hud->labelText() ? *m_handOver->hud->labelText() : std::string();
    }
    std::string hudDetails() const {
        return m_handOver && m_handOver->hud->detailsLabelText() ? *m_handOver->hud->detailsLabelText() : std::string();
    }
    // Keeps what the screen shows under <build>/artifacts/store.
    gfx::Image keepScreen(const std::string& name) {
        m_window->layoutIfNeeded();
        gfx::Image img = renderScreen();
        const auto dir = std::filesystem::current_path().parent_path() / "artifacts" / "store";
        std::filesystem::create_directories(dir);
        img.writePNG((dir / (name + ".png")).string());
        return img;
    }
    std::vector<std::string> params(standin::Host host, const std::string& path, const std::string& key) const {
        std::vector<std::string> out;
        for (const auto& r : m_site->requests(host, path))
            out.push_back(r.param(key));
        return out;
    }

    std::shared_ptr<ui::NavigationController> m_nav;
    std::shared_ptr<HudHandOver> m_handOver;
    std::unique_ptr<DownManager> m_downManager;
};

} // namespace pw::test
