#pragma once
// Small pieces the list widgets share: a delayed call that only runs while its
// view lives, an eased horizontal slide, and a plain titled button.
#include "platform/core/Cancelable.h"
#include "platform/ui/Button.h"

#include <functional>
#include <memory>
#include <string>

namespace pw {

class WidgetHelpers {
public:
    // Runs fn on this thread's loop after `seconds`, unless the view is gone by then.
    static core::Cancelable after(ui::View& owner, double seconds, std::function<void()> fn);
    // Moves the view's x to `x` over `duration` on the ease-in-ease-out curve.
    static void slideX(const std::shared_ptr<ui::View>& view, double x, double duration);
    // A custom button at `frame` in `container`; with a title, in black at the system font of `fontSize`.
    static std::shared_ptr<ui::Button> titleButton(const gfx::Rect& frame, const std::string* title, double fontSize,
                                                   ui::View& container);
};

} // namespace pw
