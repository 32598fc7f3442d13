#include "platform/ui/ScrollIndicators.h"

#include "platform/core/RunLoop.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Transaction.h"

#include <algorithm>

namespace pw::ui {

namespace {

// One axis: where a bar of a track lies for an offset into the content.
// Pulled past an end, the bar shortens by the distance pulled.
struct Span {
    double position = 0;
    double length = 0;
};

Span spanFor(double offset, double visible, double content, double insetBefore, double insetAfter, double track) {
    const double scrollable = content + insetBefore + insetAfter;
    if (scrollable <= visible || track <= 0)
        return {};
    double length = std::max(ScrollIndicators::kMinimumLength, track * visible / scrollable);
    const double min = -insetBefore, max = content + insetAfter - visible;
    double over = 0;
    if (offset < min)
        over = min - offset;
    else if (offset > max)
        over = offset - max;
    length = std::max(ScrollIndicators::kThickness, length - over);
    const double progress = std::clamp((offset - min) / (max - min), 0.0, 1.0);
    return {(track - length) * progress, length};
}

} // namespace

ScrollIndicators::ScrollIndicators(ScrollView& owner) : m_owner(owner) {
    for (auto& bar : {m_vertical, m_horizontal}) {
        bar->setBackgroundColor(gfx::Color::fromWhite(0, 0.5));
        bar->setCornerRadius(kThickness / 2);
        bar->setOpacity(0);
        bar->setName("scrollIndicator");
    }
}

ScrollIndicators::~ScrollIndicators() {
    m_fade.cancel();
    m_vertical->removeFromSuperlayer();
    m_horizontal->removeFromSuperlayer();
}

gfx::Rect ScrollIndicators::verticalFrame(const gfx::Rect& b, gfx::Size content, const gfx::EdgeInsets& inset,
                                          bool other) {
    const double track = b.height() - 2 * kMargin - (other ? kThickness + kMargin : 0);
    const Span s = spanFor(b.y(), b.height(), content.height, inset.top, inset.bottom, track);
    if (s.length <= 0)
        return {};
    return {b.maxX() - kMargin - kThickness, b.y() + kMargin + s.position, kThickness, s.length};
}

gfx::Rect ScrollIndicators::horizontalFrame(const gfx::Rect& b, gfx::Size content, const gfx::EdgeInsets& inset,
                                            bool other) {
    const double track = b.width() - 2 * kMargin - (other ? kThickness + kMargin : 0);
    const Span s = spanFor(b.x(), b.width(), content.width, inset.left, inset.right, track);
    if (s.length <= 0)
        return {};
    return {b.x() + kMargin + s.position, b.maxY() - kMargin - kThickness, s.length, kThickness};
}

void ScrollIndicators::update() {
    const gfx::Rect b = m_owner.bounds();
    const gfx::Size c = m_owner.contentSize();
    const gfx::EdgeInsets in = m_owner.contentInset();
    const bool wantV = m_owner.showsVerticalScrollIndicator && !verticalFrame(b, c, in, false).isEmpty();
    const bool wantH = m_owner.showsHorizontalScrollIndicator && !horizontalFrame(b, c, in, false).isEmpty();
    Transaction::begin();
    Transaction::setDisableActions(true);
    Layer* host = m_owner.layer().get();
    for (auto [bar, want, frame] : {std::tuple{m_vertical, wantV, verticalFrame(b, c, in, wantH)},
                                    std::tuple{m_horizontal, wantH, horizontalFrame(b, c, in, wantV)}}) {
        if (!want) {
            bar->setOpacity(0);
            continue;
        }
        // Above the content, whatever was added since.
        if (bar->superlayer() != host || host->sublayers().back() != bar) {
            bar->removeFromSuperlayer();
            host->addSublayer(bar);
        }
        bar->removeAllAnimations();
        bar->setFrame(frame);
        bar->setOpacity(1);
    }
    Transaction::commit();
    scheduleFade();
}

void ScrollIndicators::scheduleFade() {
    m_fade.cancel();
    std::weak_ptr<View> owner = m_owner.weak_from_this();
    m_fade = core::RunLoop::current().postAfter(kLinger, [this, owner] {
        auto alive = owner.lock();
        if (!alive)
            return;
        if (m_owner.isDragging()) {
            scheduleFade(); // a finger still holds the content
            return;
        }
        Transaction::begin();
        Transaction::setAnimationDuration(kFade);
        m_vertical->setOpacity(0);
        m_horizontal->setOpacity(0);
        Transaction::commit();
    });
}

} // namespace pw::ui
