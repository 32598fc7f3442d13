#pragma once
// One finger on the screen, as the window delivers it.
#include "platform/gfx/Geometry.h"

#include <memory>
#include <vector>

namespace pw::ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

class Touch {
public:
    // Location in the given view's coordinates (the window's when null).
    gfx::Point locationInView(const View* view) const;
    gfx::Point previousLocationInView(const View* view) const;

    TouchPhase phase = TouchPhase::Began;
    int tapCount = 1;
    double timestamp = 0;
    int identifier = 0;

    // Where it is, in window coordinates.
    gfx::Point windowLocation;
    gfx::Point previousWindowLocation;
    std::weak_ptr<View> view; // the view hit when it began
    std::weak_ptr<Window> window;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers;
};

using TouchSet = std::vector<Touch*>;

} // namespace pw::ui
