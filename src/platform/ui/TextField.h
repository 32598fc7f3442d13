#pragma once
// One line of editable text. Tapping it makes it first responder, which brings
// the keyboard up; the front end's keys then arrive as inserted text.
#include "platform/gfx/Font.h"
#include "platform/ui/Control.h"
#include "platform/ui/TextInputClient.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pw::ui {

class TextField;

enum class TextBorderStyle { None, Line, Bezel, RoundedRect };
enum class TextFieldViewMode { Never, WhileEditing, UnlessEditing, Always };
enum class KeyboardType { Default, ASCIICapable, NumbersAndPunctuation, URL, NumberPad, PhonePad, EmailAddress };
enum class ReturnKeyType { Default, Go, Next, Done, Search, Send };

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) {}
    virtual bool textFieldShouldEndEditing(TextField&) { return true; }
    virtual void textFieldDidEndEditing(TextField&) {}
    // location and length in UTF-16 units of the current text.
    virtual bool shouldChangeCharacters(TextField&, int64_t /*location*/, int64_t /*length*/, const std::string&) {
        return true;
    }
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual bool textFieldShouldReturn(TextField&) { return true; }
};

class TextField : public Control, public TextInputClient {
public:
    const std::string& text() const { return m_text; }
    void setText(std::string t);
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string p);
    void setFont(const gfx::Font& f);
    const gfx::Font& font() const { return m_font; }
    void setTextColor(gfx::Color c);
    void setTextAlignment(gfx::TextAlignment a);
    gfx::TextAlignment textAlignment() const { return m_alignment; }
    void setBorderStyle(TextBorderStyle s);
    TextFieldViewMode clearButtonMode = TextFieldViewMode::Never;
    bool secureTextEntry = false;
    KeyboardType keyboardType = KeyboardType::Default;
    ReturnKeyType returnKeyType = ReturnKeyType::Default;
    bool clearsOnBeginEditing = false;
    // 0: no limit.
    size_t maxLength = 0;

    void setDelegate(std::weak_ptr<TextFieldDelegate> d) { m_delegate = std::move(d); }
    bool isEditing() const { return m_editing; }

    bool canBecomeFirstResponder() const override { return isEnabled(); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool wantsKeyboard() const override { return true; }
    bool insertText(const std::string& utf8) override;
    bool deleteBackward() override;
    bool insertNewline() override;

    // --- the input method's composition ---
    void setMarkedText(const std::string& utf8, int cursor) override;
    void unmarkText() override;
    const std::string& markedText() const override { return m_marked; }
    gfx::Rect caretRect() const override;

    void touchesEnded(const TouchSet& touches) override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    TextField();
    explicit TextField(const gfx::Rect& frame);
    friend class View;
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    // Where the line of text goes: the shown string (text, then any composition),
    // its origin and size, and the area it is clipped to.
    struct Line {
        gfx::Rect area;
        std::string shown;
        bool placeholder = false;
        double x = 0, y = 0, height = 0;
        double textWidth = 0;   // the committed part
        double markedWidth = 0; // the composition
        double caretX = 0;
    };
    Line line() const;
    void textChanged();
    bool replace(int64_t location, int64_t length, const std::string& with);
    gfx::Rect clearButtonRect() const;
    bool showsClearButton() const;

    std::string m_text;
    std::string m_placeholder;
    gfx::Font m_font = gfx::Font::systemFont(17);
    gfx::Color m_textColor = gfx::Color::black();
    gfx::TextAlignment m_alignment = gfx::TextAlignment::Left;
    TextBorderStyle m_border = TextBorderStyle::None;
    bool m_editing = false;
    std::string m_marked;
    int m_markedCursor = 0;
    std::weak_ptr<TextFieldDelegate> m_delegate;
};

} // namespace pw::ui
