#include "account/ModalAlertDelegate.h"

#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/ui/TextField.h"

namespace pw {

ModalAlertDelegate::~ModalAlertDelegate() {
    m_move.cancel();
}

void ModalAlertDelegate::clickedButtonAtIndex(ui::AlertView& alert, int64_t index) {
    if (m_answered)
        return;
    m_answered = true;
    m_move.cancel();
    if (auto* field = dynamic_cast<ui::TextField*>(alert.viewWithTag(kFieldTag))) {
        m_text = field->text();
        field->resignFirstResponder();
    }
    m_index = index;
    auto keep = shared_from_this();
    if (auto receiver = modalAlertDelegateResult.lock())
        receiver->loginWithKey(m_text, m_index);
}

bool ModalAlertDelegate::isLandscape() {
    const auto o = device::Device::current().orientation();
    return o == device::Orientation::LandscapeLeft || o == device::Orientation::LandscapeRight;
}

void ModalAlertDelegate::moveAlert(ui::AlertView& alert) {
    std::weak_ptr<ui::View> weak = alert.sharedFromThis();
    const gfx::Point target = isLandscape() ? gfx::Point{240, 90} : gfx::Point{160, 180};
    ui::BlockAnimationOptions options;
    options.duration = 0.25;
    options.curve = ui::TimingFunction::EaseInOut;
    ui::View::animate(
        options, [&] { alert.setCenter(target); },
        [weak](bool) {
            if (auto view = weak.lock())
                if (auto* field = dynamic_cast<ui::TextField*>(view->viewWithTag(kFieldTag)))
                    field->becomeFirstResponder();
        });
}

void ModalAlertDelegate::moveAlertLater(const std::shared_ptr<ui::AlertView>& alert) {
    std::weak_ptr<ui::AlertView> weakAlert = alert;
    std::weak_ptr<ModalAlertDelegate> weakSelf = weak_from_this();
    m_move.cancel();
    m_move = core::RunLoop::current().postAfter(kMoveDelay, [weakAlert, weakSelf] {
        auto self = weakSelf.lock();
        auto a = weakAlert.lock();
        if (self && a && a->isVisible() && !self->m_answered)
            self->moveAlert(*a);
    });
}

} // namespace pw
