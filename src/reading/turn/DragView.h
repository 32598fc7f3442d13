#pragma once

// The page view of the slide-over turns: the old page slides off over the new one,
// which lies still beneath it, with a 5-point shading strip along the sliding
// edge. Mode 1 slides left and right (turn type 2), mode 2 up and down (type 4).
// The sliding page is pinned to its moving edge, so it slides instead of being cut.

#include "platform/ui/GradientLayer.h"
#include "reading/turn/LeafTurnView.h"

namespace pw {

class DragView : public LeafTurnView {
public:
    static constexpr int kHorizontal = 1;
    static constexpr int kVertical = 2;
    static constexpr double kShadingWidth = 5;

    int dragMode() const { return m_dragMode; }
    double leafTopEdge() const { return leafEdge(); }
    void setleafTopEdge(double e) { setLeafEdge(e); }

    void setTopImage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;
    void setLeftImage(const gfx::Image& left, const gfx::Image& right) override;
    void setLeftPageImage(const gfx::Image& image) override;
    void setRightPageImage(const gfx::Image& image) override;

    // The layers of the view's mode (null for the other mode's).
    const std::shared_ptr<ui::Layer>& slidingPage() const { return m_sliding; }
    const std::shared_ptr<ui::GradientLayer>& shading() const { return m_shading; }
    const std::shared_ptr<ui::Layer>& stillPage() const { return m_still; }

protected:
    explicit DragView(int mode, const gfx::Rect& frame = {});
    friend class ui::View;
    void didCreate() override;
    void edgeDidChange(double shown) override;
    void didTurnPageForward() override;

private:
    bool horizontal() const { return m_dragMode != kVertical; }
    int m_dragMode = kHorizontal;
    std::shared_ptr<ui::Layer> m_sliding;         // leftPage / topPage
    std::shared_ptr<ui::GradientLayer> m_shading; // leftPageShading / topPageShading
    std::shared_ptr<ui::Layer> m_still;           // rightPage / bottomPage
};

} // namespace pw
