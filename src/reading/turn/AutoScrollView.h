#pragma once

// The page view of the automatic scroll (turn type 6): the next page (top page)
// is revealed over the current one (bottom page) from the top down as the page
// manager's timer moves its edge, with a soft shadow under the revealed part.
// leafTopEdge is the revealed share of the height: 1 at rest, 0 when a reveal
// starts.

#include "platform/core/Cancelable.h"
#include "platform/ui/GradientLayer.h"
#include "reading/turn/AnimatedEdge.h"
#include "reading/turn/BaseView.h"

namespace pw {

class AutoScrollView : public BaseView {
public:
    static constexpr double kShadingHeight = 5;

    void setTopImage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;
    void setFinalImage(const gfx::Image& image) override { m_finalImage = image; }
    const gfx::Image& finalImage() const { return m_finalImage; }

    void touchesBegan(gfx::Point p) override;
    void touchesMoved(gfx::Point p) override;
    void touchesEnded(gfx::Point p) override;
    void didTurnPageForward();
    void reset() override;

    double leafTopEdge() const { return m_edge.value(); }
    double presentedLeafTopEdge() const { return m_edge.presented(); }
    void setleafTopEdge(double e);

    const std::shared_ptr<ui::Layer>& topPage() const { return m_topPage; }
    const std::shared_ptr<ui::GradientLayer>& topPageShading() const { return m_topPageShading; }
    const std::shared_ptr<ui::Layer>& bottomPage() const { return m_bottomPage; }

    void layoutSubviews() override;
    ~AutoScrollView() override;

protected:
    explicit AutoScrollView(const gfx::Rect& frame = {});
    friend class ui::View;
    void didCreate() override;

private:
    void setLayerFrames(double shown);

    std::shared_ptr<ui::Layer> m_topPage;
    std::shared_ptr<ui::GradientLayer> m_topPageShading;
    std::shared_ptr<ui::Layer> m_bottomPage;
    gfx::Size m_pageSize;
    gfx::Image m_finalImage;
    AnimatedEdge m_edge;
    core::Cancelable m_completion;
};

} // namespace pw
