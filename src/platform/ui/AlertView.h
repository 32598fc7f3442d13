#pragma once
// A modal prompt: a title, a message and buttons in a box over a dimmed screen.
// The cancel button has index 0 when there is one; the others follow in order.
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <memory>
#include <string>
#include <vector>

namespace pw::ui {

class AlertView;
class PopupWindow;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void clickedButtonAtIndex(AlertView&, int64_t) {}
    virtual void alertViewCancel(AlertView&) {}
    virtual void willPresentAlertView(AlertView&) {}
    virtual void didPresentAlertView(AlertView&) {}
    virtual void willDismissWithButtonIndex(AlertView&, int64_t) {}
    virtual void didDismissWithButtonIndex(AlertView&, int64_t) {}
};

class AlertView : public View {
public:
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
                                             std::weak_ptr<AlertViewDelegate> delegate, std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles = {}) {
        return View::create<AlertView>(std::move(title), std::move(message), std::move(delegate),
                                       std::move(cancelButtonTitle), std::move(otherButtonTitles));
    }
    ~AlertView() override;

    const std::string& title() const { return m_title; }
    void setTitle(std::string t);
    const std::string& message() const { return m_message; }
    void setMessage(std::string m);
    void setDelegate(std::weak_ptr<AlertViewDelegate> d) { m_delegate = std::move(d); }
    std::shared_ptr<AlertViewDelegate> delegate() const { return m_delegate.lock(); }

    int64_t addButtonWithTitle(std::string title);
    int64_t numberOfButtons() const { return static_cast<int64_t>(m_buttonTitles.size()); }
    std::string buttonTitleAtIndex(int64_t index) const;
    int64_t cancelButtonIndex() const { return m_cancelIndex; }
    int64_t firstOtherButtonIndex() const;
    bool isVisible() const { return m_visible; }

    void show();
    void dismissWithClickedButtonIndex(int64_t index, bool animated);
    // The button view of an index, once shown.
    Button* buttonAtIndex(int64_t index) const;

    static constexpr double kWidth = 284;
    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
              std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles);
    friend class View;
    void didCreate() override;

private:
    void rebuild();
    double layoutHeight();

    std::string m_title;
    std::string m_message;
    std::weak_ptr<AlertViewDelegate> m_delegate;
    std::vector<std::string> m_buttonTitles;
    int64_t m_cancelIndex = -1;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<Label> m_messageLabel;
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::shared_ptr<PopupWindow> m_window;
    bool m_visible = false;
    bool m_dismissing = false;
};

} // namespace pw::ui
