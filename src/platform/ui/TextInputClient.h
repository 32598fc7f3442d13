#pragma once
// A view that takes text from the desktop's input method: while the user
// composes (pinyin becoming Chinese, say) the composition shows in the view,
// underlined at the caret, until the input method commits it as inserted text
// or takes it back. The input method's candidate window is placed at caretRect.
#include "platform/gfx/Geometry.h"

#include <string>

namespace pw::ui {

class TextInputClient {
public:
    virtual ~TextInputClient() = default;
    // The composition as it stands (UTF-8) with the cursor inside it, in
    // characters from its start; an empty text ends the composition.
    virtual void setMarkedText(const std::string& utf8, int cursor) = 0;
    virtual void unmarkText() = 0;
    virtual const std::string& markedText() const = 0;
    // The caret (at the composition's cursor while composing) in the view's own coordinates.
    virtual gfx::Rect caretRect() const = 0;
};

} // namespace pw::ui
