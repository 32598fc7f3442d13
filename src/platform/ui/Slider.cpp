#include "platform/ui/Slider.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

namespace {
constexpr double kThumb = 23;
}

void Slider::setValue(float v, bool) {
    const float lo = std::min(minimumValue, maximumValue), hi = std::max(minimumValue, maximumValue);
    v = std::clamp(v, lo, hi);
    if (v == m_value)
        return;
    m_value = v;
    setNeedsDisplay();
}

void Slider::setMinimumTrackTintColor(gfx::Color c) {
    m_minTrack = c;
    setNeedsDisplay();
}

void Slider::setThumbImage(gfx::Image image) {
    m_thumb = std::move(image);
    setNeedsDisplay();
}

gfx::Rect Slider::thumbRect() const {
    const gfx::Rect b = bounds();
    const double span = maximumValue - minimumValue;
    const double f = span != 0 ? (m_value - minimumValue) / span : 0;
    const double x = b.x() + f * std::max(0.0, b.width() - kThumb);
    return {x, b.midY() - kThumb / 2, kThumb, kThumb};
}

void Slider::track(const Touch& t) {
    const gfx::Rect b = bounds();
    const double usable = std::max(1.0, b.width() - kThumb);
    const double f = std::clamp((t.locationInView(this).x - b.x() - kThumb / 2) / usable, 0.0, 1.0);
    const float old = m_value;
    setValue(static_cast<float>(minimumValue + f * (maximumValue - minimumValue)));
    if (m_value != old) {
        if (continuous)
            sendActionsForControlEvents(ControlEventValueChanged);
        else
            m_changedWhileTracking = true;
    }
}

bool Slider::beginTracking(const Touch& t) {
    m_changedWhileTracking = false;
    track(t);
    return true;
}

bool Slider::continueTracking(const Touch& t) {
    track(t);
    return true;
}

void Slider::endTracking(const Touch*) {
    if (!continuous && m_changedWhileTracking)
        sendActionsForControlEvents(ControlEventValueChanged);
    m_changedWhileTracking = false;
}

void Slider::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const gfx::Rect thumb = thumbRect();
    const gfx::Rect trackRect(b.x() + 2, b.midY() - 4.5, b.width() - 4, 9);
    ctx.setFillColor(gfx::Color::fromWhite(0.85));
    ctx.beginPath();
    ctx.addRoundedRect(trackRect, 4.5);
    ctx.fillPath();
    ctx.save();
    ctx.clipToRect({trackRect.x(), trackRect.y(), thumb.midX() - trackRect.x(), trackRect.height()});
    ctx.setFillColor(isEnabled() ? m_minTrack : m_minTrack.withAlpha(0.5));
    ctx.beginPath();
    ctx.addRoundedRect(trackRect, 4.5);
    ctx.fillPath();
    ctx.restore();
    if (!m_thumb.isNull()) {
        const gfx::Size s = m_thumb.size();
        ctx.drawImage(m_thumb, gfx::Rect(thumb.midX() - s.width / 2, thumb.midY() - s.height / 2, s.width, s.height));
        return;
    }
    ctx.setFillColor(isHighlighted() ? gfx::Color::fromWhite(0.85) : gfx::Color::white());
    ctx.fillEllipse(thumb.insetBy(0.5, 0.5));
    ctx.setStrokeColor(gfx::Color::fromWhite(0.55));
    ctx.setLineWidth(1);
    ctx.strokeEllipse(thumb.insetBy(0.5, 0.5));
}

} // namespace pw::ui
