#pragma once
// A search field on a tinted bar, with an optional cancel button.
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace pw::ui {

class SearchBar;

class SearchBarDelegate {
public:
    virtual ~SearchBarDelegate() = default;
    virtual bool searchBarShouldBeginEditing(SearchBar&) { return true; }
    virtual void searchBarTextDidBeginEditing(SearchBar&) {}
    virtual void searchBarTextDidEndEditing(SearchBar&) {}
    virtual void textDidChange(SearchBar&, const std::string&) {}
    virtual void searchBarSearchButtonClicked(SearchBar&) {}
    virtual void searchBarCancelButtonClicked(SearchBar&) {}
};

class SearchBar : public View, public TextFieldDelegate {
public:
    static constexpr double kHeight = 44;

    std::string text() const { return m_field ? m_field->text() : std::string(); }
    void setText(std::string t);
    void setPlaceholder(std::string p);
    void setTintColor(gfx::Color c);
    // A picture stretched over the bar in place of the tinted gradient.
    void setBackgroundImage(gfx::Image image);
    const gfx::Image& backgroundImage() const { return m_backgroundImage; }
    void setShowsCancelButton(bool show);
    bool showsCancelButton() const { return m_cancel != nullptr && !m_cancel->isHidden(); }
    void setDelegate(std::weak_ptr<SearchBarDelegate> d) { m_delegate = std::move(d); }
    TextField& textField() { return *m_field; }
    Button* cancelButton() const { return m_cancel.get(); }

    bool resignFirstResponder() override { return m_field->resignFirstResponder(); }

    // TextFieldDelegate
    bool textFieldShouldBeginEditing(TextField&) override;
    void textFieldDidBeginEditing(TextField&) override;
    void textFieldDidEndEditing(TextField&) override;
    bool textFieldShouldReturn(TextField&) override;

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    SearchBar();
    friend class View;
    void didCreate() override;

private:
    std::shared_ptr<TextField> m_field;
    std::shared_ptr<Button> m_cancel;
    std::weak_ptr<SearchBarDelegate> m_delegate;
    gfx::Color m_tint = gfx::Color::fromRGB255(120, 141, 169);
    gfx::Image m_backgroundImage{};
};

} // namespace pw::ui
