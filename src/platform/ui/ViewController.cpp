#include "platform/ui/ViewController.h"

#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <map>

namespace pw::ui {

namespace {
// The view and its cover in presentations (the window-level view shown under it).
std::shared_ptr<View> windowLevelView(View* v) {
    while (v && v->superview() && !dynamic_cast<Window*>(v->superview()))
        v = v->superview();
    return v && v->superview() ? v->sharedFromThis() : nullptr;
}

// Keeps the covered view while a controller is presented over it.
struct PresentationRecord {
    std::shared_ptr<View> covered;
};
std::map<const ViewController*, PresentationRecord>& records() {
    static std::map<const ViewController*, PresentationRecord> r;
    return r;
}
} // namespace

ViewController::~ViewController() {
    records().erase(this);
    for (auto& c : m_children)
        c->m_parent = nullptr;
    if (m_presented)
        m_presented->m_presenting = nullptr;
    if (m_view && m_view->viewController() == this)
        m_view->setViewController(nullptr);
}

const std::shared_ptr<View>& ViewController::view() {
    if (!m_view) {
        loadView();
        if (!m_view)
            setView(View::create(Application::shared().applicationFrame()));
        // Screens build their controls from the view's width in viewDidLoad,
        // so the view takes the size it will show at first, whatever size
        // loadView made it and whichever container pushes or presents it.
        if (const auto f = containerFrame())
            View::performWithoutAnimation([&] { m_view->setFrame(*f); });
        viewDidLoad();
    }
    return m_view;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (m_view && m_view->viewController() == this)
        m_view->setViewController(nullptr);
    m_view = std::move(view);
    if (m_view)
        m_view->setViewController(this);
}

std::optional<gfx::Rect> ViewController::frameForChildView(const ViewController&) {
    return std::nullopt;
}

std::optional<gfx::Rect> ViewController::containerFrame() {
    if (m_parent)
        return m_parent->frameForChildView(*this);
    if (m_presenting) {
        if (auto cover = windowLevelView(m_presenting->view().get())) {
            const gfx::Rect b = cover->bounds();
            return gfx::Rect(0, 0, b.width(), b.height());
        }
        return std::nullopt;
    }
    if (m_window) {
        // The root fills the window below the status bar, turned with the interface.
        const gfx::Rect b = m_window->bounds();
        const bool landscape = device::Device::isLandscape(Application::shared().statusBarOrientation());
        const double bar = shownWantsFullScreenLayout() ? 0 : Application::shared().statusBarHeight();
        return gfx::Rect(0, 0, landscape ? b.height() : b.width(), (landscape ? b.width() : b.height()) - bar);
    }
    return std::nullopt;
}

void ViewController::loadView() {
    auto v = View::create(Application::shared().applicationFrame());
    v->setBackgroundColor(gfx::Color::white());
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    setView(std::move(v));
}

device::Orientation ViewController::interfaceOrientation() const {
    for (const ViewController* vc = this; vc; vc = vc->m_parent ? vc->m_parent : vc->m_presenting)
        if (vc->m_window)
            return vc->m_interfaceOrientation;
    return Application::shared().statusBarOrientation();
}

void ViewController::setWantsFullScreenLayout(bool w) {
    if (w == m_wantsFullScreenLayout)
        return;
    m_wantsFullScreenLayout = w;
    fullScreenLayoutMayHaveChanged();
}

bool ViewController::shownWantsFullScreenLayout() const {
    for (const ViewController* vc = this; vc; vc = vc->childViewControllerForLayout())
        if (vc->m_wantsFullScreenLayout)
            return true;
    return false;
}

Window* ViewController::hostWindow() const {
    for (const ViewController* vc = this; vc; vc = vc->m_parent ? vc->m_parent : vc->m_presenting)
        if (vc->m_window)
            return vc->m_window;
    return nullptr;
}

void ViewController::fullScreenLayoutMayHaveChanged() const {
    if (Window* w = hostWindow())
        w->layoutRootForStatusBar();
}

void ViewController::setTitle(std::string t) {
    m_navigationItem.title = std::move(t);
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* p = m_parent; p; p = p->m_parent)
        if (auto* nav = dynamic_cast<NavigationController*>(p))
            return nav;
    return nullptr;
}

void ViewController::addChildViewController(std::shared_ptr<ViewController> child) {
    if (!child || child.get() == this)
        return;
    if (child->m_parent)
        child->removeFromParentViewController();
    child->m_parent = this;
    m_children.push_back(std::move(child));
}

void ViewController::removeFromParentViewController() {
    if (!m_parent)
        return;
    auto self = shared_from_this();
    auto& kids = m_parent->m_children;
    kids.erase(std::remove(kids.begin(), kids.end(), self), kids.end());
    m_parent = nullptr;
}

Responder* ViewController::nextResponder() const {
    if (m_view && m_view->superview())
        return m_view->superview();
    if (m_presenting)
        return m_presenting;
    return nullptr;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    m_appearAnimated = animated;
    if (appearing && m_appearState != AppearState::Appeared && m_appearState != AppearState::Appearing) {
        m_appearState = AppearState::Appearing;
        view();
        viewWillAppear(animated);
    } else if (!appearing && m_appearState != AppearState::Disappeared && m_appearState != AppearState::Disappearing) {
        m_appearState = AppearState::Disappearing;
        viewWillDisappear(animated);
    }
}

void ViewController::endAppearanceTransition() {
    if (m_appearState == AppearState::Appearing) {
        m_appearState = AppearState::Appeared;
        viewDidAppear(m_appearAnimated);
    } else if (m_appearState == AppearState::Disappearing) {
        m_appearState = AppearState::Disappeared;
        viewDidDisappear(m_appearAnimated);
    }
}

// --- modal presentation ---

void ViewController::presentModalViewController(std::shared_ptr<ViewController> vc, bool animated) {
    presentViewController(std::move(vc), animated);
}

void ViewController::presentViewController(std::shared_ptr<ViewController> vc, bool animated,
                                           std::function<void()> completion) {
    if (!vc || m_presented || vc.get() == this)
        return;
    m_presented = vc;
    vc->m_presenting = this;
    auto cover = windowLevelView(view().get());
    Window* w = cover ? dynamic_cast<Window*>(cover->superview()) : nullptr;
    if (!w) {
        if (completion)
            completion();
        return;
    }
    vc->m_window = w;
    vc->m_interfaceOrientation = Application::shared().statusBarOrientation();
    auto pv = vc->view();
    const gfx::Point home = cover->center();
    const gfx::AffineTransform t = cover->transform();
    const gfx::Rect b = cover->bounds();
    // "Down" in the interface, whatever way the screen is turned.
    const gfx::Point below{home.x + t.c * b.height(), home.y + t.d * b.height()};
    View::performWithoutAnimation([&] {
        pv->setTransform(t);
        pv->setBounds({0, 0, b.width(), b.height()});
        pv->setCenter(animated ? below : home);
    });
    vc->beginAppearanceTransition(true, animated);
    beginAppearanceTransition(false, animated);
    w->insertSubviewAbove(pv, cover.get());
    records()[vc.get()] = {cover};
    auto self = shared_from_this();
    auto finish = [self, vc, cover, completion](bool) {
        if (self->m_presented == vc)
            cover->removeFromSuperview();
        vc->endAppearanceTransition();
        self->endAppearanceTransition();
        if (completion)
            completion();
    };
    if (animated) {
        Application::shared().beginIgnoringInteractionEvents();
        View::animate(
            kModalDuration, [&] { pv->setCenter(home); },
            [finish](bool f) {
                Application::shared().endIgnoringInteractionEvents();
                finish(f);
            });
    } else {
        finish(true);
    }
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
    dismissViewController(animated);
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    if (!m_presented) {
        if (m_presenting)
            m_presenting->dismissViewController(animated, std::move(completion));
        return;
    }
    auto vc = m_presented;
    auto self = shared_from_this();
    auto rec = records()[vc.get()];
    records().erase(vc.get());
    auto pv = vc->view();
    Window* w = dynamic_cast<Window*>(pv->superview());
    auto finish = [self, vc, pv, completion](bool) {
        pv->removeFromSuperview();
        vc->m_window = nullptr;
        vc->endAppearanceTransition();
        self->endAppearanceTransition();
        vc->m_presenting = nullptr;
        if (self->m_presented == vc)
            self->m_presented.reset();
        if (completion)
            completion();
    };
    vc->beginAppearanceTransition(false, animated);
    beginAppearanceTransition(true, animated);
    if (w && rec.covered && !rec.covered->superview())
        w->insertSubviewBelow(rec.covered, pv.get());
    if (animated && w) {
        const gfx::Point home = pv->center();
        const gfx::AffineTransform t = pv->transform();
        const gfx::Rect b = pv->bounds();
        const gfx::Point below{home.x + t.c * b.height(), home.y + t.d * b.height()};
        Application::shared().beginIgnoringInteractionEvents();
        View::animate(
            kModalDuration, [&] { pv->setCenter(below); },
            [finish](bool f) {
                Application::shared().endIgnoringInteractionEvents();
                finish(f);
            });
    } else {
        finish(true);
    }
}

} // namespace pw::ui
