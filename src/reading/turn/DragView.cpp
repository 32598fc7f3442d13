#include "reading/turn/DragView.h"

namespace pw {

namespace {

// Black at alpha 0.6 at the sliding page's edge, fading away from it.
std::shared_ptr<ui::GradientLayer> shadingLayer(gfx::Point start, gfx::Point end) {
    auto g = ui::GradientLayer::create();
    g->setColors({gfx::Color(0, 0, 0, 0.6), gfx::Color::clear()});
    g->setStartPoint(start);
    g->setEndPoint(end);
    return g;
}

} // namespace

void DragView::initialize() {
    // The sliding page shows its part next to the moving edge; the page beneath is
    // stretched to the view.
    if (horizontal()) {
        m_rightPage = pageLayer(ui::ContentsGravity::Resize);
        m_leftPageShading = shadingLayer({0, 0.5}, {1.0, 0.5});
        m_leftPage = pageLayer(ui::ContentsGravity::Right);
        layer()->addSublayer(m_rightPage);
        layer()->addSublayer(m_leftPageShading);
        layer()->addSublayer(m_leftPage);
    } else {
        m_bottomPage = pageLayer(ui::ContentsGravity::Resize);
        m_topPageShading = shadingLayer({0.5, 0}, {0.5, 1.0});
        m_topPage = pageLayer(ui::ContentsGravity::Bottom);
        layer()->addSublayer(m_bottomPage);
        layer()->addSublayer(m_topPageShading);
        layer()->addSublayer(m_topPage);
    }
    TwoPageLeafView::initialize();
}

void DragView::placeLayers(double edge, double w, double h) {
    if (horizontal()) {
        m_leftPage->setFrame({0, 0, edge, h});
        m_leftPageShading->setFrame({edge, 0, kShadingWidth, h});
        m_rightPage->setFrame({0, 0, w, h});
    } else {
        m_topPage->setFrame({0, 0, w, edge});
        m_topPageShading->setFrame({0, edge, w, kShadingWidth});
        m_bottomPage->setFrame({0, 0, w, h});
    }
}

} // namespace pw
