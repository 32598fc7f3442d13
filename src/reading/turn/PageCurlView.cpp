#include "reading/turn/PageCurlView.h"

#include "reading/turn/CurlRenderer.h"

namespace pw {

PageCurlView::PageCurlView(const gfx::Rect& frame) : LeafTurnView(Axis::Horizontal, frame) {}

PageCurlView::Page PageCurlView::prepared(const gfx::Image& image) const {
    // A page already converted for the other layer is taken over (the page turned to
    // becomes the top page when the turn settles).
    for (const Page* p : {&m_top, &m_bottom})
        if (image.surface() && p->source.surface() == image.surface())
            return {p->source, p->drawn, {}};
    return {image, CurlRenderer::prepare(image), {}};
}

void PageCurlView::setTopPage(const gfx::Image& top, const gfx::Image& bottom) {
    m_top = prepared(top);
    m_bottom = prepared(bottom);
    setNeedsDisplay();
}

void PageCurlView::setTopPageImage(const gfx::Image& image) {
    m_top = prepared(image);
    setNeedsDisplay();
}

void PageCurlView::setBottomPageImage(const gfx::Image& image) {
    m_bottom = prepared(image);
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
    if (!g.flat && !g.turnedAway && m_top.mirrored.isNull() && !m_top.drawn.isNull())
        m_top.mirrored = CurlRenderer::prepareMirrored(m_top.drawn);
    CurlRenderer::render(ctx, g, m_top.drawn, m_bottom.drawn, m_top.mirrored);
}

void PageCurlView::edgeDidChange(double) {
    setNeedsDisplay();
}

void PageCurlView::didTurnPageForward() {
    setTopPageImage(finalImage());
    reset();
}

} // namespace pw
