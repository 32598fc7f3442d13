#pragma once
// The first screen. Until the bookshelf subsystem brings the real one, it does
// the start-up the rest of the system relies on -- the folders under the home,
// the main database and the silent login -- and shows an empty shelf.
#include "foundation/widgets/ProgressHUD.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace pw {

class AutoLogin;

class MainViewController : public ui::ViewController, public ui::NavigationControllerDelegate {
public:
    static std::shared_ptr<MainViewController> create() { return ViewController::create<MainViewController>(); }

    // The folders made at start-up, relative to the home.
    static std::vector<std::filesystem::path> startupFolders();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    // The import screen and the Wi-Fi screen belong to a later library; the
    // application hands over how to make them at start.
    using ScreenMaker = std::function<std::shared_ptr<ui::ViewController>()>;
    static void setImportScreenMaker(ScreenMaker maker);
    static void setWifiScreenMaker(ScreenMaker maker);
    // Pushes the import screen (animated); nothing when none is installed.
    void importLocalBook();
    void openWifiTransfer();

    ProgressHUD* progressHUD() const { return m_progressHUD.get(); }
    bool mainDBReady() const { return m_mainDBReady; }

protected:
    MainViewController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<ProgressHUD> m_progressHUD;
    std::shared_ptr<AutoLogin> m_autoLogin;
    bool m_mainDBReady = false;
};

} // namespace pw
