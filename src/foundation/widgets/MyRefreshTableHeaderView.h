#pragma once
// The strip above a list's first row: pulling the list down past 60 points and
// letting go asks the delegate to reload; while it loads, the list's top inset
// keeps the strip in sight.
#include "foundation/widgets/MyRefreshTableStripView.h"

namespace pw {

class MyRefreshTableHeaderView;

class MyRefreshTableHeaderDelegate {
public:
    virtual ~MyRefreshTableHeaderDelegate() = default;
    virtual void refreshTableHeaderDidTriggerRefresh(MyRefreshTableHeaderView&) {}
};

class MyRefreshTableHeaderView : public MyRefreshTableStripView {
public:
    static std::shared_ptr<MyRefreshTableHeaderView> initWithFrame(const gfx::Rect& frame) {
        return View::create<MyRefreshTableHeaderView>(frame);
    }

    // The state a scroll to offset y shows while nothing loads.
    static int stateForOffset(double y) { return y < -kTriggerDistance ? RefreshStatePulling : RefreshStateNormal; }
    // The top inset that follows the pull while loading.
    static double loadingInsetTop(double y) { return std::min(std::max(-y, 0.0), kTriggerDistance); }

    void setDelegate(std::weak_ptr<MyRefreshTableHeaderDelegate> d) { m_delegate = std::move(d); }
    void refreshScrollViewDidScroll(ui::ScrollView& table);
    void refreshScrollViewDidEndDragging(ui::ScrollView& table);

protected:
    explicit MyRefreshTableHeaderView(const gfx::Rect& frame) : MyRefreshTableStripView(frame) {}
    friend class ui::View;
    void didCreate() override;
    const char* textForState(int state) const override;
    void didFinishLoading(ui::ScrollView& table) override;

private:
    std::weak_ptr<MyRefreshTableHeaderDelegate> m_delegate;
};

} // namespace pw
