#pragma once
// A bar of tabs a screen lays out itself (without a tab controller): items
// with a title, a picture and a tag; a tap selects one and tells the owner.
#include "platform/gfx/Image.h"
#include "platform/ui/View.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pw::ui {

struct TabBarButtonItem {
    std::string title;
    gfx::Image image;
    int tag = 0;
};

class TabBar : public View {
public:
    static constexpr double kHeight = 49;
    static std::shared_ptr<TabBar> create(const gfx::Rect& frame) { return View::create<TabBar>(frame); }

    void setItems(std::vector<TabBarButtonItem> items);
    const std::vector<TabBarButtonItem>& items() const { return m_items; }
    std::optional<size_t> selectedIndex() const { return m_selected; }
    // Selects without telling the owner.
    void setSelectedIndex(std::optional<size_t> index);
    // Told of a tap that selected an item (also the one already selected).
    std::function<void(TabBar&, const TabBarButtonItem&)> didSelectItem;
    // A tap on the item at that index, as a touch would do it.
    void tapItem(size_t index);

    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;
    void touchesBegan(const TouchSet&) override {}
    void touchesEnded(const TouchSet& touches) override;

protected:
    using View::View;
    friend class View;

private:
    std::vector<TabBarButtonItem> m_items;
    std::optional<size_t> m_selected;
};

} // namespace pw::ui
