#pragma once

// The page view of the push turns: the old page slides off and the new one slides
// in attached to it. Mode 1 moves left and right (turn type 3), mode 2 up and down
// (type 5), with a one-point split line along the seam. The incoming page overlaps
// the outgoing one by half a point so no gap opens along the seam.

#include "reading/turn/LeafTurnView.h"

namespace pw {

class SwipView : public LeafTurnView {
public:
    static constexpr int kHorizontal = 1;
    static constexpr int kVertical = 2;
    static constexpr const char* kSplitLineImage = "v2_icon_read_psl.png";

    int swipMode() const { return m_swipMode; }
    double leafTopEdge() const { return leafEdge(); }
    void setleafTopEdge(double e) { setLeafEdge(e); }

    void setTopImage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;
    void setLeftImage(const gfx::Image& left, const gfx::Image& right) override;
    void setLeftPageImage(const gfx::Image& image) override;
    void setRightPageImage(const gfx::Image& image) override;
    void setSplitLineShow(bool show) override;

    const std::shared_ptr<ui::Layer>& outgoingPage() const { return m_outgoing; }
    const std::shared_ptr<ui::Layer>& incomingPage() const { return m_incoming; }
    const std::shared_ptr<ui::Layer>& splitLine() const { return m_splitLine; }

protected:
    explicit SwipView(int mode, const gfx::Rect& frame = {});
    friend class ui::View;
    void didCreate() override;
    void edgeDidChange(double shown) override;
    void didTurnPageForward() override;

private:
    bool horizontal() const { return m_swipMode != kVertical; }
    int m_swipMode = kHorizontal;
    std::shared_ptr<ui::Layer> m_outgoing;  // leftPage / topPage
    std::shared_ptr<ui::Layer> m_incoming;  // rightPage / bottomPage
    std::shared_ptr<ui::Layer> m_splitLine; // vertical mode only
};

} // namespace pw
