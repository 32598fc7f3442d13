#pragma once

// Lays a text (a chapter, or a chunk of a TXT file) out into pages. Given a
// position it lays out either the page that begins right after it or the page that
// ends right before it, draws that page into the caller's bitmap context in the
// configured font, colours, spacing and margins, and returns its record.
//
// Pages are never listed: each is found from a neighbour's boundary. Only a window
// of about a page's worth of characters is laid out per page. The page after P
// begins at P.end + 1 and the page before P ends at P.start - 1.
//
// One per page manager. It runs on the main thread and on preload threads; each
// call draws into the context it is given and keeps no state of its own apart from
// what setupConfig derives from the configuration.

#include "foundation/config/RZConfig.h"
#include "reading/page/PageContent.h"
#include "reading/page/PageTypesetter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace pw {

namespace gfx {
class BitmapContext;
}

class ContentManager {
public:
    using TextConverter = std::function<std::u16string(std::u16string_view)>;

    ContentManager();
    explicit ContentManager(std::unique_ptr<PageTypesetter> typesetter);
    ~ContentManager();

    const std::shared_ptr<RZConfig>& rzConfig() const { return m_rzConfig; }
    void setRzConfig(std::shared_ptr<RZConfig> config) { m_rzConfig = std::move(config); }
    // Rebuilds font, colour, line pitch and lines per page from the configuration;
    // due after every change of font, size, colours, spacing or canvas.
    void setupConfig();

    // Clears the rect, fills it with the page background and, with flip, turns the
    // context so y grows upwards from the rect's bottom (as the text is placed).
    void setupContext(gfx::Context& ctx, const gfx::Rect& rect, bool flip);

    // The page beginning at position + 1 (-1 for the first page), or null when
    // there is none: a position below -1, past the end, or no line to show.
    std::shared_ptr<PageContent> getBackwardPageContent(std::u16string_view text, int64_t position,
                                                        gfx::BitmapContext& ctx, bool flip = true);
    // The page ending at position - 1; the first page when less than a page of text
    // lies before the position; null when the position is past the end.
    std::shared_ptr<PageContent> getForwardPageContent(std::u16string_view text, int64_t position,
                                                       gfx::BitmapContext& ctx);

    double lineHeight() const { return m_lineHeight; }
    int totalLines() const { return m_totalLines; }
    const std::optional<gfx::Font>& layoutFont() const { return m_font; }
    gfx::Color textColour() const { return m_textColour; }

    // Simplified to traditional characters, for the display only; the shared
    // character tables unless replaced.
    void setTraditionalConverter(TextConverter converter) { m_toTraditional = std::move(converter); }

private:
    // The window text as it is laid out: CRs as spaces, traditional when asked.
    std::u16string displayText(std::u16string_view window) const;
    void drawLines(const TypesetLines& lines, size_t first, size_t count, gfx::Context& ctx) const;
    int estimate() const;

    std::shared_ptr<RZConfig> m_rzConfig;
    std::unique_ptr<PageTypesetter> m_typesetter;
    std::optional<gfx::Font> m_font;
    gfx::Color m_textColour = gfx::Color::black();
    double m_lineHeight = 0;
    int m_totalLines = 0;
    TextConverter m_toTraditional;
};

} // namespace pw
