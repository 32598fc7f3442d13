#pragma once
// A view whose bounds origin moves over a larger content: dragging, paging,
// deceleration after a flick and a rubber-band bounce at the edges, all timed
// on the shared clock.
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <memory>

namespace pw::ui {

class ScrollIndicators;
class ScrollView;

class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
    virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
};

class ScrollView : public View {
public:
    static constexpr double kDecelerationRateNormal = 0.998; // velocity kept per millisecond
    static constexpr double kDecelerationRateFast = 0.99;
    static constexpr double kScrollAnimationDuration = 0.3;

    ~ScrollView() override;

    gfx::Point contentOffset() const { return bounds().origin; }
    void setContentOffset(gfx::Point p);
    void setContentOffset(gfx::Point p, bool animated);
    gfx::Size contentSize() const { return m_contentSize; }
    void setContentSize(gfx::Size s);
    gfx::EdgeInsets contentInset() const { return m_inset; }
    void setContentInset(gfx::EdgeInsets e) { m_inset = e; }
    // The offsets the content can rest at.
    gfx::Point minimumOffset() const;
    gfx::Point maximumOffset() const;
    void scrollRectToVisible(const gfx::Rect& r, bool animated);

    bool pagingEnabled = false;
    bool bounces = true;
    bool alwaysBounceVertical = false;
    bool alwaysBounceHorizontal = false;
    bool directionalLockEnabled = false;
    bool showsHorizontalScrollIndicator = true;
    bool showsVerticalScrollIndicator = true;
    bool scrollsToTop = true;
    double decelerationRate = kDecelerationRateNormal;
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool e);

    bool isDragging() const { return m_dragging; }
    bool isDecelerating() const { return m_decelerating; }
    bool isTracking() const { return m_dragging; }

    void setDelegate(std::weak_ptr<ScrollViewDelegate> d) { m_delegate = std::move(d); }
    std::shared_ptr<ScrollViewDelegate> delegate() const { return m_delegate.lock(); }
    PanGestureRecognizer& panGestureRecognizer() { return *m_pan; }

    // Stops a deceleration or scroll animation where it is.
    void stopScrolling();
    // The bars that show the visible part (made on the first scroll).
    ScrollIndicators* indicators() const { return m_indicators.get(); }

protected:
    ScrollView();
    explicit ScrollView(const gfx::Rect& frame);
    friend class View;
    void didCreate() override;
    // Told after every change of the offset.
    virtual void didScroll();

private:
    void handlePan(PanGestureRecognizer& pan);
    void startDeceleration(gfx::Point velocity);
    void animateOffset(gfx::Point target, double duration, bool fromDeceleration);
    gfx::Point clamp(gfx::Point p) const;
    bool canScrollX() const;
    bool canScrollY() const;
    double rubberBand(double offset, double min, double max, double extent) const;

    gfx::Size m_contentSize;
    gfx::EdgeInsets m_inset;
    bool m_scrollEnabled = true;
    bool m_dragging = false;
    bool m_decelerating = false;
    std::shared_ptr<PanGestureRecognizer> m_pan;
    gfx::Point m_dragStart;
    int m_lockAxis = 0; // 0 none, 1 horizontal, 2 vertical
    uint64_t m_ticker = 0;
    std::weak_ptr<ScrollViewDelegate> m_delegate;
    std::unique_ptr<ScrollIndicators> m_indicators;
};

} // namespace pw::ui
