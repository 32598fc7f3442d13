#pragma once

namespace pw {

// A screen that animates the next pop itself (a transition on the navigation
// controller's layer) before the controller pops without animation.
class RZNavigationControllerDelegate {
public:
    virtual ~RZNavigationControllerDelegate() = default;
    virtual void customViewControllerAnimated() = 0;
};

} // namespace pw
