#include "platform/ui/PageControl.h"

#include <algorithm>

namespace pw::ui {

namespace {
constexpr double kDot = 7;
constexpr double kGap = 9;
} // namespace

void PageControl::setNumberOfPages(int64_t n) {
    m_pages = std::max<int64_t>(0, n);
    m_current = std::clamp<int64_t>(m_current, 0, std::max<int64_t>(0, m_pages - 1));
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int64_t p) {
    p = std::clamp<int64_t>(p, 0, std::max<int64_t>(0, m_pages - 1));
    if (p == m_current)
        return;
    m_current = p;
    setNeedsDisplay();
}

gfx::Size PageControl::sizeThatFits(gfx::Size) const {
    return {static_cast<double>(m_pages) * (kDot + kGap) + kGap, 36};
}

void PageControl::endTracking(const Touch* t) {
    if (!t || m_pages < 2)
        return;
    const gfx::Point p = t->locationInView(this);
    if (!bounds().contains(p))
        return;
    const int64_t before = m_current;
    setCurrentPage(p.x < bounds().midX() ? m_current - 1 : m_current + 1);
    if (m_current != before)
        sendActionsForControlEvents(ControlEventValueChanged);
}

void PageControl::draw(gfx::Context& ctx, const gfx::Rect&) {
    if (m_pages == 0 || (hidesForSinglePage && m_pages == 1))
        return;
    const gfx::Rect b = bounds();
    const double total = static_cast<double>(m_pages) * kDot + static_cast<double>(m_pages - 1) * kGap;
    double x = b.midX() - total / 2;
    for (int64_t i = 0; i < m_pages; ++i, x += kDot + kGap) {
        ctx.setFillColor(gfx::Color(1, 1, 1, i == m_current ? 1 : 0.35));
        ctx.fillEllipse({x, b.midY() - kDot / 2, kDot, kDot});
    }
}

} // namespace pw::ui
