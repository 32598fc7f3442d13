#pragma once

// The page view of the push turns: the old page slides off and the new one slides
// in attached to it. Mode 1 moves left and right (turn type 3), mode 2 up and down
// (type 5), with a one-point split line along the seam. The incoming page overlaps
// the outgoing one by half a point so no gap opens along the seam.

#include "reading/turn/TwoPageLeafView.h"

namespace pw {

class SwipView : public TwoPageLeafView {
public:
    static constexpr const char* kSplitLineImage = "v2_icon_read_psl.png";

    int swipMode() const { return horizontal() ? kHorizontal : kVertical; }
    void setSplitLineShow(bool show) override;

    // The split line along the seam (vertical mode only).
    const std::shared_ptr<ui::Layer>& pageSplitLine() const { return m_pageSplitLine; }

protected:
    explicit SwipView(int mode, const gfx::Rect& frame = {}) : TwoPageLeafView(mode, frame) {}
    friend class ui::View;
    void initialize() override;
    void placeLayers(double edge, double width, double height) override;

private:
    std::shared_ptr<ui::Layer> m_pageSplitLine;
};

} // namespace pw
