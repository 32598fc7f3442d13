#include "reading/turn/SwipView.h"

#include "platform/core/Paths.h"
#include "platform/ui/Transaction.h"

namespace pw {

namespace {

// The bundle's split line, or a plain grey line where the bundle has none.
gfx::Image splitLineImage() {
    if (auto image = gfx::Image::fromFile(core::Paths::resource(SwipView::kSplitLineImage).string()))
        return *image;
    return gfx::Image::filled(1, 1, {150, 150, 150, 255});
}

} // namespace

void SwipView::didCreate() {
    // Each page shows its part next to the seam.
    if (horizontal()) {
        m_moving = pageLayer(ui::ContentsGravity::Right);
        m_beneath = pageLayer(ui::ContentsGravity::Left);
    } else {
        m_moving = pageLayer(ui::ContentsGravity::Bottom);
        m_beneath = pageLayer(ui::ContentsGravity::Top);
    }
    layer()->addSublayer(m_beneath);
    layer()->addSublayer(m_moving);
    if (!horizontal()) {
        m_splitLine = ui::Layer::create();
        m_splitLine->setBackgroundColor(gfx::Color::clear());
        m_splitLine->setContents(splitLineImage());
        layer()->addSublayer(m_splitLine);
    }
    TwoPageLeafView::didCreate();
}

void SwipView::placeLayers(double edge, double w, double h) {
    if (horizontal()) {
        m_moving->setFrame({0, 0, edge, h});
        m_beneath->setFrame({edge - 0.5, 0, w - edge + 0.5, h});
    } else {
        m_moving->setFrame({0, 0, w, edge});
        m_beneath->setFrame({0, edge - 0.5, w, h - edge + 0.5});
        m_splitLine->setFrame({0, edge, w, 1});
    }
}

void SwipView::setSplitLineShow(bool show) {
    if (!m_splitLine)
        return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    m_splitLine->setHidden(!show);
    ui::Transaction::commit();
}

} // namespace pw
