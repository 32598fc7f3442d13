#pragma once
// The spinning wheel: twelve spokes whose brightness turns once a second.
#include "platform/ui/View.h"

#include <cstdint>

namespace pw::ui {

enum class ActivityIndicatorStyle { WhiteLarge, White, Gray };

class ActivityIndicatorView : public View {
public:
    ~ActivityIndicatorView() override;

    ActivityIndicatorStyle style() const { return m_style; }
    void setStyle(ActivityIndicatorStyle s);
    void setColor(gfx::Color c);
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_ticker != 0; }
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool h);
    // Which spoke is brightest now (0..11).
    int phase() const { return m_phase; }

    gfx::Size sizeThatFits(gfx::Size) const override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::White);
    friend class View;

private:
    ActivityIndicatorStyle m_style;
    gfx::Color m_color = gfx::Color::white();
    bool m_hidesWhenStopped = true;
    uint64_t m_ticker = 0;
    double m_started = 0;
    int m_phase = 0;
};

} // namespace pw::ui
