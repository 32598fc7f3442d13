#include "foundation/widgets/MyRefreshTableHeaderView.h"

namespace pw {

void MyRefreshTableHeaderView::didCreate() {
    setAutoresizingMask(ui::FlexibleWidth);
    const gfx::Color blue = gfx::Color::fromRGB255(87, 108, 137);
    buildStrip("down_blueArrow.png", blue, blue);
}

const char* MyRefreshTableHeaderView::textForState(int state) const {
    switch (state) {
    case RefreshStatePulling:
        return "松开刷新";
    case RefreshStateNormal:
        return "向下拉刷新";
    case RefreshStateLoading:
        return "正在刷新...";
    default:
        return "";
    }
}

void MyRefreshTableHeaderView::refreshScrollViewDidScroll(ui::ScrollView& table) {
    const double y = table.contentOffset().y;
    if (isLoadingNow()) {
        table.setContentInset({loadingInsetTop(y), 0, 0, 0});
        return;
    }
    setState(stateForOffset(y));
}

void MyRefreshTableHeaderView::refreshScrollViewDidEndDragging(ui::ScrollView& table) {
    if (isLoadingNow())
        return;
    if (table.contentOffset().y >= -kTriggerDistance)
        return;
    setState(RefreshStateLoading);
    ui::View::animate(0.2, [&table] { table.setContentInset({kTriggerDistance, 0, 0, 0}); });
    setLoadingNow(true);
    if (auto d = m_delegate.lock())
        d->refreshTableHeaderDidTriggerRefresh(*this);
}

void MyRefreshTableHeaderView::didFinishLoading(ui::ScrollView& table) {
    ui::View::animate(0.3, [&table] { table.setContentInset({}); });
    setState(RefreshStateNormal);
    setLoadingNow(false);
}

} // namespace pw
