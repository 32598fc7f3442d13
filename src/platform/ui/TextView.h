#pragma once
// Several lines of text, wrapped to the width; editable by default, it takes
// keys like a text field, return included.
#include "platform/gfx/Font.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextInputClient.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::ui {

class TextView : public ScrollView, public TextInputClient {
public:
    const std::string& text() const { return m_text; }
    void setText(std::string t);
    void setFont(const gfx::Font& f);
    const gfx::Font& font() const { return m_font; }
    void setTextColor(gfx::Color c);
    bool editable = true;
    // 0: no limit, in UTF-16 units.
    size_t maxLength = 0;
    std::function<void(TextView&)> onChange;
    // While on (and not editable), http and https addresses in the text are
    // links: a tap on one hands it to onLink, else to the desktop's browser.
    bool detectsLinks = false;
    std::function<void(const std::string&)> onLink;
    struct Link {
        gfx::TextRange range; // UTF-16 units of the text
        std::string url;
    };
    static std::vector<Link> findLinks(std::u16string_view text);
    // The address of the link under a point of the view; nullopt when none.
    std::optional<std::string> linkAtPoint(gfx::Point p) const;
    std::function<bool(TextView&)> shouldBeginEditing;

    bool isEditing() const { return m_editing; }
    bool canBecomeFirstResponder() const override { return editable; }
    bool wantsKeyboard() const override { return true; }
    bool insertText(const std::string& utf8) override;
    bool deleteBackward() override;
    bool insertNewline() override;
    bool becomeFirstResponder() override;

    // --- the input method's composition ---
    void setMarkedText(const std::string& utf8, int cursor) override;
    void unmarkText() override;
    const std::string& markedText() const override { return m_marked; }
    gfx::Rect caretRect() const override;

    void touchesEnded(const TouchSet& touches) override;
    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    TextView();
    explicit TextView(const gfx::Rect& frame);
    friend class View;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    void changed();
    // The caret after `text` laid out in the view.
    gfx::Rect caretAfter(const std::string& text) const;
    std::string m_text;
    gfx::Font m_font = gfx::Font::systemFont(17);
    gfx::Color m_textColor = gfx::Color::black();
    bool m_editing = false;
    std::string m_marked;
    int m_markedCursor = 0;
};

} // namespace pw::ui
