#pragma once
// A row of dots, one per page, the current one lit; a tap left or right of the
// lit dot moves one page that way.
#include "platform/ui/Control.h"

namespace pw::ui {

class PageControl : public Control {
public:
    int64_t numberOfPages() const { return m_pages; }
    void setNumberOfPages(int64_t n);
    int64_t currentPage() const { return m_current; }
    void setCurrentPage(int64_t p);
    bool hidesForSinglePage = false;

    gfx::Size sizeThatFits(gfx::Size) const override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    PageControl() { setOpaque(false); }
    explicit PageControl(const gfx::Rect& frame) : Control(frame) { setOpaque(false); }
    friend class View;
    void endTracking(const Touch* t) override;

private:
    int64_t m_pages = 0;
    int64_t m_current = 0;
};

} // namespace pw::ui
