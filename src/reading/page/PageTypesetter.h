#pragma once

// What the page layout asks of a line breaker: the lines of a text within a width,
// each with its range of UTF-16 units (ranges cover the text without gaps, a line
// break belonging to the line it ends), and a way to draw one line at a baseline.
// Pango does the real work; tests put a fixed-advance breaker in its place.

#include "platform/gfx/Color.h"
#include "platform/gfx/Context.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/TextLayout.h"

#include <memory>
#include <string_view>

namespace pw {

class TypesetLines {
public:
    virtual ~TypesetLines() = default;
    virtual size_t count() const = 0;
    virtual gfx::TextRange range(size_t line) const = 0;
    // The line's baseline starts at `baseline`; glyphs stand upright in a flipped context.
    virtual void draw(size_t line, gfx::Context& ctx, gfx::Point baseline, const gfx::Color& colour) const = 0;
};

class PageTypesetter {
public:
    virtual ~PageTypesetter() = default;
    virtual std::unique_ptr<TypesetLines> layout(std::u16string_view text, const gfx::Font& font,
                                                 double width) const = 0;
};

} // namespace pw
