#include "platform/ui/NavigationController.h"

#include "platform/ui/Application.h"
#include "platform/ui/TabBarController.h"

#include <algorithm>

namespace pw::ui {

namespace {

// The navigation controller's own view: lays out the bar and the shown screen.
class NavigationView : public View {
public:
    NavigationController* owner = nullptr;
    void layoutSubviews() override {
        if (owner)
            owner->layoutContent();
    }
};

} // namespace

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        addChildViewController(root);
        m_stack.push_back(std::move(root));
    }
}

void NavigationController::loadView() {
    auto v = View::create<NavigationView>();
    v->owner = this;
    v->setFrame(Application::shared().applicationFrame());
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v->setBackgroundColor(gfx::Color::black());
    m_container = View::create(gfx::Rect(0, 0, v->bounds().width(), v->bounds().height()));
    m_container->setClipsToBounds(true);
    m_container->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v->addSubview(m_container);
    navigationBar();
    v->addSubview(m_bar);
    m_bar->setHidden(m_barHidden);
    setView(v);
    if (auto* top = topViewController())
        m_container->addSubview(top->view());
    updateBar();
    layoutContent();
}

NavigationBar& NavigationController::navigationBar() {
    if (!m_bar) {
        m_bar = View::create<NavigationBar>();
        m_bar->setFrame({0, 0, 320, NavigationBar::kHeight});
        m_bar->onBack = [this] {
            if (!m_transitioning)
                popViewControllerAnimated(true);
        };
    }
    return *m_bar;
}

ViewController* NavigationController::visibleViewController() const {
    ViewController* top = topViewController();
    if (top && top->presentedViewController())
        return top->presentedViewController();
    return top;
}

gfx::Rect NavigationController::contentFrame() const {
    if (!isViewLoaded())
        return {};
    const gfx::Rect b = const_cast<NavigationController*>(this)->view()->bounds();
    const double top = m_barHidden ? 0 : NavigationBar::kHeight;
    return {0, top, b.width(), std::max(0.0, b.height() - top)};
}

std::optional<gfx::Rect> NavigationController::frameForChildView(const ViewController&) {
    if (!isViewLoaded())
        return std::nullopt;
    const gfx::Rect c = contentFrame();
    return gfx::Rect(0, 0, c.width(), c.height());
}

void NavigationController::layoutContent() {
    if (!isViewLoaded())
        return;
    const gfx::Rect b = view()->bounds();
    View::performWithoutAnimation([&] {
        m_bar->setFrame({0, 0, b.width(), NavigationBar::kHeight});
        m_container->setFrame(contentFrame());
        if (!m_transitioning)
            if (auto* top = topViewController())
                top->view()->setFrame(m_container->bounds());
    });
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    if (hidden == m_barHidden)
        return;
    m_barHidden = hidden;
    if (!isViewLoaded())
        return;
    if (!animated) {
        m_bar->setHidden(hidden);
        layoutContent();
        return;
    }
    m_bar->setHidden(false);
    const gfx::Rect b = view()->bounds();
    View::animate(
        0.25,
        [&] {
            m_bar->setFrame({0, hidden ? -NavigationBar::kHeight : 0, b.width(), NavigationBar::kHeight});
            m_container->setFrame(contentFrame());
            if (auto* top = topViewController())
                top->view()->setFrame({0, 0, contentFrame().width(), contentFrame().height()});
        },
        [this](bool) {
            m_bar->setHidden(m_barHidden);
            layoutContent();
        });
}

void NavigationController::updateBar() {
    if (!m_bar)
        return;
    std::vector<NavigationItem*> items;
    for (auto& vc : m_stack)
        items.push_back(&vc->navigationItem());
    m_bar->setItems(std::move(items));
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool animated) {
    finishRunningTransition();
    vcs.erase(std::remove(vcs.begin(), vcs.end(), nullptr), vcs.end());
    if (vcs.empty())
        return;
    auto from = m_stack.empty() ? nullptr : m_stack.back();
    std::vector<std::shared_ptr<ViewController>> leaving;
    for (auto& old : m_stack)
        if (std::find(vcs.begin(), vcs.end(), old) == vcs.end())
            leaving.push_back(old);
    const bool wasThere = from && std::find(vcs.begin(), vcs.end(), from) != vcs.end();
    m_stack = vcs;
    for (auto& vc : m_stack)
        if (vc->parentViewController() != this)
            addChildViewController(vc);
    if (from.get() != m_stack.back().get())
        transition(from.get(), m_stack.back(), wasThere ? Direction::Pop : Direction::Push, animated, leaving);
    else {
        for (auto& l : leaving)
            l->removeFromParentViewController();
        updateBar();
    }
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> vc, bool animated) {
    if (!vc || std::find(m_stack.begin(), m_stack.end(), vc) != m_stack.end())
        return;
    finishRunningTransition();
    ViewController* from = topViewController();
    addChildViewController(vc);
    m_stack.push_back(vc);
    transition(from, vc, Direction::Push, animated, {});
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    finishRunningTransition();
    if (m_stack.size() <= 1)
        return nullptr;
    auto popped = m_stack.back();
    m_stack.pop_back();
    transition(popped.get(), m_stack.back(), Direction::Pop, animated, {popped});
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated) {
    if (m_stack.empty())
        return {};
    return popToViewController(m_stack.front().get(), animated);
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(const ViewController* vc,
                                                                                       bool animated) {
    finishRunningTransition();
    auto it = std::find_if(m_stack.begin(), m_stack.end(), [vc](const auto& s) { return s.get() == vc; });
    if (it == m_stack.end() || it + 1 == m_stack.end())
        return {};
    std::vector<std::shared_ptr<ViewController>> popped(it + 1, m_stack.end());
    auto from = m_stack.back();
    m_stack.erase(it + 1, m_stack.end());
    transition(from.get(), m_stack.back(), Direction::Pop, animated, popped);
    return popped;
}

void NavigationController::transition(ViewController* from, const std::shared_ptr<ViewController>& to, Direction dir,
                                      bool animated, std::vector<std::shared_ptr<ViewController>> leaving) {
    auto self = std::static_pointer_cast<NavigationController>(shared_from_this());
    // Screens fill in their bar items as their view loads, so the bar is read
    // only after that.
    if (isViewLoaded() && to)
        to->view();
    updateBar();
    // The new top may want the whole window, or its place below the status bar back.
    fullScreenLayoutMayHaveChanged();
    // A tab bar around the stack hides or shows its bar for the new stack.
    if (auto* tabs = dynamic_cast<TabBarController*>(parentViewController()))
        tabs->layoutContent();
    auto finishLeaving = [self, leaving] {
        for (auto& l : leaving)
            if (l->parentViewController() == self.get())
                l->removeFromParentViewController();
    };
    if (!isViewLoaded()) {
        finishLeaving();
        return;
    }
    const bool onScreen = isAppearing() && view()->window();
    if (!onScreen)
        animated = false;
    auto delegate = m_delegate.lock();
    if (delegate)
        delegate->willShowViewController(*this, *to, animated);
    std::shared_ptr<ViewController> fromKeep = from ? from->shared_from_this() : nullptr;
    if (onScreen) {
        to->beginAppearanceTransition(true, animated);
        if (from)
            from->beginAppearanceTransition(false, animated);
    }
    auto toView = to->view();
    std::shared_ptr<View> fromView = from && from->isViewLoaded() ? from->view() : nullptr;
    const gfx::Rect area = m_container->bounds();
    View::performWithoutAnimation([&] {
        toView->setTransform({});
        toView->setFrame(area);
        if (fromView && fromView->superview() == m_container.get())
            m_container->insertSubviewAbove(toView, fromView.get());
        else
            m_container->addSubview(toView);
        if (dir == Direction::Pop && fromView)
            m_container->bringSubviewToFront(fromView.get());
    });
    auto finish = [self, fromKeep, fromView, toView, to, onScreen, animated, finishLeaving, area](bool) {
        View::performWithoutAnimation([&] {
            if (fromView && fromView.get() != toView.get()) {
                fromView->removeFromSuperview();
                fromView->setFrame(area);
            }
            toView->setFrame(area);
        });
        if (onScreen) {
            to->endAppearanceTransition();
            if (fromKeep)
                fromKeep->endAppearanceTransition();
        }
        finishLeaving();
        if (self->m_transitioning) {
            self->m_transitioning = false;
            self->m_animatingViews.clear();
            Application::shared().endIgnoringInteractionEvents();
        }
        if (auto d = self->m_delegate.lock())
            d->didShowViewController(*self, *to, animated);
    };
    if (!animated || !fromView) {
        finish(true);
        return;
    }
    const double w = area.width();
    View::performWithoutAnimation([&] { toView->setFrame(area.offsetBy(dir == Direction::Push ? w : -w, 0)); });
    m_transitioning = true;
    m_animatingViews = {toView, fromView};
    Application::shared().beginIgnoringInteractionEvents();
    BlockAnimationOptions o;
    o.duration = kTransitionDuration;
    o.curve = TimingFunction::EaseInOut;
    View::animate(
        o,
        [&] {
            toView->setFrame(area);
            fromView->setFrame(area.offsetBy(dir == Direction::Push ? -w : w, 0));
        },
        finish);
}

void NavigationController::finishRunningTransition() {
    if (!m_transitioning)
        return;
    // Stopping the animations runs the transition's completion at once.
    auto views = m_animatingViews;
    for (auto& v : views)
        v->layer()->removeAllAnimations();
}

void NavigationController::viewWillAppear(bool animated) {
    if (auto* top = topViewController())
        top->beginAppearanceTransition(true, animated);
}
void NavigationController::viewDidAppear(bool) {
    if (auto* top = topViewController())
        top->endAppearanceTransition();
}
void NavigationController::viewWillDisappear(bool animated) {
    if (auto* top = topViewController())
        top->beginAppearanceTransition(false, animated);
}
void NavigationController::viewDidDisappear(bool) {
    if (auto* top = topViewController())
        top->endAppearanceTransition();
}

void NavigationController::willRotateToInterfaceOrientation(device::Orientation o, double duration) {
    if (auto* top = topViewController())
        top->willRotateToInterfaceOrientation(o, duration);
}

void NavigationController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) {
    if (auto* top = topViewController())
        top->willAnimateRotationToInterfaceOrientation(o, duration);
}

void NavigationController::didRotateFromInterfaceOrientation(device::Orientation o) {
    if (auto* top = topViewController())
        top->didRotateFromInterfaceOrientation(o);
}

bool NavigationController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    auto* top = topViewController();
    return top ? top->shouldAutorotateToInterfaceOrientation(o)
               : ViewController::shouldAutorotateToInterfaceOrientation(o);
}

} // namespace pw::ui
