#pragma once
// A value between a minimum and a maximum, set by dragging the thumb along a track.
#include "platform/ui/Control.h"

namespace pw::ui {

class Slider : public Control {
public:
    float value() const { return m_value; }
    void setValue(float v, bool animated = false);
    float minimumValue = 0;
    float maximumValue = 1;
    // Off: one value-changed event when the finger lifts.
    bool continuous = true;
    void setMinimumTrackTintColor(gfx::Color c);
    void setThumbImage(gfx::Image image);

    gfx::Rect thumbRect() const;
    gfx::Size sizeThatFits(gfx::Size) const override { return {bounds().width(), 23}; }
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    Slider() { setOpaque(false); }
    explicit Slider(const gfx::Rect& frame) : Control(frame) { setOpaque(false); }
    friend class View;
    bool beginTracking(const Touch& t) override;
    bool continueTracking(const Touch& t) override;
    void endTracking(const Touch* t) override;

private:
    void track(const Touch& t);
    float m_value = 0;
    bool m_changedWhileTracking = false;
    gfx::Color m_minTrack = gfx::Color::fromRGB255(36, 112, 216);
    gfx::Image m_thumb;
};

} // namespace pw::ui
