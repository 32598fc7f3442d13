#pragma once
// Read-only text: one line cut to fit, or several wrapped lines.
#include "platform/gfx/Font.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/View.h"

#include <optional>
#include <string>

namespace pw::ui {

class Label : public View {
public:
    const std::string& text() const { return m_text; }
    void setText(std::string t);
    const gfx::Font& font() const { return m_font; }
    void setFont(const gfx::Font& f);
    gfx::Color textColor() const { return m_textColor; }
    void setTextColor(const gfx::Color& c);
    void setHighlightedTextColor(std::optional<gfx::Color> c);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool h);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool e);
    gfx::TextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(gfx::TextAlignment a);
    // 0: as many as fit.
    int numberOfLines() const { return m_lines; }
    void setNumberOfLines(int n);
    gfx::LineBreakMode lineBreakMode() const { return m_breakMode; }
    void setLineBreakMode(gfx::LineBreakMode m);
    void setShadowColor(std::optional<gfx::Color> c);
    void setShadowOffset(gfx::Size s);
    // A single line shrinks its font down to the minimum size to fit the width.
    void setAdjustsFontSizeToFitWidth(bool a);
    void setMinimumFontSize(double s) { m_minimumFontSize = s; }

    gfx::Size sizeThatFits(gfx::Size size) const override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    Label();
    explicit Label(const gfx::Rect& frame);
    friend class View;

private:
    gfx::Font fittedFont() const;
    std::string m_text;
    gfx::Font m_font = gfx::Font::systemFont(17);
    gfx::Color m_textColor = gfx::Color::black();
    std::optional<gfx::Color> m_highlightedColor;
    std::optional<gfx::Color> m_shadowColor;
    gfx::Size m_shadowOffset{0, -1};
    bool m_highlighted = false;
    bool m_enabled = true;
    gfx::TextAlignment m_alignment = gfx::TextAlignment::Left;
    int m_lines = 1;
    gfx::LineBreakMode m_breakMode = gfx::LineBreakMode::TruncateTail;
    bool m_adjusts = false;
    double m_minimumFontSize = 8;
};

} // namespace pw::ui
