#pragma once

// The side button at the left edge that opens the chapter list or the
// contents and bookmarks.

#include "platform/ui/Button.h"
#include "reader/ReaderMenuView.h"

namespace pw {

class PageMenuChapter : public ReaderMenuView {
public:
    static std::shared_ptr<PageMenuChapter> create(const gfx::Rect& frame) {
        return View::create<PageMenuChapter>(frame);
    }

    std::shared_ptr<ui::Button> btnChaptersAndBookmark;

protected:
    explicit PageMenuChapter(const gfx::Rect& frame) : ReaderMenuView(frame) { setEntrance({-2000, 0}, 0.4); }
    friend class ui::View;
    void didCreate() override;
    void build() override;
};

} // namespace pw
