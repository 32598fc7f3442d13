#include "foundation/widgets/RZScrollView.h"

#include <algorithm>

namespace pw {

RZScrollView::RZScrollView(const gfx::Rect& frame) : ScrollView(frame) {}

void RZScrollView::didCreate() {
    ScrollView::didCreate();
    setup();
}

void RZScrollView::setup() {
    pagingEnabled = true;
    showsHorizontalScrollIndicator = false;
    showsVerticalScrollIndicator = false;
    bounces = false;
    alwaysBounceHorizontal = false;
    alwaysBounceVertical = false;
    directionalLockEnabled = true;
}

gfx::Rect RZScrollView::pageFrame(size_t index) const {
    const gfx::Rect b = bounds();
    return {static_cast<double>(index) * b.width(), b.y(), b.width(), b.height()};
}

void RZScrollView::addHorizontalSubviews(const std::vector<std::shared_ptr<ui::View>>* views) {
    if (!views)
        return;
    const size_t k = subviews().size();
    const gfx::Rect f = frame();
    setContentSize({f.width() * static_cast<double>(k + views->size()), f.height()});
    for (size_t j = 0; j < views->size(); ++j) {
        const auto& v = (*views)[j];
        if (!v)
            continue;
        v->setFrame(pageFrame(k + j));
        addSubview(v);
    }
}

void RZScrollView::addHorizontalSubview(std::shared_ptr<ui::View> view) {
    if (!view)
        return;
    const size_t k = subviews().size();
    const gfx::Rect f = frame();
    setContentSize({f.width() * static_cast<double>(k + 1), f.height()});
    view->setFrame(pageFrame(k));
    addSubview(std::move(view));
}

std::vector<ui::TableView*> RZScrollView::genHorizontalTableView(int32_t n) {
    std::vector<std::shared_ptr<ui::View>> tables;
    std::vector<ui::TableView*> out;
    for (int32_t i = 0; i < n; ++i) {
        auto t = ui::TableView::create({}, ui::TableViewStyle::Plain);
        t->separatorStyle = ui::TableViewSeparatorStyle::None;
        out.push_back(t.get());
        tables.push_back(std::move(t));
    }
    addHorizontalSubviews(&tables);
    return out;
}

void RZScrollView::scrollToPage(int32_t page, bool animated) {
    // Not checked against the pages present: a page past the last scrolls
    // past the content, as the caller asked.
    setContentOffset({static_cast<double>(page) * frame().width(), 0}, animated);
}

void RZScrollView::reLayout() {
    const size_t k = subviews().size();
    const gfx::Rect b = bounds();
    setContentSize({b.width() * static_cast<double>(k), b.height()});
    const auto pages = subviews();
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i]->setFrame(pageFrame(i));
}

} // namespace pw
