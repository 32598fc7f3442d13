#pragma once

// The small two-button box shown alone for the download or bookmark choices;
// the reader sets the titles each time.

#include "platform/ui/Button.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageBottomSubMenu : public ReaderMenuView {
public:
    static std::shared_ptr<PageBottomSubMenu> create(const gfx::Rect& frame) {
        return View::create<PageBottomSubMenu>(frame);
    }

    std::shared_ptr<ui::Button> btnFirst, btnSecond;

protected:
    explicit PageBottomSubMenu(const gfx::Rect& frame);
    friend class ui::View;
    void build() override;
};

} // namespace pw
