#pragma once
// A top-level view: the root of a layer tree the compositor draws, the place
// touches arrive, and the holder of the root view controller. Windows stack by
// level (normal, status bar, alert).
#include "platform/device/Device.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

#include <map>
#include <memory>

namespace pw::ui {

class ViewController;

constexpr double kWindowLevelNormal = 0;
constexpr double kWindowLevelAlert = 2000;
constexpr double kWindowLevelStatusBar = 1000;

class Window : public View, public LayerHost {
public:
    ~Window() override;

    double windowLevel() const { return m_level; }
    void setWindowLevel(double level);

    // Shows the window and makes it the one that takes keys.
    void makeKeyAndVisible();
    void makeKeyWindow();
    // Shows the window without taking the keys (overlays above the others).
    void makeVisible();
    bool isKeyWindow() const;
    // Takes the window off the screen (it stays alive while its owner keeps it).
    void resignVisible();
    bool isVisible() const { return m_visible; }

    const std::shared_ptr<ViewController>& rootViewController() const { return m_root; }
    void setRootViewController(std::shared_ptr<ViewController> vc);
    // Turns the root view to the interface orientation (status bar included).
    // The root fills the window below a shown status bar, or the whole window
    // when the screen it shows wants full-screen layout.
    void applyInterfaceOrientation(device::Orientation o, bool animated);
    // Lays the root out again where the status bar's state or the shown
    // screen's wish for full-screen layout changed; nothing moves when the
    // root's place stays the same.
    void layoutRootForStatusBar();

    // One touch event in window coordinates.
    void handleTouch(int id, TouchPhase phase, gfx::Point location, double timestamp);
    bool hasActiveTouches() const { return !m_touches.empty(); }
    void cancelAllTouches();

    // --- LayerHost ---
    void layerTreeNeedsRedraw(const gfx::Rect& rectInRoot) override;
    bool layerTreeIsVisible() const override { return m_visible && !isHidden(); }

    // Called by the gesture machinery.
    void gestureDidRecognize(GestureRecognizer* recognizer);
    // A view leaves this window: its touches and first-responder status go.
    void viewWillLeave(View* view);

protected:
    Window();
    explicit Window(const gfx::Rect& frame);
    void didCreate() override;
    friend class View;

private:
    struct ActiveTouch {
        std::unique_ptr<Touch> touch;
        bool cancelledForView = false;
    };
    void deliverToView(ActiveTouch& at, TouchPhase phase);
    void finishSequenceIfIdle();

    double m_level = kWindowLevelNormal;
    bool m_visible = false;
    std::shared_ptr<ViewController> m_root;
    std::map<int, ActiveTouch> m_touches;
    // The last finished tap, for counting double taps.
    gfx::Point m_lastTapPoint;
    double m_lastTapTime = -1;
    int m_lastTapCount = 0;
};

} // namespace pw::ui
