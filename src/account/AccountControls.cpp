#include "account/AccountControls.h"

#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/TapGestureRecognizer.h"

namespace pw {

bool AccountControls::isPad() {
    return device::Device::current().idiom() == device::Idiom::Pad;
}

void AccountControls::loginBackground(ui::View& view, std::function<void()> onTap) {
    if (auto bg = ui::BundleImage::named("iPhone_table_bg.png"))
        view.setBackgroundColor(gfx::Color::patternImage(bg));
    else
        view.setBackgroundColor(gfx::Color::fromRGB255(228, 230, 234));
    auto tapRecognizer = ui::TapGestureRecognizer::create([onTap = std::move(onTap)](ui::GestureRecognizer&) { onTap(); });
    ui::View* own = &view;
    tapRecognizer->shouldReceiveTouch = [own](ui::GestureRecognizer&, const ui::Touch& t) {
        return t.view.lock().get() == own;
    };
    tapRecognizer->cancelsTouchesInView = false;
    view.addGestureRecognizer(tapRecognizer);
}

std::shared_ptr<ui::Button> AccountControls::imageButton(const gfx::Rect& frame, const std::string& image,
                                                         double leftCap, double topCap, const std::string& title,
                                                         double fontSize, ui::View& container) {
    auto button = ui::Button::create(ui::ButtonType::Custom);
    button->setFrame(frame);
    const gfx::Image picture = ui::BundleImage::named(image);
    if (picture.isNull())
        button->setBackgroundColor(gfx::Color::fromRGB255(226, 226, 226));
    else
        button->setBackgroundImage(picture.stretchable(leftCap, topCap));
    if (!title.empty())
        button->setTitle(title);
    button->titleLabel().setFont(gfx::Font::systemFont(fontSize));
    button->setTitleColor(gfx::Color::black());
    button->setTitleColor(gfx::Color::lightGray(), ui::ControlStateDisabled);
    container.addSubview(button);
    return button;
}

std::shared_ptr<ui::TextField> AccountControls::loginField(ui::View& container, double y,
                                                           const std::string& placeholder, bool secure) {
    const double width = container.bounds().width();
    const gfx::Rect frame = isPad() ? gfx::Rect(100, y, width - 200, 31) : gfx::Rect(30, y, width - 60, 31);
    auto field = ui::View::create<ui::TextField>(frame);
    field->setPlaceholder(placeholder);
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field->clearButtonMode = ui::TextFieldViewMode::WhileEditing;
    field->clearsOnBeginEditing = false;
    field->setTextAlignment(gfx::TextAlignment::Left);
    field->secureTextEntry = secure;
    field->keyboardType = secure ? ui::KeyboardType::Default : ui::KeyboardType::EmailAddress;
    field->returnKeyType = ui::ReturnKeyType::Done;
    field->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    container.addSubview(field);
    return field;
}

gfx::Rect AccountControls::loginButtonFrame(double viewWidth, double y) {
    return isPad() ? gfx::Rect(120, y, viewWidth - 240, 38) : gfx::Rect(60, y, viewWidth - 120, 38);
}

double AccountControls::loginButtonGap() {
    return isPad() ? 20 : 15;
}

std::shared_ptr<ui::AlertView> AccountControls::showAlert(const std::string& text,
                                                          std::weak_ptr<ui::AlertViewDelegate> delegate) {
    auto alert = ui::AlertView::create("", text, std::move(delegate), "知道了");
    alert->show();
    return alert;
}

bool AccountControls::openInBrowser(const std::string& url) {
    if (!url.starts_with("http://") && !url.starts_with("https://"))
        return false;
    return ui::Application::shared().openURL(url);
}

} // namespace pw
