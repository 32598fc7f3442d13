#pragma once
// A view that turns touches into control events and sends them to the
// actions registered for those events.
#include "platform/ui/View.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pw::ui {

enum ControlEvent : unsigned {
    ControlEventTouchDown = 1u << 0,
    ControlEventTouchDownRepeat = 1u << 1,
    ControlEventTouchDragInside = 1u << 2,
    ControlEventTouchDragOutside = 1u << 3,
    ControlEventTouchDragEnter = 1u << 4,
    ControlEventTouchDragExit = 1u << 5,
    ControlEventTouchUpInside = 1u << 6,
    ControlEventTouchUpOutside = 1u << 7,
    ControlEventTouchCancel = 1u << 8,
    ControlEventValueChanged = 1u << 12,
    ControlEventEditingDidBegin = 1u << 16,
    ControlEventEditingChanged = 1u << 17,
    ControlEventEditingDidEnd = 1u << 18,
    ControlEventEditingDidEndOnExit = 1u << 19,
    ControlEventAllTouchEvents = 0x0FFFu,
    ControlEventAllEditingEvents = 0xF0000u,
    ControlEventAllEvents = 0xFFFFFFFFu,
};

enum ControlState : unsigned {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1u << 0,
    ControlStateDisabled = 1u << 1,
    ControlStateSelected = 1u << 2,
};

class Control : public View {
public:
    using Action = std::function<void(Control& sender)>;

    // Returns a handle for removeTarget.
    uint64_t addTarget(Action action, unsigned events);
    void removeTarget(uint64_t handle);
    void removeAllTargets() { m_targets.clear(); }
    void sendActionsForControlEvents(unsigned events);

    bool isEnabled() const { return m_enabled; }
    virtual void setEnabled(bool e);
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool s);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool h);
    unsigned state() const;
    bool isTracking() const { return m_tracking; }
    bool isTouchInside() const { return m_touchInside; }

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;
    View* hitTest(gfx::Point p) override;

    // A touch that strays this far outside still counts as inside.
    static constexpr double kTouchSlop = 25;

protected:
    Control() = default;
    explicit Control(const gfx::Rect& frame) : View(frame) {}
    friend class View;
    virtual bool beginTracking(const Touch&) { return true; }
    virtual bool continueTracking(const Touch&) { return true; }
    virtual void endTracking(const Touch*) {}
    virtual void stateDidChange() { setNeedsDisplay(); }

private:
    bool inside(const Touch& t) const;
    struct Target {
        uint64_t handle;
        Action action;
        unsigned events;
    };
    std::vector<Target> m_targets;
    uint64_t m_nextHandle = 1;
    bool m_enabled = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_tracking = false;
    bool m_touchInside = false;
};

} // namespace pw::ui
