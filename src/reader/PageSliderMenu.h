#pragma once

// The floating percent box: a title with the target percentage, a slider over
// the whole book, -1 and +1 beside it and, for site and UMD books, the
// previous and next chapter under it.

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Slider.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageSliderMenu : public ReaderMenuView {
public:
    static std::shared_ptr<PageSliderMenu> create(const gfx::Rect& frame) {
        return View::create<PageSliderMenu>(frame);
    }

    std::shared_ptr<ui::Slider> slider;
    std::shared_ptr<ui::Button> btnIncrease, btnDecrease, btnNextChapter, btnPrevChapter;
    std::shared_ptr<ui::Label> lblTitle;
    // Set before the first build.
    bool showChapterNav = false;

protected:
    explicit PageSliderMenu(const gfx::Rect& frame);
    friend class ui::View;
    void build() override;
};

} // namespace pw
