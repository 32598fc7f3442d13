#include "platform/ui/ScrollView.h"

#include "platform/ui/ScrollIndicators.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

ScrollView::ScrollView() {
    setClipsToBounds(true);
}
ScrollView::ScrollView(const gfx::Rect& frame) : ScrollView() {
    setFrame(frame);
}

ScrollView::~ScrollView() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
}

void ScrollView::didCreate() {
    m_pan = PanGestureRecognizer::create();
    std::weak_ptr<View> weak = weak_from_this();
    m_pan->addTarget([this, weak](GestureRecognizer& g) {
        if (auto keep = weak.lock())
            handlePan(static_cast<PanGestureRecognizer&>(g));
    });
    // A vertical list does not take horizontal strokes meant for something else, and so on.
    m_pan->shouldBegin = [this](GestureRecognizer& g) {
        if (!m_scrollEnabled)
            return false;
        auto& pan = static_cast<PanGestureRecognizer&>(g);
        const gfx::Point t = pan.translationInView(this);
        const bool horizontal = std::abs(t.x) > std::abs(t.y);
        return horizontal ? canScrollX() : canScrollY();
    };
    addGestureRecognizer(m_pan);
}

void ScrollView::setScrollEnabled(bool e) {
    m_scrollEnabled = e;
    m_pan->setEnabled(e);
}

void ScrollView::setContentSize(gfx::Size s) {
    m_contentSize = s;
    setNeedsLayout();
}

gfx::Point ScrollView::minimumOffset() const {
    return {-m_inset.left, -m_inset.top};
}

gfx::Point ScrollView::maximumOffset() const {
    const gfx::Size b = bounds().size;
    return {std::max(-m_inset.left, m_contentSize.width + m_inset.right - b.width),
            std::max(-m_inset.top, m_contentSize.height + m_inset.bottom - b.height)};
}

gfx::Point ScrollView::clamp(gfx::Point p) const {
    const gfx::Point lo = minimumOffset(), hi = maximumOffset();
    return {std::clamp(p.x, lo.x, hi.x), std::clamp(p.y, lo.y, hi.y)};
}

bool ScrollView::canScrollX() const {
    return alwaysBounceHorizontal || m_contentSize.width + m_inset.left + m_inset.right > bounds().width();
}

bool ScrollView::canScrollY() const {
    return alwaysBounceVertical || m_contentSize.height + m_inset.top + m_inset.bottom > bounds().height();
}

void ScrollView::setContentOffset(gfx::Point p) {
    gfx::Rect b = bounds();
    if (b.origin == p)
        return;
    b.origin = p;
    View::performWithoutAnimation([&] { setBounds(b); });
    didScroll();
}

void ScrollView::didScroll() {
    setNeedsLayout();
    if (showsHorizontalScrollIndicator || showsVerticalScrollIndicator) {
        if (!m_indicators)
            m_indicators = std::make_unique<ScrollIndicators>(*this);
        m_indicators->update();
    }
    if (auto d = m_delegate.lock())
        d->scrollViewDidScroll(*this);
}

void ScrollView::setContentOffset(gfx::Point p, bool animated) {
    stopScrolling();
    if (!animated) {
        setContentOffset(p);
        return;
    }
    animateOffset(p, kScrollAnimationDuration, false);
}

void ScrollView::scrollRectToVisible(const gfx::Rect& r, bool animated) {
    const gfx::Rect b = bounds();
    gfx::Point o = b.origin;
    if (r.maxX() > b.maxX())
        o.x = r.maxX() - b.width();
    if (r.x() < o.x)
        o.x = r.x();
    if (r.maxY() > b.maxY())
        o.y = r.maxY() - b.height();
    if (r.y() < o.y)
        o.y = r.y();
    setContentOffset(clamp(o), animated);
}

void ScrollView::stopScrolling() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
    m_ticker = 0;
    m_decelerating = false;
}

double ScrollView::rubberBand(double offset, double min, double max, double extent) const {
    if (offset >= min && offset <= max)
        return offset;
    if (!bounces)
        return std::clamp(offset, min, max);
    // Past an edge the content follows the finger with growing resistance.
    const double over = offset < min ? min - offset : offset - max;
    const double c = 0.55;
    const double damped = (1.0 - (1.0 / (over * c / std::max(1.0, extent) + 1.0))) * extent;
    return offset < min ? min - damped : max + damped;
}

void ScrollView::handlePan(PanGestureRecognizer& pan) {
    const gfx::Point t = pan.translationInView(nullptr);
    const gfx::AffineTransform inv = layer()->transformToRoot(false).inverted();
    // Translation in this view's axes (a rotated interface turns the finger's direction).
    gfx::Point local{inv.a * t.x + inv.c * t.y, inv.b * t.x + inv.d * t.y};
    switch (pan.state()) {
    case GestureState::Began: {
        stopScrolling();
        m_dragging = true;
        m_dragStart = contentOffset();
        m_lockAxis = 0;
        if (directionalLockEnabled)
            m_lockAxis = std::abs(local.x) >= std::abs(local.y) ? 1 : 2;
        if (auto d = m_delegate.lock())
            d->scrollViewWillBeginDragging(*this);
        [[fallthrough]];
    }
    case GestureState::Changed: {
        if (m_lockAxis == 1 || !canScrollY())
            local.y = 0;
        if (m_lockAxis == 2 || !canScrollX())
            local.x = 0;
        const gfx::Point lo = minimumOffset(), hi = maximumOffset();
        gfx::Point o{m_dragStart.x - local.x, m_dragStart.y - local.y};
        o.x = rubberBand(o.x, lo.x, hi.x, bounds().width());
        o.y = rubberBand(o.y, lo.y, hi.y, bounds().height());
        setContentOffset(o);
        break;
    }
    case GestureState::Ended:
    case GestureState::Cancelled: {
        m_dragging = false;
        const gfx::Point vw = pan.velocityInView(nullptr);
        gfx::Point v{-(inv.a * vw.x + inv.c * vw.y), -(inv.b * vw.x + inv.d * vw.y)};
        if (m_lockAxis == 1 || !canScrollY())
            v.y = 0;
        if (m_lockAxis == 2 || !canScrollX())
            v.x = 0;
        startDeceleration(pan.state() == GestureState::Cancelled ? gfx::Point{} : v);
        break;
    }
    default:
        break;
    }
}

void ScrollView::startDeceleration(gfx::Point v) {
    auto d = m_delegate.lock();
    const gfx::Point o = contentOffset();
    if (pagingEnabled) {
        const gfx::Size page = bounds().size;
        auto pageFor = [](double offset, double size, double velocity, double count) {
            if (size <= 0)
                return 0.0;
            double p = std::round(offset / size);
            // A flick moves one page from where the drag started, whatever the distance.
            if (std::abs(velocity) > 300)
                p = velocity > 0 ? std::floor(offset / size) + 1 : std::ceil(offset / size) - 1;
            return std::clamp(p, 0.0, std::max(0.0, count - 1));
        };
        const double pagesX = page.width > 0 ? std::ceil(m_contentSize.width / page.width - 1e-9) : 1;
        const double pagesY = page.height > 0 ? std::ceil(m_contentSize.height / page.height - 1e-9) : 1;
        gfx::Point target{pageFor(o.x, page.width, v.x, pagesX) * page.width,
                          pageFor(o.y, page.height, v.y, pagesY) * page.height};
        target = clamp(target);
        const bool moves = target != o;
        if (d)
            d->scrollViewDidEndDragging(*this, moves);
        if (moves) {
            if (d)
                d->scrollViewWillBeginDecelerating(*this);
            animateOffset(target, 0.3, true);
        }
        return;
    }
    // The delegate may change the insets as the finger lifts (a list that keeps its
    // pull-to-refresh strip in sight): the resting place is taken after it has spoken.
    const bool flick = std::hypot(v.x, v.y) > 50;
    if (d)
        d->scrollViewDidEndDragging(*this, clamp(o) != o || flick);
    const gfx::Point c = clamp(o);
    const bool outside = c != o;
    if (!outside && !flick)
        return;
    if (d)
        d->scrollViewWillBeginDecelerating(*this);
    if (outside) {
        animateOffset(c, 0.4, true);
        return;
    }
    m_decelerating = true;
    std::weak_ptr<View> weak = weak_from_this();
    struct State {
        gfx::Point velocity;
        double last;
    };
    auto state = std::make_shared<State>(State{v, Animator::shared().now()});
    m_ticker = Animator::shared().addTicker([this, weak, state](double now) {
        if (weak.expired())
            return false;
        const double dt = std::max(0.0, now - state->last);
        state->last = now;
        const double keep = std::pow(decelerationRate, dt * 1000);
        gfx::Point o = contentOffset();
        o.x += state->velocity.x * dt;
        o.y += state->velocity.y * dt;
        state->velocity = {state->velocity.x * keep, state->velocity.y * keep};
        const gfx::Point c = clamp(o);
        if (c != o) {
            // Hitting an edge: stop there, or overshoot a little and come back.
            m_ticker = 0;
            if (bounces) {
                setContentOffset(o);
                animateOffset(c, 0.35, true);
            } else {
                setContentOffset(c);
                m_decelerating = false;
                if (auto d = m_delegate.lock())
                    d->scrollViewDidEndDecelerating(*this);
            }
            return false;
        }
        setContentOffset(o);
        if (std::hypot(state->velocity.x, state->velocity.y) < 10) {
            m_ticker = 0;
            m_decelerating = false;
            if (auto d = m_delegate.lock())
                d->scrollViewDidEndDecelerating(*this);
            return false;
        }
        return true;
    });
}

void ScrollView::animateOffset(gfx::Point target, double duration, bool fromDeceleration) {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
    m_decelerating = fromDeceleration;
    const gfx::Point start = contentOffset();
    const double t0 = Animator::shared().now();
    std::weak_ptr<View> weak = weak_from_this();
    m_ticker = Animator::shared().addTicker([this, weak, start, target, t0, duration, fromDeceleration](double now) {
        if (weak.expired())
            return false;
        const double p = duration > 0 ? std::min(1.0, (now - t0) / duration) : 1.0;
        const double e = applyTiming(TimingFunction::EaseOut, p);
        setContentOffset({start.x + (target.x - start.x) * e, start.y + (target.y - start.y) * e});
        if (p < 1)
            return true;
        m_ticker = 0;
        m_decelerating = false;
        if (auto d = m_delegate.lock()) {
            if (fromDeceleration)
                d->scrollViewDidEndDecelerating(*this);
            else
                d->scrollViewDidEndScrollingAnimation(*this);
        }
        return false;
    });
}

} // namespace pw::ui
