#include "foundation/widgets/RoundProgressView.h"

#include <numbers>

namespace pw {

RoundProgressView::RoundProgressView() : View(gfx::Rect(0, 0, 37, 37)) {
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);
}

void RoundProgressView::setProgress(float p) {
    m_progress = p;
    setNeedsDisplay();
}

void RoundProgressView::setAnnular(bool a) {
    m_annular = a;
    setNeedsDisplay();
}

void RoundProgressView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const double w = b.width(), h = b.height();
    const double pi = std::numbers::pi;
    const double start = -pi / 2;
    const double end = m_progress * 2 * pi - pi / 2;
    if (!m_annular) {
        const gfx::Rect circle = b.insetBy(2, 2);
        ctx.setStrokeColor(gfx::Color(1, 1, 1, 1));
        ctx.setFillColor(gfx::Color(1, 1, 1, 0.1));
        ctx.setLineWidth(2);
        ctx.fillEllipse(circle);
        ctx.strokeEllipse(circle);
        ctx.setFillColor(gfx::Color(1, 1, 1, 1));
        const gfx::Point c{w / 2, h / 2};
        ctx.beginPath();
        ctx.moveTo(c);
        ctx.addArc(c, (w - 4) / 2, start, end, true);
        ctx.closePath();
        ctx.fillPath();
        return;
    }
    const gfx::Point c{w / 2, h / 2};
    const double radius = (w - 5) / 2;
    ctx.setLineWidth(5);
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.beginPath();
    ctx.addArc(c, radius, start, 3 * pi / 2, true);
    ctx.setStrokeColor(gfx::Color(1, 1, 1, 0.1));
    ctx.strokePath();
    ctx.beginPath();
    ctx.addArc(c, radius, start, end, true);
    ctx.setStrokeColor(gfx::Color(1, 1, 1, 1));
    ctx.strokePath();
}

} // namespace pw
