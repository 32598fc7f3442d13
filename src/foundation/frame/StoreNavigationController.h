#pragma once
// The navigation stack of one of the store's tabs: a dark grey bar.
#include "platform/ui/NavigationController.h"

namespace pw {

class StoreNavigationController : public ui::NavigationController {
public:
    static std::shared_ptr<StoreNavigationController> create(std::shared_ptr<ui::ViewController> root) {
        return ui::ViewController::create<StoreNavigationController>(std::move(root));
    }
    void viewDidLoad() override;

protected:
    using NavigationController::NavigationController;
    friend class ui::ViewController;
};

} // namespace pw
