#pragma once
// The bar over a navigation stack: the top item's title, a back button naming
// the item below, and the item's own left and right buttons.
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <functional>
#include <vector>

namespace pw::ui {

enum class BarStyle { Default, Black, BlackTranslucent };

class NavigationBar : public View {
public:
    static constexpr double kHeight = 44;

    gfx::Color tintColor() const { return m_tint; }
    void setTintColor(const gfx::Color& c);
    BarStyle barStyle() const { return m_style; }
    void setBarStyle(BarStyle s);

    // The items shown, bottom to top (the navigation controller keeps them).
    void setItems(std::vector<NavigationItem*> items);
    // The back button was tapped.
    std::function<void()> onBack;

    Button* backButton() const { return m_back.get(); }
    // A bar's button for an item, and a bar's background; the toolbar shares them.
    static std::shared_ptr<Button> makeItemButton(const BarButtonItem& item);
    static void drawBarBackground(gfx::Context& ctx, const gfx::Rect& bounds, gfx::Color tint, BarStyle style);
    Label& titleLabel() { return *m_title; }
    void refresh();

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    NavigationBar();
    friend class View;
    void didCreate() override;

private:
    gfx::Color m_tint = gfx::Color::fromRGB255(120, 141, 169);
    BarStyle m_style = BarStyle::Default;
    std::vector<NavigationItem*> m_items;
    std::shared_ptr<Label> m_title;
    std::shared_ptr<Button> m_back;
    std::shared_ptr<View> m_left;
    std::shared_ptr<View> m_right;
    std::shared_ptr<View> m_titleView;
};

} // namespace pw::ui
