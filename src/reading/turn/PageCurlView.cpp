#include "reading/turn/PageCurlView.h"

#include "reading/turn/CurlRenderer.h"

namespace pw {

PageCurlView::PageCurlView(const gfx::Rect& frame) : LeafTurnView(Axis::Horizontal, frame) {}

void PageCurlView::setTopPage(const gfx::Image& top, const gfx::Image& bottom) {
    m_top = top;
    m_bottom = bottom;
    setNeedsDisplay();
}

void PageCurlView::setTopPageImage(const gfx::Image& image) {
    m_top = image;
    setNeedsDisplay();
}

void PageCurlView::setBottomPageImage(const gfx::Image& image) {
    m_bottom = image;
    setNeedsDisplay();
}

void PageCurlView::touchesBegan(gfx::Point p) {
    m_beganY = m_fingerY = p.y;
    LeafTurnView::touchesBegan(p);
}

void PageCurlView::touchesMoved(gfx::Point p) {
    if (touchIsActive())
        m_fingerY = p.y;
    LeafTurnView::touchesMoved(p);
}

CurlGeometry PageCurlView::geometry() const {
    return CurlGeometry::make(bounds().size, presentedLeafEdge(), m_beganY, m_fingerY);
}

void PageCurlView::draw(gfx::Context& ctx, const gfx::Rect&) {
    CurlRenderer::render(ctx, geometry(), m_top, m_bottom);
}

void PageCurlView::edgeDidChange(double) {
    setNeedsDisplay();
}

void PageCurlView::didTurnPageForward() {
    setTopPageImage(finalImage());
    reset();
}

} // namespace pw
