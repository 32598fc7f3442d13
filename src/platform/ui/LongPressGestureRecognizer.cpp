#include "platform/ui/LongPressGestureRecognizer.h"

#include "platform/core/RunLoop.h"

#include <cmath>

namespace pw::ui {

std::shared_ptr<LongPressGestureRecognizer> LongPressGestureRecognizer::create(Action action) {
    auto g = std::shared_ptr<LongPressGestureRecognizer>(new LongPressGestureRecognizer());
    if (action)
        g->addTarget(std::move(action));
    return g;
}

LongPressGestureRecognizer::~LongPressGestureRecognizer() {
    m_timer.cancel();
}

void LongPressGestureRecognizer::touchesBegan(const TouchSet& touches) {
    const bool first = m_touches.empty();
    GestureRecognizer::touchesBegan(touches);
    if (!first || state() != GestureState::Possible)
        return;
    m_start = locationInView(nullptr);
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    m_timer = core::RunLoop::current().postAfter(minimumPressDuration, [this, weak] {
        auto g = weak.lock();
        if (g && state() == GestureState::Possible && !m_touches.empty())
            setState(GestureState::Began);
    });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches) {
    GestureRecognizer::touchesMoved(touches);
    const gfx::Point p = locationInView(nullptr);
    if (state() == GestureState::Possible) {
        if (std::hypot(p.x - m_start.x, p.y - m_start.y) > allowableMovement) {
            m_timer.cancel();
            fail();
        }
    } else if (state() == GestureState::Began || state() == GestureState::Changed) {
        setState(GestureState::Changed);
    }
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet& touches) {
    GestureRecognizer::touchesEnded(touches);
    if (!m_touches.empty())
        return;
    m_timer.cancel();
    if (state() == GestureState::Began || state() == GestureState::Changed)
        setState(GestureState::Ended);
    else if (state() == GestureState::Possible)
        fail();
}

void LongPressGestureRecognizer::reset() {
    GestureRecognizer::reset();
    m_timer.cancel();
}

} // namespace pw::ui
