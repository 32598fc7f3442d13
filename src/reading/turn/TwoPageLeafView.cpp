#include "reading/turn/TwoPageLeafView.h"

#include "platform/ui/Transaction.h"
#include "reading/turn/PixelSnap.h"

namespace pw {

TwoPageLeafView::TwoPageLeafView(int mode, const gfx::Rect& frame)
    : LeafTurnView(mode == kVertical ? Axis::Vertical : Axis::Horizontal, frame) {}

std::shared_ptr<ui::Layer> TwoPageLeafView::pageLayer(ui::ContentsGravity gravity) {
    auto l = ui::Layer::create();
    l->setMasksToBounds(true);
    l->setBackgroundColor(gfx::Color::clear());
    l->setContentsGravity(gravity);
    return l;
}

void TwoPageLeafView::setContents(const std::shared_ptr<ui::Layer>& layer, const gfx::Image& image) {
    if (!layer)
        return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    layer->setContents(image);
    ui::Transaction::commit();
}

void TwoPageLeafView::setTopImage(const gfx::Image& top, const gfx::Image& bottom) {
    if (horizontal())
        return;
    setContents(m_moving, top);
    setContents(m_beneath, bottom);
}

void TwoPageLeafView::setTopPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_moving, image);
}

void TwoPageLeafView::setBottomPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_beneath, image);
}

void TwoPageLeafView::setLeftImage(const gfx::Image& left, const gfx::Image& right) {
    if (!horizontal())
        return;
    setContents(m_moving, left);
    setContents(m_beneath, right);
}

void TwoPageLeafView::setLeftPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_moving, image);
}

void TwoPageLeafView::setRightPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_beneath, image);
}

void TwoPageLeafView::edgeDidChange(double e) {
    if (!m_moving)
        return;
    const double w = bounds().width(), h = bounds().height();
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    placeLayers(snapToPixel(e * (horizontal() ? w : h)), w, h);
    ui::Transaction::commit();
}

void TwoPageLeafView::didTurnPageForward() {
    setContents(m_moving, finalImage());
    reset();
}

} // namespace pw
