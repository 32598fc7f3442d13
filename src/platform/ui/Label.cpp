#include "platform/ui/Label.h"

#include "platform/core/Text.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

using gfx::LineBreakMode;

Label::Label() {
    setOpaque(false);
    setUserInteractionEnabled(false);
}

Label::Label(const gfx::Rect& frame) : Label() {
    setFrame(frame);
}

void Label::setText(std::string t) {
    if (t == m_text)
        return;
    m_text = std::move(t);
    setNeedsDisplay();
}

void Label::setFont(const gfx::Font& f) {
    m_font = f;
    setNeedsDisplay();
}

void Label::setTextColor(const gfx::Color& c) {
    m_textColor = c;
    setNeedsDisplay();
}

void Label::setHighlightedTextColor(std::optional<gfx::Color> c) {
    m_highlightedColor = std::move(c);
    setNeedsDisplay();
}

void Label::setHighlighted(bool h) {
    if (h == m_highlighted)
        return;
    m_highlighted = h;
    setNeedsDisplay();
}

void Label::setEnabled(bool e) {
    m_enabled = e;
    setNeedsDisplay();
}

void Label::setTextAlignment(gfx::TextAlignment a) {
    m_alignment = a;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int n) {
    m_lines = std::max(0, n);
    setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode m) {
    m_breakMode = m;
    setNeedsDisplay();
}

void Label::setShadowColor(std::optional<gfx::Color> c) {
    m_shadowColor = std::move(c);
    setNeedsDisplay();
}

void Label::setShadowOffset(gfx::Size s) {
    m_shadowOffset = s;
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool a) {
    m_adjusts = a;
    setNeedsDisplay();
}

namespace {
// A one-line label keeps its text on its one line: line breaks read as spaces,
// so nothing is drawn above or below the label's frame.
std::string oneLine(const std::string& text) {
    if (text.find_first_of("\r\n") == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return out;
}
} // namespace

gfx::Font Label::fittedFont() const {
    if (!m_adjusts || m_lines != 1 || m_text.empty())
        return m_font;
    const double w = bounds().width();
    double size = m_font.size();
    gfx::Font f = m_font;
    const std::string line = oneLine(m_text);
    while (size > m_minimumFontSize && gfx::TextLayout::measure(line, f).width > w) {
        size = std::max(m_minimumFontSize, size - 1);
        f = m_font.withSize(size);
    }
    return f;
}

gfx::Size Label::sizeThatFits(gfx::Size size) const {
    if (m_text.empty())
        return {0, 0};
    if (m_lines == 1) {
        auto s = gfx::TextLayout::measure(oneLine(m_text), m_font);
        return {std::ceil(s.width), std::ceil(s.height)};
    }
    const double width = size.width > 0 ? size.width : 1e6;
    gfx::TextLayout layout(m_text, m_font, width, LineBreakMode::WordWrap, m_alignment);
    double h = 0, w = 0;
    const size_t n = m_lines == 0 ? layout.lineCount() : std::min<size_t>(layout.lineCount(), m_lines);
    for (size_t i = 0; i < n; ++i) {
        const auto& l = layout.lines()[i];
        w = std::max(w, l.width);
        h = l.baseline + l.descent;
    }
    return {std::ceil(w), std::ceil(h)};
}

void Label::draw(gfx::Context& ctx, const gfx::Rect&) {
    if (m_text.empty())
        return;
    gfx::Color colour = m_highlighted && m_highlightedColor ? *m_highlightedColor : m_textColor;
    if (!m_enabled)
        colour = colour.withAlpha(colour.alpha() * 0.45);
    const gfx::Rect b = bounds();
    const gfx::Font font = fittedFont();

    auto drawOneLine = [&](const std::string& text, double top) {
        const std::string cut = gfx::TextLayout::truncate(
            text, font, b.width(),
            m_breakMode == LineBreakMode::WordWrap || m_breakMode == LineBreakMode::CharWrap ? LineBreakMode::Clip
                                                                                             : m_breakMode);
        const gfx::Size s = gfx::TextLayout::measure(cut, font);
        double x = b.x();
        if (m_alignment == gfx::TextAlignment::Center)
            x += std::round((b.width() - s.width) / 2);
        else if (m_alignment == gfx::TextAlignment::Right)
            x += b.width() - s.width;
        if (m_shadowColor) {
            ctx.setFillColor(*m_shadowColor);
            ctx.drawText(cut, {x + m_shadowOffset.width, top + m_shadowOffset.height}, font);
        }
        ctx.setFillColor(colour);
        ctx.drawText(cut, {x, top}, font);
    };

    if (m_lines == 1) {
        const std::string line = oneLine(m_text);
        const double h = gfx::TextLayout::measure(line, font).height;
        drawOneLine(line, b.y() + std::round((b.height() - h) / 2));
        return;
    }
    const LineBreakMode wrap =
        m_breakMode == LineBreakMode::CharWrap ? LineBreakMode::CharWrap : LineBreakMode::WordWrap;
    gfx::TextLayout layout(m_text, font, b.width(), wrap, m_alignment);
    const auto& lines = layout.lines();
    size_t n = lines.size();
    if (m_lines > 0)
        n = std::min<size_t>(n, m_lines);
    // Only the lines that fit the height.
    while (n > 1 && lines[n - 1].baseline + lines[n - 1].descent > b.height() + 0.5)
        --n;
    if (n == 0)
        return;
    const double used = lines[n - 1].baseline + lines[n - 1].descent;
    const double top = b.y() + std::max(0.0, std::round((b.height() - used) / 2));
    const bool cutLast = n < lines.size();
    const size_t full = cutLast ? n - 1 : n;
    if (m_shadowColor) {
        for (size_t i = 0; i < full; ++i)
            layout.drawLine(ctx, i, {b.x() + m_shadowOffset.width, top + lines[i].baseline + m_shadowOffset.height},
                            *m_shadowColor);
    }
    for (size_t i = 0; i < full; ++i)
        layout.drawLine(ctx, i, {b.x(), top + lines[i].baseline}, colour);
    if (cutLast) {
        // The last line shown holds the rest of the text, cut with an ellipsis.
        const std::u16string all = core::text::toUtf16Lenient(m_text);
        const auto from = static_cast<size_t>(std::min<int64_t>(lines[n - 1].range.location, all.size()));
        const std::string rest = core::text::toUtf8Lenient(std::u16string_view(all).substr(from));
        drawOneLine(rest, top + lines[n - 1].baseline - lines[n - 1].ascent);
    }
}

} // namespace pw::ui
