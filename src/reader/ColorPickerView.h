#pragma once

// The colour picker's drawing: a hue strip of 31 cells on the right and a
// 21 x 21 saturation/brightness grid in the strip's hue on the left. Every pan
// callback turns the touch into a colour for the delegate (the colour box); a
// touch on the strip also gives the grid that hue.

#include <functional>
#include <memory>
#include <optional>

#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/View.h"
#include "reader/ColorPickerDelegate.h"

namespace pw {

class ColorPickerView : public ui::View {
public:
    static std::shared_ptr<ColorPickerView> create(const gfx::Rect& frame) {
        return View::create<ColorPickerView>(frame);
    }

    // The hue the grid shows.
    double rightColorHue() const { return m_rightColorHue; }
    void setRightColorHue(double hue);
    std::weak_ptr<ColorPickerDelegate> delegate;
    // A touch in the view's coordinates, from any phase of the pan.
    void handleViewPan(gfx::Point p);
    const std::optional<gfx::Color>& leftColorPicked() const { return m_leftColorPicked; }
    const std::optional<gfx::Color>& rightColorPicked() const { return m_rightColorPicked; }

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ColorPickerView(const gfx::Rect& frame) : View(frame) {}
    friend class ui::View;
    void didCreate() override;

private:
    double m_rightColorHue = 0.6;
    std::optional<gfx::Color> m_leftColorPicked;
    std::optional<gfx::Color> m_rightColorPicked;
    std::shared_ptr<ui::PanGestureRecognizer> m_pan;
};

} // namespace pw
