#pragma once
// A bar that fills from the left with the progress (0..1).
#include "platform/ui/View.h"

namespace pw::ui {

class ProgressView : public View {
public:
    float progress() const { return m_progress; }
    void setProgress(float p);
    void setProgressTintColor(gfx::Color c);

    gfx::Size sizeThatFits(gfx::Size) const override { return {bounds().width(), 9}; }
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    ProgressView() { setOpaque(false); }
    explicit ProgressView(const gfx::Rect& frame) : View(frame) { setOpaque(false); }
    friend class View;

private:
    float m_progress = 0;
    gfx::Color m_tint = gfx::Color::fromRGB255(36, 112, 216);
};

} // namespace pw::ui
