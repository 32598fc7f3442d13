#include "site/ZELLoginViewController.h"

#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"

namespace pw {

void ZELLoginViewController::loadView() {
    auto view = ui::View::create(gfx::Rect(0, 0, 320, 460));
    view->setBackgroundColor(gfx::Color::fromRGB255(240, 240, 240));
    auto label = ui::View::create<ui::Label>(gfx::Rect(20, 40, 280, 30));
    label->setText("请登录");
    label->setTextAlignment(gfx::TextAlignment::Center);
    view->addSubview(label);
    setView(view);
    setTitle("登录");
}

void ZELLoginViewController::loginSucceeded() {
    m_succeeded = true;
    auto keep = shared_from_this();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    if (m_callbackTarget.lock() && m_callbackSelector)
        m_callbackSelector(m_userPack);
}

void ZELLoginViewController::viewDidDisappear(bool) {
    if (m_succeeded || !m_closed)
        return;
    if (auto* nav = navigationController()) {
        const auto& stack = nav->viewControllers();
        for (const auto& vc : stack)
            if (vc.get() == this)
                return; // covered by another screen, not closed
    }
    auto closed = std::move(m_closed);
    m_closed = nullptr;
    closed();
}

} // namespace pw
