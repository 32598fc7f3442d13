#pragma once
// Screens side by side behind a bar of tabs at the bottom; a tap on a tab
// shows its screen.
#include "platform/gfx/Image.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw::ui {

class TabBarController;

class TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    virtual bool shouldSelectViewController(TabBarController&, ViewController&) { return true; }
    virtual void didSelectViewController(TabBarController&, ViewController&) {}
};

// What one tab shows: set on the screen it stands for.
struct TabBarItem {
    std::string title;
    gfx::Image image;
    std::string badgeValue;
};

class TabBarController : public ViewController {
public:
    static constexpr double kBarHeight = 49;

    void setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_tabs; }
    // Items by tab, in the same order as the screens.
    void setTabBarItems(std::vector<TabBarItem> items);
    const std::vector<TabBarItem>& tabBarItems() const { return m_items; }

    size_t selectedIndex() const { return m_selected; }
    void setSelectedIndex(size_t index);
    ViewController* selectedViewController() const;
    void setDelegate(std::weak_ptr<TabBarControllerDelegate> d) { m_delegate = std::move(d); }

    View& tabBar();
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void layoutContent();
    std::optional<gfx::Rect> frameForChildView(const ViewController& child) override;
    ViewController* childViewControllerForLayout() const override { return selectedViewController(); }
    // The bar is hidden while the shown tab's navigation stack holds a pushed
    // screen with hidesBottomBarWhenPushed.
    bool isTabBarHidden() const;
    // A tab was tapped (the bar calls this).
    void tabTapped(size_t index);

protected:
    TabBarController() = default;
    friend class ViewController;

private:
    void show(size_t index);
    // The area above the bar (all of the view while the bar is hidden).
    gfx::Rect contentBounds();
    std::vector<std::shared_ptr<ViewController>> m_tabs;
    std::vector<TabBarItem> m_items;
    size_t m_selected = 0;
    std::shared_ptr<View> m_bar;
    std::shared_ptr<View> m_content;
    std::weak_ptr<TabBarControllerDelegate> m_delegate;
};

} // namespace pw::ui
