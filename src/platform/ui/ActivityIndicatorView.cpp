#include "platform/ui/ActivityIndicatorView.h"

#include <cmath>
#include <numbers>

namespace pw::ui {

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style) : m_style(style) {
    setOpaque(false);
    setUserInteractionEnabled(false);
    setStyle(style);
    setHidden(true);
}

ActivityIndicatorView::~ActivityIndicatorView() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
}

void ActivityIndicatorView::setStyle(ActivityIndicatorStyle s) {
    m_style = s;
    m_color = s == ActivityIndicatorStyle::Gray ? gfx::Color::gray() : gfx::Color::white();
    const gfx::Size size = sizeThatFits({});
    const gfx::Point c = center();
    setBounds({0, 0, size.width, size.height});
    setCenter(c);
    setNeedsDisplay();
}

void ActivityIndicatorView::setColor(gfx::Color c) {
    m_color = c;
    setNeedsDisplay();
}

void ActivityIndicatorView::setHidesWhenStopped(bool h) {
    m_hidesWhenStopped = h;
    if (!isAnimating())
        setHidden(h);
}

gfx::Size ActivityIndicatorView::sizeThatFits(gfx::Size) const {
    return m_style == ActivityIndicatorStyle::WhiteLarge ? gfx::Size{37, 37} : gfx::Size{20, 20};
}

void ActivityIndicatorView::startAnimating() {
    setHidden(false);
    if (m_ticker)
        return;
    m_started = Animator::shared().now();
    std::weak_ptr<View> weak = weak_from_this();
    m_ticker = Animator::shared().addTicker([this, weak](double now) {
        if (weak.expired())
            return false;
        const int p = static_cast<int>(std::floor((now - m_started) * 12)) % 12;
        if (p != m_phase) {
            m_phase = p;
            // Nothing to redraw while it cannot be seen (a hidden overlay keeps its spinner).
            bool visible = true;
            for (const View* v = this; v && visible; v = v->superview())
                visible = !v->isHidden() && v->layer()->presentation().opacity > 0;
            if (visible)
                setNeedsDisplay();
        }
        return true;
    });
}

void ActivityIndicatorView::stopAnimating() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
    m_ticker = 0;
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicatorView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const double r = std::min(b.width(), b.height()) / 2;
    const double inner = r * 0.45, width = std::max(2.0, r * 0.16);
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.setLineWidth(width);
    for (int i = 0; i < 12; ++i) {
        // The spoke at the phase is brightest; the ones behind it fade.
        const int age = (m_phase - i + 12) % 12;
        const double a = 1.0 - age * 0.07;
        const double angle = i * std::numbers::pi / 6 - std::numbers::pi / 2;
        ctx.setStrokeColor(m_color.withAlpha(m_color.alpha() * std::max(0.2, a)));
        ctx.beginPath();
        ctx.moveTo({b.midX() + std::cos(angle) * inner, b.midY() + std::sin(angle) * inner});
        ctx.lineTo({b.midX() + std::cos(angle) * (r - width / 2), b.midY() + std::sin(angle) * (r - width / 2)});
        ctx.strokePath();
    }
}

} // namespace pw::ui
