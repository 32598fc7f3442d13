#pragma once

// The page view without a turn effect (turn type 0): it draws its canvas.

#include "reading/turn/BaseView.h"

namespace pw {

class RZPageView : public BaseView {
public:
    const gfx::Image& canvas() const { return m_canvas; }
    void setCanvas(const gfx::Image& image) override { m_canvas = image; }
    // The canvas scaled into the rectangle being drawn; nothing without one.
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit RZPageView(const gfx::Rect& frame = {}) : BaseView(frame) {}
    friend class ui::View;

private:
    gfx::Image m_canvas;
};

} // namespace pw
