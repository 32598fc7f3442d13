#pragma once
// Manages one screen's view: loads it on first use, tells of its appearance,
// answers rotation, and presents other controllers modally.
#include "platform/device/Device.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Responder.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw::ui {

class NavigationController;
class Window;

class ViewController : public Responder, public std::enable_shared_from_this<ViewController> {
public:
    template <typename T = ViewController, typename... Args>
    static std::shared_ptr<T> create(Args&&... args) {
        return std::shared_ptr<T>(new T(std::forward<Args>(args)...));
    }
    ~ViewController() override;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // --- the view ---
    const std::shared_ptr<View>& view();
    bool isViewLoaded() const { return m_view != nullptr; }
    void setView(std::shared_ptr<View> view);
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewDidUnload() {}
    virtual void viewWillAppear(bool) {}
    virtual void viewDidAppear(bool) {}
    virtual void viewWillDisappear(bool) {}
    virtual void viewDidDisappear(bool) {}
    virtual void viewWillLayoutSubviews() {}
    virtual void didReceiveMemoryWarning() {}

    // --- rotation ---
    virtual bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
        return o == device::Orientation::Portrait;
    }
    virtual void willRotateToInterfaceOrientation(device::Orientation, double) {}
    virtual void willAnimateRotationToInterfaceOrientation(device::Orientation, double) {}
    virtual void didRotateFromInterfaceOrientation(device::Orientation) {}
    device::Orientation interfaceOrientation() const;

    // --- identity ---
    const std::string& title() const { return m_navigationItem.title; }
    virtual void setTitle(std::string t);
    NavigationItem& navigationItem() { return m_navigationItem; }
    NavigationController* navigationController() const;
    ViewController* parentViewController() const { return m_parent; }
    // A screen that wants full-screen layout is laid out over the whole
    // window, under the status bar when the bar shows; the others stand below
    // a shown bar. Changing the wish lays the window out again at once.
    bool wantsFullScreenLayout() const { return m_wantsFullScreenLayout; }
    void setWantsFullScreenLayout(bool w);
    // Whether the screen shown through this controller (itself, or the one its
    // container shows, all the way down) wants full-screen layout: what the
    // window asks of its root.
    bool shownWantsFullScreenLayout() const;
    // The child whose screen a container shows and so whose wish counts; none
    // for a plain screen.
    virtual ViewController* childViewControllerForLayout() const { return nullptr; }
    bool hidesBottomBarWhenPushed = false;
    int tag = 0;

    // --- containment ---
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return m_children; }
    void addChildViewController(std::shared_ptr<ViewController> child);
    void removeFromParentViewController();

    // --- modal presentation ---
    void presentModalViewController(std::shared_ptr<ViewController> vc, bool animated);
    void presentViewController(std::shared_ptr<ViewController> vc, bool animated,
                               std::function<void()> completion = {});
    void dismissModalViewControllerAnimated(bool animated);
    void dismissViewController(bool animated, std::function<void()> completion = {});
    ViewController* modalViewController() const { return m_presented.get(); }
    ViewController* presentedViewController() const { return m_presented.get(); }
    ViewController* presentingViewController() const { return m_presenting; }
    static constexpr double kModalDuration = 0.3;

    Responder* nextResponder() const override;

    // The frame a child's view takes in this container, known before the
    // child builds its controls; none when this controller places its
    // children's views itself.
    virtual std::optional<gfx::Rect> frameForChildView(const ViewController& child);

    // Appearance as a container drives it for its children.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    bool isAppearing() const { return m_appearState == AppearState::Appeared; }

protected:
    ViewController() = default;
    friend class Window;
    friend class NavigationController;
    // The window this controller shows in, through its container or presenter.
    Window* hostWindow() const;
    // The shown screen may have changed its wish: the window lays its root out again.
    void fullScreenLayoutMayHaveChanged() const;

    Window* m_window = nullptr;
    device::Orientation m_interfaceOrientation = device::Orientation::Portrait;

private:
    // Where the view will show: the container's area for it, the covered
    // screen's size for a presented one, the window's for the root.
    std::optional<gfx::Rect> containerFrame();
    enum class AppearState { Disappeared, Appearing, Appeared, Disappearing };
    std::shared_ptr<View> m_view;
    NavigationItem m_navigationItem;
    ViewController* m_parent = nullptr;
    std::vector<std::shared_ptr<ViewController>> m_children;
    std::shared_ptr<ViewController> m_presented;
    ViewController* m_presenting = nullptr;
    bool m_wantsFullScreenLayout = false;
    AppearState m_appearState = AppearState::Disappeared;
    bool m_appearAnimated = false;
};

} // namespace pw::ui
