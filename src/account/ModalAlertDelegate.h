#pragma once
// The second-factor prompt's delegate: it takes the typed text and the button
// pressed and hands them to its result receiver. The prompt is modal on
// screen only; nothing waits for it, the answer arrives as a call.
#include "platform/core/Cancelable.h"
#include "platform/ui/AlertView.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class ModalAlertDelegateResult {
public:
    virtual ~ModalAlertDelegateResult() = default;
    virtual void loginWithKey(const std::string& key, int64_t clickedButtonAtIndex) = 0;
};

class ModalAlertDelegate : public ui::AlertViewDelegate, public std::enable_shared_from_this<ModalAlertDelegate> {
public:
    static constexpr int kFieldTag = 9999;
    static constexpr double kMoveDelay = 0.7;

    static std::shared_ptr<ModalAlertDelegate> create() {
        return std::shared_ptr<ModalAlertDelegate>(new ModalAlertDelegate());
    }
    ~ModalAlertDelegate() override;

    const std::string& text() const { return m_text; }
    int64_t index() const { return m_index; }
    bool answered() const { return m_answered; }
    std::weak_ptr<ModalAlertDelegateResult> modalAlertDelegateResult;

    // Takes the field's text (tag 9999) and the index, then tells the receiver once.
    void clickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;
    // Moves the alert clear of the keyboard, then focuses its field.
    void moveAlert(ui::AlertView& alert);
    // The move, kMoveDelay from now, unless the prompt is answered first.
    void moveAlertLater(const std::shared_ptr<ui::AlertView>& alert);
    static bool isLandscape();

private:
    ModalAlertDelegate() = default;
    std::string m_text;
    int64_t m_index = -1;
    bool m_answered = false;
    core::Cancelable m_move;
};

} // namespace pw
