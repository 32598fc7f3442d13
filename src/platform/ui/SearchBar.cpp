#include "platform/ui/SearchBar.h"

namespace pw::ui {

SearchBar::SearchBar() {
    setFrame({0, 0, 320, kHeight});
    setAutoresizingMask(FlexibleWidth);
}

void SearchBar::didCreate() {
    m_field = View::create<TextField>();
    m_field->setBorderStyle(TextBorderStyle::RoundedRect);
    m_field->setFont(gfx::Font::systemFont(15));
    m_field->clearButtonMode = TextFieldViewMode::WhileEditing;
    m_field->returnKeyType = ReturnKeyType::Search;
    m_field->setDelegate(
        std::static_pointer_cast<TextFieldDelegate>(std::static_pointer_cast<SearchBar>(shared_from_this())));
    std::weak_ptr<View> weak = weak_from_this();
    m_field->addTarget(
        [this, weak](Control&) {
            if (weak.expired())
                return;
            if (auto d = m_delegate.lock())
                d->textDidChange(*this, m_field->text());
        },
        ControlEventEditingChanged);
    addSubview(m_field);
}

void SearchBar::setText(std::string t) {
    m_field->setText(std::move(t));
}
void SearchBar::setPlaceholder(std::string p) {
    m_field->setPlaceholder(std::move(p));
}

void SearchBar::setTintColor(gfx::Color c) {
    m_tint = c;
    setNeedsDisplay();
}

void SearchBar::setShowsCancelButton(bool show) {
    if (show && !m_cancel) {
        m_cancel = Button::create(ButtonType::Custom);
        m_cancel->setTitle("取消");
        m_cancel->titleLabel().setFont(gfx::Font::boldSystemFont(13));
        m_cancel->layer()->setCornerRadius(5);
        m_cancel->layer()->setBorderWidth(1);
        m_cancel->layer()->setBorderColor(gfx::Color(0, 0, 0, 0.35));
        m_cancel->setBackgroundColor(gfx::Color(1, 1, 1, 0.15));
        std::weak_ptr<View> weak = weak_from_this();
        m_cancel->addTarget(
            [this, weak](Control&) {
                if (weak.expired())
                    return;
                if (auto d = m_delegate.lock())
                    d->searchBarCancelButtonClicked(*this);
            },
            ControlEventTouchUpInside);
        addSubview(m_cancel);
    }
    if (m_cancel)
        m_cancel->setHidden(!show);
    setNeedsLayout();
}

bool SearchBar::textFieldShouldBeginEditing(TextField&) {
    auto d = m_delegate.lock();
    return !d || d->searchBarShouldBeginEditing(*this);
}

void SearchBar::textFieldDidBeginEditing(TextField&) {
    if (auto d = m_delegate.lock())
        d->searchBarTextDidBeginEditing(*this);
}

void SearchBar::textFieldDidEndEditing(TextField&) {
    if (auto d = m_delegate.lock())
        d->searchBarTextDidEndEditing(*this);
}

bool SearchBar::textFieldShouldReturn(TextField&) {
    if (auto d = m_delegate.lock())
        d->searchBarSearchButtonClicked(*this);
    return true;
}

void SearchBar::layoutSubviews() {
    const gfx::Rect b = bounds();
    double right = b.width() - 6;
    if (showsCancelButton()) {
        m_cancel->setFrame({b.width() - 66, (b.height() - 30) / 2, 60, 30});
        right = b.width() - 72;
    }
    m_field->setFrame({6, (b.height() - 31) / 2, right - 6, 31});
}

void SearchBar::setBackgroundImage(gfx::Image image) {
    m_backgroundImage = std::move(image);
    setNeedsDisplay();
}

void SearchBar::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    ctx.clipToRect(b);
    if (!m_backgroundImage.isNull()) {
        ctx.drawImage(m_backgroundImage, b);
        return;
    }
    auto lighter = [](const gfx::Color& c, double f) {
        return gfx::Color(c.r() + (1 - c.r()) * f, c.g() + (1 - c.g()) * f, c.b() + (1 - c.b()) * f, c.alpha());
    };
    ctx.drawLinearGradient({{0, lighter(m_tint, 0.3)}, {1, m_tint}}, {0, 0}, {0, b.height()});
    ctx.setFillColor(gfx::Color(0, 0, 0, 0.35));
    ctx.fillRect({0, b.height() - 1, b.width(), 1});
}

} // namespace pw::ui
