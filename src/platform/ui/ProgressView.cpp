#include "platform/ui/ProgressView.h"

#include <algorithm>

namespace pw::ui {

void ProgressView::setProgress(float p) {
    p = std::clamp(p, 0.0f, 1.0f);
    if (p == m_progress)
        return;
    m_progress = p;
    setNeedsDisplay();
}

void ProgressView::setProgressTintColor(gfx::Color c) {
    m_tint = c;
    setNeedsDisplay();
}

void ProgressView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const double r = b.height() / 2;
    ctx.setFillColor(gfx::Color::fromWhite(0.85));
    ctx.beginPath();
    ctx.addRoundedRect(b, r);
    ctx.fillPath();
    if (m_progress <= 0)
        return;
    ctx.save();
    ctx.clipToRect({b.x(), b.y(), b.width() * m_progress, b.height()});
    ctx.setFillColor(m_tint);
    ctx.beginPath();
    ctx.addRoundedRect(b, r);
    ctx.fillPath();
    ctx.restore();
}

} // namespace pw::ui
