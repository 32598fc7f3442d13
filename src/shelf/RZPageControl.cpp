#include "shelf/RZPageControl.h"

#include "platform/ui/BundleImage.h"

namespace pw {

std::shared_ptr<RZPageControl> RZPageControl::create(const gfx::Rect& frame) {
    return View::create<RZPageControl>(frame);
}

void RZPageControl::didCreate() {
    PageControl::didCreate();
    updateDots();
    layer()->setCornerRadius(8);
    setBackgroundColor(gfx::Color::fromWhite(0, 0.2));
}

void RZPageControl::setCurrentPage(int64_t p) {
    PageControl::setCurrentPage(p);
    updateDots();
}

void RZPageControl::updateCurrentPageDisplay() {
    setNeedsDisplay();
    updateDots();
}

void RZPageControl::endTracking(const ui::Touch* t) {
    PageControl::endTracking(t);
    updateDots();
}

void RZPageControl::updateDots() {
    const std::string name = currentPage() == 0 ? "pg_find_light.png" : "pg_find.png";
    if (name != m_firstDot) {
        m_firstDot = name;
        setNeedsDisplay();
    }
}

void RZPageControl::resetFrameWithWidth(double w) {
    gfx::Rect f = frame();
    f.origin.x = (w - f.width()) / 2;
    setFrame(f);
}

void RZPageControl::draw(gfx::Context& ctx, const gfx::Rect&) {
    const int64_t pages = numberOfPages();
    if (pages == 0)
        return;
    // 16 points per page: a 7-point dot centred in each slot.
    const gfx::Rect b = bounds();
    const double slot = 16;
    double x = b.midX() - slot * static_cast<double>(pages) / 2;
    for (int64_t i = 0; i < pages; ++i, x += slot) {
        const bool lit = i == currentPage();
        const gfx::Rect dot{x + 4.5, b.midY() - 3.5, 7, 7};
        if (i == 0) {
            if (gfx::Image glass = ui::BundleImage::named(m_firstDot)) {
                ctx.drawImage(glass, {x + 2, b.midY() - 6, 12, 12});
                continue;
            }
            // No picture: a small ring with a handle.
            ctx.setStrokeColor(gfx::Color(1, 1, 1, lit ? 1 : 0.35));
            ctx.setLineWidth(1.5);
            ctx.strokeEllipse({x + 4, b.midY() - 5, 7, 7});
            ctx.beginPath();
            ctx.moveTo({x + 10, b.midY() + 1});
            ctx.lineTo({x + 12.5, b.midY() + 3.5});
            ctx.strokePath();
            continue;
        }
        ctx.setFillColor(gfx::Color(1, 1, 1, lit ? 1 : 0.35));
        ctx.fillEllipse(dot);
    }
}

} // namespace pw
