#include "platform/ui/TextView.h"

#include "platform/core/Text.h"
#include "platform/gfx/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

namespace {
constexpr double kInset = 8;
}

TextView::TextView() {
    setBackgroundColor(gfx::Color::white());
    alwaysBounceVertical = true;
}

TextView::TextView(const gfx::Rect& frame) : TextView() {
    setFrame(frame);
}

void TextView::setText(std::string t) {
    m_text = std::move(t);
    setNeedsLayout();
    setNeedsDisplay();
}

void TextView::setFont(const gfx::Font& f) {
    m_font = f;
    setNeedsLayout();
    setNeedsDisplay();
}

void TextView::setTextColor(gfx::Color c) {
    m_textColor = c;
    setNeedsDisplay();
}

bool TextView::becomeFirstResponder() {
    if (shouldBeginEditing && !shouldBeginEditing(*this))
        return false;
    return Responder::becomeFirstResponder();
}

void TextView::didBecomeFirstResponder() {
    m_editing = true;
    setNeedsDisplay();
}

void TextView::didResignFirstResponder() {
    m_editing = false;
    setNeedsDisplay();
}

void TextView::changed() {
    setNeedsLayout();
    setNeedsDisplay();
    if (onChange)
        onChange(*this);
}

bool TextView::insertText(const std::string& utf8) {
    if (!m_editing || !editable)
        return false;
    if (maxLength > 0 &&
        core::text::toUtf16Lenient(m_text).size() + core::text::toUtf16Lenient(utf8).size() > maxLength)
        return false;
    m_text += utf8;
    changed();
    return true;
}

bool TextView::insertNewline() {
    return insertText("\n");
}

bool TextView::deleteBackward() {
    if (!m_editing || !editable || m_text.empty())
        return false;
    std::u16string t = core::text::toUtf16Lenient(m_text);
    size_t n = 1;
    if (t.size() >= 2 && t.back() >= 0xDC00 && t.back() <= 0xDFFF)
        n = 2;
    t.resize(t.size() - n);
    m_text = core::text::toUtf8Lenient(t);
    changed();
    return true;
}

void TextView::touchesEnded(const TouchSet& touches) {
    if (!touches.empty() && editable && bounds().contains(touches.front()->locationInView(this)))
        becomeFirstResponder();
}

void TextView::layoutSubviews() {
    ScrollView::layoutSubviews();
    const double w = std::max(1.0, bounds().width() - 2 * kInset);
    const gfx::Size s =
        gfx::TextLayout::measure(m_text.empty() ? " " : m_text, m_font, w, gfx::LineBreakMode::WordWrap);
    setContentSize({bounds().width(), std::ceil(s.height + 2 * kInset)});
}

void TextView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const double w = std::max(1.0, b.width() - 2 * kInset);
    gfx::TextLayout layout(m_text, m_font, w, gfx::LineBreakMode::WordWrap);
    layout.draw(ctx, {kInset, kInset}, m_textColor);
    if (m_editing) {
        double x = kInset, y = kInset, h = m_font.lineHeight();
        if (layout.lineCount() > 0) {
            const auto& last = layout.lines().back();
            x = kInset + last.width + 1;
            y = kInset + last.baseline - last.ascent;
            h = last.ascent + last.descent;
            if (!m_text.empty() && m_text.back() == '\n') {
                x = kInset;
                y += h;
            }
        }
        ctx.setFillColor(gfx::Color::fromRGB255(66, 107, 242));
        ctx.fillRect({std::min(x, b.width() - kInset), y, 2, h});
    }
}

} // namespace pw::ui
