#include "reader/ListScreenTransition.h"

#include "platform/ui/Animation.h"
#include "platform/ui/NavigationController.h"

#include <memory>

namespace pw {

void pushListScreenTransition(ui::ViewController& screen, const std::string& key) {
    auto* nav = screen.navigationController();
    if (!nav)
        return;
    ui::TransitionSubtype from = ui::TransitionSubtype::FromRight;
    if (screen.interfaceOrientation() == device::Orientation::LandscapeRight)
        from = ui::TransitionSubtype::FromBottom;
    else if (screen.interfaceOrientation() == device::Orientation::LandscapeLeft)
        from = ui::TransitionSubtype::FromTop;
    nav->view()->layer()->addAnimation(std::make_shared<ui::Transition>(ui::TransitionType::Push, from, 0.25), key);
}

} // namespace pw
