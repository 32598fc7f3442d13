#pragma once

// The colour picker's drawing: a hue strip of 31 cells on the right and a
// 21 x 21 saturation/brightness grid in the strip's hue on the left. Every pan
// callback hands the touch to whoever listens (the colour box).

#include <functional>
#include <memory>

#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/View.h"

namespace pw {

class ColorPickerView : public ui::View {
public:
    static std::shared_ptr<ColorPickerView> create(const gfx::Rect& frame) {
        return View::create<ColorPickerView>(frame);
    }

    // The hue the grid shows.
    double rightColorHue() const { return m_rightColorHue; }
    void setRightColorHue(double hue);
    std::function<void(gfx::Point)> onTouch;

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ColorPickerView(const gfx::Rect& frame) : View(frame) {}
    friend class ui::View;
    void didCreate() override;

private:
    double m_rightColorHue = 0.6;
    std::shared_ptr<ui::PanGestureRecognizer> m_pan;
};

} // namespace pw
