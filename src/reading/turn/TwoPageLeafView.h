#pragma once

// A leaf view of two page layers: the page that moves with the edge (leftPage
// across, topPage up and down) and the page it uncovers (rightPage, bottomPage).
// Only the layers of the view's mode exist; the other mode's stay empty and its
// setters do nothing. A forward turn ends with the final page on the moving layer
// and the edge back at rest.

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

    // The page layers (null outside their mode).
    const std::shared_ptr<ui::Layer>& topPage() const { return m_topPage; }
    const std::shared_ptr<ui::Layer>& bottomPage() const { return m_bottomPage; }
    const std::shared_ptr<ui::Layer>& leftPage() const { return m_leftPage; }
    const std::shared_ptr<ui::Layer>& rightPage() const { return m_rightPage; }

protected:
    TwoPageLeafView(int mode, const gfx::Rect& frame);
    bool horizontal() const { return axis() == Axis::Horizontal; }
    void didCreate() override;
    // The view clips and follows its parent's size, builds and stacks the layers
    // of its mode, and rests the edge at 1.
    virtual void initialize();
    void didTurnPageForward() override;
    void edgeDidChange(double shown) override;
    // Places the layers for the moving edge at `edge` points from the top or left
    // (on a whole device pixel); runs without animation.
    virtual void placeLayers(double edge, double width, double height) = 0;

    // A clipping page layer with its picture pinned as given.
    static std::shared_ptr<ui::Layer> pageLayer(ui::ContentsGravity gravity);
    static void setContents(const std::shared_ptr<ui::Layer>& layer, const gfx::Image& image);
    // The layer that moves with the edge, and the one beneath.
    const std::shared_ptr<ui::Layer>& slidingLayer() const { return horizontal() ? m_leftPage : m_topPage; }

    std::shared_ptr<ui::Layer> m_topPage;
    std::shared_ptr<ui::Layer> m_bottomPage;
    std::shared_ptr<ui::Layer> m_leftPage;
    std::shared_ptr<ui::Layer> m_rightPage;
};

} // namespace pw
