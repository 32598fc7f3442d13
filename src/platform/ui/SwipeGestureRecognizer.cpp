#include "platform/ui/SwipeGestureRecognizer.h"

#include <cmath>

namespace pw::ui {

std::shared_ptr<SwipeGestureRecognizer> SwipeGestureRecognizer::create(Action action) {
    auto g = std::shared_ptr<SwipeGestureRecognizer>(new SwipeGestureRecognizer());
    if (action)
        g->addTarget(std::move(action));
    return g;
}

void SwipeGestureRecognizer::touchesBegan(const TouchSet& touches) {
    const bool first = m_touches.empty();
    GestureRecognizer::touchesBegan(touches);
    if (first) {
        m_start = locationInView(nullptr);
        m_startTime = now();
    }
}

void SwipeGestureRecognizer::touchesMoved(const TouchSet& touches) {
    GestureRecognizer::touchesMoved(touches);
    if (state() != GestureState::Possible)
        return;
    const gfx::Point p = locationInView(nullptr);
    const double dx = p.x - m_start.x, dy = p.y - m_start.y;
    if (now() - m_startTime > kMaximumDuration) {
        fail();
        return;
    }
    const bool horizontal = std::abs(dx) >= std::abs(dy);
    const double along = horizontal ? std::abs(dx) : std::abs(dy);
    const double across = horizontal ? std::abs(dy) : std::abs(dx);
    if (along < kMinimumDistance)
        return;
    unsigned dir = horizontal ? (dx > 0 ? SwipeRight : SwipeLeft) : (dy > 0 ? SwipeDown : SwipeUp);
    if ((direction & dir) && across <= along / 2)
        setState(GestureState::Ended);
    else
        fail();
}

void SwipeGestureRecognizer::touchesEnded(const TouchSet& touches) {
    GestureRecognizer::touchesEnded(touches);
    if (m_touches.empty() && state() == GestureState::Possible)
        fail();
}

} // namespace pw::ui
