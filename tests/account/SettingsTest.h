#pragma once
// The settings screens on a headless window: a navigation stack in a fresh
// home with its folders and main database, the application delegate the
// screens read `supportRotate` from, and helpers that find a row's controls
// and keep screenshots under <build>/artifacts/account.
#include "foundation/db/MainDB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/paths/AppPaths.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/UiTestSupport.h"

#include <filesystem>
#include <functional>
#include <vector>
#include <string>

namespace pw::test {

// Answers every alert still on screen with its first button, as a user
// would before leaving; an alert left up keeps its window alive.
inline void dismissAlerts() {
    std::function<void(ui::View&, std::vector<ui::AlertView*>&)> collect = [&](ui::View& v, auto& out) {
        if (auto* a = dynamic_cast<ui::AlertView*>(&v); a && a->isVisible())
            out.push_back(a);
        for (auto& sub : v.subviews())
            collect(*sub, out);
    };
    std::vector<ui::AlertView*> alerts;
    for (auto& w : ui::Application::shared().windows())
        collect(*w, alerts);
    for (auto* a : alerts)
        a->dismissWithClickedButtonIndex(0, false);
}

class SettingsScreenTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        for (const auto& folder : AppPaths::startupFolders())
            std::filesystem::create_directories(m_home / folder);
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        m_app = std::make_shared<PagewellAppDelegate>();
        ui::Application::shared().setDelegate(m_app);
        m_nav = ui::ViewController::create<ui::NavigationController>();
        m_window->setRootViewController(m_nav);
        m_nav->setViewControllers({ui::ViewController::create<ui::ViewController>()}, false);
        settle();
    }

    void TearDown() override {
        // The screens go first: a login screen's late answer (its kit fetch
        // failing on a busy machine) would otherwise raise an alert after the
        // sweep below, and an alert left up never lets go of its window.
        m_window->setRootViewController(nullptr);
        m_nav.reset();
        settle();
        dismissAlerts();
        settle();
        ui::Application::shared().setDelegate(nullptr);
        m_app.reset();
        UiTest::TearDown();
    }

    void push(const std::shared_ptr<ui::ViewController>& screen) {
        m_nav->pushViewController(screen, false);
        settle();
    }

    // The first control of a kind in a row's cell (the row brought into sight).
    template <typename T>
    static T* controlOf(ui::TableView& table, const ui::IndexPath& ip) {
        table.scrollToRow(ip, ui::TableViewScrollPosition::Middle, false);
        table.layoutIfNeeded();
        auto* cell = table.cellForRow(ip);
        return cell ? find<T>(*cell) : nullptr;
    }

    template <typename T>
    static T* find(ui::View& v) {
        for (auto& sub : v.subviews()) {
            if (auto* t = dynamic_cast<T*>(sub.get()))
                return t;
            if (auto* t = find<T>(*sub))
                return t;
        }
        return nullptr;
    }

    // Every text of the labels in a view, in tree order.
    static std::string labelsOf(ui::View& v);

    // Writes the screen as it is now into the artifacts folder and returns it.
    gfx::Image keepScreenshot(const std::string& name) {
        for (auto& w : ui::Application::shared().windows())
            w->layoutIfNeeded();
        gfx::Image image = renderScreen();
        const std::filesystem::path dir = PW_ARTIFACTS_DIR;
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(image.writePNG((dir / (name + ".png")).string()));
        return image;
    }

    // How many pixels of a view's area on the rendered screen pass a test.
    template <typename F>
    static int pixelsOf(const gfx::Image& screen, ui::View& v, F pred) {
        return countPixels(screen, v.convertRectToView(v.bounds(), nullptr), pred);
    }
    static bool isRed(gfx::Pixel p) { return p.r > 180 && p.g < 90 && p.b < 90; }
    static bool isBlue(gfx::Pixel p) { return p.b > 150 && p.r < 90; }

    std::shared_ptr<PagewellAppDelegate> m_app;
    std::shared_ptr<ui::NavigationController> m_nav;
};

inline std::string SettingsScreenTest::labelsOf(ui::View& v) {
    std::string out;
    for (auto& sub : v.subviews()) {
        if (auto* label = dynamic_cast<ui::Label*>(sub.get()); label && !label->isHidden())
            out += label->text() + "|";
        out += labelsOf(*sub);
    }
    return out;
}

} // namespace pw::test
