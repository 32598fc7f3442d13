#pragma once
// On or off; a tap flips it and sends value-changed.
#include "platform/ui/Control.h"

namespace pw::ui {

class Switch : public Control {
public:
    bool isOn() const { return m_on; }
    void setOn(bool on, bool animated = false);
    void setOnTintColor(gfx::Color c);

    gfx::Size sizeThatFits(gfx::Size) const override { return {79, 27}; }
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    Switch();
    friend class View;
    void endTracking(const Touch* t) override;

private:
    bool m_on = false;
    gfx::Color m_onTint = gfx::Color::fromRGB255(0, 127, 234);
};

} // namespace pw::ui
