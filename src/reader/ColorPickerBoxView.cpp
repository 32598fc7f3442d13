#include "reader/ColorPickerBoxView.h"

#include "platform/ui/Animation.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

ColorPickerBoxView::ColorPickerBoxView(const gfx::Rect& frame) : View(frame) {
    setBackgroundColor(gfx::Color::clear());
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
}

void ColorPickerBoxView::setup(std::weak_ptr<ColorPickerBoxDelegate> delegate, gfx::Color orgBgColor,
                               gfx::Color orgFontColor, bool useBackgroundImage, int backgroundImageTag) {
    m_box = std::make_unique<ColorPickerBox>(std::move(delegate), orgBgColor, orgFontColor, useBackgroundImage,
                                             backgroundImageTag);
}

void ColorPickerBoxView::genAndShow(const gfx::Rect& rect) {
    if (!hasGenMenu) {
        build(rect);
        hasGenMenu = true;
    }
    setHidden(true);
    showWithAnimate();
}

void ColorPickerBoxView::build(const gfx::Rect& rect) {
    using namespace readermenu;
    container = ui::View::create(rect);
    container->setAutoresizingMask(ui::FlexibleWidth);
    container->setBackgroundColor(gfx::Color::black());
    container->setAlpha(0.85);
    addSubview(container);
    cPicker = ColorPickerView::create({0, 10, rect.width(), rect.height() - 65});
    cPicker->setAutoresizingMask(ui::FlexibleWidth);
    std::weak_ptr<ColorPickerBoxView> weak = std::static_pointer_cast<ColorPickerBoxView>(shared_from_this());
    cPicker->delegate = std::static_pointer_cast<ColorPickerDelegate>(weak.lock());
    container->addSubview(cPicker);

    const double y = cPicker->frame().maxY() + 2;
    auto make = [&](double x, const char* image, const char* title, void (ColorPickerBox::*choice)()) {
        auto b = genBtnItemWithFrame({x, y, 45, 45}, image);
        if (*title)
            setButton(*b, 12, title);
        b->addTarget(
            [weak, choice](ui::Control&) {
                if (auto self = weak.lock())
                    self->act(choice);
            },
            ui::ControlEventTouchUpInside);
        container->addSubview(b);
        return b;
    };
    btnDay = make(20, "pick_day_btn.png", "", &ColorPickerBox::day);
    btnDay->setHidden(true);
    btnSmooth = make(20, "pick_smooth_btn.png", "", &ColorPickerBox::smooth);
    btnPink = make(75, "pick_pink_btn.png", "", &ColorPickerBox::pink);
    // Where the bundle has no pictures the preset buttons wear their page colour.
    if (!hasPicture(*btnSmooth))
        btnSmooth->setBackgroundColor(gfx::Color::fromRGB255(251, 240, 218));
    if (!hasPicture(*btnPink))
        btnPink->setBackgroundColor(gfx::Color::fromRGB255(247, 216, 236));
    btnCancel = make(135, "round_btn.png", "取消", &ColorPickerBox::cancel);
    btnConfirm = make(190, "round_btn.png", "确定", &ColorPickerBox::confirm);
    btnReset = make(245, "round_btn.png", "重置", &ColorPickerBox::reset);
}

void ColorPickerBoxView::colorPicked(const gfx::Color& colour) {
    if (m_box)
        m_box->colorPicked(colour);
}

void ColorPickerBoxView::act(void (ColorPickerBox::*choice)()) {
    if (!m_box || m_box->closed())
        return;
    ((*m_box).*choice)();
    if (m_box->closed())
        close();
}

// The box's layer carries the push; what it pushes in or out is the panel
// inside it, so the slide shows while the box itself stands.
void ColorPickerBoxView::showWithAnimate() {
    setHidden(false);
    if (container)
        container->setHidden(true);
    layer()->addAnimation(
        std::make_shared<ui::Transition>(ui::TransitionType::Push, ui::TransitionSubtype::FromLeft, kSlideSeconds),
        "slide");
    if (container)
        container->setHidden(false);
}

void ColorPickerBoxView::close() {
    // The panel pushes out to the right; once it is out the box leaves for good.
    auto slide =
        std::make_shared<ui::Transition>(ui::TransitionType::Push, ui::TransitionSubtype::FromRight, kSlideSeconds);
    std::weak_ptr<View> weak = shared_from_this();
    slide->onStop = [weak](bool) {
        if (auto self = weak.lock()) {
            self->setHidden(true);
            self->removeFromSuperview();
        }
    };
    layer()->addAnimation(slide, "slide");
    if (container)
        container->setHidden(true);
}

} // namespace pw
