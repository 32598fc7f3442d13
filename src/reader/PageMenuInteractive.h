#pragma once

// The side button under the chapter button (site books) that opens the
// reader's interactions with the site.

#include "platform/ui/Button.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageMenuInteractive : public ReaderMenuView {
public:
    static std::shared_ptr<PageMenuInteractive> create(const gfx::Rect& frame) {
        return View::create<PageMenuInteractive>(frame);
    }

    std::shared_ptr<ui::Button> btnZoom;

protected:
    explicit PageMenuInteractive(const gfx::Rect& frame) : ReaderMenuView(frame) { setEntrance({-2000, 0}, 0.4); }
    friend class ui::View;
    void didCreate() override;
    void build() override;
};

} // namespace pw
