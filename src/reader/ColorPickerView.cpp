#include "reader/ColorPickerView.h"

#include "platform/gfx/Context.h"
#include "reader/ColorPickerMapping.h"

namespace pw {

void ColorPickerView::didCreate() {
    setup();
}

void ColorPickerView::setup() {
    if (m_isSetup)
        return;
    m_isSetup = true;
    m_colorHueCell = 1.0 / 30;
    m_colorSaturationCell = 0.05;
    m_colorBrightnessCell = 0.05;
    m_rightColorHue = 0.6;
    computeAreas();
    setBackgroundColor(gfx::Color::clear());
    std::weak_ptr<View> weak = shared_from_this();
    // A press alone picks too: the recogniser reports from the first touch.
    m_pan = ui::PanGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        auto self = std::static_pointer_cast<ColorPickerView>(weak.lock());
        if (self)
            self->handleViewPan(g.locationInView(self.get()));
    });
    m_pan->maximumNumberOfTouches = 1;
    addGestureRecognizer(m_pan);
}

void ColorPickerView::computeAreas() {
    const auto areas = colorPickerAreas(bounds());
    m_allArea = areas.all;
    m_leftArea = areas.left;
    m_rightArea = areas.right;
}

void ColorPickerView::handleViewPan(gfx::Point p) {
    const auto touch = colorPickerTouch({m_allArea, m_leftArea, m_rightArea}, p, m_rightColorHue);
    if (!touch)
        return;
    const auto colour = gfx::Color::fromHSB(touch->hsb);
    if (touch->fromStrip) {
        setRightColorHue(touch->hsb.hue);
        m_rightColorPicked = colour;
    } else {
        m_leftColorPicked = colour;
    }
    if (auto d = delegate.lock())
        d->colorPicked(colour);
}

void ColorPickerView::setRightColorHue(double hue) {
    if (hue == m_rightColorHue)
        return;
    m_rightColorHue = hue;
    setNeedsDisplay();
}

void ColorPickerView::layoutSubviews() {
    View::layoutSubviews();
    computeAreas();
    setNeedsDisplay();
}

void ColorPickerView::draw(gfx::Context& ctx, const gfx::Rect&) {
    computeAreas();
    const gfx::Rect& strip = m_rightArea;
    const double cell = strip.height() / 31;
    for (int i = 0; i <= 30; ++i) {
        const auto c = gfx::Color::fromHSB({m_colorHueCell * i, 1, 1, 1});
        const gfx::Rect r(strip.x(), strip.y() + i * cell, strip.width(), cell);
        ctx.setFillColor(c);
        ctx.setStrokeColor(c);
        ctx.fillRect(r);
        ctx.strokeRect(r);
    }
    const gfx::Rect& grid = m_leftArea;
    for (int j = 0; j <= 20; ++j) {
        for (int k = 0; k <= 20; ++k) {
            const auto c =
                gfx::Color::fromHSB({m_rightColorHue, m_colorSaturationCell * j, m_colorBrightnessCell * k, 1});
            const gfx::Rect r(grid.x() + j * grid.width() / 21, grid.y() + k * grid.height() / 21, grid.width() / 20,
                              grid.height() / 20);
            ctx.setFillColor(c);
            ctx.setStrokeColor(c);
            ctx.fillRect(r);
            ctx.strokeRect(r);
        }
    }
}

} // namespace pw
