#include "platform/ui/GestureRecognizer.h"

#include "platform/core/Clock.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace pw::ui {

void GestureRecognizer::setEnabled(bool e) {
    m_enabled = e;
    if (!e && (m_state == GestureState::Began || m_state == GestureState::Changed))
        setState(GestureState::Cancelled);
    if (!e)
        reset();
}

void GestureRecognizer::requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other) {
    if (!other || other.get() == this)
        return;
    m_requiredToFail = other;
    other->m_dependents.push_back(weak_from_this());
}

gfx::Point GestureRecognizer::locationInView(const View* view) const {
    gfx::Point p = m_lastLocation;
    if (!m_touches.empty()) {
        double x = 0, y = 0;
        for (const Touch* t : m_touches) {
            x += t->windowLocation.x;
            y += t->windowLocation.y;
        }
        p = {x / static_cast<double>(m_touches.size()), y / static_cast<double>(m_touches.size())};
    }
    if (!view)
        return p;
    return view->convertPointFromView(p, nullptr);
}

void GestureRecognizer::touchesBegan(const TouchSet& touches) {
    for (Touch* t : touches)
        if (std::find(m_touches.begin(), m_touches.end(), t) == m_touches.end())
            m_touches.push_back(t);
    if (!m_touches.empty())
        m_lastLocation = locationInView(nullptr);
}

void GestureRecognizer::touchesMoved(const TouchSet&) {
    m_lastLocation = locationInView(nullptr);
}

void GestureRecognizer::touchesEnded(const TouchSet& touches) {
    m_lastLocation = locationInView(nullptr);
    for (Touch* t : touches)
        m_touches.erase(std::remove(m_touches.begin(), m_touches.end(), t), m_touches.end());
}

void GestureRecognizer::touchesCancelled(const TouchSet& touches) {
    touchesEnded(touches);
    if (m_state == GestureState::Began || m_state == GestureState::Changed)
        setState(GestureState::Cancelled);
    else if (m_state == GestureState::Possible)
        setState(GestureState::Failed);
}

void GestureRecognizer::reset() {
    m_state = GestureState::Possible;
    m_pending = false;
    m_touches.clear();
}

void GestureRecognizer::fail() {
    if (m_state == GestureState::Possible)
        setState(GestureState::Failed);
}

double GestureRecognizer::now() const {
    return core::Clock::shared().monotonic();
}

void GestureRecognizer::setState(GestureState s) {
    auto self = shared_from_this();
    const bool recognizing =
        (s == GestureState::Began || s == GestureState::Ended) && m_state == GestureState::Possible;
    if (recognizing) {
        if (shouldBegin && !shouldBegin(*this)) {
            s = GestureState::Failed;
        } else if (auto req = m_requiredToFail.lock();
                   req && !req->isFinal() && req->m_state == GestureState::Possible) {
            // Wait for the other one to fail before acting.
            m_pending = true;
            return;
        } else if (req && req->m_state != GestureState::Failed && req->m_state != GestureState::Possible) {
            s = GestureState::Failed;
        }
    }
    m_state = s;
    if (recognizing && s != GestureState::Failed && m_window)
        m_window->gestureDidRecognize(this);
    if (s != GestureState::Failed && s != GestureState::Possible)
        fireActions();
    if (s == GestureState::Failed || s == GestureState::Ended || s == GestureState::Began) {
        for (auto& w : m_dependents)
            if (auto d = w.lock())
                d->requiredDidFinish(s == GestureState::Failed);
    }
    if (isFinal() && m_touches.empty())
        reset();
}

void GestureRecognizer::requiredDidFinish(bool failed) {
    if (!m_pending)
        return;
    m_pending = false;
    if (failed) {
        m_state = GestureState::Possible;
        setState(GestureState::Ended);
    } else {
        m_state = GestureState::Possible;
        setState(GestureState::Failed);
    }
}

void GestureRecognizer::fireActions() {
    auto actions = m_actions;
    for (auto& a : actions)
        a(*this);
}

} // namespace pw::ui
