#pragma once

// The colour box on screen: a dark panel at the top of the page holding the
// picker, the two preset pairs and "取消" / "确定" / "重置". Its choices are the
// ColorPickerBox's; a box is used once and leaves its superview when closed.

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/View.h"
#include "reader/ColorPickerBox.h"
#include "reader/ColorPickerView.h"

namespace pw {

class ColorPickerBoxView : public ui::View, public ColorPickerDelegate {
public:
    static std::shared_ptr<ColorPickerBoxView> create(const gfx::Rect& frame) {
        return View::create<ColorPickerBoxView>(frame);
    }

    // The colours and picture in use when the box opens, and who hears of it.
    void setup(std::weak_ptr<ColorPickerBoxDelegate> delegate, gfx::Color orgBgColor, gfx::Color orgFontColor,
               bool useBackgroundImage, int backgroundImageTag);
    void genAndShow(const gfx::Rect& rect);
    void showWithAnimate();
    void close();
    // ColorPickerDelegate: the picker's colour goes to the box's choices.
    void colorPicked(const gfx::Color& colour) override;

    ColorPickerBox* box() const { return m_box.get(); }
    std::shared_ptr<ui::View> container;
    std::shared_ptr<ColorPickerView> cPicker;
    std::shared_ptr<ui::Button> btnConfirm, btnCancel, btnReset, btnDay, btnSmooth, btnPink;
    bool hasGenMenu = false;
    static constexpr double kSlideSeconds = 0.1;

protected:
    explicit ColorPickerBoxView(const gfx::Rect& frame);
    friend class ui::View;

private:
    void build(const gfx::Rect& rect);
    // Runs a choice; a closing one takes the box away.
    void act(void (ColorPickerBox::*choice)());

    std::unique_ptr<ColorPickerBox> m_box;
};

} // namespace pw
