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

void SwipView::initialize() {
    // Each page shows its part next to the seam.
    if (horizontal()) {
        m_rightPage = pageLayer(ui::ContentsGravity::Left);
        m_leftPage = pageLayer(ui::ContentsGravity::Right);
        layer()->addSublayer(m_rightPage);
        layer()->addSublayer(m_leftPage);
    } else {
        m_bottomPage = pageLayer(ui::ContentsGravity::Top);
        m_topPage = pageLayer(ui::ContentsGravity::Bottom);
        m_pageSplitLine = ui::Layer::create();
        m_pageSplitLine->setBackgroundColor(gfx::Color::clear());
        m_pageSplitLine->setContents(splitLineImage());
        layer()->addSublayer(m_bottomPage);
        layer()->addSublayer(m_topPage);
        layer()->addSublayer(m_pageSplitLine);
    }
    TwoPageLeafView::initialize();
}

void SwipView::placeLayers(double edge, double w, double h) {
    if (horizontal()) {
        m_leftPage->setFrame({0, 0, edge, h});
        m_rightPage->setFrame({edge - 0.5, 0, w - edge + 0.5, h});
    } else {
        m_topPage->setFrame({0, 0, w, edge});
        m_bottomPage->setFrame({0, edge - 0.5, w, h - edge + 0.5});
        m_pageSplitLine->setFrame({0, edge, w, 1});
    }
}

void SwipView::setSplitLineShow(bool show) {
    if (!m_pageSplitLine)
        return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    m_pageSplitLine->setHidden(!show);
    ui::Transaction::commit();
}

} // namespace pw
