#include "foundation/widgets/WidgetHelpers.h"

#include "platform/core/RunLoop.h"

namespace pw {

core::Cancelable WidgetHelpers::after(ui::View& owner, double seconds, std::function<void()> fn) {
    std::weak_ptr<ui::View> weak = owner.weak_from_this();
    return core::RunLoop::current().postAfter(seconds, [weak, fn = std::move(fn)] {
        if (auto alive = weak.lock())
            fn();
    });
}

void WidgetHelpers::slideX(const std::shared_ptr<ui::View>& view, double x, double duration) {
    if (!view)
        return;
    ui::BlockAnimationOptions o;
    o.duration = duration;
    o.curve = ui::TimingFunction::EaseInOut;
    ui::View::animate(o, [view, x] {
        gfx::Rect f = view->frame();
        f.origin.x = x;
        view->setFrame(f);
    });
}

std::shared_ptr<ui::Button> WidgetHelpers::titleButton(const gfx::Rect& frame, const std::string* title,
                                                       double fontSize, ui::View& container) {
    auto button = ui::Button::create(ui::ButtonType::Custom);
    button->setFrame(frame);
    if (title) {
        button->titleLabel().setFont(gfx::Font::systemFont(fontSize));
        button->setTitleColor(gfx::Color::black(), ui::ControlStateNormal);
        button->setTitle(*title, ui::ControlStateNormal);
    }
    container.addSubview(button);
    return button;
}

} // namespace pw
