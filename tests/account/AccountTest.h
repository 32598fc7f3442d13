#pragma once
// Account screens against the stand-in site and its account service, on a
// navigation stack in the test window, with the real account kit. Pictures of
// the screens go to artifacts/account/ under the build folder.
#include "site/SiteTest.h"

#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/core/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"

#include <filesystem>

namespace pw::test {

class AccountTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        core::Log::setLevel(core::LogLevel::Silent);
        zelConfig::overrideMacAddress(std::string("0A1B2C3D4E5F"));
        zelOpenAPI::resetKit();
        m_root = ui::ViewController::create();
        m_nav = ui::ViewController::create<ui::NavigationController>(m_root);
        m_window->setRootViewController(m_nav);
        settle();
    }
    void TearDown() override {
        closeAlerts();
        if (m_nav) {
            m_nav->popToRootViewControllerAnimated(false);
            settle();
        }
        m_window->setRootViewController(nullptr);
        m_nav.reset();
        m_root.reset();
        settle();
        zelOpenAPI::resetKit();
        zelConfig::clearMacOverride();
        core::Log::setLevel(core::LogLevel::Info);
        SiteTest::TearDown();
    }

    void push(const std::shared_ptr<ui::ViewController>& screen) {
        m_nav->pushViewController(screen, false);
        settle();
    }
    ui::ViewController* top() const { return m_nav->topViewController(); }

    // Lets answers arrive and animations end, for `seconds` of clock.
    void run(double seconds) {
        advance(seconds);
        settle();
    }

    // Closes an alert as a tap on its button would.
    static void press(const std::shared_ptr<ui::AlertView>& alert, int64_t index) {
        ASSERT_TRUE(alert);
        alert->dismissWithClickedButtonIndex(index, false);
    }

    // Keeps a picture of the screen as it is drawn now.
    gfx::Image keepPicture(const std::string& name) {
        settle();
        auto image = renderScreen();
        const std::filesystem::path dir = std::filesystem::path(PW_ARTIFACT_DIR) / "account";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        image.writePNG((dir / (name + ".png")).string());
        return image;
    }

    std::shared_ptr<ui::ViewController> m_root;
    std::shared_ptr<ui::NavigationController> m_nav;
};

} // namespace pw::test
