#include "platform/ui/Control.h"

namespace pw::ui {

uint64_t Control::addTarget(Action action, unsigned events) {
    const uint64_t h = m_nextHandle++;
    m_targets.push_back({h, std::move(action), events});
    return h;
}

void Control::removeTarget(uint64_t handle) {
    std::erase_if(m_targets, [handle](const Target& t) { return t.handle == handle; });
}

void Control::sendActionsForControlEvents(unsigned events) {
    auto self = shared_from_this(); // an action may drop the last other reference
    auto targets = m_targets;
    for (auto& t : targets)
        if ((t.events & events) && t.action)
            t.action(*this);
}

void Control::setEnabled(bool e) {
    if (e == m_enabled)
        return;
    m_enabled = e;
    if (!e)
        m_highlighted = false;
    stateDidChange();
}

void Control::setSelected(bool s) {
    if (s == m_selected)
        return;
    m_selected = s;
    stateDidChange();
}

void Control::setHighlighted(bool h) {
    if (h == m_highlighted)
        return;
    m_highlighted = h;
    stateDidChange();
}

unsigned Control::state() const {
    unsigned s = ControlStateNormal;
    if (m_highlighted)
        s |= ControlStateHighlighted;
    if (!m_enabled)
        s |= ControlStateDisabled;
    if (m_selected)
        s |= ControlStateSelected;
    return s;
}

View* Control::hitTest(gfx::Point p) {
    if (!m_enabled && pointInside(p))
        return nullptr;
    return View::hitTest(p);
}

bool Control::inside(const Touch& t) const {
    return bounds().insetBy(-kTouchSlop, -kTouchSlop).contains(t.locationInView(this));
}

void Control::touchesBegan(const TouchSet& touches) {
    if (touches.empty() || !m_enabled)
        return;
    const Touch& t = *touches.front();
    m_touchInside = true;
    m_tracking = beginTracking(t);
    setHighlighted(true);
    unsigned ev = ControlEventTouchDown;
    if (t.tapCount > 1)
        ev |= ControlEventTouchDownRepeat;
    sendActionsForControlEvents(ev);
}

void Control::touchesMoved(const TouchSet& touches) {
    if (touches.empty() || !m_enabled)
        return;
    const Touch& t = *touches.front();
    const bool was = m_touchInside;
    m_touchInside = inside(t);
    setHighlighted(m_touchInside);
    if (m_tracking)
        m_tracking = continueTracking(t);
    unsigned ev = m_touchInside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
    if (was != m_touchInside)
        ev |= m_touchInside ? ControlEventTouchDragEnter : ControlEventTouchDragExit;
    sendActionsForControlEvents(ev);
}

void Control::touchesEnded(const TouchSet& touches) {
    if (touches.empty() || !m_enabled)
        return;
    const Touch& t = *touches.front();
    m_touchInside = inside(t);
    m_tracking = false;
    endTracking(&t);
    setHighlighted(false);
    sendActionsForControlEvents(m_touchInside ? ControlEventTouchUpInside : ControlEventTouchUpOutside);
    m_touchInside = false;
}

void Control::touchesCancelled(const TouchSet&) {
    if (!m_tracking && !m_highlighted)
        return;
    m_tracking = false;
    endTracking(nullptr);
    setHighlighted(false);
    m_touchInside = false;
    sendActionsForControlEvents(ControlEventTouchCancel);
}

} // namespace pw::ui
