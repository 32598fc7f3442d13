#pragma once
// A layer that paints a linear gradient over its bounds: colours at locations
// between a start and an end point given in unit coordinates of the bounds.
#include "platform/ui/Layer.h"

#include <vector>

namespace pw::ui {

class GradientLayer : public Layer {
public:
    static std::shared_ptr<GradientLayer> create() { return std::shared_ptr<GradientLayer>(new GradientLayer()); }

    void setColors(std::vector<gfx::Color> colors);
    const std::vector<gfx::Color>& colors() const { return m_colors; }
    // Empty: spread evenly.
    void setLocations(std::vector<double> locations);
    void setStartPoint(gfx::Point p);
    void setEndPoint(gfx::Point p);

    void drawContent(gfx::Context& ctx) const override;

protected:
    GradientLayer() = default;

private:
    std::vector<gfx::Color> m_colors;
    std::vector<double> m_locations;
    gfx::Point m_start{0.5, 0};
    gfx::Point m_end{0.5, 1};
};

} // namespace pw::ui
