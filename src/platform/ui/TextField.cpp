#include "platform/ui/TextField.h"

#include "platform/core/Text.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

TextField::TextField() {
    setOpaque(false);
}
TextField::TextField(const gfx::Rect& frame) : TextField() {
    setFrame(frame);
}

void TextField::setText(std::string t) {
    m_text = std::move(t);
    setNeedsDisplay();
}

void TextField::setPlaceholder(std::string p) {
    m_placeholder = std::move(p);
    setNeedsDisplay();
}

void TextField::setFont(const gfx::Font& f) {
    m_font = f;
    setNeedsDisplay();
}

void TextField::setTextColor(gfx::Color c) {
    m_textColor = c;
    setNeedsDisplay();
}

void TextField::setTextAlignment(gfx::TextAlignment a) {
    m_alignment = a;
    setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle s) {
    m_border = s;
    setNeedsDisplay();
}

bool TextField::becomeFirstResponder() {
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    if (auto d = m_delegate.lock(); d && !d->textFieldShouldBeginEditing(*this))
        return false;
    return Responder::becomeFirstResponder();
}

bool TextField::resignFirstResponder() {
    if (!isFirstResponder())
        return true;
    if (auto d = m_delegate.lock(); d && !d->textFieldShouldEndEditing(*this))
        return false;
    return Responder::resignFirstResponder();
}

void TextField::didBecomeFirstResponder() {
    m_editing = true;
    if (clearsOnBeginEditing)
        m_text.clear();
    setNeedsDisplay();
    if (auto d = m_delegate.lock())
        d->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(ControlEventEditingDidBegin);
}

void TextField::didResignFirstResponder() {
    m_editing = false;
    setNeedsDisplay();
    if (auto d = m_delegate.lock())
        d->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(ControlEventEditingDidEnd);
}

bool TextField::replace(int64_t location, int64_t length, const std::string& with) {
    std::u16string t = core::text::toUtf16Lenient(m_text);
    const std::u16string add = core::text::toUtf16Lenient(with);
    location = std::clamp<int64_t>(location, 0, static_cast<int64_t>(t.size()));
    length = std::clamp<int64_t>(length, 0, static_cast<int64_t>(t.size()) - location);
    if (maxLength > 0 && t.size() - static_cast<size_t>(length) + add.size() > maxLength && !add.empty())
        return false;
    if (auto d = m_delegate.lock(); d && !d->shouldChangeCharacters(*this, location, length, with))
        return false;
    t.replace(static_cast<size_t>(location), static_cast<size_t>(length), add);
    m_text = core::text::toUtf8Lenient(t);
    setNeedsDisplay();
    sendActionsForControlEvents(ControlEventEditingChanged);
    return true;
}

bool TextField::insertText(const std::string& utf8) {
    if (!m_editing)
        return false;
    const int64_t end = static_cast<int64_t>(core::text::toUtf16Lenient(m_text).size());
    return replace(end, 0, utf8);
}

bool TextField::deleteBackward() {
    if (!m_editing || m_text.empty())
        return false;
    const std::u16string t = core::text::toUtf16Lenient(m_text);
    int64_t n = 1;
    // A surrogate pair is one character.
    if (t.size() >= 2 && t.back() >= 0xDC00 && t.back() <= 0xDFFF)
        n = 2;
    return replace(static_cast<int64_t>(t.size()) - n, n, "");
}

bool TextField::insertNewline() {
    if (!m_editing)
        return false;
    auto d = m_delegate.lock();
    if (!d || d->textFieldShouldReturn(*this))
        sendActionsForControlEvents(ControlEventEditingDidEndOnExit);
    return true;
}

bool TextField::showsClearButton() const {
    if (m_text.empty())
        return false;
    switch (clearButtonMode) {
    case TextFieldViewMode::Always:
        return true;
    case TextFieldViewMode::WhileEditing:
        return m_editing;
    case TextFieldViewMode::UnlessEditing:
        return !m_editing;
    default:
        return false;
    }
}

gfx::Rect TextField::clearButtonRect() const {
    const gfx::Rect b = bounds();
    return {b.maxX() - 27, std::round(b.midY() - 9.5), 19, 19};
}

void TextField::touchesEnded(const TouchSet& touches) {
    Control::touchesEnded(touches);
    if (touches.empty() || !isEnabled())
        return;
    const gfx::Point p = touches.front()->locationInView(this);
    if (!bounds().contains(p))
        return;
    if (showsClearButton() && clearButtonRect().insetBy(-6, -6).contains(p)) {
        auto d = m_delegate.lock();
        if (!d || d->textFieldShouldClear(*this)) {
            m_text.clear();
            setNeedsDisplay();
            sendActionsForControlEvents(ControlEventEditingChanged);
        }
    }
    becomeFirstResponder();
}

void TextField::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    switch (m_border) {
    case TextBorderStyle::RoundedRect:
        ctx.setFillColor(gfx::Color::white());
        ctx.beginPath();
        ctx.addRoundedRect(b.insetBy(0.5, 0.5), 7);
        ctx.fillPath();
        ctx.setStrokeColor(gfx::Color::fromWhite(0.6));
        ctx.setLineWidth(1);
        ctx.beginPath();
        ctx.addRoundedRect(b.insetBy(0.5, 0.5), 7);
        ctx.strokePath();
        break;
    case TextBorderStyle::Line:
    case TextBorderStyle::Bezel:
        ctx.setStrokeColor(gfx::Color::fromWhite(0.3));
        ctx.setLineWidth(1);
        ctx.strokeRect(b.insetBy(0.5, 0.5));
        break;
    case TextBorderStyle::None:
        break;
    }
    const double inset = m_border == TextBorderStyle::None ? 0 : 8;
    double right = b.maxX() - inset;
    if (showsClearButton()) {
        const gfx::Rect c = clearButtonRect();
        ctx.setFillColor(gfx::Color::fromWhite(0.7));
        ctx.fillEllipse(c);
        ctx.setStrokeColor(gfx::Color::white());
        ctx.setLineWidth(2);
        ctx.beginPath();
        ctx.moveTo({c.x() + 6, c.y() + 6});
        ctx.lineTo({c.maxX() - 6, c.maxY() - 6});
        ctx.moveTo({c.maxX() - 6, c.y() + 6});
        ctx.lineTo({c.x() + 6, c.maxY() - 6});
        ctx.strokePath();
        right = c.x() - 4;
    }
    const gfx::Rect area(b.x() + inset, b.y(), std::max(0.0, right - b.x() - inset), b.height());
    std::string shown = m_text;
    if (secureTextEntry) {
        const size_t n = core::text::toUtf16Lenient(m_text).size();
        shown.clear();
        for (size_t i = 0; i < n; ++i)
            shown += "\u2022";
    }
    const bool placeholder = shown.empty();
    if (placeholder)
        shown = m_placeholder;
    const gfx::Size s = gfx::TextLayout::measure(shown.empty() ? "M" : shown, m_font);
    const double y = std::round(area.midY() - s.height / 2);
    double x = area.x();
    // While editing, the end of a long text stays in sight.
    if (m_editing && !placeholder && s.width > area.width())
        x = area.maxX() - s.width;
    else if (m_alignment == gfx::TextAlignment::Center)
        x = area.x() + std::round((area.width() - s.width) / 2);
    else if (m_alignment == gfx::TextAlignment::Right)
        x = area.maxX() - s.width;
    ctx.save();
    ctx.clipToRect(area.insetBy(0, -2));
    if (!shown.empty()) {
        ctx.setFillColor(placeholder ? gfx::Color::fromWhite(0.7) : m_textColor);
        ctx.drawText(shown, {x, y}, m_font);
    }
    if (m_editing) {
        // The caret after the text.
        const double cx = placeholder ? area.x() : std::min(area.maxX() - 1, x + s.width + 1);
        ctx.setFillColor(gfx::Color::fromRGB255(66, 107, 242));
        ctx.fillRect({cx, y, 2, s.height});
    }
    ctx.restore();
}

} // namespace pw::ui
