#pragma once

// The common base of every page-turn view, so the page manager can hold any of
// them as its page view. It is the whole contract between the manager and a view:
// the manager feeds page images and touch points (in the view's own coordinates),
// and the view only animates; it never calls back. Each view answers the calls of
// its own kind and ignores the rest.

#include "platform/gfx/Image.h"
#include "platform/ui/View.h"

namespace pw {

class BaseView : public ui::View {
public:
    using ui::View::touchesBegan;
    using ui::View::touchesEnded;
    using ui::View::touchesMoved;

    // Back to the resting state at once (no turn under way).
    virtual void reset() {}

    // --- page images ---
    // The plain view's page.
    virtual void setCanvas(const gfx::Image&) {}
    virtual void setTopPage(const gfx::Image& /*top*/, const gfx::Image& /*bottom*/) {}
    virtual void setTopImage(const gfx::Image& /*top*/, const gfx::Image& /*bottom*/) {}
    virtual void setLeftImage(const gfx::Image& /*left*/, const gfx::Image& /*right*/) {}
    virtual void setTopPageImage(const gfx::Image&) {}
    virtual void setBottomPageImage(const gfx::Image&) {}
    virtual void setLeftPageImage(const gfx::Image&) {}
    virtual void setRightPageImage(const gfx::Image&) {}
    // The page shown once a forward turn has settled.
    virtual void setFinalImage(const gfx::Image&) {}

    // --- touches, as points ---
    virtual void touchesBegan(gfx::Point) {}
    // A touch that glides the leaf to the finger instead of jumping.
    virtual void touchesBeganSmooth(gfx::Point) {}
    virtual void touchesMoved(gfx::Point) {}
    virtual void touchesEnded(gfx::Point) {}
    // The vertical swipe's split line.
    virtual void setSplitLineShow(bool) {}

protected:
    BaseView() = default;
    explicit BaseView(const gfx::Rect& frame) : ui::View(frame) {}
};

} // namespace pw
