#pragma once
// The strip under a list's last row: pulling the list up past its end and
// letting go, or tapping the strip, asks the delegate for the next page.
#include "foundation/widgets/MyRefreshTableStripView.h"
#include "platform/ui/ImageView.h"

namespace pw {

class MyRefreshTableFooterView;

class MyRefreshTableFooterDelegate {
public:
    virtual ~MyRefreshTableFooterDelegate() = default;
    virtual void refreshTableFooterDidTriggerRefresh(MyRefreshTableFooterView&) {}
};

class MyRefreshTableFooterView : public MyRefreshTableStripView {
public:
    static std::shared_ptr<MyRefreshTableFooterView> initWithFrame(const gfx::Rect& frame) {
        return View::create<MyRefreshTableFooterView>(frame);
    }

    // Offset y of a list of frame height v and content height c lies past the end.
    static bool isPastEnd(double y, double v, double c) { return y + v > c + kTriggerDistance; }
    // The state a scroll shows while nothing loads, from the state before.
    static int stateAfterScroll(int state, double y, double v, double c);
    static gfx::Color touchColor() { return gfx::Color::fromRGB255(70, 160, 238); }

    void setDelegate(std::weak_ptr<MyRefreshTableFooterDelegate> d) { m_delegate = std::move(d); }
    void refreshScrollViewDidScroll(ui::ScrollView& table);
    void refreshScrollViewDidEndDragging(ui::ScrollView& table);
    void loadMoreClick();
    void loadMore();
    void touchDown();
    void touchCancel();

    ui::ImageView& topImageView() { return *m_topImageView; }

protected:
    explicit MyRefreshTableFooterView(const gfx::Rect& frame) : MyRefreshTableStripView(frame) {}
    friend class ui::View;
    void didCreate() override;
    const char* textForState(int state) const override;
    void didFinishLoading(ui::ScrollView& table) override;

private:
    std::weak_ptr<MyRefreshTableFooterDelegate> m_delegate;
    std::shared_ptr<ui::ImageView> m_topImageView;
    gfx::Color m_bgColorBackup = gfx::Color::clear();
};

} // namespace pw
