#include "reader/ReaderMenuKit.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"

namespace pw::readermenu {

gfx::Color panelColour() {
    return gfx::Color::fromWhite(0.1);
}

gfx::Color buttonColour() {
    return gfx::Color::fromWhite(1, 0.15);
}

gfx::Color selectedButtonColour() {
    return gfx::Color::fromRGB255(70, 130, 200);
}

std::shared_ptr<ui::Button> genBtnItemWithFrame(const gfx::Rect& frame, const std::string& image, bool glow) {
    auto b = ui::Button::create();
    b->setFrame(frame);
    b->showsTouchWhenHighlighted = glow;
    b->setEnabled(true);
    if (auto img = ui::BundleImage::named(image); !img.isNull())
        b->setBackgroundImage(img);
    else
        b->setBackgroundColor(buttonColour());
    return b;
}

std::shared_ptr<ui::Button> genStretchableBtnWithFrame(const gfx::Rect& frame, const std::string& image,
                                                       double leftCapWidth, double topCapHeight, bool glow) {
    auto b = genBtnItemWithFrame(frame, image, glow);
    if (auto img = ui::BundleImage::named(image); !img.isNull())
        b->setBackgroundImage(img.stretchable(leftCapWidth, topCapHeight));
    return b;
}

void setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets) {
    button.titleLabel().setFont(gfx::Font::systemFont(fontSize));
    button.setTitle(title);
    button.setTitleColor(gfx::Color::white());
    // The insets make room for a picture's icon; a plain face has none.
    button.setTitleEdgeInsets(hasPicture(button) ? insets : gfx::EdgeInsets{});
}

void setSelectedLook(ui::Button& button, bool selected) {
    button.setSelected(selected);
    auto img = ui::BundleImage::named(selected ? "v2_icon_read_btn_bg_light.png" : "v2_icon_read_btn_bg.png");
    if (!img.isNull())
        button.setBackgroundImage(selected ? img : img.stretchable(7, 7));
    else
        button.setBackgroundColor(selected ? selectedButtonColour() : buttonColour());
}

std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize, const std::string& text) {
    auto l = ui::View::create<ui::Label>(frame);
    l->setFont(gfx::Font::systemFont(fontSize));
    l->setBackgroundColor(gfx::Color::clear());
    l->setTextColor(gfx::Color::white());
    l->setText(text);
    return l;
}

std::shared_ptr<ui::View> picture(const gfx::Rect& frame, const std::string& image, gfx::Color fallback,
                                  gfx::Size caps) {
    auto img = ui::BundleImage::named(image);
    if (!img.isNull() && (caps.width > 0 || caps.height > 0))
        img = img.stretchable(caps.width, caps.height);
    auto v = ui::View::create<ui::ImageView>(img);
    v->setFrame(frame);
    // A picture may be see-through at its corners: a face behind it would show.
    if (img.isNull())
        v->setBackgroundColor(fallback);
    return v;
}

bool hasPicture(const ui::Button& button) {
    return !button.backgroundImageForState(ui::ControlStateNormal).isNull();
}

void setUsable(ui::Button& button, bool usable) {
    button.setEnabled(usable);
    button.setAlpha(usable ? 1.0 : 0.5);
}

} // namespace pw::readermenu
