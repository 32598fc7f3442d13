#pragma once

// The bar at the foot of the page with the menu: bookmark, update reminder,
// update, jump and the settings screen, a centred row of five.

#include "platform/ui/Button.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageBottomMenu : public ReaderMenuView {
public:
    static std::shared_ptr<PageBottomMenu> create(const gfx::Rect& frame) {
        return View::create<PageBottomMenu>(frame);
    }

    std::shared_ptr<ui::Button> btnAddBookmark, btnNotifyUpdate, btnUpdate, btnJump, btnMoreSettings;

protected:
    explicit PageBottomMenu(const gfx::Rect& frame);
    friend class ui::View;
    void didCreate() override;
    void build() override;
};

} // namespace pw
