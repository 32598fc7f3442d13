#include "platform/ui/PanGestureRecognizer.h"

#include "platform/ui/View.h"

#include <cmath>

namespace pw::ui {

std::shared_ptr<PanGestureRecognizer> PanGestureRecognizer::create(Action action) {
    auto g = std::shared_ptr<PanGestureRecognizer>(new PanGestureRecognizer());
    if (action)
        g->addTarget(std::move(action));
    return g;
}

namespace {
// Window-space vector into a view's space (rotation and scale only).
gfx::Point vectorInView(gfx::Point v, const View* view) {
    if (!view)
        return v;
    const gfx::Point a = view->convertPointFromView({0, 0}, nullptr);
    const gfx::Point b = view->convertPointFromView(v, nullptr);
    return {b.x - a.x, b.y - a.y};
}
} // namespace

gfx::Point PanGestureRecognizer::translationInView(const View* view) const {
    const gfx::Point p = locationInView(nullptr);
    return vectorInView({p.x - m_origin.x, p.y - m_origin.y}, view);
}

void PanGestureRecognizer::setTranslation(gfx::Point t, const View* view) {
    const gfx::Point p = locationInView(nullptr);
    // t is in the view's space; bring it back to the window's.
    gfx::Point w = t;
    if (view) {
        const gfx::Point a = view->convertPointToView({0, 0}, nullptr);
        const gfx::Point b = view->convertPointToView(t, nullptr);
        w = {b.x - a.x, b.y - a.y};
    }
    m_origin = {p.x - w.x, p.y - w.y};
}

gfx::Point PanGestureRecognizer::velocityInView(const View* view) const {
    if (m_samples.size() < 2)
        return {0, 0};
    const Sample& a = m_samples.front();
    const Sample& b = m_samples.back();
    const double dt = b.t - a.t;
    if (dt <= 0)
        return {0, 0};
    return vectorInView({(b.p.x - a.p.x) / dt, (b.p.y - a.p.y) / dt}, view);
}

void PanGestureRecognizer::touchesBegan(const TouchSet& touches) {
    const bool first = m_touches.empty();
    GestureRecognizer::touchesBegan(touches);
    if (first && state() == GestureState::Possible) {
        m_origin = locationInView(nullptr);
        m_samples.clear();
    }
    m_samples.push_back({now(), locationInView(nullptr)});
    if (static_cast<int>(m_touches.size()) > maximumNumberOfTouches && state() == GestureState::Possible)
        fail();
}

void PanGestureRecognizer::touchesMoved(const TouchSet& touches) {
    GestureRecognizer::touchesMoved(touches);
    const double t = now();
    const gfx::Point p = locationInView(nullptr);
    m_samples.push_back({t, p});
    while (m_samples.size() > 2 && t - m_samples.front().t > 0.1)
        m_samples.pop_front();
    if (state() == GestureState::Possible) {
        if (static_cast<int>(m_touches.size()) < minimumNumberOfTouches)
            return;
        if (std::hypot(p.x - m_origin.x, p.y - m_origin.y) >= kHysteresis)
            setState(GestureState::Began);
    } else if (state() == GestureState::Began || state() == GestureState::Changed) {
        setState(GestureState::Changed);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches) {
    GestureRecognizer::touchesEnded(touches);
    if (!m_touches.empty())
        return;
    if (state() == GestureState::Began || state() == GestureState::Changed)
        setState(GestureState::Ended);
    else if (state() == GestureState::Possible)
        fail();
}

void PanGestureRecognizer::reset() {
    GestureRecognizer::reset();
    m_samples.clear();
}

} // namespace pw::ui
