#pragma once

#include "reading/page/PageTypesetter.h"

namespace pw {

// Lines from the platform's text layout (Pango), word-wrapped, breaking inside
// words only where a word is longer than the width.
class PangoPageTypesetter : public PageTypesetter {
public:
    std::unique_ptr<TypesetLines> layout(std::u16string_view text, const gfx::Font& font, double width) const override;
};

} // namespace pw
