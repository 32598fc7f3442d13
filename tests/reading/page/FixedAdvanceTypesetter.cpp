#include "FixedAdvanceTypesetter.h"

#include <algorithm>
#include <cmath>

namespace pw::test {

namespace {

class FixedLines : public TypesetLines {
public:
    FixedLines(std::u16string text, double advance, double size, double width)
        : m_text(std::move(text)), m_advance(advance), m_size(size) {
        const size_t perLine = std::max<size_t>(1, static_cast<size_t>(std::floor(width / advance)));
        size_t i = 0;
        while (i < m_text.size()) {
            size_t start = i, chars = 0;
            while (i < m_text.size()) {
                if (m_text[i] == u'\n') {
                    ++i;
                    break;
                }
                if (chars == perLine)
                    break;
                const bool pair = m_text[i] >= 0xD800 && m_text[i] <= 0xDBFF && i + 1 < m_text.size() &&
                                  m_text[i + 1] >= 0xDC00 && m_text[i + 1] <= 0xDFFF;
                i += pair ? 2 : 1;
                ++chars;
            }
            m_ranges.push_back({static_cast<int64_t>(start), static_cast<int64_t>(i - start)});
        }
    }
    size_t count() const override { return m_ranges.size(); }
    gfx::TextRange range(size_t line) const override { return m_ranges.at(line); }
    void draw(size_t line, gfx::Context& ctx, gfx::Point baseline, const gfx::Color& colour) const override {
        const auto r = m_ranges.at(line);
        const double h = m_size * FixedAdvanceTypesetter::kBoxHeight;
        // Boxes rise above the baseline on screen in either orientation.
        const double y = ctx.isFlipped() ? baseline.y : baseline.y - h;
        ctx.save();
        ctx.setFillColor(colour);
        double x = baseline.x;
        for (int64_t i = r.location; i < r.end(); ++i) {
            char16_t c = m_text[static_cast<size_t>(i)];
            if (c >= 0xDC00 && c <= 0xDFFF)
                continue;
            if (c != u' ' && c != u'\n')
                ctx.fillRect({x + 1, y, m_advance - 2, h});
            x += m_advance;
        }
        ctx.restore();
    }

private:
    std::u16string m_text;
    double m_advance;
    double m_size;
    std::vector<gfx::TextRange> m_ranges;
};

} // namespace

std::unique_ptr<TypesetLines> FixedAdvanceTypesetter::layout(std::u16string_view text, const gfx::Font& font,
                                                             double width) const {
    {
        std::lock_guard lock(m_mutex);
        m_texts.emplace_back(text);
    }
    const double advance = m_advance > 0 ? m_advance : font.size();
    return std::make_unique<FixedLines>(std::u16string(text), advance, font.size(), width);
}

std::vector<std::u16string> FixedAdvanceTypesetter::texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

} // namespace pw::test
