#include "reading/turn/RZPageView.h"

namespace pw {

void RZPageView::draw(gfx::Context& ctx, const gfx::Rect& rect) {
    if (!m_canvas.isNull())
        ctx.drawImage(m_canvas, rect);
}

} // namespace pw
