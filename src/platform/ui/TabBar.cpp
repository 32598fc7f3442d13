#include "platform/ui/TabBar.h"

#include "platform/gfx/TextLayout.h"
#include "platform/ui/Touch.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

void TabBar::setItems(std::vector<TabBarButtonItem> items) {
    m_items = std::move(items);
    if (m_selected && *m_selected >= m_items.size())
        m_selected.reset();
    setNeedsDisplay();
}

void TabBar::setSelectedIndex(std::optional<size_t> index) {
    m_selected = index && *index < m_items.size() ? index : std::nullopt;
    setNeedsDisplay();
}

void TabBar::tapItem(size_t index) {
    if (index >= m_items.size())
        return;
    setSelectedIndex(index);
    // The handler may replace the items; hand it a copy.
    const TabBarButtonItem item = m_items[index];
    if (didSelectItem)
        didSelectItem(*this, item);
}

void TabBar::touchesEnded(const TouchSet& touches) {
    if (touches.empty() || m_items.empty())
        return;
    const gfx::Point p = touches.front()->locationInView(this);
    if (!bounds().contains(p))
        return;
    const double w = bounds().width() / static_cast<double>(m_items.size());
    tapItem(std::min(m_items.size() - 1, static_cast<size_t>(std::max(0.0, p.x / w))));
}

void TabBar::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    ctx.clipToRect(b);
    ctx.drawLinearGradient({{0, gfx::Color::fromWhite(0.25)},
                            {0.5, gfx::Color::fromWhite(0.12)},
                            {0.5, gfx::Color::black()},
                            {1, gfx::Color::black()}},
                           {0, 0}, {0, b.height()});
    if (m_items.empty())
        return;
    const double w = b.width() / static_cast<double>(m_items.size());
    const gfx::Font font = gfx::Font::boldSystemFont(10);
    for (size_t i = 0; i < m_items.size(); ++i) {
        const gfx::Rect cell(static_cast<double>(i) * w, 0, w, b.height());
        const bool selected = m_selected == i;
        if (selected) {
            ctx.setFillColor(gfx::Color(1, 1, 1, 0.15));
            ctx.beginPath();
            ctx.addRoundedRect(cell.insetBy(2, 2), 4);
            ctx.fillPath();
        }
        const auto& item = m_items[i];
        if (!item.image.isNull()) {
            const gfx::Size s = item.image.size();
            ctx.drawImage(item.image, gfx::Rect(cell.midX() - s.width / 2, 4, s.width, s.height));
        }
        const gfx::Size ts = gfx::TextLayout::measure(item.title, font);
        ctx.setFillColor(selected ? gfx::Color::white() : gfx::Color::fromWhite(0.6));
        ctx.drawText(item.title, {std::round(cell.midX() - ts.width / 2), b.height() - ts.height - 2}, font);
    }
}

} // namespace pw::ui
