#pragma once

#include "platform/core/Cancelable.h"
#include "platform/core/ObserverToken.h"
#include "platform/ui/View.h"
#include "shelf/MainTopNotifyMessage.h"

#include <deque>
#include <optional>

namespace pw {

namespace ui {
class Button;
}

// Told of taps on the shown notice; either operation may be left as is.
class MainTopNotifyViewDelegate {
public:
    virtual ~MainTopNotifyViewDelegate() = default;
    virtual void notifyViewMessageClickWithRZBookId(int64_t /*rzBookId*/, int /*type*/) {}
    virtual void notifyViewMessageClickWithNotifyId(int64_t /*notifyId*/, int /*type*/) {}
};

// The bar that drops under the main screen's top bar and shows queued
// notices one after another: each fades in, stays three seconds, and gives
// way to the next; an empty queue closes the bar. Main thread only.
class MainTopNotifyView : public ui::View {
public:
    static constexpr const char* kCloseNotification = "NSNotificationCenter_CloseMainViewNotify";
    static constexpr double kFadeSeconds = 0.4;
    static constexpr double kShowSeconds = 3.0;

    ~MainTopNotifyView() override;

    // Notices with an id of 0 or less are dropped.
    void addBookUpdateMessageWithRZBookId(int64_t rzBookId, std::string content);
    void addBookDownMessageWithRZBookId(int64_t rzBookId, std::string content);
    void addMessageWithRZBookId(int64_t rzBookId, std::string content, int type);
    void addMessageWithNotifyId(int64_t notifyId, std::string content);

    void genMenuAndShow();
    void showWithAnimate();
    void showMessage();
    void showMessageLoop();
    void messageClick();
    // Drops every queued notice and hides the bar at once.
    void close();

    void setDelegate(MainTopNotifyViewDelegate* delegate) { m_delegate = delegate; }
    bool hasGenMenu() const { return m_hasGenMenu; }
    bool isOpen() const { return m_isOpen; }
    bool isShowMessage() const { return m_isShowMessage; }
    const std::deque<MainTopNotifyMessage>& arrMessage() const { return m_arrMessage; }
    const std::optional<MainTopNotifyMessage>& currentMessage() const { return m_currentMessage; }
    ui::Button* btnMessage() const { return m_btnMessage.get(); }
    ui::Button* btnClose() const { return m_btnClose.get(); }

protected:
    MainTopNotifyView();
    explicit MainTopNotifyView(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void setup();

    bool m_hasGenMenu{false};
    std::shared_ptr<ui::Button> m_btnMessage{};
    std::shared_ptr<ui::Button> m_btnClose{};
    std::deque<MainTopNotifyMessage> m_arrMessage{};
    bool m_isOpen{false};
    MainTopNotifyViewDelegate* m_delegate{nullptr};
    std::optional<MainTopNotifyMessage> m_currentMessage{};
    bool m_isShowMessage{false};
    core::Cancelable m_pendingStep{};
    // Bumped by close, so a fade that ends after it schedules no step.
    uint64_t m_cycleGeneration{0};
    core::ObserverToken m_closeObserver{};
};

} // namespace pw
