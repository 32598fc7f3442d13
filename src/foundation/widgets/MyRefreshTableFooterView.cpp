#include "foundation/widgets/MyRefreshTableFooterView.h"

#include "platform/ui/BundleImage.h"

namespace pw {

void MyRefreshTableFooterView::didCreate() {
    setAutoresizingMask(ui::FlexibleWidth);
    const gfx::Image top = ui::BundleImage::named("v2_icon_main_psl.png");
    m_topImageView = View::create<ui::ImageView>(top);
    // The line runs the strip's whole width, however wide the picture is.
    m_topImageView->setFrame({0, 0, bounds().width(), top.size().height});
    m_topImageView->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(m_topImageView);
    buildStrip("up_blueArrow.png", gfx::Color::darkGray(), gfx::Color::black());
    std::weak_ptr<View> weak = weak_from_this();
    auto with = [weak](void (MyRefreshTableFooterView::*fn)()) {
        return [weak, fn](ui::Control&) {
            if (auto self = std::static_pointer_cast<MyRefreshTableFooterView>(weak.lock()))
                ((*self).*fn)();
        };
    };
    btnLoadMore().addTarget(with(&MyRefreshTableFooterView::loadMoreClick), ui::ControlEventTouchUpInside);
    btnLoadMore().addTarget(with(&MyRefreshTableFooterView::touchDown), ui::ControlEventTouchDown);
    btnLoadMore().addTarget(with(&MyRefreshTableFooterView::touchCancel),
                            ui::ControlEventTouchCancel | ui::ControlEventTouchDragExit);
}

const char* MyRefreshTableFooterView::textForState(int state) const {
    switch (state) {
    case RefreshStatePulling:
        return "松开加载更多";
    case RefreshStateNormal:
        return "点击或向上拉加载更多";
    case RefreshStateLoading:
        return "正在加载...";
    default:
        return "";
    }
}

int MyRefreshTableFooterView::stateAfterScroll(int state, double y, double v, double c) {
    if (y <= 0)
        return RefreshStateNormal;
    if (isPastEnd(y, v, c))
        return state == RefreshStateNormal ? RefreshStatePulling : state;
    return state == RefreshStatePulling ? RefreshStateNormal : state;
}

void MyRefreshTableFooterView::refreshScrollViewDidScroll(ui::ScrollView& table) {
    if (isLoadingNow())
        return;
    const double y = table.contentOffset().y;
    const int next = stateAfterScroll(refreshState(), y, table.frame().height(), table.contentSize().height);
    // Only a real change (or the reset at the top) touches the arrow.
    if (next != refreshState() || y <= 0)
        setState(next);
}

void MyRefreshTableFooterView::refreshScrollViewDidEndDragging(ui::ScrollView& table) {
    if (isLoadingNow())
        return;
    const double y = table.contentOffset().y;
    if (y > 0 && isPastEnd(y, table.frame().height(), table.contentSize().height))
        loadMore();
}

void MyRefreshTableFooterView::loadMore() {
    if (isLoadingNow())
        return;
    setState(RefreshStateLoading);
    setLoadingNow(true);
    if (auto d = m_delegate.lock())
        d->refreshTableFooterDidTriggerRefresh(*this);
}

void MyRefreshTableFooterView::loadMoreClick() {
    touchCancel();
    loadMore();
}

void MyRefreshTableFooterView::touchDown() {
    m_bgColorBackup = backgroundColor();
    setBackgroundColor(touchColor());
}

void MyRefreshTableFooterView::touchCancel() {
    const gfx::Color back = m_bgColorBackup;
    ui::View::animate(0.5, [this, back] { setBackgroundColor(back); });
}

void MyRefreshTableFooterView::didFinishLoading(ui::ScrollView&) {
    setState(RefreshStateNormal);
    setLoadingNow(false);
}

} // namespace pw
