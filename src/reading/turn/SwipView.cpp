#include "reading/turn/SwipView.h"

#include "platform/core/Paths.h"
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

// The bundle's split line, or a plain grey line where the bundle has none.
gfx::Image splitLineImage() {
    if (auto image = gfx::Image::fromFile(core::Paths::resource(SwipView::kSplitLineImage).string()))
        return *image;
    return gfx::Image::filled(1, 1, {150, 150, 150, 255});
}

} // namespace

SwipView::SwipView(int mode, const gfx::Rect& frame)
    : LeafTurnView(mode == kVertical ? Axis::Vertical : Axis::Horizontal, frame), m_swipMode(mode) {}

void SwipView::didCreate() {
    if (horizontal()) {
        m_outgoing = pageLayer(ui::ContentsGravity::Right);
        m_incoming = pageLayer(ui::ContentsGravity::Left);
        layer()->addSublayer(m_incoming);
        layer()->addSublayer(m_outgoing);
    } else {
        m_outgoing = pageLayer(ui::ContentsGravity::Bottom);
        m_incoming = pageLayer(ui::ContentsGravity::Top);
        m_splitLine = ui::Layer::create();
        m_splitLine->setBackgroundColor(gfx::Color::clear());
        m_splitLine->setContents(splitLineImage());
        layer()->addSublayer(m_incoming);
        layer()->addSublayer(m_outgoing);
        layer()->addSublayer(m_splitLine);
    }
    LeafTurnView::didCreate();
}

void SwipView::edgeDidChange(double e) {
    if (!m_outgoing)
        return;
    const double w = bounds().width(), h = bounds().height();
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    if (horizontal()) {
        const double x = snapToPixel(e * w);
        m_outgoing->setFrame({0, 0, x, h});
        m_incoming->setFrame({x - 0.5, 0, w - x + 0.5, h});
    } else {
        const double y = snapToPixel(e * h);
        m_outgoing->setFrame({0, 0, w, y});
        m_incoming->setFrame({0, y - 0.5, w, h - y + 0.5});
        m_splitLine->setFrame({0, y, w, 1});
    }
    ui::Transaction::commit();
}

void SwipView::setTopImage(const gfx::Image& top, const gfx::Image& bottom) {
    if (horizontal())
        return;
    setContents(m_outgoing, top);
    setContents(m_incoming, bottom);
}

void SwipView::setTopPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_outgoing, image);
}

void SwipView::setBottomPageImage(const gfx::Image& image) {
    if (!horizontal())
        setContents(m_incoming, image);
}

void SwipView::setLeftImage(const gfx::Image& left, const gfx::Image& right) {
    if (!horizontal())
        return;
    setContents(m_outgoing, left);
    setContents(m_incoming, right);
}

void SwipView::setLeftPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_outgoing, image);
}

void SwipView::setRightPageImage(const gfx::Image& image) {
    if (horizontal())
        setContents(m_incoming, image);
}

void SwipView::setSplitLineShow(bool show) {
    if (!m_splitLine)
        return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    m_splitLine->setHidden(!show);
    ui::Transaction::commit();
}

void SwipView::didTurnPageForward() {
    setContents(m_outgoing, finalImage());
    reset();
}

} // namespace pw
