#pragma once
// One short line of text in place of the status bar: a spinner while something
// runs, a check mark when it has finished, a cross when it failed. Messages
// queue and come up one after another, each sliding in over the one before;
// a message with a duration hides the overlay when its time is up. Texts that
// leave the display are kept in a history a drop-down panel can show.
#include "foundation/widgets/StatusBarOverlayLayout.h"
#include "platform/core/Cancelable.h"
#include "platform/core/Notification.h"
#include "platform/core/ObserverToken.h"
#include "platform/core/Value.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

enum OverlayMessageType : int32_t {
    OverlayMessageTypeActivity = 0,
    OverlayMessageTypeFinish = 1,
    OverlayMessageTypeError = 2,
};

enum OverlayTapAnimation : int32_t {
    OverlayTapAnimationNone = 0,
    OverlayTapAnimationShrink = 1,
    OverlayTapAnimationDetailPanel = 2,
};

// Keys of a message record.
inline constexpr const char* kOverlayMessageText = "MessageText";
inline constexpr const char* kOverlayMessageType = "MessageType";
inline constexpr const char* kOverlayMessageDuration = "MessageDuration";
inline constexpr const char* kOverlayMessageAnimation = "MessageAnimation";
inline constexpr const char* kOverlayMessageImmediate = "MessageImmediate";
inline constexpr const char* kStatusBarOverlayStateShrinked = "kStatusBarOverlayStateShrinked";

class StatusBarOverlayDelegate {
public:
    virtual ~StatusBarOverlayDelegate() = default;
    virtual void statusBarOverlayDidHide() {}
    virtual void statusBarOverlayDidSwitchFromOldMessage(const std::optional<std::string>& /*oldText*/,
                                                         const std::string& /*newText*/) {}
    virtual void statusBarOverlayDidClearMessageQueue(const std::vector<core::Value>& /*messages*/) {}
    virtual void statusBarOverlayDidRecognizeGesture(ui::GestureRecognizer&) {}
};

class StatusBarOverlay : public ui::Window, public ui::TableViewDataSource {
public:
    // The one overlay of the process, made on the main thread on first use.
    static StatusBarOverlay& sharedInstance();
    static StatusBarOverlay& sharedOverlay() { return sharedInstance(); }
    // A separate overlay (tests, and the shared one's own making).
    static std::shared_ptr<StatusBarOverlay> create() { return View::create<StatusBarOverlay>(); }
    ~StatusBarOverlay() override;

    static constexpr double kFadeDuration = 0.5;
    static constexpr double kSlideDuration = 0.6;
    static constexpr double kNextMessageDelay = 0.4;
    static constexpr double kShrinkDuration = 0.3;
    static constexpr double kDetailDuration = 0.4;

    // --- posting (any thread) ---
    void postMessage(const std::string& text) { postMessage(text, 0, true); }
    void postMessage(const std::string& text, bool animated) { postMessage(text, 0, animated); }
    void postMessage(const std::string& text, double duration) { postMessage(text, duration, true); }
    void postMessage(const std::string& text, double duration, bool animated) {
        postMessage(text, OverlayMessageTypeActivity, duration, animated, false);
    }
    void postImmediateMessage(const std::string& text, bool animated) { postImmediateMessage(text, 0.0, animated); }
    void postImmediateMessage(const std::string& text, double duration) { postImmediateMessage(text, duration, true); }
    void postImmediateMessage(const std::string& text, double duration, bool animated) {
        postImmediateMessage(text, OverlayMessageTypeActivity, duration, animated);
    }
    void postFinishMessage(const std::string& text, double duration) { postFinishMessage(text, duration, true); }
    void postFinishMessage(const std::string& text, double duration, bool animated) {
        postMessage(text, OverlayMessageTypeFinish, duration, animated, false);
    }
    void postImmediateFinishMessage(const std::string& text, double duration, bool animated) {
        postImmediateMessage(text, OverlayMessageTypeFinish, duration, animated);
    }
    void postErrorMessage(const std::string& text, double duration) { postErrorMessage(text, duration, true); }
    void postErrorMessage(const std::string& text, double duration, bool animated) {
        postMessage(text, OverlayMessageTypeError, duration, animated, false);
    }
    void postImmediateErrorMessage(const std::string& text, double duration, bool animated) {
        postImmediateMessage(text, OverlayMessageTypeError, duration, animated);
    }
    void postMessageDictionary(const core::Value& record);
    void postMessage(const std::string& text, OverlayMessageType type, double duration, bool animated, bool immediate);
    void postImmediateMessage(const std::string& text, OverlayMessageType type, double duration, bool animated);
    static core::Value messageRecord(const std::string& text, OverlayMessageType type, double duration, bool animated,
                                     bool immediate);

    // --- display cycle (main thread) ---
    void showNextMessage();
    void hide();
    void hideTemporary();
    void show();
    // The application's inactive time hides the overlay; coming back shows it again.
    void applicationWillResignActive(const core::Notification& notification);
    void applicationDidBecomeActive(const core::Notification& notification);
    void updateUIForMessageType(OverlayMessageType type, double duration);
    void callDelegateWithNewMessage(const std::string& text);
    bool isActive() const { return m_active; }
    bool isHideInProgress() const { return m_hideInProgress; }
    bool isForcedToHide() const { return m_forcedToHide; }
    const std::string& lastPostedMessage() const { return m_lastPostedMessage; }
    size_t queuedMessageCount() const;
    bool canRemoveImmediateMessagesFromQueue = true;
    bool hidesActivity = false;

    // --- history ---
    void addMessageToHistory(const std::string& text);
    void clearHistory();
    const std::vector<std::string>& messageHistory() const { return m_messageHistory; }
    bool isHistoryEnabled() const { return m_detailViewMode == OverlayDetailViewModeHistory; }
    void setHistoryEnabled(bool enabled);

    // --- saved shrink state ---
    void saveState() { saveStateSynchronized(true); }
    void saveStateSynchronized(bool synchronize);
    void restoreState();

    // --- views and appearance ---
    void addSubviewToBackgroundView(std::shared_ptr<ui::View> view);
    void addSubviewToBackgroundView(std::shared_ptr<ui::View> view, size_t index);
    ui::Label& visibleStatusLabel() const;
    ui::Label& hiddenStatusLabel() const { return *m_hiddenStatusLabel; }
    bool isReallyHidden() const;
    using View::setHidden;
    void setHidden(bool hidden, bool useAlpha);
    void setHiddenUsingAlpha(bool hidden) { setHidden(hidden, true); }
    bool isShrinked() const;
    void setShrinked(bool shrinked, bool animated);
    bool isDetailViewHidden() const;
    void setDetailViewHidden(bool hidden, bool animated);
    OverlayDetailViewMode detailViewMode() const { return m_detailViewMode; }
    void setDetailViewMode(OverlayDetailViewMode mode);
    const std::string& detailText() const { return m_detailText; }
    void setDetailText(const std::string& text);
    OverlayTapAnimation animation() const { return m_animation; }
    void setAnimation(OverlayTapAnimation animation);
    double progress() const { return m_progress.load(); }
    // Any thread: the refit runs on the main thread.
    void setProgress(double progress);
    void updateProgressViewSizeForLabel(ui::Label& label);
    void setStatusBarBackgroundForStyle(ui::StatusBarStyle style);
    void setColorSchemeForStatusBarStyle(ui::StatusBarStyle style, OverlayMessageType type);
    // The bar is about to turn: the window follows on the main loop's next pass.
    void didChangeStatusBarFrame(const core::Notification& notification);
    void rotateToStatusBarFrame();
    // The detail text view takes the height of its text.
    void updateDetailTextViewHeight();
    void contentViewClicked(ui::GestureRecognizer& recognizer);
    void contentViewSwipedUp(ui::GestureRecognizer& recognizer);
    void contentViewSwipedDown(ui::GestureRecognizer& recognizer);

    void setDelegate(std::weak_ptr<StatusBarOverlayDelegate> d) { m_delegate = std::move(d); }

    ui::View& backgroundView() { return *m_backgroundView; }
    ui::View& detailView() { return *m_detailView; }
    ui::ImageView& statusBarBackgroundImageView() { return *m_statusBarBackgroundImageView; }
    ui::ImageView& progressView() { return *m_progressView; }
    ui::ActivityIndicatorView& activityIndicator() { return *m_activityIndicator; }
    ui::Label& finishedLabel() { return *m_finishedLabel; }
    ui::Label& statusLabel1() { return *m_statusLabel1; }
    ui::Label& statusLabel2() { return *m_statusLabel2; }
    ui::TextView& detailTextView() { return *m_detailTextView; }
    ui::TableView& historyTableView() { return *m_historyTableView; }
    gfx::Rect smallFrame() const { return m_smallFrame; }

    // --- history table data ---
    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, const ui::IndexPath&) override;

protected:
    StatusBarOverlay();
    friend class ui::View;
    void didCreate() override;

private:
    bool isPad() const;
    void fade(bool hidden, std::function<void(bool)> completion = {});
    void scheduleNextStep();
    void swipedDetailView(ui::GestureRecognizer& recognizer, bool hide);
    std::shared_ptr<StatusBarOverlay> self();
    // Removes the record on display (the queue's last); answers nothing.
    void removeLastRecord();

    std::shared_ptr<ui::View> m_backgroundView;
    std::shared_ptr<ui::View> m_detailView;
    std::shared_ptr<ui::ImageView> m_statusBarBackgroundImageView;
    std::shared_ptr<ui::Label> m_statusLabel1;
    std::shared_ptr<ui::Label> m_statusLabel2;
    ui::Label* m_hiddenStatusLabel = nullptr;
    std::atomic<double> m_progress{1.0};
    std::shared_ptr<ui::ImageView> m_progressView;
    std::shared_ptr<ui::ActivityIndicatorView> m_activityIndicator;
    std::shared_ptr<ui::Label> m_finishedLabel;
    gfx::Image m_defaultStatusBarImage;
    gfx::Image m_defaultStatusBarImageShrinked;
    gfx::Rect m_smallFrame;
    gfx::Rect m_oldBackgroundViewFrame;
    OverlayTapAnimation m_animation = OverlayTapAnimationNone;
    bool m_hideInProgress = false;
    bool m_active = false;
    std::vector<core::Value> m_messageQueue;
    mutable std::recursive_mutex m_queueLock;
    OverlayDetailViewMode m_detailViewMode = OverlayDetailViewModeCustom;
    std::string m_detailText;
    std::shared_ptr<ui::TextView> m_detailTextView;
    std::vector<std::string> m_messageHistory;
    std::shared_ptr<ui::TableView> m_historyTableView;
    std::weak_ptr<StatusBarOverlayDelegate> m_delegate;
    bool m_forcedToHide = false;
    std::string m_lastPostedMessage;

    core::Cancelable m_pendingHide;
    core::Cancelable m_pendingClearHistory;
    core::Cancelable m_pendingStep;
    core::Cancelable m_pendingRotation;
    core::ObserverToken m_frameObserver;
    core::ObserverToken m_activeObserver;
    core::ObserverToken m_resignObserver;
};

} // namespace pw
