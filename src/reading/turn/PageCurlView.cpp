#include "reading/turn/PageCurlView.h"

#include "reading/turn/CurlRenderer.h"

namespace pw {

PageCurlView::PageCurlView(const gfx::Rect& frame) : LeafTurnView(Axis::Horizontal, frame) {}

void PageCurlView::setTopPage(const gfx::Image& top, const gfx::Image& bottom) {
    m_top = CurlRenderer::prepare(top);
    m_topMirrored = {};
    m_bottom = top.surface() == bottom.surface() ? m_top : CurlRenderer::prepare(bottom);
    setNeedsDisplay();
}

void PageCurlView::setTopPageImage(const gfx::Image& image) {
    m_top = CurlRenderer::prepare(image);
    m_topMirrored = {};
    setNeedsDisplay();
}

void PageCurlView::setBottomPageImage(const gfx::Image& image) {
    m_bottom = CurlRenderer::prepare(image);
    setNeedsDisplay();
}

void PageCurlView::touchesBegan(gfx::Point p) {
    m_grabY = p.y;
    LeafTurnView::touchesBegan(p);
}

CurlGeometry PageCurlView::geometry() const {
    return CurlGeometry::make(bounds().size, presentedLeafEdge(), m_grabY);
}

void PageCurlView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const CurlGeometry g = geometry();
    // The mirror is made when a turn first shows the back, once per top page.
    if (!g.flat && !g.turnedAway && m_topMirrored.isNull() && !m_top.isNull())
        m_topMirrored = CurlRenderer::prepareMirrored(m_top);
    CurlRenderer::render(ctx, g, m_top, m_bottom, m_topMirrored);
}

void PageCurlView::edgeDidChange(double) {
    setNeedsDisplay();
}

void PageCurlView::didTurnPageForward() {
    setTopPageImage(finalImage());
    reset();
}

} // namespace pw
