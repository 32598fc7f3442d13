#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace pw {

namespace ui {
class Button;
}

// The edit bar of the grid shelf: four picture buttons (select all or none,
// update, delete, and a fourth the main screen dresses by shelf) that slide
// over the bottom of the main screen. It builds and animates itself and keeps
// the select-all state; the main screen wires the buttons.
class MainBottomMenu : public ui::View {
public:
    static std::shared_ptr<MainBottomMenu> create(const gfx::Rect& frame);
    // The first button's x in a bar of width w: the four buttons and three gaps centred.
    static double firstButtonX(double w, bool tablet);
    static double gap(bool tablet) { return tablet ? 20 : 3; }

    void genMenuAndShow();
    void showWithAnimate();
    void close();
    void setHasSelectedAll(bool all);
    bool hasSelectedAll() const { return m_hasSelectedAll; }
    bool hasGenMenu() const { return m_hasGenMenu; }
    bool hasAddHandler() const { return m_hasAddHandler; }
    void setHasAddHandler(bool h) { m_hasAddHandler = h; }

    ui::Button* btnFirst() const { return m_btnFirst.get(); }
    ui::Button* btnSecond() const { return m_btnSecond.get(); }
    ui::Button* btnThird() const { return m_btnThird.get(); }
    ui::Button* btnFourth() const { return m_btnFourth.get(); }

    std::shared_ptr<ui::Button> genBtnItem(const gfx::Rect& frame, const std::string& background);
    static void setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets);

protected:
    MainBottomMenu();
    explicit MainBottomMenu(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void setup();

    std::shared_ptr<ui::Button> m_btnFirst{};
    std::shared_ptr<ui::Button> m_btnSecond{};
    std::shared_ptr<ui::Button> m_btnThird{};
    std::shared_ptr<ui::Button> m_btnFourth{};
    bool m_hasGenMenu{false};
    bool m_hasAddHandler{false};
    bool m_hasSelectedAll{false};
};

} // namespace pw
