#include "reading/turn/DragView.h"

namespace pw {

void DragView::didCreate() {
    // The sliding page shows its part next to the moving edge; the page beneath is
    // stretched to the view.
    m_moving = pageLayer(horizontal() ? ui::ContentsGravity::Right : ui::ContentsGravity::Bottom);
    m_beneath = pageLayer(ui::ContentsGravity::Resize);
    m_shading = ui::GradientLayer::create();
    m_shading->setColors({gfx::Color(0, 0, 0, 0.6), gfx::Color::clear()});
    if (horizontal()) {
        m_shading->setStartPoint({0, 0.5});
        m_shading->setEndPoint({1.0, 0.5});
    } else {
        m_shading->setStartPoint({0.5, 0});
        m_shading->setEndPoint({0.5, 1.0});
    }
    layer()->addSublayer(m_beneath);
    layer()->addSublayer(m_shading);
    layer()->addSublayer(m_moving);
    TwoPageLeafView::didCreate();
}

void DragView::placeLayers(double edge, double w, double h) {
    if (horizontal()) {
        m_moving->setFrame({0, 0, edge, h});
        m_shading->setFrame({edge, 0, kShadingWidth, h});
    } else {
        m_moving->setFrame({0, 0, w, edge});
        m_shading->setFrame({0, edge, w, kShadingWidth});
    }
    m_beneath->setFrame({0, 0, w, h});
}

} // namespace pw
