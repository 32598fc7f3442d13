#pragma once
// The process's one application object: its delegate and life cycle, the
// windows and the key window, the first responder, the 20-point status bar,
// the interface orientation, and the way in for touches and keys from the
// front end. Animations are driven from here by a run-loop timer.
#include "platform/core/Timer.h"
#include "platform/device/Device.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/Touch.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pw::ui {

class Application;
class Responder;
class Window;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual bool didFinishLaunching(Application&) { return true; }
    virtual void willResignActive(Application&) {}
    virtual void didEnterBackground(Application&) {}
    virtual void willEnterForeground(Application&) {}
    virtual void didBecomeActive(Application&) {}
    virtual void willTerminate(Application&) {}
    virtual void didReceiveMemoryWarning(Application&) {}
};

enum class StatusBarStyle { Default = 0, BlackTranslucent = 1, BlackOpaque = 2 };
enum class ApplicationState { Active, Inactive, Background };

// Notification names the platform posts on the default centre.
inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kDeviceOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";
inline constexpr const char* kMemoryWarningNotification = "UIApplicationDidReceiveMemoryWarningNotification";
inline constexpr const char* kDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* kDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kWillTerminateNotification = "UIApplicationWillTerminateNotification";
// Posted before the status bar turns with the interface; the payload's
// kStatusBarFrameUserInfoKey holds the new frame (x, y, width, height).
inline constexpr const char* kWillChangeStatusBarFrameNotification =
    "UIApplicationWillChangeStatusBarFrameNotification";
inline constexpr const char* kStatusBarFrameUserInfoKey = "UIApplicationStatusBarFrameUserInfoKey";

class Application {
public:
    static Application& shared();

    // --- life cycle ---
    void setDelegate(std::shared_ptr<ApplicationDelegate> d) { m_delegate = std::move(d); }
    ApplicationDelegate* delegate() const { return m_delegate.get(); }
    // Tells the delegate the launch is done and makes the application active.
    bool launch();
    void resignActive();
    void enterBackground();
    void enterForeground();
    void becomeActive();
    void terminate();
    void simulateMemoryWarning();
    ApplicationState state() const { return m_state; }

    // --- windows ---
    std::vector<std::shared_ptr<Window>> windows() const; // visible ones, back to front
    Window* keyWindow() const { return m_keyWindow; }
    void setKeyWindow(Window* w);

    // --- first responder and keys ---
    Responder* firstResponder() const { return m_firstResponder; }
    bool makeFirstResponder(Responder* r);
    void responderGone(Responder* r);
    void sendText(const std::string& utf8);
    void sendBackspace();
    void sendReturn();
    // Whether typing goes through a keyboard drawn on the screen. The front
    // end types with the computer's own keyboard, so by default there is none:
    // no keyboard notices are posted and the keyboard takes no height.
    bool hasOnScreenKeyboard() const { return m_onScreenKeyboard; }
    void setHasOnScreenKeyboard(bool has) { m_onScreenKeyboard = has; }
    // Height of the on-screen keyboard in points (0 while hidden or when there is none).
    double keyboardHeight() const { return m_keyboardVisible && m_onScreenKeyboard ? keyboardFullHeight() : 0; }
    double keyboardFullHeight() const;

    // --- touches from the front end, screen coordinates ---
    void sendTouch(int id, TouchPhase phase, gfx::Point screenPoint, double timestamp);
    void beginIgnoringInteractionEvents() { ++m_ignoring; }
    void endIgnoringInteractionEvents() {
        if (m_ignoring > 0)
            --m_ignoring;
    }
    bool isIgnoringInteractionEvents() const { return m_ignoring > 0; }

    // --- status bar and orientation ---
    StatusBarStyle statusBarStyle() const { return m_statusBarStyle; }
    void setStatusBarStyle(StatusBarStyle s);
    // Whether the bar takes room: screens lay out below it unless they want
    // full-screen layout. The state changes at once; an animated change slides
    // the bar's drawing in from above or out upward over
    // kStatusBarSlideDuration while the screens already stand where they will.
    bool isStatusBarHidden() const { return m_statusBarHidden; }
    void setStatusBarHidden(bool h, bool animated = false);
    static constexpr double kStatusBarSlideDuration = 0.3;
    // Whether the bar is drawn: shown, or still sliding out.
    bool isStatusBarDrawn() const;
    // How far above its place the bar is drawn at the animator's time: 0 when
    // settled, up to its height while it slides.
    double statusBarSlideOffset() const;
    static constexpr double kStatusBarHeight = 20;
    // How long the bar takes to turn with an animated orientation change.
    static constexpr double kStatusBarRotationDuration = 0.3;
    double statusBarHeight() const { return m_statusBarHidden ? 0 : kStatusBarHeight; }
    // In screen (portrait) coordinates; empty while hidden.
    gfx::Rect statusBarFrame() const;
    // Where the bar stands along the interface's top edge, shown or not.
    gfx::Rect statusBarPlace() const;
    device::Orientation statusBarOrientation() const { return m_orientation; }
    void setStatusBarOrientation(device::Orientation o, bool animated = false);
    gfx::Rect screenBounds() const;
    // The screen less the status bar, in portrait screen coordinates.
    gfx::Rect applicationFrame() const;

    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool d) { m_idleTimerDisabled = d; }
    // Safe from any thread; the compositor sees the change at its next frame.
    bool isNetworkActivityIndicatorVisible() const { return m_networkActivity.load(); }
    void setNetworkActivityIndicatorVisible(bool v) { m_networkActivity.store(v); }

    // Opens an http or https URL with the desktop's handler (xdg-open); false
    // for any other address and when none could start.
    bool openURL(const std::string& url);
    void setURLOpener(std::function<bool(const std::string&)> opener) { m_urlOpener = std::move(opener); }

    // --- redraw ---
    // Marks a screen area. Areas are kept as a few disjoint rects, merged only
    // when they touch (or when there would be too many), so two small changes at
    // opposite corners do not redraw the screen between them.
    void setNeedsRedraw(const gfx::Rect& screenRect);
    void setNeedsFullRedraw();
    static constexpr size_t kMaxDirtyRects = 8;
    // Takes the areas to redraw, whole points (none when nothing changed).
    std::vector<gfx::Rect> takeDirtyRects();

    // --- animation driving ---
    // Starts the run-loop timer that ticks the animator while it has work.
    void startAnimationDriver();
    // Runs the main run loop until the animator is idle or `seconds` of clock time
    // pass; with a manual clock it advances the clock frame by frame.
    void runAnimations(double seconds = 5);
    static constexpr double kFrameInterval = 1.0 / 60;

    // Back to a fresh state (tests): windows, responder, bar, orientation.
    void reset();

    // Called by windows.
    void registerWindow(const std::shared_ptr<Window>& w);
    void windowGone(Window* w);
    void windowHidden(Window* w);

private:
    Application() = default;
    void post(const char* name);
    void watchDeviceOrientation();
    void showKeyboard(bool show);
    Window* windowForTouch(gfx::Point screenPoint);

    std::shared_ptr<ApplicationDelegate> m_delegate;
    ApplicationState m_state = ApplicationState::Inactive;
    std::vector<std::weak_ptr<Window>> m_windows;
    Window* m_keyWindow = nullptr;
    Responder* m_firstResponder = nullptr;
    bool m_keyboardVisible = false;
    bool m_onScreenKeyboard = false;
    std::map<int, std::weak_ptr<Window>> m_touchWindows;
    int m_ignoring = 0;
    StatusBarStyle m_statusBarStyle = StatusBarStyle::Default;
    bool m_statusBarHidden = false;
    // The running slide: its start on the animator's clock (none below 0) and
    // whether it brings the bar in.
    double m_statusBarSlideStart = -1;
    bool m_statusBarSlidingIn = false;
    uint64_t m_statusBarSlideTicker = 0;
    double statusBarSlideProgress() const;
    void stopStatusBarSlide();
    device::Orientation m_orientation = device::Orientation::Portrait;
    bool m_idleTimerDisabled = false;
    std::atomic<bool> m_networkActivity{false};
    std::function<bool(const std::string&)> m_urlOpener;
    std::vector<gfx::Rect> m_dirty;
    std::shared_ptr<core::Timer> m_driver;
};

} // namespace pw::ui
