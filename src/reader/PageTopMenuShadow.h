#pragma once

// The five-point shadow strip that hangs under the top bar.

#include "reader/ReaderMenuView.h"

namespace pw {

class PageTopMenuShadow : public ReaderMenuView {
public:
    static std::shared_ptr<PageTopMenuShadow> create(const gfx::Rect& frame) {
        return View::create<PageTopMenuShadow>(frame);
    }

protected:
    explicit PageTopMenuShadow(const gfx::Rect& frame);
    friend class ui::View;
    void build() override;
};

} // namespace pw
