#pragma once
// The first screen. Until the bookshelf subsystem brings the real one, it does
// the start-up the rest of the system relies on -- the folders under the home,
// the main database and the silent login -- and shows an empty shelf.
#include "foundation/widgets/ProgressHUD.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"

#include <filesystem>
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
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

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
