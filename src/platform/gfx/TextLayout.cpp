#include "platform/gfx/TextLayout.h"

#include "platform/gfx/Context.h"
#include "platform/gfx/PangoShared.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace pw::gfx {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Every code point becomes UTF-8 that Pango accepts; a lone surrogate or a NUL
// becomes U+FFFD, which is one UTF-16 unit like what it replaces, so indices hold.
// byteToUnit[b] is the UTF-16 index of the character that byte b belongs to.
void fromUtf16(std::u16string_view in, std::string& out, std::vector<int64_t>& byteToUnit) {
    out.clear();
    out.reserve(in.size() * 3);
    byteToUnit.clear();
    byteToUnit.reserve(in.size() * 3 + 1);
    for (size_t i = 0; i < in.size();) {
        char32_t c = in[i];
        size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            units = 2;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0) {
            c = 0xFFFD;
        }
        size_t before = out.size();
        appendUtf8(out, c);
        byteToUnit.insert(byteToUnit.end(), out.size() - before, static_cast<int64_t>(i));
        i += units;
    }
    byteToUnit.push_back(static_cast<int64_t>(in.size()));
}

void fromUtf8(std::string_view in, std::string& out, std::vector<int64_t>& byteToUnit) {
    gchar* valid = g_utf8_make_valid(in.data(), static_cast<gssize>(in.size()));
    std::string clean(valid);
    g_free(valid);
    out.clear();
    byteToUnit.clear();
    int64_t unit = 0;
    for (const char* p = clean.c_str(); *p;) {
        gunichar c = g_utf8_get_char(p);
        const char* next = g_utf8_next_char(p);
        size_t before = out.size();
        appendUtf8(out, c == 0 ? 0xFFFD : c);
        byteToUnit.insert(byteToUnit.end(), out.size() - before, unit);
        unit += c >= 0x10000 ? 2 : 1;
        p = next;
    }
    byteToUnit.push_back(unit);
}

double fromPango(int v) {
    return static_cast<double>(v) / PANGO_SCALE;
}

PangoLayout* newLayout(const std::string& text, const Font& font, double width, LineBreakMode mode,
                       TextAlignment alignment) {
    PangoLayout* layout = pango_layout_new(detail::threadPangoContext());
    pango_layout_set_font_description(layout, font.description());
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    if (width > 0)
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    switch (mode) {
    case LineBreakMode::WordWrap:
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        break;
    case LineBreakMode::CharWrap:
        pango_layout_set_wrap(layout, PANGO_WRAP_CHAR);
        break;
    case LineBreakMode::Clip:
        pango_layout_set_width(layout, -1);
        break;
    case LineBreakMode::TruncateHead:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_START);
        break;
    case LineBreakMode::TruncateTail:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        break;
    case LineBreakMode::TruncateMiddle:
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_MIDDLE);
        break;
    }
    switch (alignment) {
    case TextAlignment::Left:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        break;
    case TextAlignment::Center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
    case TextAlignment::Right:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    case TextAlignment::Justified:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        pango_layout_set_justify(layout, TRUE);
        break;
    }
    return layout;
}

bool isParagraphEnd(const std::string& s) {
    if (s.empty())
        return false;
    char last = s.back();
    if (last == '\n' || last == '\r')
        return true;
    // U+2029 paragraph separator
    return s.size() >= 3 && s.compare(s.size() - 3, 3, "\xE2\x80\xA9") == 0;
}

} // namespace

TextLayout::TextLayout(std::u16string_view text, const Font& font, double width, LineBreakMode mode,
                       TextAlignment alignment) {
    std::string utf8;
    std::vector<int64_t> map;
    fromUtf16(text, utf8, map);
    build(std::move(utf8), std::move(map), font, width, mode, alignment);
}

TextLayout::TextLayout(std::string_view text, const Font& font, double width, LineBreakMode mode,
                       TextAlignment alignment) {
    std::string utf8;
    std::vector<int64_t> map;
    fromUtf8(text, utf8, map);
    build(std::move(utf8), std::move(map), font, width, mode, alignment);
}

TextLayout::~TextLayout() {
    if (m_layout)
        g_object_unref(m_layout);
}

void TextLayout::build(std::string utf8, std::vector<int64_t> byteToUnit, const Font& font, double width,
                       LineBreakMode mode, TextAlignment alignment) {
    m_length16 = byteToUnit.back();
    m_layout = newLayout(utf8, font, width, mode, alignment);

    PangoRectangle logical;
    pango_layout_get_extents(m_layout, nullptr, &logical);
    m_size = {fromPango(logical.width), fromPango(logical.height)};

    std::vector<int> starts;
    PangoLayoutIter* it = pango_layout_get_iter(m_layout);
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        PangoRectangle ext;
        pango_layout_iter_get_line_extents(it, nullptr, &ext);
        int baseline = pango_layout_iter_get_baseline(it);
        LineInfo info;
        info.baseline = fromPango(baseline);
        info.ascent = fromPango(baseline - ext.y);
        info.descent = fromPango(ext.y + ext.height - baseline);
        info.width = fromPango(ext.width);
        starts.push_back(line->start_index);
        m_lines.push_back(info);
        m_lineX.push_back(fromPango(ext.x));
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);

    // A text ending in a line break gets no extra empty line after it: the break
    // belongs to the line it ends, and that line ends the text.
    if (m_lines.size() > 1 && static_cast<size_t>(starts.back()) == utf8.size() && isParagraphEnd(utf8)) {
        m_lines.pop_back();
        m_lineX.pop_back();
        starts.pop_back();
    }
    for (size_t i = 0; i < m_lines.size(); ++i) {
        int64_t from = byteToUnit[static_cast<size_t>(starts[i])];
        int64_t to = i + 1 < m_lines.size() ? byteToUnit[static_cast<size_t>(starts[i + 1])] : m_length16;
        m_lines[i].range = {from, to - from};
    }
    if (utf8.empty())
        m_lines.clear();
    m_byteToUnit = std::move(byteToUnit);
}

std::vector<Rect> TextLayout::rectsForRange(TextRange range) const {
    std::vector<Rect> out;
    if (!m_layout || range.length <= 0)
        return out;
    // The first byte of a unit's character; byteToUnit never decreases.
    auto byteOf = [&](int64_t unit) {
        auto it = std::lower_bound(m_byteToUnit.begin(), m_byteToUnit.end(), unit);
        return static_cast<int>(it - m_byteToUnit.begin());
    };
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const TextRange line = m_lines[i].range;
        const int64_t from = std::max(range.location, line.location);
        const int64_t to = std::min(range.end(), line.end());
        if (from >= to)
            continue;
        PangoRectangle first, last;
        pango_layout_index_to_pos(m_layout, byteOf(from), &first);
        pango_layout_index_to_pos(m_layout, byteOf(to - 1), &last);
        const double left = fromPango(std::min(first.x, first.x + first.width));
        const double right = fromPango(std::max(last.x, last.x + last.width));
        const LineInfo& info = m_lines[i];
        out.push_back({left, info.baseline - info.ascent, std::max(0.0, right - left), info.ascent + info.descent});
    }
    return out;
}

std::optional<int64_t> TextLayout::indexAtPoint(Point p) const {
    if (!m_layout || m_lines.empty() || p.x < 0 || p.y < 0 || p.y >= m_size.height || p.x >= m_size.width)
        return std::nullopt;
    int index = 0, trailing = 0;
    if (!pango_layout_xy_to_index(m_layout, static_cast<int>(p.x * PANGO_SCALE), static_cast<int>(p.y * PANGO_SCALE),
                                  &index, &trailing))
        return std::nullopt;
    if (index < 0 || static_cast<size_t>(index) >= m_byteToUnit.size())
        return std::nullopt;
    return m_byteToUnit[static_cast<size_t>(index)];
}

void TextLayout::drawLine(Context& ctx, size_t index, Point baseline, const Color& colour) const {
    if (index >= m_lines.size())
        return;
    PangoLayoutLine* line = pango_layout_get_line_readonly(m_layout, static_cast<int>(index));
    if (!line)
        return;
    cairo_t* cr = ctx.cairo();
    ctx.save();
    ctx.applySource(colour);
    cairo_new_path(cr);
    cairo_translate(cr, baseline.x, baseline.y);
    // Glyphs stand upright whichever way the context's y axis points.
    if (ctx.isFlipped())
        cairo_scale(cr, 1, -1);
    cairo_move_to(cr, m_lineX[index], 0);
    pango_cairo_show_layout_line(cr, line);
    ctx.restore();
}

void TextLayout::draw(Context& ctx, Point topLeft, const Color& colour) const {
    for (size_t i = 0; i < m_lines.size(); ++i)
        drawLine(ctx, i, {topLeft.x, topLeft.y + m_lines[i].baseline}, colour);
}

Size TextLayout::measure(std::string_view utf8, const Font& font) {
    TextLayout layout(utf8, font, 0, LineBreakMode::Clip);
    return layout.size();
}

Size TextLayout::measure(std::string_view utf8, const Font& font, double width, LineBreakMode mode) {
    TextLayout layout(utf8, font, width, mode);
    return layout.size();
}

std::string TextLayout::truncate(std::string_view utf8, const Font& font, double width, LineBreakMode mode) {
    std::string text;
    std::vector<int64_t> unused;
    fromUtf8(utf8, text, unused);
    if (measure(text, font).width <= width)
        return text;
    // Cut only between characters a cursor can stand between (keeps clusters whole).
    std::vector<size_t> cuts;
    {
        PangoLayout* layout = newLayout(text, font, 0, LineBreakMode::Clip, TextAlignment::Left);
        const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout, nullptr);
        size_t ci = 0;
        for (const char* p = text.c_str();; p = g_utf8_next_char(p), ++ci) {
            if (attrs[ci].is_cursor_position)
                cuts.push_back(static_cast<size_t>(p - text.c_str()));
            if (!*p)
                break;
        }
        g_object_unref(layout);
    }
    const std::string ellipsis = "\xE2\x80\xA6";
    const bool withEllipsis = mode == LineBreakMode::TruncateHead || mode == LineBreakMode::TruncateTail ||
                              mode == LineBreakMode::TruncateMiddle;
    auto candidate = [&](size_t keep) -> std::string {
        // keep = number of cut steps kept in total
        size_t n = cuts.size() - 1;
        keep = std::min(keep, n);
        if (mode == LineBreakMode::TruncateHead)
            return ellipsis + text.substr(cuts[n - keep]);
        if (mode == LineBreakMode::TruncateMiddle) {
            size_t head = (keep + 1) / 2, tail = keep / 2;
            return text.substr(0, cuts[head]) + ellipsis + text.substr(cuts[n - tail]);
        }
        return text.substr(0, cuts[keep]) + (withEllipsis ? ellipsis : "");
    };
    size_t lo = 0, hi = cuts.size() - 1; // largest keep that fits, searched in [lo, hi)
    while (lo + 1 < hi) {
        size_t mid = (lo + hi) / 2;
        if (measure(candidate(mid), font).width <= width)
            lo = mid;
        else
            hi = mid;
    }
    return candidate(lo);
}

} // namespace pw::gfx
