#include "reading/turn/DragView.h"

#include "platform/ui/Transaction.h"
#include "reading/turn/PixelSnap.h"

namespace pw {

namespace {

std::shared_ptr<ui::Layer> pageLayer(ui::ContentsGravity gravity) {
    auto l = ui::Layer::create();
    l->setMasksToBounds(true);
    l->setBackgroundColor(gfx::Color::clear());
    l->setContentsGravity(gravity);
    return l;
}

void setContents(const std::shared_ptr<ui::Layer>& layer, const gfx::Image& image) {
    if (!layer)
        return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    layer->setContents(image);
    ui::Transaction::commit();
}

} // namespace

DragView::DragView(int mode, const gfx::Rect& frame)
    : LeafTurnView(mode == kVertical ? Axis::Vertical : Axis::Horizontal, frame), m_dragMode(mode) {}

void DragView::didCreate() {
    // The sliding page shows its part next to the moving edge; the page beneath is
    // stretched to the view.
    m_sliding = pageLayer(horizontal() ? ui::ContentsGravity::Right : ui::ContentsGravity::Bottom);
    m_still = pageLayer(ui::ContentsGravity::Resize);
    m_shading = ui::GradientLayer::create();
    m_shading->setColors({gfx::Color(0, 0, 0, 0.6), gfx::Color::clear()});
    if (horizontal()) {
        m_shading->setStartPoint({0, 0.5});
        m_shading->setEndPoint({1.0, 0.5});
    } else {
        m_shading->setStartPoint({0.5, 0});
        m_shading->setEndPoint({0.5, 1.0});
    }
    layer()->addSublayer(m_still);
    layer()->addSublayer(m_shading);
    layer()->addSublayer(m_sliding);
    LeafTurnView::didCreate();
}

void DragView::edgeDidChange(double e) {
    if (!m_sliding)
        return;
    const double w = bounds().width(), h = bounds().height();
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    if (horizontal()) {
        const double x = snapToPixel(e * w);
        m_sliding->setFrame({0, 0, x, h});
        m_shading->setFrame({x, 0, kShadingWidth, h});
    } else {
        const double y = snapToPixel(e * h);
        m_sliding->setFrame({0, 0, w, y});
        m_shading->setFrame({0, y, w, kShadingWidth});
    }
    m_still->setFrame({0, 0, w, h});
    ui::Transaction::commit();
}

void DragView::setTopImage(const gfx::Image& top, const gfx::Image& bottom) {
    if (horizontal())
        return;
    setContents(m_sliding, top);
    setContents(m_still, bottom);
}

void DragView::setTopPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_sliding, image);
}

void DragView::setBottomPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_still, image);
}

void DragView::setLeftImage(const gfx::Image& left, const gfx::Image& right) {
    if (!horizontal())
        return;
    setContents(m_sliding, left);
    setContents(m_still, right);
}

void DragView::setLeftPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_sliding, image);
}

void DragView::setRightPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_still, image);
}

void DragView::didTurnPageForward() {
    setContents(m_sliding, finalImage());
    reset();
}

} // namespace pw
