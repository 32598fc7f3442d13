#include "platform/ui/Application.h"

#include "platform/core/ManualClock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Responder.h"
#include "platform/ui/TextInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <cctype>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <thread>
#include <utility>

extern char** environ;

namespace pw::ui {

namespace {
// A rectangle in a notification's payload.
core::Value rectValue(const gfx::Rect& r) {
    core::Value v = core::Value::map();
    v.set("x", r.x());
    v.set("y", r.y());
    v.set("width", r.width());
    v.set("height", r.height());
    return v;
}
} // namespace

Application& Application::shared() {
    static Application* app = [] {
        auto* a = new Application(); // lives for the whole process: windows reach it from destructors
        Animator::shared().setWakeHandler([a] { a->startAnimationDriver(); });
        a->watchDeviceOrientation();
        return a;
    }();
    return *app;
}

void Application::watchDeviceOrientation() {
    device::Device::current().setOrientationObserver([](device::Orientation) {
        core::NotificationCenter::defaultCenter().post(kDeviceOrientationDidChangeNotification);
    });
}

void Application::post(const char* name) {
    core::NotificationCenter::defaultCenter().post(name, {}, this);
}

bool Application::launch() {
    PW_ASSERT_MAIN_THREAD();
    bool ok = true;
    if (m_delegate)
        ok = m_delegate->didFinishLaunching(*this);
    becomeActive();
    return ok;
}

void Application::resignActive() {
    PW_ASSERT_MAIN_THREAD();
    if (m_state != ApplicationState::Active)
        return;
    if (m_delegate)
        m_delegate->willResignActive(*this);
    m_state = ApplicationState::Inactive;
    post(kWillResignActiveNotification);
}

void Application::enterBackground() {
    PW_ASSERT_MAIN_THREAD();
    resignActive();
    if (m_state == ApplicationState::Background)
        return;
    m_state = ApplicationState::Background;
    if (m_delegate)
        m_delegate->didEnterBackground(*this);
    post(kDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    PW_ASSERT_MAIN_THREAD();
    if (m_state != ApplicationState::Background)
        return;
    if (m_delegate)
        m_delegate->willEnterForeground(*this);
    m_state = ApplicationState::Inactive;
    post(kWillEnterForegroundNotification);
}

void Application::becomeActive() {
    PW_ASSERT_MAIN_THREAD();
    if (m_state == ApplicationState::Active)
        return;
    if (m_state == ApplicationState::Background)
        enterForeground();
    m_state = ApplicationState::Active;
    if (m_delegate)
        m_delegate->didBecomeActive(*this);
    post(kDidBecomeActiveNotification);
}

void Application::terminate() {
    PW_ASSERT_MAIN_THREAD();
    if (m_delegate)
        m_delegate->willTerminate(*this);
    post(kWillTerminateNotification);
}

void Application::simulateMemoryWarning() {
    PW_ASSERT_MAIN_THREAD();
    if (m_delegate)
        m_delegate->didReceiveMemoryWarning(*this);
    post(kMemoryWarningNotification);
}

// --- windows ---

void Application::registerWindow(const std::shared_ptr<Window>& w) {
    m_windows.push_back(w);
}

void Application::windowGone(Window* w) {
    if (m_keyWindow == w)
        m_keyWindow = nullptr;
    m_windows.erase(std::remove_if(m_windows.begin(), m_windows.end(),
                                   [w](const auto& weak) {
                                       auto s = weak.lock();
                                       return !s || s.get() == w;
                                   }),
                    m_windows.end());
    setNeedsFullRedraw();
}

void Application::windowHidden(Window* w) {
    if (m_keyWindow != w)
        return;
    m_keyWindow = nullptr;
    // The key goes back to the topmost window still shown.
    auto shown = windows();
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        if (it->get() != w) {
            m_keyWindow = it->get();
            break;
        }
}

std::vector<std::shared_ptr<Window>> Application::windows() const {
    std::vector<std::shared_ptr<Window>> out;
    for (const auto& weak : m_windows)
        if (auto w = weak.lock(); w && w->isVisible())
            out.push_back(std::move(w));
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a->windowLevel() < b->windowLevel(); });
    return out;
}

void Application::setKeyWindow(Window* w) {
    PW_ASSERT_MAIN_THREAD();
    m_keyWindow = w;
}

// --- first responder and keys ---

bool Application::makeFirstResponder(Responder* r) {
    PW_ASSERT_MAIN_THREAD();
    if (r == m_firstResponder)
        return true;
    Responder* old = m_firstResponder;
    if (old && !old->canResignFirstResponder() && r)
        return false;
    m_firstResponder = r;
    if (old)
        old->didResignFirstResponder();
    if (r)
        r->didBecomeFirstResponder();
    showKeyboard(r && r->wantsKeyboard());
    TextInput::shared().firstResponderChanged(r);
    return true;
}

void Application::responderGone(Responder* r) {
    TextInput::shared().responderGone(r);
    if (m_firstResponder == r) {
        m_firstResponder = nullptr;
        if (m_keyboardVisible)
            showKeyboard(false);
    }
}

double Application::keyboardFullHeight() const {
    const auto o = m_orientation;
    if (device::Device::current().idiom() == device::Idiom::Pad)
        return device::Device::isLandscape(o) ? 352 : 264;
    return device::Device::isLandscape(o) ? 162 : 216;
}

void Application::showKeyboard(bool show) {
    if (show == m_keyboardVisible)
        return;
    m_keyboardVisible = show;
    // A physical keyboard covers nothing: no view makes room for it.
    if (!m_onScreenKeyboard)
        return;
    const gfx::Rect screen = screenBounds();
    const double h = keyboardFullHeight();
    const gfx::Rect shown(0, screen.height() - h, screen.width(), h);
    const gfx::Rect hidden(0, screen.height(), screen.width(), h);
    core::Value info = core::Value::map();
    info.set("frameBegin", rectValue(show ? hidden : shown));
    info.set("frameEnd", rectValue(show ? shown : hidden));
    info.set("duration", 0.25);
    auto& nc = core::NotificationCenter::defaultCenter();
    nc.post(show ? kKeyboardWillShowNotification : kKeyboardWillHideNotification, info, this);
    nc.post(show ? kKeyboardDidShowNotification : kKeyboardDidHideNotification, info, this);
}

void Application::sendText(const std::string& utf8) {
    PW_ASSERT_MAIN_THREAD();
    if (m_firstResponder && !utf8.empty())
        m_firstResponder->insertText(utf8);
}

void Application::sendBackspace() {
    PW_ASSERT_MAIN_THREAD();
    if (m_firstResponder)
        m_firstResponder->deleteBackward();
}

void Application::sendReturn() {
    PW_ASSERT_MAIN_THREAD();
    if (m_firstResponder)
        m_firstResponder->insertNewline();
}

// --- touches ---

Window* Application::windowForTouch(gfx::Point p) {
    auto shown = windows();
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        Window* w = it->get();
        if (w->isHidden() || !w->isUserInteractionEnabled())
            continue;
        const gfx::Point local = w->layer()->model().toSuperlayer().inverted().apply(p);
        if (w->hitTest(local))
            return w;
    }
    return nullptr;
}

void Application::sendTouch(int id, TouchPhase phase, gfx::Point screenPoint, double timestamp) {
    PW_ASSERT_MAIN_THREAD();
    std::shared_ptr<Window> w;
    // Touches are hit-tested against the layout the screen shows.
    for (auto& shown : windows())
        shown->layoutIfNeeded();
    if (phase == TouchPhase::Began) {
        if (m_ignoring > 0)
            return;
        Window* target = windowForTouch(screenPoint);
        if (!target)
            return;
        w = std::static_pointer_cast<Window>(target->sharedFromThis());
        m_touchWindows[id] = w;
    } else {
        auto it = m_touchWindows.find(id);
        if (it == m_touchWindows.end())
            return;
        w = it->second.lock();
        if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
            m_touchWindows.erase(it);
        if (!w)
            return;
    }
    const gfx::Point local = w->layer()->model().toSuperlayer().inverted().apply(screenPoint);
    w->handleTouch(id, phase, local, timestamp);
}

// --- status bar and orientation ---

void Application::setStatusBarStyle(StatusBarStyle s) {
    if (s == m_statusBarStyle)
        return;
    m_statusBarStyle = s;
    setNeedsRedraw(statusBarFrame());
}

void Application::setStatusBarHidden(bool h, bool animated) {
    if (h == m_statusBarHidden)
        return;
    // A slide turned back halfway goes on from where the bar is drawn.
    const double from = statusBarSlideOffset();
    stopStatusBarSlide();
    m_statusBarHidden = h;
    if (animated) {
        const double done = h ? from / kStatusBarHeight : 1 - from / kStatusBarHeight;
        m_statusBarSlideStart = Animator::shared().now() - done * kStatusBarSlideDuration;
        m_statusBarSlidingIn = !h;
        // Keeps frames coming until the slide is over; the compositor redraws
        // the bar's place whenever the offset it draws at changes.
        m_statusBarSlideTicker = Animator::shared().addTicker([this](double) {
            if (statusBarSlideProgress() < 1)
                return true;
            m_statusBarSlideStart = -1;
            m_statusBarSlideTicker = 0;
            setNeedsRedraw(statusBarPlace());
            return false;
        });
    }
    for (auto& w : windows())
        w->layoutRootForStatusBar();
    setNeedsFullRedraw();
}

double Application::statusBarSlideProgress() const {
    if (m_statusBarSlideStart < 0)
        return 1;
    return std::clamp((Animator::shared().now() - m_statusBarSlideStart) / kStatusBarSlideDuration, 0.0, 1.0);
}

void Application::stopStatusBarSlide() {
    if (m_statusBarSlideTicker)
        Animator::shared().removeTicker(m_statusBarSlideTicker);
    m_statusBarSlideTicker = 0;
    m_statusBarSlideStart = -1;
}

bool Application::isStatusBarDrawn() const {
    return !m_statusBarHidden || statusBarSlideProgress() < 1;
}

double Application::statusBarSlideOffset() const {
    const double p = statusBarSlideProgress();
    if (p >= 1)
        return m_statusBarHidden ? kStatusBarHeight : 0;
    return (m_statusBarSlidingIn ? 1 - p : p) * kStatusBarHeight;
}

gfx::Rect Application::screenBounds() const {
    const auto s = device::Device::current().screen();
    return {0, 0, s.width, s.height};
}

gfx::Rect Application::statusBarFrame() const {
    return m_statusBarHidden ? gfx::Rect() : statusBarPlace();
}

gfx::Rect Application::statusBarPlace() const {
    const gfx::Rect s = screenBounds();
    switch (m_orientation) {
    case device::Orientation::PortraitUpsideDown:
        return {0, s.height() - kStatusBarHeight, s.width(), kStatusBarHeight};
    case device::Orientation::LandscapeLeft:
        return {s.width() - kStatusBarHeight, 0, kStatusBarHeight, s.height()};
    case device::Orientation::LandscapeRight:
        return {0, 0, kStatusBarHeight, s.height()};
    default:
        return {0, 0, s.width(), kStatusBarHeight};
    }
}

gfx::Rect Application::applicationFrame() const {
    const gfx::Rect s = screenBounds();
    const double bar = statusBarHeight();
    switch (m_orientation) {
    case device::Orientation::PortraitUpsideDown:
        return {0, 0, s.width(), s.height() - bar};
    case device::Orientation::LandscapeLeft:
        return {0, 0, s.width() - bar, s.height()};
    case device::Orientation::LandscapeRight:
        return {bar, 0, s.width() - bar, s.height()};
    default:
        return {0, bar, s.width(), s.height() - bar};
    }
}

void Application::setStatusBarOrientation(device::Orientation o, bool animated) {
    PW_ASSERT_MAIN_THREAD();
    if (o == device::Orientation::Unknown || o == m_orientation)
        return;
    m_orientation = o;
    core::Value info = core::Value::map();
    info.set(kStatusBarFrameUserInfoKey, rectValue(statusBarFrame()));
    core::NotificationCenter::defaultCenter().post(kWillChangeStatusBarFrameNotification, info, this);
    for (auto& w : windows())
        w->applyInterfaceOrientation(o, animated);
    setNeedsFullRedraw();
}

bool Application::openURL(const std::string& url) {
    // Only web addresses go to the desktop's handler: another scheme could
    // open a local file or program, and a text starting with "-" would be
    // read as an option.
    auto isWeb = [&] {
        std::string head = url.substr(0, 8);
        for (auto& c : head)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return (head.rfind("http://", 0) == 0 && url.size() > 7) || (head.rfind("https://", 0) == 0 && url.size() > 8);
    };
    if (url.empty() || !isWeb())
        return false;
    if (m_urlOpener)
        return m_urlOpener(url);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string prog = "xdg-open";
    char* argv[] = {prog.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

// --- redraw ---

namespace {

// Overlapping or sharing an edge: drawn as one they cost no more than apart.
bool touches(const gfx::Rect& a, const gfx::Rect& b) {
    return a.minX() <= b.maxX() && b.minX() <= a.maxX() && a.minY() <= b.maxY() && b.minY() <= a.maxY();
}

double area(const gfx::Rect& r) {
    return r.width() * r.height();
}

} // namespace

void Application::setNeedsRedraw(const gfx::Rect& r) {
    gfx::Rect add = r.intersection(screenBounds()).integral();
    if (add.isEmpty())
        return;
    for (const auto& d : m_dirty)
        if (d.contains(add))
            return;
    for (;;) {
        // Swallow every rect the new one touches, until none is left touching.
        bool merged = false;
        for (auto it = m_dirty.begin(); it != m_dirty.end(); ++it)
            if (touches(*it, add)) {
                add = add.unionWith(*it);
                m_dirty.erase(it);
                merged = true;
                break;
            }
        if (merged)
            continue;
        if (m_dirty.size() < kMaxDirtyRects)
            break;
        // Too many: the rect that wastes least when joined to the new one goes into it.
        auto best = m_dirty.begin();
        double waste = -1;
        for (auto it = m_dirty.begin(); it != m_dirty.end(); ++it) {
            const double w = area(it->unionWith(add)) - area(*it) - area(add);
            if (waste < 0 || w < waste) {
                waste = w;
                best = it;
            }
        }
        add = add.unionWith(*best);
        m_dirty.erase(best);
    }
    m_dirty.push_back(add);
}

void Application::setNeedsFullRedraw() {
    m_dirty.assign(1, screenBounds());
}

std::vector<gfx::Rect> Application::takeDirtyRects() {
    return std::exchange(m_dirty, {});
}


// --- animation driving ---

void Application::startAnimationDriver() {
    if (m_driver && m_driver->isValid())
        return;
    if (!core::RunLoop::isMainThread())
        return;
    m_driver = core::RunLoop::current().scheduleTimer(
        kFrameInterval, true,
        [](core::Timer& t) {
            Animator::shared().tick();
            if (!Animator::shared().isActive())
                t.invalidate();
        },
        core::RunLoop::kCommonModes);
}

void Application::runAnimations(double seconds) {
    PW_ASSERT_MAIN_THREAD();
    auto& loop = core::RunLoop::current();
    auto clock = core::Clock::sharedPtr();
    if (auto* manual = dynamic_cast<core::ManualClock*>(clock.get())) {
        double elapsed = 0;
        loop.runPending();
        while (Animator::shared().isActive() && elapsed < seconds) {
            manual->advance(kFrameInterval);
            elapsed += kFrameInterval;
            loop.runPending();
        }
        loop.runPending();
        return;
    }
    loop.runUntil([] { return !Animator::shared().isActive(); }, seconds);
}

void Application::reset() {
    TextInput::shared().firstResponderChanged(nullptr);
    m_firstResponder = nullptr;
    m_keyboardVisible = false;
    m_onScreenKeyboard = false;
    m_keyWindow = nullptr;
    for (auto& weak : m_windows)
        if (auto w = weak.lock())
            w->resignVisible();
    m_windows.clear();
    m_touchWindows.clear();
    m_ignoring = 0;
    m_statusBarStyle = StatusBarStyle::Default;
    m_statusBarHidden = false;
    stopStatusBarSlide();
    m_orientation = device::Orientation::Portrait;
    m_idleTimerDisabled = false;
    m_urlOpener = nullptr;
    m_dirty.clear();
    m_networkActivity = false;
    m_state = ApplicationState::Inactive;
    watchDeviceOrientation();
    // A new clock may be in place: the frame timer is made again when needed.
    if (m_driver)
        m_driver->invalidate();
    m_driver.reset();
    m_delegate.reset();
}

} // namespace pw::ui
