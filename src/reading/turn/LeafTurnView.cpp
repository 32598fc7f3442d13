#include "reading/turn/LeafTurnView.h"

#include "platform/core/RunLoop.h"
#include "platform/ui/Transaction.h"

namespace pw {

namespace {

// Runs the changes in one transaction with the given duration (0: no animation).
template <typename F>
void inTransaction(double duration, F&& changes) {
    ui::Transaction::begin();
    if (duration <= 0)
        ui::Transaction::setDisableActions(true);
    else
        ui::Transaction::setAnimationDuration(duration);
    changes();
    ui::Transaction::commit();
}

} // namespace

LeafTurnView::LeafTurnView(Axis axis, const gfx::Rect& frame)
    : BaseView(frame), m_axis(axis), m_edge(1, [this](double shown) { edgeDidChange(shown); }) {}

LeafTurnView::~LeafTurnView() {
    m_completion.cancel();
}

void LeafTurnView::didCreate() {
    setClipsToBounds(true);
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    relayoutIfResized();
}

void LeafTurnView::boundsSizeDidChange(gfx::Size oldSize) {
    BaseView::boundsSizeDidChange(oldSize);
    relayoutIfResized();
}

void LeafTurnView::layoutSubviews() {
    BaseView::layoutSubviews();
    relayoutIfResized();
}

void LeafTurnView::relayoutIfResized() {
    const gfx::Size size = bounds().size;
    if (size.width == m_pageSize.width && size.height == m_pageSize.height)
        return;
    m_pageSize = size;
    inTransaction(0, [&] { setLayerFrames(); });
    updateTargetRects();
}

void LeafTurnView::updateTargetRects() {
    const double w = bounds().width(), h = bounds().height();
    if (m_axis == Axis::Horizontal) {
        m_nextPageRect = {w / 2, 0, w / 2, h};
        m_prevPageRect = {0, 0, w / 2, h};
    } else {
        m_nextPageRect = {0, h / 2, w, h / 2};
        m_prevPageRect = {0, 0, w, h / 2};
    }
}

double LeafTurnView::drivingShare(gfx::Point p) const {
    const double extent = m_axis == Axis::Horizontal ? bounds().width() : bounds().height();
    if (extent <= 0)
        return 1;
    return (m_axis == Axis::Horizontal ? p.x : p.y) / extent;
}

void LeafTurnView::touchesBegan(gfx::Point p) {
    relayoutIfResized();
    m_turnPageForward = false;
    m_turnPageBackward = false;
    m_touchBeganPoint = p;
    if (contains(m_prevPageRect, p)) {
        // Backward: the leaf starts turned away, the page being left shows beneath.
        inTransaction(0, [&] { setLeafEdge(0); });
        m_touchIsActive = true;
    } else {
        m_touchIsActive = contains(m_nextPageRect, p);
    }
}

void LeafTurnView::touchesBeganSmooth(gfx::Point p) {
    touchesBegan(p);
    inTransaction(0.2, [&] { setLeafEdge(drivingShare(p)); });
}

void LeafTurnView::touchesMoved(gfx::Point p) {
    if (!m_touchIsActive)
        return;
    inTransaction(0, [&] { setLeafEdge(drivingShare(p)); });
}

void LeafTurnView::touchesEnded(gfx::Point) {
    if (!m_touchIsActive)
        return;
    m_touchIsActive = false;
    const bool forward = touchedNextPage();
    setLeafEdge(forward ? 0 : 1);
    if (forward)
        m_turnPageForward = true;
    else
        m_turnPageBackward = true;
    m_completion.cancel();
    auto weak = std::weak_ptr<LeafTurnView>(std::static_pointer_cast<LeafTurnView>(sharedFromThis()));
    m_completion = core::RunLoop::main().postAfter(kCompletionDelay, [weak, forward] {
        auto self = weak.lock();
        if (!self)
            return;
        if (forward)
            self->didTurnPageForward();
        else
            self->didTurnPageBackward();
    });
}

void LeafTurnView::reset() {
    m_completion.cancel();
    inTransaction(0, [&] { setLeafEdge(1); });
    BaseView::reset();
}

} // namespace pw
