#pragma once

// The touch model shared by the curl, drag and swipe views: one leaf edge between
// 0 (the old page is gone) and 1 (it covers the view), a forward half and a
// backward half of the view, a direction fixed by where the touch began, a settle
// on release and a completion step 0.25 s later. Release always completes the
// turn. Subclasses only say how the edge is shown.

#include "platform/core/Cancelable.h"
#include "reading/turn/AnimatedEdge.h"
#include "reading/turn/BaseView.h"

#include <atomic>

namespace pw {

class LeafTurnView : public BaseView {
public:
    enum class Axis { Horizontal, Vertical };
    // Seconds from release to the completion step.
    static constexpr double kCompletionDelay = 0.25;

    Axis axis() const { return m_axis; }

    // The edge as set last, and as shown now (while it animates).
    double leafEdge() const { return m_edge.value(); }
    double presentedLeafEdge() const { return m_edge.presented(); }
    // Animates unless the caller's transaction disables actions.
    void setLeafEdge(double e) { m_edge.set(e); }

    void touchesBegan(gfx::Point p) override;
    void touchesBeganSmooth(gfx::Point p) override;
    void touchesMoved(gfx::Point p) override;
    void touchesEnded(gfx::Point p) override;
    void reset() override;
    void setFinalImage(const gfx::Image& image) override { m_finalImage = image; }
    const gfx::Image& finalImage() const { return m_finalImage; }

    bool touchedNextPage() const { return contains(m_nextPageRect, m_touchBeganPoint); }
    bool touchedPrevPage() const { return contains(m_prevPageRect, m_touchBeganPoint); }
    static constexpr double dragThreshold() { return 10; }
    bool turnPageForward() const { return m_turnPageForward; }
    bool turnPageBackward() const { return m_turnPageBackward; }
    bool touchIsActive() const { return m_touchIsActive; }
    gfx::Point touchBeganPoint() const { return m_touchBeganPoint; }
    gfx::Rect nextPageRect() const { return m_nextPageRect; }
    gfx::Rect prevPageRect() const { return m_prevPageRect; }
    gfx::Size pageSize() const { return m_pageSize; }

    // Minimum edges inside, maximum edges outside: the middle line is forward.
    static bool contains(const gfx::Rect& r, gfx::Point p) {
        return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
    }

    void layoutSubviews() override;
    ~LeafTurnView() override;

protected:
    LeafTurnView(Axis axis, const gfx::Rect& frame);
    void didCreate() override;
    void boundsSizeDidChange(gfx::Size oldSize) override;

    // The shown edge changed (every animation frame too).
    virtual void edgeDidChange(double shown) = 0;
    // The view's size changed: frames for the shown edge.
    virtual void setLayerFrames() { edgeDidChange(m_edge.presented()); }
    virtual void didTurnPageForward() {}
    virtual void didTurnPageBackward() {}

    // The coordinate of a point that drives the edge, as a share of the view.
    double drivingShare(gfx::Point p) const;
    void updateTargetRects();
    // Recomputes frames and rectangles when the size changed since the last time.
    void relayoutIfResized();

private:
    Axis m_axis;
    AnimatedEdge m_edge;
    gfx::Size m_pageSize;
    gfx::Point m_touchBeganPoint;
    bool m_touchIsActive = false;
    gfx::Rect m_nextPageRect;
    gfx::Rect m_prevPageRect;
    std::atomic<bool> m_turnPageForward{false};
    std::atomic<bool> m_turnPageBackward{false};
    gfx::Image m_finalImage;
    core::Cancelable m_completion;
};

} // namespace pw
