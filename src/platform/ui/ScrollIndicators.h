#pragma once
// The thin bars that show where a scroll view's visible part lies in its
// content. They come up while the content moves and fade out shortly after it
// rests. They are layers of the scroll view, not subviews, so views that count
// their pages by subviews are not misled.
#include "platform/core/Cancelable.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/Layer.h"

#include <memory>

namespace pw::ui {

class ScrollView;

class ScrollIndicators {
public:
    explicit ScrollIndicators(ScrollView& owner);
    ~ScrollIndicators();
    ScrollIndicators(const ScrollIndicators&) = delete;
    ScrollIndicators& operator=(const ScrollIndicators&) = delete;

    static constexpr double kThickness = 3;
    static constexpr double kMargin = 2;
    static constexpr double kMinimumLength = 9;
    // How long the bars stay after the content rests, and how long they take to fade.
    static constexpr double kLinger = 0.5;
    static constexpr double kFade = 0.25;

    // The bar's frame in the scroll view's bounds coordinates (whose origin is the
    // content offset); empty when the content fits along that axis. `other` is whether
    // the other bar is shown too, in which case the two leave each other's corner free.
    static gfx::Rect verticalFrame(const gfx::Rect& bounds, gfx::Size content, const gfx::EdgeInsets& inset,
                                   bool other);
    static gfx::Rect horizontalFrame(const gfx::Rect& bounds, gfx::Size content, const gfx::EdgeInsets& inset,
                                     bool other);

    // The content moved: place the bars, show them, and let them fade after a while.
    void update();
    const std::shared_ptr<Layer>& vertical() const { return m_vertical; }
    const std::shared_ptr<Layer>& horizontal() const { return m_horizontal; }

private:
    void scheduleFade();

    ScrollView& m_owner;
    std::shared_ptr<Layer> m_vertical = Layer::create();
    std::shared_ptr<Layer> m_horizontal = Layer::create();
    core::Cancelable m_fade;
};

} // namespace pw::ui
