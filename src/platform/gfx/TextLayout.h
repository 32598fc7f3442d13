#pragma once

// Text laid out in lines within a width (Pango underneath). Positions are UTF-16
// code units of the text as given, so callers that page or cut text by index can use
// the line ranges directly. Line ranges cover the text without gaps: a line's range
// includes the line break that ends it.

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _PangoLayout PangoLayout;

namespace pw::gfx {

class Context;

struct TextRange {
    int64_t location = 0;
    int64_t length = 0;
    int64_t end() const { return location + length; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

struct LineInfo {
    TextRange range;     // UTF-16 units of the text
    double baseline = 0; // from the top of the layout, in points
    double ascent = 0;
    double descent = 0;
    double width = 0; // ink advance of the line
};

enum class TextAlignment { Left, Center, Right, Justified };

enum class LineBreakMode { WordWrap, CharWrap, Clip, TruncateHead, TruncateTail, TruncateMiddle };

class TextLayout {
public:
    // width <= 0 lays the text out without wrapping (paragraph breaks still break).
    TextLayout(std::u16string_view text, const Font& font, double width, LineBreakMode mode = LineBreakMode::WordWrap,
               TextAlignment alignment = TextAlignment::Left);
    TextLayout(std::string_view utf8, const Font& font, double width, LineBreakMode mode = LineBreakMode::WordWrap,
               TextAlignment alignment = TextAlignment::Left);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    const std::vector<LineInfo>& lines() const { return m_lines; }
    size_t lineCount() const { return m_lines.size(); }
    // Size of all the lines (natural pitch of the font).
    Size size() const { return m_size; }
    int64_t textLength() const { return m_length16; }

    // Draws one line with its baseline's left end at `baseline` (after alignment offset).
    // In a context flipped to y-up the glyphs are still drawn upright.
    void drawLine(Context& ctx, size_t index, Point baseline, const Color& colour) const;
    // Draws every line, the top of the first at `topLeft`.
    void draw(Context& ctx, Point topLeft, const Color& colour) const;

    // One line, no wrapping.
    static Size measure(std::string_view utf8, const Font& font);
    // Wrapped to a width.
    static Size measure(std::string_view utf8, const Font& font, double width,
                        LineBreakMode mode = LineBreakMode::WordWrap);
    // The text cut to fit one line of the width, with "…" where the mode puts it;
    // the text unchanged when it fits. Clip and the wrap modes cut without an ellipsis.
    static std::string truncate(std::string_view utf8, const Font& font, double width,
                                LineBreakMode mode = LineBreakMode::TruncateTail);

    // The UTF-16 index of the character under a point (the layout's top left
    // is 0, 0); nullopt outside every line's ink.
    std::optional<int64_t> indexAtPoint(Point p) const;
    // The boxes a range of UTF-16 units covers, one per line it runs over,
    // from the top of each line's box to its bottom.
    std::vector<Rect> rectsForRange(TextRange range) const;

    PangoLayout* pangoLayout() const { return m_layout; }

private:
    void build(std::string utf8, std::vector<int64_t> byteToUnit, const Font& font, double width, LineBreakMode mode,
               TextAlignment alignment);

    PangoLayout* m_layout = nullptr;
    std::vector<LineInfo> m_lines;
    std::vector<double> m_lineX; // alignment offset of each line
    std::vector<int64_t> m_byteToUnit;
    Size m_size;
    int64_t m_length16 = 0;
};

} // namespace pw::gfx
