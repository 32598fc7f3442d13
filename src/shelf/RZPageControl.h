#pragma once

#include "platform/ui/PageControl.h"

#include <memory>
#include <string>

namespace pw {

// The grid shelf's page dots on a dark rounded pill, its first dot drawn as a
// search glass (lit while the search page shows).
class RZPageControl : public ui::PageControl {
public:
    static std::shared_ptr<RZPageControl> create(const gfx::Rect& frame = {});

    void setCurrentPage(int64_t p);
    void updateCurrentPageDisplay();
    // Centres the control in a width w; y and size stay.
    void resetFrameWithWidth(double w);
    void updateDots();
    // The first dot's picture: "pg_find_light.png" on page 0, else "pg_find.png".
    const std::string& firstDotImageName() const { return m_firstDot; }

    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    RZPageControl() = default;
    explicit RZPageControl(const gfx::Rect& frame) : PageControl(frame) {}
    void didCreate() override;
    void endTracking(const ui::Touch* t) override;
    friend class ui::View;

private:
    std::string m_firstDot{};
};

} // namespace pw
