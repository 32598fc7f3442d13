#include "reading/turn/TwoPageLeafView.h"

#include "platform/ui/Transaction.h"
#include "reading/turn/PixelSnap.h"

namespace pw {

TwoPageLeafView::TwoPageLeafView(int mode, const gfx::Rect& frame)
    : LeafTurnView(mode == kVertical ? Axis::Vertical : Axis::Horizontal, frame) {}

void TwoPageLeafView::didCreate() {
    initialize();
    LeafTurnView::didCreate();
}

void TwoPageLeafView::initialize() {
    setClipsToBounds(true);
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    setleafTopEdge(1);
    ui::Transaction::commit();
}

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
    setContents(m_topPage, top);
    setContents(m_bottomPage, bottom);
}

void TwoPageLeafView::setTopPageImage(const gfx::Image& image) {
    setContents(m_topPage, image);
}

void TwoPageLeafView::setBottomPageImage(const gfx::Image& image) {
    setContents(m_bottomPage, image);
}

void TwoPageLeafView::setLeftImage(const gfx::Image& left, const gfx::Image& right) {
    setContents(m_leftPage, left);
    setContents(m_rightPage, right);
}

void TwoPageLeafView::setLeftPageImage(const gfx::Image& image) {
    setContents(m_leftPage, image);
}

void TwoPageLeafView::setRightPageImage(const gfx::Image& image) {
    setContents(m_rightPage, image);
}

void TwoPageLeafView::edgeDidChange(double e) {
    if (!slidingLayer())
        return;
    const double w = bounds().width(), h = bounds().height();
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    placeLayers(snapToPixel(e * (horizontal() ? w : h)), w, h);
    ui::Transaction::commit();
}

void TwoPageLeafView::didTurnPageForward() {
    setContents(slidingLayer(), finalImage());
    reset();
}

} // namespace pw
