#include "platform/ui/GradientLayer.h"

namespace pw::ui {

void GradientLayer::setColors(std::vector<gfx::Color> colors) {
    m_colors = std::move(colors);
    setNeedsDisplay();
}

void GradientLayer::setLocations(std::vector<double> locations) {
    m_locations = std::move(locations);
    setNeedsDisplay();
}

void GradientLayer::setStartPoint(gfx::Point p) {
    m_start = p;
    setNeedsDisplay();
}

void GradientLayer::setEndPoint(gfx::Point p) {
    m_end = p;
    setNeedsDisplay();
}

void GradientLayer::drawContent(gfx::Context& ctx) const {
    Layer::drawContent(ctx);
    if (m_colors.empty())
        return;
    const gfx::Rect b = bounds();
    std::vector<gfx::GradientStop> stops;
    const size_t n = m_colors.size();
    for (size_t i = 0; i < n; ++i) {
        double at = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0;
        if (m_locations.size() == n)
            at = m_locations[i];
        stops.push_back({at, m_colors[i]});
    }
    if (n == 1)
        stops.push_back({1, m_colors[0]});
    ctx.save();
    ctx.clipToRect(b);
    ctx.drawLinearGradient(stops, {b.x() + m_start.x * b.width(), b.y() + m_start.y * b.height()},
                           {b.x() + m_end.x * b.width(), b.y() + m_end.y * b.height()});
    ctx.restore();
}

} // namespace pw::ui
