#pragma once
// Turns a sequence of touches into a gesture. The window hands each recognizer
// attached to the touched view (and its ancestors) the touches before the view
// gets them; once a recognizer recognizes, the others on those touches fail
// (unless allowed to run together) and the view's touches are cancelled.
#include "platform/gfx/Geometry.h"
#include "platform/ui/Touch.h"

#include <functional>
#include <memory>
#include <vector>

namespace pw::ui {

class View;
class Window;

enum class GestureState { Possible, Began, Changed, Ended, Cancelled, Failed };

class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    using Action = std::function<void(GestureRecognizer&)>;

    virtual ~GestureRecognizer() = default;

    void addTarget(Action action) { m_actions.push_back(std::move(action)); }
    GestureState state() const { return m_state; }
    View* view() const { return m_view; }

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool e);
    bool cancelsTouchesInView = true;

    // This recognizer waits until `other` has failed, and fails when it recognizes.
    void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);

    // Delegate questions; unset ones answer yes (no for simultaneous).
    std::function<bool(GestureRecognizer&)> shouldBegin;
    std::function<bool(GestureRecognizer&, const Touch&)> shouldReceiveTouch;
    std::function<bool(GestureRecognizer&, GestureRecognizer&)> shouldRecognizeSimultaneously;

    // Centroid of the touches it tracks (the last ones when they have ended).
    gfx::Point locationInView(const View* view) const;
    size_t numberOfTouches() const { return m_touches.size(); }

    // Called by the window.
    virtual void touchesBegan(const TouchSet& touches);
    virtual void touchesMoved(const TouchSet& touches);
    virtual void touchesEnded(const TouchSet& touches);
    virtual void touchesCancelled(const TouchSet& touches);
    virtual void reset();
    bool isFinal() const {
        return m_state == GestureState::Ended || m_state == GestureState::Cancelled || m_state == GestureState::Failed;
    }
    void attachToWindow(Window* w) { m_window = w; }
    // Forces failure (another recognizer won).
    void fail();

protected:
    GestureRecognizer() = default;
    void setState(GestureState s);
    double now() const;
    std::vector<Touch*> m_touches;
    gfx::Point m_lastLocation; // window coordinates

private:
    friend class View;
    void requiredDidFinish(bool failed);
    void fireActions();

    View* m_view = nullptr;
    Window* m_window = nullptr;
    GestureState m_state = GestureState::Possible;
    bool m_enabled = true;
    std::vector<Action> m_actions;
    std::weak_ptr<GestureRecognizer> m_requiredToFail;
    std::vector<std::weak_ptr<GestureRecognizer>> m_dependents;
    bool m_pending = false; // recognized, waiting for the required recognizer to fail
};

} // namespace pw::ui
