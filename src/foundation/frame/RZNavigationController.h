#pragma once
// The main navigation stack. A screen that set itself as rzDelegate gets to
// animate the next pop its own way; the delegate is used for that one pop only.
#include "foundation/frame/RZNavigationControllerDelegate.h"
#include "platform/ui/NavigationController.h"

namespace pw {

class RZNavigationController : public ui::NavigationController {
public:
    static std::shared_ptr<RZNavigationController> create(std::shared_ptr<ui::ViewController> root) {
        return ui::ViewController::create<RZNavigationController>(std::move(root));
    }

    std::shared_ptr<RZNavigationControllerDelegate> rzDelegate() const { return m_rzDelegate.lock(); }
    void setRzDelegate(std::weak_ptr<RZNavigationControllerDelegate> d) { m_rzDelegate = std::move(d); }

    std::shared_ptr<ui::ViewController> popViewControllerAnimated(bool animated) override;

protected:
    using NavigationController::NavigationController;
    friend class ui::ViewController;

private:
    std::weak_ptr<RZNavigationControllerDelegate> m_rzDelegate; // not retained
};

} // namespace pw
