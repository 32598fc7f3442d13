#include "platform/ui/Switch.h"

namespace pw::ui {

Switch::Switch() {
    setOpaque(false);
    setFrame({0, 0, 79, 27});
}

void Switch::setOn(bool on, bool) {
    if (on == m_on)
        return;
    m_on = on;
    setNeedsDisplay();
}

void Switch::setOnTintColor(gfx::Color c) {
    m_onTint = c;
    setNeedsDisplay();
}

void Switch::endTracking(const Touch* t) {
    if (!t || !bounds().insetBy(-kTouchSlop, -kTouchSlop).contains(t->locationInView(this)))
        return;
    setOn(!m_on, true);
    sendActionsForControlEvents(ControlEventValueChanged);
}

void Switch::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds().insetBy(0.5, 0.5);
    const double r = b.height() / 2;
    ctx.setFillColor(m_on ? m_onTint : gfx::Color::fromWhite(0.93));
    ctx.beginPath();
    ctx.addRoundedRect(b, r);
    ctx.fillPath();
    ctx.setStrokeColor(gfx::Color::fromWhite(0.6));
    ctx.setLineWidth(1);
    ctx.beginPath();
    ctx.addRoundedRect(b, r);
    ctx.strokePath();
    const gfx::Rect knob(m_on ? b.maxX() - b.height() : b.x(), b.y(), b.height(), b.height());
    ctx.setFillColor(isHighlighted() ? gfx::Color::fromWhite(0.85) : gfx::Color::white());
    ctx.fillEllipse(knob);
    ctx.strokeEllipse(knob);
    ctx.setFillColor(m_on ? gfx::Color::white() : gfx::Color::gray());
    const gfx::Font f = gfx::Font::boldSystemFont(13);
    const char* text = m_on ? "ON" : "OFF";
    const gfx::Size s = gfx::TextLayout::measure(text, f);
    const double area = b.width() - b.height();
    const double x = m_on ? b.x() + (area - s.width) / 2 : b.x() + b.height() + (area - s.width) / 2;
    ctx.drawText(text, {x, b.midY() - s.height / 2}, f);
}

} // namespace pw::ui
