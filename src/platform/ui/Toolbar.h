#pragma once
// A bar of buttons along a screen's bottom edge: the items stand left to right,
// flexible spaces share the width that is left over, fixed spaces keep theirs.
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"

#include <memory>
#include <vector>

namespace pw::ui {

class Toolbar : public View {
public:
    static constexpr double kHeight = 44;
    static constexpr double kEdgeMargin = 6;
    static constexpr double kGap = 10;

    // One item's part in the layout: its width, or a space (flexible when it has none).
    struct Slot {
        double width = 0;
        bool flexible = false;
        bool space = false;
        bool isSpace() const { return space || flexible; }
    };
    // The items' frames in a bar of this size: items centred vertically, a gap between
    // two items that are not spaces, flexible spaces sharing what is left.
    static std::vector<gfx::Rect> layoutSlots(gfx::Size bar, const std::vector<Slot>& slots);

    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return m_items; }
    // The view standing for each item (null for a space).
    const std::vector<std::shared_ptr<View>>& itemViews() const { return m_views; }
    gfx::Color tintColor() const { return m_tint; }
    void setTintColor(const gfx::Color& c);
    BarStyle barStyle() const { return m_style; }
    void setBarStyle(BarStyle s);

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    Toolbar();
    explicit Toolbar(const gfx::Rect& frame);
    friend class View;

private:
    std::vector<std::shared_ptr<BarButtonItem>> m_items;
    std::vector<std::shared_ptr<View>> m_views;
    gfx::Color m_tint = gfx::Color::fromRGB255(120, 141, 169);
    BarStyle m_style = BarStyle::Default;
};

} // namespace pw::ui
