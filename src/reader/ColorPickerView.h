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

    // The strip's hue step and the grid's saturation and brightness steps.
    double colorHueCell() const { return m_colorHueCell; }
    double colorSaturationCell() const { return m_colorSaturationCell; }
    double colorBrightnessCell() const { return m_colorBrightnessCell; }
    // The touch area, the grid and the strip, as last laid out or drawn.
    const gfx::Rect& allArea() const { return m_allArea; }
    const gfx::Rect& leftArea() const { return m_leftArea; }
    const gfx::Rect& rightArea() const { return m_rightArea; }
    bool isSetup() const { return m_isSetup; }

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ColorPickerView(const gfx::Rect& frame) : View(frame) {}
    friend class ui::View;
    void didCreate() override;

private:
    void setup();
    void computeAreas();

    double m_colorHueCell = 0;
    double m_colorSaturationCell = 0;
    double m_colorBrightnessCell = 0;
    double m_rightColorHue = 0.6;
    gfx::Rect m_allArea, m_leftArea, m_rightArea;
    bool m_isSetup = false;
    std::optional<gfx::Color> m_leftColorPicked;
    std::optional<gfx::Color> m_rightColorPicked;
    std::shared_ptr<ui::PanGestureRecognizer> m_pan;
};

} // namespace pw
