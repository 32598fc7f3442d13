#include "platform/ui/TabBarController.h"

#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

namespace {

class TabBarView : public View {
public:
    TabBarController* owner = nullptr;

    void draw(gfx::Context& ctx, const gfx::Rect&) override {
        const gfx::Rect b = bounds();
        ctx.clipToRect(b);
        ctx.drawLinearGradient({{0, gfx::Color::fromWhite(0.25)},
                                {0.5, gfx::Color::fromWhite(0.12)},
                                {0.5, gfx::Color::black()},
                                {1, gfx::Color::black()}},
                               {0, 0}, {0, b.height()});
        if (!owner)
            return;
        const auto& items = owner->tabBarItems();
        const size_t n = std::max<size_t>(1, owner->viewControllers().size());
        const double w = b.width() / static_cast<double>(n);
        const gfx::Font font = gfx::Font::boldSystemFont(10);
        for (size_t i = 0; i < owner->viewControllers().size(); ++i) {
            const gfx::Rect cell(static_cast<double>(i) * w, 0, w, b.height());
            const bool selected = i == owner->selectedIndex();
            if (selected) {
                ctx.setFillColor(gfx::Color(1, 1, 1, 0.15));
                ctx.beginPath();
                ctx.addRoundedRect(cell.insetBy(2, 2), 4);
                ctx.fillPath();
            }
            const TabBarItem item =
                i < items.size() ? items[i] : TabBarItem{owner->viewControllers()[i]->title(), {}, {}};
            if (!item.image.isNull()) {
                const gfx::Size s = item.image.size();
                ctx.drawImage(item.image, gfx::Rect(cell.midX() - s.width / 2, 4, s.width, s.height));
            }
            const gfx::Size ts = gfx::TextLayout::measure(item.title, font);
            ctx.setFillColor(selected ? gfx::Color::white() : gfx::Color::fromWhite(0.6));
            ctx.drawText(item.title, {std::round(cell.midX() - ts.width / 2), b.height() - ts.height - 2}, font);
            if (!item.badgeValue.empty()) {
                const gfx::Size bs = gfx::TextLayout::measure(item.badgeValue, font);
                const gfx::Rect badge(cell.midX() + 8, 2, std::max(18.0, bs.width + 10), 18);
                ctx.setFillColor(gfx::Color::fromRGB255(220, 20, 20));
                ctx.beginPath();
                ctx.addRoundedRect(badge, 9);
                ctx.fillPath();
                ctx.setFillColor(gfx::Color::white());
                ctx.drawText(item.badgeValue, {badge.midX() - bs.width / 2, badge.midY() - bs.height / 2}, font);
            }
        }
    }

    void touchesEnded(const TouchSet& touches) override {
        if (!owner || touches.empty() || owner->viewControllers().empty())
            return;
        const gfx::Point p = touches.front()->locationInView(this);
        if (!bounds().contains(p))
            return;
        const double w = bounds().width() / static_cast<double>(owner->viewControllers().size());
        owner->tabTapped(static_cast<size_t>(std::max(0.0, p.x / w)));
    }
    void touchesBegan(const TouchSet&) override {}
};

class TabContainerView : public View {
public:
    TabBarController* owner = nullptr;
    void layoutSubviews() override {
        if (owner)
            owner->layoutContent();
    }
};

} // namespace

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs) {
    ViewController* old = selectedViewController();
    const bool appeared = isAppearing();
    if (old && appeared)
        old->beginAppearanceTransition(false, false);
    if (old && old->isViewLoaded())
        old->view()->removeFromSuperview();
    if (old && appeared)
        old->endAppearanceTransition();
    for (auto& t : m_tabs)
        t->removeFromParentViewController();
    m_tabs.clear();
    for (auto& vc : vcs)
        if (vc) {
            addChildViewController(vc);
            m_tabs.push_back(vc);
        }
    m_selected = 0;
    if (isViewLoaded() && !m_tabs.empty())
        show(0);
    if (m_bar)
        m_bar->setNeedsDisplay();
}

void TabBarController::setTabBarItems(std::vector<TabBarItem> items) {
    m_items = std::move(items);
    if (m_bar)
        m_bar->setNeedsDisplay();
}

ViewController* TabBarController::selectedViewController() const {
    return m_selected < m_tabs.size() ? m_tabs[m_selected].get() : nullptr;
}

View& TabBarController::tabBar() {
    view();
    return *m_bar;
}

void TabBarController::loadView() {
    auto v = View::create<TabContainerView>();
    v->owner = this;
    v->setFrame(Application::shared().applicationFrame());
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    m_content = View::create();
    m_content->setClipsToBounds(true);
    v->addSubview(m_content);
    auto bar = View::create<TabBarView>();
    bar->owner = this;
    m_bar = bar;
    v->addSubview(m_bar);
    setView(v);
    if (!m_tabs.empty())
        show(m_selected);
    layoutContent();
}

bool TabBarController::isTabBarHidden() const {
    // A screen pushed on the shown tab's stack that asks for the whole height
    // hides the bar while it is on the stack.
    auto* nav = dynamic_cast<NavigationController*>(selectedViewController());
    if (!nav)
        return false;
    const auto& stack = nav->viewControllers();
    return std::any_of(stack.begin() + (stack.empty() ? 0 : 1), stack.end(),
                       [](const auto& vc) { return vc->hidesBottomBarWhenPushed; });
}

void TabBarController::layoutContent() {
    if (!isViewLoaded())
        return;
    const gfx::Rect b = view()->bounds();
    const bool hidden = isTabBarHidden();
    View::performWithoutAnimation([&] {
        m_bar->setHidden(hidden);
        m_bar->setFrame({0, b.height() - kBarHeight, b.width(), kBarHeight});
        m_content->setFrame(contentBounds());
        if (auto* vc = selectedViewController())
            vc->view()->setFrame(m_content->bounds());
    });
}

gfx::Rect TabBarController::contentBounds() {
    const gfx::Rect b = view()->bounds();
    return {0, 0, b.width(), std::max(0.0, b.height() - (isTabBarHidden() ? 0 : kBarHeight))};
}

std::optional<gfx::Rect> TabBarController::frameForChildView(const ViewController&) {
    if (!isViewLoaded())
        return std::nullopt;
    return contentBounds();
}

void TabBarController::show(size_t index) {
    auto& vc = m_tabs[index];
    const bool appeared = isAppearing();
    if (appeared)
        vc->beginAppearanceTransition(true, false);
    View::performWithoutAnimation([&] {
        // The content area may not be laid out yet while this view loads.
        m_content->setFrame(contentBounds());
        vc->view()->setFrame(m_content->bounds());
    });
    m_content->addSubview(vc->view());
    if (appeared)
        vc->endAppearanceTransition();
}

void TabBarController::setSelectedIndex(size_t index) {
    if (index >= m_tabs.size() || index == m_selected)
        return;
    ViewController* old = selectedViewController();
    const bool appeared = isAppearing();
    if (old && isViewLoaded()) {
        if (appeared)
            old->beginAppearanceTransition(false, false);
        old->view()->removeFromSuperview();
        if (appeared)
            old->endAppearanceTransition();
    }
    m_selected = index;
    fullScreenLayoutMayHaveChanged();
    if (isViewLoaded()) {
        show(index);
        layoutContent();
    }
    if (m_bar)
        m_bar->setNeedsDisplay();
}

void TabBarController::tabTapped(size_t index) {
    if (index >= m_tabs.size())
        return;
    auto d = m_delegate.lock();
    if (d && !d->shouldSelectViewController(*this, *m_tabs[index]))
        return;
    setSelectedIndex(index);
    if (d)
        d->didSelectViewController(*this, *m_tabs[index]);
}

void TabBarController::viewWillAppear(bool animated) {
    if (auto* vc = selectedViewController())
        vc->beginAppearanceTransition(true, animated);
}
void TabBarController::viewDidAppear(bool) {
    if (auto* vc = selectedViewController())
        vc->endAppearanceTransition();
}
void TabBarController::viewWillDisappear(bool animated) {
    if (auto* vc = selectedViewController())
        vc->beginAppearanceTransition(false, animated);
}
void TabBarController::viewDidDisappear(bool) {
    if (auto* vc = selectedViewController())
        vc->endAppearanceTransition();
}

bool TabBarController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    for (const auto& t : m_tabs)
        if (!t->shouldAutorotateToInterfaceOrientation(o))
            return false;
    return !m_tabs.empty() || ViewController::shouldAutorotateToInterfaceOrientation(o);
}

} // namespace pw::ui
