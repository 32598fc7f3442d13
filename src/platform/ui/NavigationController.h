#pragma once
// A stack of screens under a navigation bar. Pushing slides the new screen in
// from the right while the old one leaves to the left; popping does the reverse.
#include "platform/ui/NavigationBar.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <vector>

namespace pw::ui {

class NavigationController;

class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void willShowViewController(NavigationController&, ViewController&, bool /*animated*/) {}
    virtual void didShowViewController(NavigationController&, ViewController&, bool /*animated*/) {}
};

class NavigationController : public ViewController {
public:
    static constexpr double kTransitionDuration = 0.35;

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_stack; }
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool animated);
    ViewController* topViewController() const { return m_stack.empty() ? nullptr : m_stack.back().get(); }
    // The modal screen over the top one, or the top one.
    ViewController* visibleViewController() const;

    virtual void pushViewController(std::shared_ptr<ViewController> vc, bool animated);
    // Returns the screen taken off (none for the root).
    virtual std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<ViewController>> popToViewController(const ViewController* vc, bool animated);

    NavigationBar& navigationBar();
    bool isNavigationBarHidden() const { return m_barHidden; }
    void setNavigationBarHidden(bool hidden, bool animated);
    bool isToolbarHidden() const { return m_toolbarHidden; }
    void setToolbarHidden(bool hidden, bool /*animated*/) { m_toolbarHidden = hidden; }

    void setDelegate(std::weak_ptr<NavigationControllerDelegate> d) { m_delegate = std::move(d); }
    std::shared_ptr<NavigationControllerDelegate> delegate() const { return m_delegate.lock(); }

    bool isTransitioning() const { return m_transitioning; }
    // The area screens are shown in (the view's bounds below the bar).
    gfx::Rect contentFrame() const;
    std::optional<gfx::Rect> frameForChildView(const ViewController& child) override;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willRotateToInterfaceOrientation(device::Orientation o, double duration) override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void didRotateFromInterfaceOrientation(device::Orientation o) override;
    void layoutContent();
    ViewController* childViewControllerForLayout() const override { return topViewController(); }

protected:
    NavigationController() = default;
    explicit NavigationController(std::shared_ptr<ViewController> root);
    friend class ViewController;

private:
    enum class Direction { Push, Pop };
    void transition(ViewController* from, const std::shared_ptr<ViewController>& to, Direction dir, bool animated,
                    std::vector<std::shared_ptr<ViewController>> leaving);
    void finishRunningTransition();
    void updateBar();

    std::vector<std::shared_ptr<ViewController>> m_stack;
    std::shared_ptr<NavigationBar> m_bar;
    std::shared_ptr<View> m_container;
    bool m_barHidden = false;
    bool m_toolbarHidden = true;
    bool m_transitioning = false;
    std::vector<std::shared_ptr<View>> m_animatingViews;
    std::weak_ptr<NavigationControllerDelegate> m_delegate;
};

} // namespace pw::ui
