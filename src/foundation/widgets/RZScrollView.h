#pragma once
// A horizontally paging scroll view whose pages are its subviews, side by side,
// each as large as the view.
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <vector>

namespace pw {

class RZScrollView : public ui::ScrollView, public ui::ScrollViewDelegate {
public:
    static std::shared_ptr<RZScrollView> init() { return initWithFrame({}); }
    static std::shared_ptr<RZScrollView> initWithFrame(const gfx::Rect& frame) {
        return View::create<RZScrollView>(frame);
    }

    void setup();
    void addHorizontalSubviews(const std::vector<std::shared_ptr<ui::View>>* views);
    void addHorizontalSubview(std::shared_ptr<ui::View> view);
    // The tables live in the view tree; the caller does not own them.
    std::vector<ui::TableView*> genHorizontalTableView(int32_t n);
    // Pages outside 0 .. last are taken to the nearest page.
    void scrollToPage(int32_t page, bool animated);
    void reLayout();
    int32_t pageCount() const { return static_cast<int32_t>(subviews().size()); }

protected:
    explicit RZScrollView(const gfx::Rect& frame);
    friend class ui::View;
    void didCreate() override;

private:
    gfx::Rect pageFrame(size_t index) const;
};

} // namespace pw
