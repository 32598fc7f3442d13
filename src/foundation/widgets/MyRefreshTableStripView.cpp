#include "foundation/widgets/MyRefreshTableStripView.h"

#include "foundation/widgets/WidgetHelpers.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Transaction.h"

#include <numbers>

namespace pw {

MyRefreshTableStripView::~MyRefreshTableStripView() {
    m_retry.cancel();
}

void MyRefreshTableStripView::buildStrip(const std::string& arrowPicture, gfx::Color titleNormal,
                                         gfx::Color titleHighlighted) {
    const double h = frame().height();
    m_btnLoadMore = ui::Button::create(ui::ButtonType::Custom);
    m_btnLoadMore->setFrame(bounds());
    m_btnLoadMore->setAutoresizingMask(ui::FlexibleWidth);
    m_btnLoadMore->titleLabel().setFont(gfx::Font::systemFont(12));
    m_btnLoadMore->setTitleColor(titleNormal, ui::ControlStateNormal);
    m_btnLoadMore->setTitleColor(titleHighlighted, ui::ControlStateHighlighted);
    m_btnLoadMore->setTitle(textForState(RefreshStateNormal), ui::ControlStateNormal);
    addSubview(m_btnLoadMore);

    m_activityView = View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_activityView->setFrame(activityFrame(h));
    addSubview(m_activityView);

    m_arrowImage = ui::Layer::create();
    m_arrowImage->setFrame(arrowFrame(h));
    m_arrowImage->setContentsGravity(ui::ContentsGravity::ResizeAspect);
    m_arrowImage->setContents(ui::BundleImage::named(arrowPicture));
    layer()->addSublayer(m_arrowImage);
}

void MyRefreshTableStripView::setState(int state) {
    switch (state) {
    case RefreshStatePulling:
        m_btnLoadMore->setTitle(textForState(state), ui::ControlStateNormal);
        ui::Transaction::begin();
        ui::Transaction::setAnimationDuration(kArrowTurnDuration);
        m_arrowImage->setTransform(gfx::AffineTransform::rotation(std::numbers::pi));
        ui::Transaction::commit();
        break;
    case RefreshStateNormal:
        if (m_refreshState == RefreshStatePulling) {
            ui::Transaction::begin();
            ui::Transaction::setAnimationDuration(kArrowTurnDuration);
            m_arrowImage->setTransform(gfx::AffineTransform::identity());
            ui::Transaction::commit();
        }
        m_btnLoadMore->setTitle(textForState(state), ui::ControlStateNormal);
        m_activityView->stopAnimating();
        ui::Transaction::begin();
        ui::Transaction::setDisableActions(true);
        m_arrowImage->setHidden(false);
        m_arrowImage->setTransform(gfx::AffineTransform::identity());
        ui::Transaction::commit();
        break;
    case RefreshStateLoading:
        m_btnLoadMore->setTitle(textForState(state), ui::ControlStateNormal);
        m_activityView->startAnimating();
        ui::Transaction::begin();
        ui::Transaction::setDisableActions(true);
        m_arrowImage->setHidden(true);
        ui::Transaction::commit();
        break;
    default:
        break;
    }
    m_refreshState = state;
}

void MyRefreshTableStripView::enterLoadingState() {
    m_isLoadingNow = true;
    setState(RefreshStateLoading);
}

void MyRefreshTableStripView::refreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& table) {
    finishedLoading(table);
}

void MyRefreshTableStripView::finishedLoading(ui::ScrollView& table) {
    m_retry.cancel();
    if (table.isDecelerating()) {
        // Changing the insets mid-flight would jerk the list: look again shortly.
        std::weak_ptr<View> weakTable = table.weak_from_this();
        m_retry = WidgetHelpers::after(*this, kFinishRetryDelay, [this, weakTable] {
            if (auto t = std::static_pointer_cast<ui::ScrollView>(weakTable.lock()))
                finishedLoading(*t);
        });
        return;
    }
    didFinishLoading(table);
}

} // namespace pw
