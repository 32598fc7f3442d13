#include "shelf/MainTopNotifyView.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/gfx/Font.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Layer.h"

namespace pw {

MainTopNotifyView::MainTopNotifyView() = default;

MainTopNotifyView::MainTopNotifyView(const gfx::Rect& frame) : View(frame) {}

MainTopNotifyView::~MainTopNotifyView() {
    m_pendingStep.cancel();
}

void MainTopNotifyView::didCreate() {
    View::didCreate();
    setup();
}

void MainTopNotifyView::setup() {
    std::weak_ptr<View> weak = weak_from_this();
    m_closeObserver = core::NotificationCenter::defaultCenter().addObserver(kCloseNotification, [weak](const auto&) {
        if (auto self = std::static_pointer_cast<MainTopNotifyView>(weak.lock()))
            self->close();
    });
}

void MainTopNotifyView::addBookUpdateMessageWithRZBookId(int64_t rzBookId, std::string content) {
    addMessageWithRZBookId(rzBookId, std::move(content), NoticeBookUpdate);
}

void MainTopNotifyView::addBookDownMessageWithRZBookId(int64_t rzBookId, std::string content) {
    addMessageWithRZBookId(rzBookId, std::move(content), NoticeBookDownload);
}

void MainTopNotifyView::addMessageWithRZBookId(int64_t rzBookId, std::string content, int type) {
    if (rzBookId <= 0)
        return;
    m_arrMessage.push_back({type, std::move(content), static_cast<int32_t>(rzBookId), 0});
}

void MainTopNotifyView::addMessageWithNotifyId(int64_t notifyId, std::string content) {
    if (notifyId <= 0)
        return;
    m_arrMessage.push_back({NoticeSiteMessage, std::move(content), 0, static_cast<int32_t>(notifyId)});
}

void MainTopNotifyView::genMenuAndShow() {
    if (!m_hasGenMenu) {
        const double w = bounds().width();
        const double h = bounds().height();
        std::weak_ptr<View> weak = weak_from_this();
        auto act = [weak](void (MainTopNotifyView::*fn)()) {
            return [weak, fn](ui::Control&) {
                if (auto self = std::static_pointer_cast<MainTopNotifyView>(weak.lock()))
                    ((*self).*fn)();
            };
        };

        m_btnClose = ui::Button::create(ui::ButtonType::Custom);
        m_btnClose->setFrame({w - 35, 1, 35, h - 2});
        m_btnClose->setAutoresizingMask(ui::FlexibleLeftMargin);
        m_btnClose->setTitle("X");
        m_btnClose->setTitleColor(gfx::Color::white());
        m_btnClose->addTarget(act(&MainTopNotifyView::close), ui::ControlEventTouchUpInside);
        addSubview(m_btnClose);

        m_btnMessage = ui::Button::create(ui::ButtonType::Custom);
        m_btnMessage->setFrame({5, 1, w - 48, h - 2});
        m_btnMessage->setAutoresizingMask(ui::FlexibleWidth);
        m_btnMessage->setTitleColor(gfx::Color::white());
        m_btnMessage->titleLabel().setFont(gfx::Font::systemFont(14));
        m_btnMessage->setHidden(true);
        m_btnMessage->addTarget(act(&MainTopNotifyView::messageClick), ui::ControlEventTouchUpInside);
        addSubview(m_btnMessage);

        auto separator = ui::Layer::create();
        separator->setFrame({w - 37, 2, 1, h - 4});
        separator->setBackgroundColor(gfx::Color::fromWhite(0.3, 1));
        layer()->addSublayer(separator);

        layer()->setCornerRadius(3);
        setHidden(true);
        m_hasGenMenu = true;
    }
    showWithAnimate();
}

void MainTopNotifyView::showWithAnimate() {
    if (m_isOpen)
        return;
    setHidden(false);
    m_isOpen = true;
    performWithoutAnimation([this] { setTransform(gfx::AffineTransform::translation(0, -100)); });
    ui::BlockAnimationOptions options;
    options.duration = 0.4;
    options.curve = ui::TimingFunction::EaseOut;
    animate(options, [this] { setTransform(gfx::AffineTransform::identity()); });
}

void MainTopNotifyView::showMessage() {
    if (m_isShowMessage)
        return;
    m_pendingStep.cancel();
    showMessageLoop();
}

void MainTopNotifyView::showMessageLoop() {
    if (m_btnMessage)
        m_btnMessage->setHidden(true);
    if (!m_isOpen)
        return;
    if (m_arrMessage.empty()) {
        close();
        return;
    }
    m_isShowMessage = true;
    m_currentMessage = std::move(m_arrMessage.front());
    m_arrMessage.pop_front();
    if (!m_btnMessage) // the cycle was started before the controls were built
        return close();
    m_btnMessage->setAlpha(0.1);
    m_btnMessage->setHidden(false);
    m_btnMessage->setTitle(m_currentMessage->content);
    std::weak_ptr<View> weak = weak_from_this();
    const uint64_t generation = m_cycleGeneration;
    animate(
        kFadeSeconds, [this] { m_btnMessage->setAlpha(1.0); },
        [weak, generation](bool) {
            auto self = std::static_pointer_cast<MainTopNotifyView>(weak.lock());
            if (!self || self->m_cycleGeneration != generation)
                return;
            self->m_pendingStep = core::RunLoop::main().postAfter(kShowSeconds, [weak] {
                if (auto again = std::static_pointer_cast<MainTopNotifyView>(weak.lock()))
                    again->showMessageLoop();
            });
        });
}

void MainTopNotifyView::messageClick() {
    if (!m_currentMessage || m_delegate == nullptr)
        return;
    const MainTopNotifyMessage& m = *m_currentMessage;
    if (m.msgType == NoticeSiteMessage)
        m_delegate->notifyViewMessageClickWithNotifyId(m.notifyId, m.msgType);
    else
        m_delegate->notifyViewMessageClickWithRZBookId(m.rzBookId, m.msgType);
}

void MainTopNotifyView::close() {
    m_arrMessage.clear();
    m_isShowMessage = false;
    m_isOpen = false;
    ++m_cycleGeneration;
    m_pendingStep.cancel();
    setHidden(true);
}

} // namespace pw
