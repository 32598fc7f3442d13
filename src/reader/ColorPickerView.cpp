#include "reader/ColorPickerView.h"

#include "platform/gfx/Context.h"
#include "reader/ColorPickerMapping.h"

namespace pw {

void ColorPickerView::didCreate() {
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

void ColorPickerView::handleViewPan(gfx::Point p) {
    const auto touch = colorPickerTouch(colorPickerAreas(bounds()), p, m_rightColorHue);
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
    setNeedsDisplay();
}

void ColorPickerView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const auto areas = colorPickerAreas(bounds());
    const gfx::Rect& strip = areas.right;
    const double cell = strip.height() / 31;
    for (int i = 0; i <= 30; ++i) {
        const auto c = gfx::Color::fromHSB({i / 30.0, 1, 1, 1});
        const gfx::Rect r(strip.x(), strip.y() + i * cell, strip.width(), cell);
        ctx.setFillColor(c);
        ctx.setStrokeColor(c);
        ctx.fillRect(r);
        ctx.strokeRect(r);
    }
    const gfx::Rect& grid = areas.left;
    for (int j = 0; j <= 20; ++j) {
        for (int k = 0; k <= 20; ++k) {
            const auto c = gfx::Color::fromHSB({m_rightColorHue, 0.05 * j, 0.05 * k, 1});
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
