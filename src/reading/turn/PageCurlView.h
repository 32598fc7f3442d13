#pragma once

// The page view of the curl turn: the page being turned (top) lies over the page
// under it (bottom), and the turning leaf is a stack of rectangular layers whose
// frames follow one number, the leaf edge: the top page narrowed from the right,
// the leaf's back (the top page mirrored and paled) folded over it, and the
// shadows on both pages. Moving the edge only moves and resizes these layers and
// sets two opacities; the page pictures are layer contents and are never redrawn.
// A touch in the right half turns forward, in the left half backward.
//
// Driven by the page manager: forward: setBottomPageImage and setFinalImage with
// the new page, then the touch calls; backward: setBottomPageImage with the page
// being left, the touch-began call (the leaf turns away at once), then
// setTopPageImage with the previous page, which comes back over on release.

#include "platform/ui/GradientLayer.h"
#include "reading/turn/LeafTurnView.h"

namespace pw {

class PageCurlView : public LeafTurnView {
public:
    // Width in points of the shadow on the top page, left of the fold.
    static constexpr double kTopShadowWidth = 8;
    // The back's shading strip: its width and how far inside the back's right border it starts.
    static constexpr double kReverseShadingWidth = 25;
    static constexpr double kReverseShadingInset = 20;
    // Width in points of the shadow the leaf casts on the bottom page.
    static constexpr double kBottomShadowWidth = 40;
    // Alpha of the white that pales the back of the leaf.
    static constexpr double kReverseOverlayAlpha = 0.3;

    void setTopPage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;

    // Where the back of the leaf begins for an edge in a view of that width.
    static double reverseLeftBorder(double edge, double width);

    // The layers, in the order they are declared.
    const std::shared_ptr<ui::Layer>& topPage() const { return m_topPage; }
    const std::shared_ptr<ui::GradientLayer>& topPageShadow() const { return m_topPageShadow; }
    const std::shared_ptr<ui::Layer>& topPageReverse() const { return m_topPageReverse; }
    const std::shared_ptr<ui::Layer>& topPageReverseImage() const { return m_topPageReverseImage; }
    const std::shared_ptr<ui::Layer>& topPageReverseOverlay() const { return m_topPageReverseOverlay; }
    const std::shared_ptr<ui::GradientLayer>& topPageReverseShading() const { return m_topPageReverseShading; }
    const std::shared_ptr<ui::Layer>& bottomPage() const { return m_bottomPage; }
    const std::shared_ptr<ui::GradientLayer>& bottomPageShadow() const { return m_bottomPageShadow; }

protected:
    explicit PageCurlView(const gfx::Rect& frame = {}) : LeafTurnView(Axis::Horizontal, frame) {}
    friend class ui::View;

    void didCreate() override;
    // Builds the eight layers, stacks them and rests the leaf flat.
    void setUpLayers();
    void setLayerFrames() override;
    void edgeDidChange(double shown) override;
    void didTurnPageForward() override;

private:
    // The shadows' opacities and the frames for an edge.
    void placeLayers(double edge);

    std::shared_ptr<ui::Layer> m_topPage;
    std::shared_ptr<ui::GradientLayer> m_topPageShadow;
    std::shared_ptr<ui::Layer> m_topPageReverse;
    std::shared_ptr<ui::Layer> m_topPageReverseImage;
    std::shared_ptr<ui::Layer> m_topPageReverseOverlay;
    std::shared_ptr<ui::GradientLayer> m_topPageReverseShading;
    std::shared_ptr<ui::Layer> m_bottomPage;
    std::shared_ptr<ui::GradientLayer> m_bottomPageShadow;
};

} // namespace pw
