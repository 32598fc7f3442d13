#include "platform/ui/TextField.h"

#include "platform/core/Text.h"
#include "platform/core/TextCut.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextInput.h"

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
    textChanged();
}

void TextField::textChanged() {
    setNeedsDisplay();
    TextInput::shared().caretMoved(*this);
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
    m_marked.clear();
    setNeedsDisplay();
    if (auto d = m_delegate.lock())
        d->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(ControlEventEditingDidEnd);
}

bool TextField::replace(int64_t location, int64_t length, const std::string& with) {
    std::u16string t = core::text::toUtf16Lenient(m_text);
    std::u16string add = core::text::toUtf16Lenient(with);
    location = std::clamp<int64_t>(location, 0, static_cast<int64_t>(t.size()));
    length = std::clamp<int64_t>(length, 0, static_cast<int64_t>(t.size()) - location);
    if (maxLength > 0 && !add.empty()) {
        // What fits goes in, cut on a character boundary; a full field takes nothing.
        const size_t kept = t.size() - static_cast<size_t>(length);
        const size_t room = kept < maxLength ? maxLength - kept : 0;
        add = core::text::cutToLength(add, room);
        if (add.empty())
            return false;
    }
    const std::string inserted = core::text::toUtf8Lenient(add);
    if (auto d = m_delegate.lock(); d && !d->shouldChangeCharacters(*this, location, length, inserted))
        return false;
    t.replace(static_cast<size_t>(location), static_cast<size_t>(length), add);
    m_text = core::text::toUtf8Lenient(t);
    textChanged();
    sendActionsForControlEvents(ControlEventEditingChanged);
    return true;
}

bool TextField::insertText(const std::string& utf8) {
    if (!m_editing)
        return false;
    // The input method's commit replaces its composition.
    m_marked.clear();
    m_markedCursor = 0;
    const int64_t end = static_cast<int64_t>(core::text::toUtf16Lenient(m_text).size());
    const bool ok = replace(end, 0, utf8);
    if (!ok)
        textChanged();
    return ok;
}

void TextField::setMarkedText(const std::string& utf8, int cursor) {
    if (!m_editing)
        return;
    m_marked = utf8;
    m_markedCursor = cursor;
    textChanged();
}

void TextField::unmarkText() {
    if (m_marked.empty())
        return;
    m_marked.clear();
    m_markedCursor = 0;
    textChanged();
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

namespace {
double widthOf(const std::string& s, const gfx::Font& f) {
    return s.empty() ? 0 : gfx::TextLayout::measure(s, f).width;
}
} // namespace

TextField::Line TextField::line() const {
    Line l;
    const gfx::Rect b = bounds();
    const double inset = m_border == TextBorderStyle::None ? 0 : 8;
    double right = b.maxX() - inset;
    if (showsClearButton())
        right = clearButtonRect().x() - 4;
    l.area = {b.x() + inset, b.y(), std::max(0.0, right - b.x() - inset), b.height()};
    std::string text = m_text;
    if (secureTextEntry) {
        const size_t n = core::text::toUtf16Lenient(m_text).size();
        text.clear();
        for (size_t i = 0; i < n; ++i)
            text += "\u2022";
    }
    l.shown = text + m_marked;
    l.placeholder = l.shown.empty();
    if (l.placeholder)
        l.shown = m_placeholder;
    const gfx::Size s = gfx::TextLayout::measure(l.shown.empty() ? "M" : l.shown, m_font);
    l.height = s.height;
    l.y = std::round(l.area.midY() - s.height / 2);
    l.x = l.area.x();
    // While editing, the end of a long text stays in sight.
    if (m_editing && !l.placeholder && s.width > l.area.width())
        l.x = l.area.maxX() - s.width;
    else if (m_alignment == gfx::TextAlignment::Center)
        l.x = l.area.x() + std::round((l.area.width() - s.width) / 2);
    else if (m_alignment == gfx::TextAlignment::Right)
        l.x = l.area.maxX() - s.width;
    if (!l.placeholder) {
        l.textWidth = widthOf(text, m_font);
        l.markedWidth = m_marked.empty() ? 0 : widthOf(l.shown, m_font) - l.textWidth;
    }
    const double toCaret =
        l.placeholder
            ? 0
            : widthOf(text + core::text::utf8Prefix(m_marked, static_cast<size_t>(std::max(0, m_markedCursor))),
                      m_font) +
                  1;
    l.caretX = l.placeholder ? l.area.x() : std::min(l.area.maxX() - 1, l.x + toCaret);
    return l;
}

gfx::Rect TextField::caretRect() const {
    const Line l = line();
    return {l.caretX, l.y, 2, l.height};
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
    }
    const Line l = line();
    ctx.save();
    ctx.clipToRect(l.area.insetBy(0, -2));
    if (!l.shown.empty()) {
        ctx.setFillColor(l.placeholder ? gfx::Color::fromWhite(0.7) : m_textColor);
        ctx.drawText(l.shown, {l.x, l.y}, m_font);
    }
    if (l.markedWidth > 0) {
        // The composition is underlined until the input method commits it.
        ctx.setFillColor(m_textColor);
        ctx.fillRect({l.x + l.textWidth, l.y + l.height, l.markedWidth, 1});
    }
    if (m_editing) {
        ctx.setFillColor(gfx::Color::fromRGB255(66, 107, 242));
        ctx.fillRect({l.caretX, l.y, 2, l.height});
    }
    ctx.restore();
}

} // namespace pw::ui
