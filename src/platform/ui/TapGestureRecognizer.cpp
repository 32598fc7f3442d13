#include "platform/ui/TapGestureRecognizer.h"

#include "platform/core/RunLoop.h"

#include <cmath>

namespace pw::ui {

std::shared_ptr<TapGestureRecognizer> TapGestureRecognizer::create(Action action) {
    auto g = std::shared_ptr<TapGestureRecognizer>(new TapGestureRecognizer());
    if (action)
        g->addTarget(std::move(action));
    return g;
}

TapGestureRecognizer::~TapGestureRecognizer() {
    m_timer.cancel();
}

void TapGestureRecognizer::touchesBegan(const TouchSet& touches) {
    GestureRecognizer::touchesBegan(touches);
    m_timer.cancel();
    if (state() != GestureState::Possible)
        return;
    m_maxTouches = std::max(m_maxTouches, m_touches.size());
    if (m_taps == 0)
        m_start = locationInView(nullptr);
    if (static_cast<int>(m_maxTouches) > numberOfTouchesRequired)
        fail();
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches) {
    GestureRecognizer::touchesMoved(touches);
    const gfx::Point p = locationInView(nullptr);
    if (state() == GestureState::Possible && std::hypot(p.x - m_start.x, p.y - m_start.y) > kAllowableMovement)
        fail();
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches) {
    GestureRecognizer::touchesEnded(touches);
    if (state() != GestureState::Possible || !m_touches.empty())
        return;
    if (static_cast<int>(m_maxTouches) != numberOfTouchesRequired) {
        fail();
        return;
    }
    ++m_taps;
    m_maxTouches = 0;
    if (m_taps >= numberOfTapsRequired) {
        setState(GestureState::Ended);
        return;
    }
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    m_timer = core::RunLoop::current().postAfter(kMaximumTapInterval, [weak] {
        if (auto g = weak.lock())
            g->fail();
    });
}

void TapGestureRecognizer::reset() {
    GestureRecognizer::reset();
    m_timer.cancel();
    m_taps = 0;
    m_maxTouches = 0;
}

} // namespace pw::ui
