#pragma once

// The page view of the slide-over turns: the old page slides off over the new one,
// which lies still beneath it, with a 5-point shading strip along the sliding
// edge. Mode 1 slides left and right (turn type 2), mode 2 up and down (type 4).
// The sliding page is pinned to its moving edge, so it slides instead of being cut.

#include "platform/ui/GradientLayer.h"
#include "reading/turn/TwoPageLeafView.h"

namespace pw {

class DragView : public TwoPageLeafView {
public:
    static constexpr double kShadingWidth = 5;

    int dragMode() const { return horizontal() ? kHorizontal : kVertical; }

    // The shading strips (null outside their mode).
    const std::shared_ptr<ui::GradientLayer>& topPageShading() const { return m_topPageShading; }
    const std::shared_ptr<ui::GradientLayer>& leftPageShading() const { return m_leftPageShading; }

protected:
    explicit DragView(int mode, const gfx::Rect& frame = {}) : TwoPageLeafView(mode, frame) {}
    friend class ui::View;
    void initialize() override;
    void placeLayers(double edge, double width, double height) override;

private:
    std::shared_ptr<ui::GradientLayer> m_topPageShading;
    std::shared_ptr<ui::GradientLayer> m_leftPageShading;
};

} // namespace pw
