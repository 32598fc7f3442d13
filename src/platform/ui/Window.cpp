#include "platform/ui/Window.h"

#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ViewController.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pw::ui {

Window::Window() {
    m_layer->setHost(this);
    m_window = this;
}

Window::Window(const gfx::Rect& frame) : Window() {
    setFrame(frame);
}

void Window::didCreate() {
    Application::shared().registerWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

Window::~Window() {
    if (auto* fr = dynamic_cast<View*>(Application::shared().firstResponder()); fr && fr->window() == this)
        Application::shared().makeFirstResponder(nullptr);
    m_layer->setHost(nullptr);
    Application::shared().windowGone(this);
}

void Window::setWindowLevel(double level) {
    m_level = level;
    layerTreeNeedsRedraw(frame());
}

void Window::makeKeyAndVisible() {
    m_visible = true;
    makeKeyWindow();
    layerTreeNeedsRedraw(frame());
}

void Window::makeVisible() {
    m_visible = true;
    layerTreeNeedsRedraw(frame());
}

void Window::makeKeyWindow() {
    Application::shared().setKeyWindow(this);
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow() == this;
}

void Window::resignVisible() {
    if (!m_visible)
        return;
    layerTreeNeedsRedraw(frame());
    cancelAllTouches();
    m_visible = false;
    Application::shared().windowHidden(this);
}

void Window::setRootViewController(std::shared_ptr<ViewController> vc) {
    if (vc == m_root)
        return;
    if (m_root) {
        m_root->view()->removeFromSuperview();
        m_root->m_window = nullptr;
    }
    m_root = std::move(vc);
    if (!m_root)
        return;
    m_root->m_window = this;
    auto v = m_root->view();
    m_root->beginAppearanceTransition(true, false);
    addSubview(v);
    applyInterfaceOrientation(Application::shared().statusBarOrientation(), false);
    m_root->endAppearanceTransition();
}

void Window::applyInterfaceOrientation(device::Orientation o, bool animated) {
    if (!m_root)
        return;
    auto v = m_root->view();
    const gfx::Rect b = bounds();
    double angle = 0;
    switch (o) {
    case device::Orientation::PortraitUpsideDown:
        angle = std::numbers::pi;
        break;
    case device::Orientation::LandscapeLeft:
        angle = std::numbers::pi / 2;
        break; // home button right
    case device::Orientation::LandscapeRight:
        angle = -std::numbers::pi / 2;
        break; // home button left
    default:
        break;
    }
    const bool landscape = device::Device::isLandscape(o);
    const double bar = m_root->shownWantsFullScreenLayout() ? 0 : Application::shared().statusBarHeight();
    double w = landscape ? b.height() : b.width();
    double h = (landscape ? b.width() : b.height()) - bar;
    // The bar sits at the interface's top: move the view's centre away from it.
    gfx::Point c{b.midX(), b.midY()};
    switch (o) {
    case device::Orientation::PortraitUpsideDown:
        c.y -= bar / 2;
        break;
    case device::Orientation::LandscapeLeft:
        c.x -= bar / 2;
        break;
    case device::Orientation::LandscapeRight:
        c.x += bar / 2;
        break;
    default:
        c.y += bar / 2;
        break;
    }
    const device::Orientation old = m_root->m_interfaceOrientation;
    const double duration = animated ? 0.3 : 0;
    const bool turning = old != o && m_root->isViewLoaded();
    if (turning)
        m_root->willRotateToInterfaceOrientation(o, duration);
    auto apply = [&] {
        if (turning)
            m_root->willAnimateRotationToInterfaceOrientation(o, duration);
        v->setTransform(gfx::AffineTransform::rotation(angle));
        v->setBounds({0, 0, w, h});
        v->setCenter(c);
    };
    m_root->m_interfaceOrientation = o;
    auto root = m_root;
    auto done = [root, old, turning](bool) {
        if (turning)
            root->didRotateFromInterfaceOrientation(old);
    };
    if (animated) {
        View::animate(duration, apply, done);
    } else {
        View::performWithoutAnimation(apply);
        done(true);
    }
}

void Window::layoutRootForStatusBar() {
    if (m_root && m_root->isViewLoaded())
        applyInterfaceOrientation(m_root->m_interfaceOrientation, false);
}

// --- touches ---

void Window::handleTouch(int id, TouchPhase phase, gfx::Point location, double timestamp) {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    if (phase == TouchPhase::Began) {
        if (m_touches.count(id))
            handleTouch(id, TouchPhase::Cancelled, location, timestamp);
        ActiveTouch at;
        at.touch = std::make_unique<Touch>();
        Touch& t = *at.touch;
        t.identifier = id;
        t.phase = TouchPhase::Began;
        t.timestamp = timestamp;
        t.windowLocation = t.previousWindowLocation = location;
        t.window = self;
        View* hit = hitTest(location);
        if (hit)
            t.view = hit->sharedFromThis();
        if (m_lastTapTime >= 0 && timestamp - m_lastTapTime <= 0.35 &&
            std::hypot(location.x - m_lastTapPoint.x, location.y - m_lastTapPoint.y) <= 20)
            t.tapCount = m_lastTapCount + 1;
        for (View* v = hit; v; v = v->superview())
            for (auto& r : v->gestureRecognizers())
                if (r->isEnabled() && (!r->shouldReceiveTouch || r->shouldReceiveTouch(*r, t))) {
                    r->attachToWindow(this);
                    t.gestureRecognizers.push_back(r);
                }
        auto [it, ok] = m_touches.emplace(id, std::move(at));
        ActiveTouch& entry = it->second;
        TouchSet set{entry.touch.get()};
        for (auto& r : std::vector(entry.touch->gestureRecognizers))
            if (!r->isFinal())
                r->touchesBegan(set);
        deliverToView(entry, phase);
        return;
    }
    auto it = m_touches.find(id);
    if (it == m_touches.end())
        return;
    ActiveTouch& entry = it->second;
    Touch& t = *entry.touch;
    t.previousWindowLocation = t.windowLocation;
    t.windowLocation = location;
    t.timestamp = timestamp;
    t.phase = phase;
    TouchSet set{&t};
    for (auto& r : std::vector(t.gestureRecognizers)) {
        if (r->isFinal())
            continue;
        switch (phase) {
        case TouchPhase::Moved:
            r->touchesMoved(set);
            break;
        case TouchPhase::Ended:
            r->touchesEnded(set);
            break;
        case TouchPhase::Cancelled:
            r->touchesCancelled(set);
            break;
        default:
            break;
        }
    }
    // A recognizer may have moved the entry (the map only grows on Began, so it did not).
    deliverToView(entry, phase);
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        if (phase == TouchPhase::Ended) {
            m_lastTapPoint = location;
            m_lastTapTime = timestamp;
            m_lastTapCount = t.tapCount;
        }
        auto recognizers = std::move(t.gestureRecognizers);
        m_touches.erase(id);
        if (m_touches.empty())
            for (auto& r : recognizers)
                if (r->isFinal())
                    r->reset();
    }
}

void Window::deliverToView(ActiveTouch& at, TouchPhase phase) {
    if (at.cancelledForView)
        return;
    auto view = at.touch->view.lock();
    if (!view)
        return;
    TouchSet set{at.touch.get()};
    switch (phase) {
    case TouchPhase::Began:
        view->touchesBegan(set);
        break;
    case TouchPhase::Moved:
        view->touchesMoved(set);
        break;
    case TouchPhase::Ended:
        view->touchesEnded(set);
        break;
    case TouchPhase::Cancelled:
        view->touchesCancelled(set);
        break;
    default:
        break;
    }
}

void Window::gestureDidRecognize(GestureRecognizer* recognizer) {
    for (auto& [id, at] : m_touches) {
        auto& list = at.touch->gestureRecognizers;
        if (std::none_of(list.begin(), list.end(), [&](const auto& r) { return r.get() == recognizer; }))
            continue;
        for (auto& other : std::vector(list)) {
            if (other.get() == recognizer || other->state() != GestureState::Possible)
                continue;
            const bool together =
                (recognizer->shouldRecognizeSimultaneously &&
                 recognizer->shouldRecognizeSimultaneously(*recognizer, *other)) ||
                (other->shouldRecognizeSimultaneously && other->shouldRecognizeSimultaneously(*other, *recognizer));
            if (!together)
                other->fail();
        }
        if (recognizer->cancelsTouchesInView && !at.cancelledForView) {
            at.touch->phase = TouchPhase::Cancelled;
            deliverToView(at, TouchPhase::Cancelled);
            at.cancelledForView = true;
        }
    }
}

void Window::cancelAllTouches() {
    std::vector<int> ids;
    for (auto& [id, at] : m_touches)
        ids.push_back(id);
    for (int id : ids) {
        auto it = m_touches.find(id);
        if (it != m_touches.end())
            handleTouch(id, TouchPhase::Cancelled, it->second.touch->windowLocation, it->second.touch->timestamp);
    }
}

void Window::viewWillLeave(View* view) {
    if (auto* fr = dynamic_cast<View*>(Application::shared().firstResponder()); fr && fr->isDescendantOfView(view))
        Application::shared().makeFirstResponder(nullptr);
    for (auto& [id, at] : m_touches) {
        auto v = at.touch->view.lock();
        if (v && v->isDescendantOfView(view) && !at.cancelledForView) {
            deliverToView(at, TouchPhase::Cancelled);
            at.cancelledForView = true;
        }
    }
}

void Window::layerTreeNeedsRedraw(const gfx::Rect& r) {
    if (m_visible)
        Application::shared().setNeedsRedraw(r);
}

} // namespace pw::ui
