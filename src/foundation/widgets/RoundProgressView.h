#pragma once
// A round progress indicator: a pie that fills clockwise from twelve o'clock,
// or a ring when annular.
#include "platform/ui/View.h"

namespace pw {

class RoundProgressView : public ui::View {
public:
    float progress() const { return m_progress; }
    void setProgress(float p);
    bool isAnnular() const { return m_annular; }
    void setAnnular(bool a);

    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    RoundProgressView();
    friend class ui::View;

private:
    float m_progress = 0;
    bool m_annular = false;
};

} // namespace pw
