#include "platform/ui/TextView.h"

#include "platform/core/Text.h"
#include "platform/core/TextCut.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextInput.h"

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
    m_marked.clear();
    setNeedsDisplay();
}

void TextView::changed() {
    setNeedsLayout();
    setNeedsDisplay();
    TextInput::shared().caretMoved(*this);
    if (onChange)
        onChange(*this);
}

void TextView::setMarkedText(const std::string& utf8, int cursor) {
    if (!m_editing || !editable)
        return;
    m_marked = utf8;
    m_markedCursor = cursor;
    setNeedsDisplay();
    TextInput::shared().caretMoved(*this);
}

void TextView::unmarkText() {
    if (m_marked.empty())
        return;
    m_marked.clear();
    m_markedCursor = 0;
    setNeedsDisplay();
    TextInput::shared().caretMoved(*this);
}

bool TextView::insertText(const std::string& utf8) {
    if (!m_editing || !editable)
        return false;
    m_marked.clear(); // the input method's commit replaces its composition
    std::string add = utf8;
    if (maxLength > 0) {
        const size_t have = core::text::toUtf16Lenient(m_text).size();
        const size_t room = have < maxLength ? maxLength - have : 0;
        add = core::text::toUtf8Lenient(core::text::cutToLength(core::text::toUtf16Lenient(utf8), room));
        if (add.empty()) {
            setNeedsDisplay();
            return false;
        }
    }
    m_text += add;
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

std::vector<TextView::Link> TextView::findLinks(std::u16string_view text) {
    std::vector<Link> links;
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    auto startsAt = [&](size_t at, std::u16string_view prefix) {
        if (at + prefix.size() > text.size())
            return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (lower(text[at + i]) != prefix[i])
                return false;
        return true;
    };
    // An address runs over printable ASCII that may stand in a URL; a
    // sentence's closing punctuation after it is not part of it.
    auto inUrl = [](char16_t c) {
        return c > 0x20 && c < 0x7f && c != u'"' && c != u'<' && c != u'>' && c != u'\\' && c != u'^' && c != u'`' &&
               c != u'{' && c != u'|' && c != u'}';
    };
    for (size_t i = 0; i < text.size();) {
        size_t scheme = 0;
        if (startsAt(i, u"http://"))
            scheme = 7;
        else if (startsAt(i, u"https://"))
            scheme = 8;
        if (!scheme || (i > 0 && inUrl(text[i - 1]) && text[i - 1] != u'(' && text[i - 1] != u'[')) {
            ++i;
            continue;
        }
        size_t end = i + scheme;
        while (end < text.size() && inUrl(text[end]))
            ++end;
        while (end > i + scheme && std::u16string_view(u".,;:!?)]'").find(text[end - 1]) != std::u16string_view::npos)
            --end;
        if (end > i + scheme) {
            std::string url;
            for (size_t k = i; k < end; ++k)
                url += static_cast<char>(text[k]);
            links.push_back({{static_cast<int64_t>(i), static_cast<int64_t>(end - i)}, std::move(url)});
        }
        i = end > i ? end : i + 1;
    }
    return links;
}

std::optional<std::string> TextView::linkAtPoint(gfx::Point p) const {
    if (!detectsLinks || m_text.empty())
        return std::nullopt;
    const double w = std::max(1.0, bounds().width() - 2 * kInset);
    gfx::TextLayout layout(m_text, m_font, w, gfx::LineBreakMode::WordWrap);
    const auto index = layout.indexAtPoint({p.x - kInset, p.y - kInset});
    if (!index)
        return std::nullopt;
    for (const auto& link : findLinks(core::text::toUtf16Lenient(m_text)))
        if (*index >= link.range.location && *index < link.range.end())
            return link.url;
    return std::nullopt;
}

void TextView::touchesEnded(const TouchSet& touches) {
    if (!touches.empty() && !editable && detectsLinks) {
        if (auto url = linkAtPoint(touches.front()->locationInView(this))) {
            if (onLink)
                onLink(*url);
            else
                Application::shared().openURL(*url);
        }
        return;
    }
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

gfx::Rect TextView::caretAfter(const std::string& text) const {
    const gfx::Rect b = bounds();
    const double w = std::max(1.0, b.width() - 2 * kInset);
    gfx::TextLayout layout(text, m_font, w, gfx::LineBreakMode::WordWrap);
    double x = kInset, y = kInset, h = m_font.lineHeight();
    if (layout.lineCount() > 0) {
        const auto& last = layout.lines().back();
        x = kInset + last.width + 1;
        y = kInset + last.baseline - last.ascent;
        h = last.ascent + last.descent;
        if (!text.empty() && text.back() == '\n') {
            x = kInset;
            y += h;
        }
    }
    return {std::min(x, b.width() - kInset), y, 2, h};
}

gfx::Rect TextView::caretRect() const {
    return caretAfter(m_text + core::text::utf8Prefix(m_marked, static_cast<size_t>(std::max(0, m_markedCursor))));
}

void TextView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const double w = std::max(1.0, b.width() - 2 * kInset);
    gfx::TextLayout layout(m_text + m_marked, m_font, w, gfx::LineBreakMode::WordWrap);
    layout.draw(ctx, {kInset, kInset}, m_textColor);
    if (detectsLinks && !m_editing) {
        // Links are underlined in the link colour.
        ctx.setFillColor(gfx::Color::fromRGB255(36, 96, 210));
        for (const auto& link : findLinks(core::text::toUtf16Lenient(m_text)))
            for (const auto& r : layout.rectsForRange(link.range))
                ctx.fillRect({std::round(kInset + r.x()), std::round(kInset + r.maxY() - 1), std::round(r.width()), 1});
    }
    if (!m_marked.empty()) {
        // Underline the composition: from the end of the committed text to its own end,
        // on the line where it ends (and the rest of the line it starts on).
        const gfx::Rect from = caretAfter(m_text), to = caretAfter(m_text + m_marked);
        ctx.setFillColor(m_textColor);
        if (from.y() == to.y()) {
            ctx.fillRect({from.x(), to.maxY(), to.x() - from.x(), 1});
        } else {
            ctx.fillRect({from.x(), from.maxY(), b.width() - kInset - from.x(), 1});
            ctx.fillRect({kInset, to.maxY(), to.x() - kInset, 1});
        }
    }
    if (m_editing) {
        ctx.setFillColor(gfx::Color::fromRGB255(66, 107, 242));
        ctx.fillRect(caretRect());
    }
}

} // namespace pw::ui
