#include "foundation/frame/RZNavigationController.h"

namespace pw {

std::shared_ptr<ui::ViewController> RZNavigationController::popViewControllerAnimated(bool animated) {
    if (auto d = m_rzDelegate.lock()) {
        d->customViewControllerAnimated();
        m_rzDelegate.reset();
        return NavigationController::popViewControllerAnimated(false);
    }
    return NavigationController::popViewControllerAnimated(animated);
}

} // namespace pw
