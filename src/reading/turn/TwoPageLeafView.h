#pragma once

// A leaf view of two page layers: the page that moves with the edge and the page
// it uncovers. Left and right images address them in horizontal mode, top and
// bottom images in vertical mode; the other mode's setters do nothing. A forward
// turn ends with the final page on the moving layer and the edge back at rest.

#include "reading/turn/LeafTurnView.h"

namespace pw {

class TwoPageLeafView : public LeafTurnView {
public:
    static constexpr int kHorizontal = 1;
    static constexpr int kVertical = 2;

    double leafTopEdge() const { return leafEdge(); }
    void setleafTopEdge(double e) { setLeafEdge(e); }

    void setTopImage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;
    void setLeftImage(const gfx::Image& left, const gfx::Image& right) override;
    void setLeftPageImage(const gfx::Image& image) override;
    void setRightPageImage(const gfx::Image& image) override;

protected:
    TwoPageLeafView(int mode, const gfx::Rect& frame);
    bool horizontal() const { return axis() == Axis::Horizontal; }
    void didTurnPageForward() override;
    void edgeDidChange(double shown) override;
    // Places the layers for the moving edge at `edge` points from the top or left
    // (on a whole device pixel); runs without animation.
    virtual void placeLayers(double edge, double width, double height) = 0;

    // A clipping page layer with its picture pinned as given.
    static std::shared_ptr<ui::Layer> pageLayer(ui::ContentsGravity gravity);
    static void setContents(const std::shared_ptr<ui::Layer>& layer, const gfx::Image& image);

    std::shared_ptr<ui::Layer> m_moving;  // leftPage / topPage
    std::shared_ptr<ui::Layer> m_beneath; // rightPage / bottomPage
};

} // namespace pw
