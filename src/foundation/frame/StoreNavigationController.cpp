#include "foundation/frame/StoreNavigationController.h"

namespace pw {

void StoreNavigationController::viewDidLoad() {
    NavigationController::viewDidLoad();
    navigationBar().setTintColor(gfx::Color::fromRGB255(50, 50, 50, 1));
}

} // namespace pw
