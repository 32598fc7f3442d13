#include "reading/page/PangoPageTypesetter.h"

namespace pw {

namespace {

class PangoLines : public TypesetLines {
public:
    PangoLines(std::u16string_view text, const gfx::Font& font, double width)
        : m_layout(text, font, width, gfx::LineBreakMode::WordWrap) {}
    size_t count() const override { return m_layout.lineCount(); }
    gfx::TextRange range(size_t line) const override { return m_layout.lines().at(line).range; }
    void draw(size_t line, gfx::Context& ctx, gfx::Point baseline, const gfx::Color& colour) const override {
        m_layout.drawLine(ctx, line, baseline, colour);
    }

private:
    gfx::TextLayout m_layout;
};

} // namespace

std::unique_ptr<TypesetLines> PangoPageTypesetter::layout(std::u16string_view text, const gfx::Font& font,
                                                          double width) const {
    return std::make_unique<PangoLines>(text, font, width);
}

} // namespace pw
