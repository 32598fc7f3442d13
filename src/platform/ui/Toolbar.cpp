#include "platform/ui/Toolbar.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

Toolbar::Toolbar() {
    setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
}

Toolbar::Toolbar(const gfx::Rect& frame) : Toolbar() {
    setFrame(frame);
}

std::vector<gfx::Rect> Toolbar::layoutSlots(gfx::Size bar, const std::vector<Slot>& slots) {
    std::vector<gfx::Rect> frames(slots.size());
    // Two items with no space between them keep a gap.
    double fixed = 2 * kEdgeMargin;
    int flexible = 0;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].flexible)
            ++flexible;
        else
            fixed += slots[i].width;
        if (i > 0 && !slots[i].isSpace() && !slots[i - 1].isSpace())
            fixed += kGap;
    }
    const double share = flexible > 0 ? std::max(0.0, bar.width - fixed) / flexible : 0;
    double x = kEdgeMargin;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i > 0 && !slots[i].isSpace() && !slots[i - 1].isSpace())
            x += kGap;
        const double w = slots[i].flexible ? share : slots[i].width;
        frames[i] = {std::round(x), 0, w, bar.height};
        x += w;
    }
    return frames;
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
    for (auto& v : m_views)
        if (v)
            v->removeFromSuperview();
    m_views.clear();
    m_items = std::move(items);
    for (auto& item : m_items) {
        std::shared_ptr<View> v;
        if (item && !item->space)
            v = item->customView ? item->customView : NavigationBar::makeItemButton(*item);
        if (v)
            addSubview(v);
        m_views.push_back(std::move(v));
    }
    setNeedsLayout();
}

void Toolbar::setTintColor(const gfx::Color& c) {
    m_tint = c;
    setNeedsDisplay();
}

void Toolbar::setBarStyle(BarStyle s) {
    m_style = s;
    setNeedsDisplay();
}

void Toolbar::layoutSubviews() {
    std::vector<Slot> slots;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const auto& item = m_items[i];
        if (item && item->space)
            slots.push_back({item->width, item->width <= 0, true});
        else
            slots.push_back({m_views[i] ? m_views[i]->frame().width() : 0, false, false});
    }
    const auto frames = layoutSlots(bounds().size, slots);
    for (size_t i = 0; i < m_views.size(); ++i) {
        if (!m_views[i])
            continue;
        const gfx::Rect slot = frames[i];
        const double h = m_views[i]->frame().height();
        m_views[i]->setFrame({slot.x(), std::round((slot.height() - h) / 2), slot.width(), h});
    }
}

void Toolbar::draw(gfx::Context& ctx, const gfx::Rect&) {
    NavigationBar::drawBarBackground(ctx, bounds(), m_tint, m_style);
}

} // namespace pw::ui
