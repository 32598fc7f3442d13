#pragma once
// A list of choices that slides up from the bottom of the screen. Indices: the
// destructive button first, then the others, then the cancel button.
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>
#include <vector>

namespace pw::ui {

class ActionSheet;
class PopupWindow;

class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    virtual void clickedButtonAtIndex(ActionSheet&, int64_t) {}
    virtual void actionSheetCancel(ActionSheet&) {}
    virtual void willPresentActionSheet(ActionSheet&) {}
    virtual void didPresentActionSheet(ActionSheet&) {}
    virtual void willDismissWithButtonIndex(ActionSheet&, int64_t) {}
    virtual void didDismissWithButtonIndex(ActionSheet&, int64_t) {}
};

class ActionSheet : public View {
public:
    static std::shared_ptr<ActionSheet> create(std::string title, std::weak_ptr<ActionSheetDelegate> delegate,
                                               std::string cancelButtonTitle, std::string destructiveButtonTitle,
                                               std::vector<std::string> otherButtonTitles = {}) {
        return View::create<ActionSheet>(std::move(title), std::move(delegate), std::move(cancelButtonTitle),
                                         std::move(destructiveButtonTitle), std::move(otherButtonTitles));
    }

    const std::string& title() const { return m_title; }
    void setDelegate(std::weak_ptr<ActionSheetDelegate> d) { m_delegate = std::move(d); }
    std::shared_ptr<ActionSheetDelegate> delegate() const { return m_delegate.lock(); }
    int64_t addButtonWithTitle(std::string title);
    int64_t numberOfButtons() const { return static_cast<int64_t>(m_buttonTitles.size()); }
    std::string buttonTitleAtIndex(int64_t index) const;
    int64_t cancelButtonIndex() const { return m_cancelIndex; }
    int64_t destructiveButtonIndex() const { return m_destructiveIndex; }
    int64_t firstOtherButtonIndex() const;
    bool isVisible() const { return m_visible; }
    Button* buttonAtIndex(int64_t index) const;

    void showInView(View* view);
    void dismissWithClickedButtonIndex(int64_t index, bool animated);

    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate, std::string cancelButtonTitle,
                std::string destructiveButtonTitle, std::vector<std::string> otherButtonTitles);
    friend class View;
    void didCreate() override;

private:
    void rebuild();
    double contentHeight(double width);

    std::string m_title;
    std::weak_ptr<ActionSheetDelegate> m_delegate;
    std::vector<std::string> m_buttonTitles;
    std::string m_cancelTitle;
    int64_t m_cancelIndex = -1;
    int64_t m_destructiveIndex = -1;
    std::shared_ptr<Label> m_titleLabel;
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::shared_ptr<PopupWindow> m_window;
    bool m_visible = false;
    bool m_dismissing = false;
};

} // namespace pw::ui
