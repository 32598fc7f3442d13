#pragma once

#include "platform/ui/View.h"

#include <memory>

namespace pw {

namespace ui {
class Button;
class SearchBar;
class TableView;
} // namespace ui

// The search bar over a grid page or the list shelf, with the button beside
// it that synchronises the site shelves or imports a local book.
class SearchHeaderView : public ui::View {
public:
    static std::shared_ptr<SearchHeaderView> create(const gfx::Rect& frame);
    static constexpr double kHeight = 44;

    // Reloads a table this header heads. A header that waited hidden above the
    // first row stays hidden, however short the new rows are, until the user
    // pulls the table down.
    static void reloadKeepingHidden(ui::TableView& table);

    // The form on an empty page's guide: the bar takes no touches and the
    // button shows its guide picture.
    void showGuide();

    ui::SearchBar* schBar() const { return m_schBar.get(); }
    ui::Button* btnSyncBookcase() const { return m_btnSyncBookcase.get(); }
    // The button's picture as last set.
    const std::string& buttonImageName() const { return m_buttonImageName; }

protected:
    SearchHeaderView();
    explicit SearchHeaderView(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void setup();

    std::shared_ptr<ui::SearchBar> m_schBar{};
    std::shared_ptr<ui::Button> m_btnSyncBookcase{};
    std::string m_buttonImageName{};
};

} // namespace pw
