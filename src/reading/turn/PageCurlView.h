#pragma once

// The page view of the curl turn: the page being turned (top) bends over the page
// under it (bottom) along the finger, showing its back and casting its shadow,
// drawn afresh each frame (see CurlRenderer). The leaf edge says how far the leaf
// has turned; a touch in the right half turns forward, in the left half backward.
//
// Driven by the page manager: forward: setBottomPageImage and setFinalImage with
// the new page, then the touch calls; backward: setBottomPageImage with the page
// being left, the touch-began call (the leaf turns away at once), then
// setTopPageImage with the previous page, which comes back over on release.

#include "reading/turn/CurlGeometry.h"
#include "reading/turn/LeafTurnView.h"

namespace pw {

class PageCurlView : public LeafTurnView {
public:
    void setTopPage(const gfx::Image& top, const gfx::Image& bottom) override;
    void setTopPageImage(const gfx::Image& image) override;
    void setBottomPageImage(const gfx::Image& image) override;
    // The pages as drawn (converted for fast resampling).
    const gfx::Image& topImage() const { return m_top.drawn; }
    const gfx::Image& bottomImage() const { return m_bottom.drawn; }

    void touchesBegan(gfx::Point p) override;

    // The curl as it shows now.
    CurlGeometry geometry() const;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit PageCurlView(const gfx::Rect& frame = {});
    friend class ui::View;

    void edgeDidChange(double shown) override;
    void didTurnPageForward() override;

private:
    struct Page {
        gfx::Image source; // the picture handed over, kept so its identity holds
        gfx::Image drawn;
        gfx::Image mirrored; // made when the back first shows
    };
    Page prepared(const gfx::Image& image) const;

    Page m_top;
    Page m_bottom;
    double m_grabY = 0;
};

} // namespace pw
