#include "foundation/widgets/StatusBarOverlay.h"

#include "foundation/widgets/StatusBarBackgroundImage.h"
#include "foundation/widgets/WidgetHelpers.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/TapGestureRecognizer.h"

#include <algorithm>
#include <cmath>

namespace pw {

using Layout = StatusBarOverlayLayout;

namespace {

std::atomic<StatusBarOverlay*> g_shared{nullptr};

gfx::Font finishFont() {
    return gfx::Font::named("HelveticaNeue-Bold", 22).value_or(gfx::Font::boldSystemFont(22));
}

const gfx::Color kGrey191 = gfx::Color::fromRGB255(191, 191, 191);

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

StatusBarOverlay& StatusBarOverlay::sharedInstance() {
    if (auto* p = g_shared.load())
        return *p;
    if (!core::RunLoop::isMainThread()) {
        // Views are made on the main thread only; a first call from elsewhere waits for it there.
        core::RunLoop::runOnMain([] { sharedInstance(); }, true);
        return *g_shared.load();
    }
    // Lives for the rest of the process, as the one overlay does: never destroyed,
    // so nothing runs its teardown after the platform's statics are gone.
    static auto* keep = new std::shared_ptr<StatusBarOverlay>(create());
    g_shared.store(keep->get());
    return **keep;
}

StatusBarOverlay::StatusBarOverlay() = default;

StatusBarOverlay::~StatusBarOverlay() {
    m_pendingHide.cancel();
    m_pendingClearHistory.cancel();
    m_pendingStep.cancel();
    m_pendingRotation.cancel();
    m_delegate.reset();
}

std::shared_ptr<StatusBarOverlay> StatusBarOverlay::self() {
    return std::static_pointer_cast<StatusBarOverlay>(shared_from_this());
}

bool StatusBarOverlay::isPad() const {
    return device::Device::current().idiom() == device::Idiom::Pad;
}

void StatusBarOverlay::didCreate() {
    Window::didCreate();
    auto& app = ui::Application::shared();
    gfx::Rect bar = app.statusBarFrame();
    if (bar.isEmpty())
        bar = {0, 0, app.screenBounds().width(), Layout::kBarHeight};
    bar = Layout::creationFrame(bar, isPad());

    // 1. The window: just above the status bar, transparent until a message comes.
    setWindowLevel(ui::kWindowLevelStatusBar + 1.0);
    setFrame(bar);
    setAlpha(0);
    setBackgroundColor(gfx::Color::clear());
    makeVisible();
    m_smallFrame = Layout::smallFrameFor(bar);

    // 2-4. The detail panel, above the screen until it drops down.
    const double w = Layout::detailPanelWidth(isPad());
    m_detailView = View::create(
        gfx::Rect((app.screenBounds().width() - w) / 2, -Layout::kDetailPanelHeight, w, Layout::kDetailPanelHeight));
    m_detailView->setBackgroundColor(gfx::Color::black());
    m_detailView->setAlpha(0.9);
    m_detailView->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_detailView->setClipsToBounds(true);
    m_detailView->layer()->setCornerRadius(10);
    m_detailView->layer()->setBorderWidth(2.5);
    m_detailTextView = View::create<ui::TextView>(gfx::Rect(0, 20, w, 125));
    m_detailTextView->setBackgroundColor(gfx::Color::clear());
    m_detailTextView->setUserInteractionEnabled(false);
    m_detailTextView->editable = false;
    m_detailView->addSubview(m_detailTextView);
    m_historyTableView = ui::TableView::create(gfx::Rect(0, 20, w, 125));
    m_historyTableView->setDataSource(std::shared_ptr<ui::TableViewDataSource>(self(), this));
    m_historyTableView->rowHeight = Layout::kHistoryRowHeight;
    m_historyTableView->separatorStyle = ui::TableViewSeparatorStyle::None;
    m_historyTableView->setBackgroundColor(gfx::Color::clear());
    m_historyTableView->setOpaque(false);
    m_detailView->addSubview(m_historyTableView);
    setDetailViewMode(OverlayDetailViewModeCustom);
    addSubview(m_detailView);

    // 5. The strip.
    const gfx::Rect strip(0, 0, bar.width(), bar.height());
    m_backgroundView = View::create(strip);
    m_backgroundView->setClipsToBounds(true);
    m_backgroundView->setAutoresizingMask(ui::FlexibleWidth);
    m_oldBackgroundViewFrame = strip;
    std::weak_ptr<View> weak = weak_from_this();
    m_backgroundView->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
            s->contentViewClicked(g);
    }));

    // 6-7. The background pictures.
    m_defaultStatusBarImage = StatusBarBackgroundImage::image(false).stretchable(2, 0);
    m_defaultStatusBarImageShrinked = StatusBarBackgroundImage::image(true).stretchable(2, 0);
    m_statusBarBackgroundImageView = View::create<ui::ImageView>();
    m_statusBarBackgroundImageView->setFrame(strip);
    m_statusBarBackgroundImageView->setBackgroundColor(gfx::Color::black());
    m_statusBarBackgroundImageView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_backgroundView->addSubview(m_statusBarBackgroundImageView);

    // 8. The spinner, a little smaller than its natural size.
    const double h = strip.height();
    m_activityIndicator = View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_activityIndicator->setFrame({6, 3, h - 6, h - 6});
    m_activityIndicator->setHidesWhenStopped(true);
    m_activityIndicator->setTransform(gfx::AffineTransform::scaling(0.75, 0.75));
    m_backgroundView->addSubview(m_activityIndicator);

    // 9. The check mark or cross.
    m_finishedLabel = View::create<ui::Label>(gfx::Rect(4, 1, h, h - 1));
    m_finishedLabel->setShadowOffset({0, 1});
    m_finishedLabel->setBackgroundColor(gfx::Color::clear());
    m_finishedLabel->setHidden(true);
    m_finishedLabel->setText("✓");
    m_finishedLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_finishedLabel->setFont(finishFont());
    m_finishedLabel->setAdjustsFontSizeToFitWidth(true);
    m_backgroundView->addSubview(m_finishedLabel);

    // 10. The two labels that take turns; the second waits below the strip.
    for (int i = 0; i < 2; ++i) {
        auto label = View::create<ui::Label>(gfx::Rect(30, i == 0 ? 0 : h, strip.width() - 60, h - 1));
        label->setBackgroundColor(gfx::Color::clear());
        label->setShadowOffset({0, 1});
        label->setFont(gfx::Font::boldSystemFont(12));
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setNumberOfLines(1);
        label->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
        label->setAutoresizingMask(ui::FlexibleWidth);
        m_backgroundView->addSubview(label);
        (i == 0 ? m_statusLabel1 : m_statusLabel2) = std::move(label);
    }
    m_hiddenStatusLabel = m_statusLabel2.get();

    // 11. The progress strip.
    m_progress = 1.0;
    m_progressView = View::create<ui::ImageView>();
    m_progressView->setFrame(m_statusBarBackgroundImageView->frame());
    m_progressView->setOpaque(false);
    m_progressView->setHidden(true);
    m_progressView->setAlpha(0.4);
    m_backgroundView->addSubview(m_progressView);

    // 12. The strip lies over the panel's top 20 points.
    addSubview(m_backgroundView);

    // 13. Turns and the application's active time.
    auto& nc = core::NotificationCenter::defaultCenter();
    m_frameObserver = nc.addObserver(ui::kWillChangeStatusBarFrameNotification, [weak](const core::Notification& n) {
        if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
            s->didChangeStatusBarFrame(n);
    });
    m_activeObserver = nc.addObserver(ui::kDidBecomeActiveNotification, [weak](const core::Notification& n) {
        if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
            s->applicationDidBecomeActive(n);
    });
    m_resignObserver = nc.addObserver(ui::kWillResignActiveNotification, [weak](const core::Notification& n) {
        if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
            s->applicationWillResignActive(n);
    });
}

void StatusBarOverlay::applicationWillResignActive(const core::Notification&) {
    hideTemporary();
}

void StatusBarOverlay::applicationDidBecomeActive(const core::Notification&) {
    show();
}

// --- posting ---

core::Value StatusBarOverlay::messageRecord(const std::string& text, OverlayMessageType type, double duration,
                                            bool animated, bool immediate) {
    core::Value r = core::Value::map();
    r.set(kOverlayMessageText, text);
    r.set(kOverlayMessageType, static_cast<int64_t>(type));
    r.set(kOverlayMessageDuration, duration);
    r.set(kOverlayMessageAnimation, animated);
    r.set(kOverlayMessageImmediate, immediate);
    return r;
}

void StatusBarOverlay::postMessageDictionary(const core::Value& record) {
    const std::string text = record[kOverlayMessageText].asString().value_or("");
    const auto type = static_cast<OverlayMessageType>(record[kOverlayMessageType].asInt().value_or(0));
    const double duration = record[kOverlayMessageDuration].asDouble().value_or(0);
    const bool animated = record[kOverlayMessageAnimation].asBool().value_or(false);
    const bool immediate = record[kOverlayMessageImmediate].asBool().value_or(false);
    postMessage(text, type, duration, animated, immediate);
}

void StatusBarOverlay::postMessage(const std::string& text, OverlayMessageType type, double duration, bool animated,
                                   bool immediate) {
    if (text.empty())
        return;
    if (!core::RunLoop::isMainThread()) {
        // The worker waits until the main thread has taken the message, so what it
        // posts next (or reads of the queue) comes after it.
        std::weak_ptr<View> weak = weak_from_this();
        core::RunLoop::runOnMain(
            [weak, text, type, duration, animated, immediate] {
                if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
                    s->postMessage(text, type, duration, animated, immediate);
            },
            true);
        return;
    }
    core::Value record = messageRecord(text, type, duration, animated, immediate);
    {
        std::lock_guard lock(m_queueLock);
        m_messageQueue.insert(m_messageQueue.begin(), std::move(record));
    }
    if (!m_active)
        showNextMessage();
}

void StatusBarOverlay::postImmediateMessage(const std::string& text, OverlayMessageType type, double duration,
                                            bool animated) {
    if (!core::RunLoop::isMainThread()) {
        std::weak_ptr<View> weak = weak_from_this();
        core::RunLoop::runOnMain(
            [weak, text, type, duration, animated] {
                if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
                    s->postImmediateMessage(text, type, duration, animated);
            },
            true);
        return;
    }
    std::vector<core::Value> discarded;
    {
        std::lock_guard lock(m_queueLock);
        // The last record is on display (or next): it always stays.
        std::vector<core::Value> kept;
        for (size_t i = 0; i < m_messageQueue.size(); ++i) {
            const core::Value& r = m_messageQueue[i];
            const bool last = i + 1 == m_messageQueue.size();
            const bool wasImmediate = r[kOverlayMessageImmediate].asBool().value_or(false);
            if (last || (!canRemoveImmediateMessagesFromQueue && wasImmediate))
                kept.push_back(r);
            else
                discarded.push_back(r);
        }
        m_messageQueue = std::move(kept);
    }
    // The delegate is told outside the lock, so it may post in turn.
    if (!discarded.empty())
        if (auto d = m_delegate.lock())
            d->statusBarOverlayDidClearMessageQueue(discarded);
    postMessage(text, type, duration, animated, true);
}

size_t StatusBarOverlay::queuedMessageCount() const {
    std::lock_guard lock(m_queueLock);
    return m_messageQueue.size();
}

void StatusBarOverlay::removeLastRecord() {
    std::lock_guard lock(m_queueLock);
    if (!m_messageQueue.empty())
        m_messageQueue.pop_back();
}

// --- display cycle ---

void StatusBarOverlay::scheduleNextStep() {
    m_pendingStep.cancel();
    m_pendingStep = WidgetHelpers::after(*this, kNextMessageDelay, [this] { showNextMessage(); });
}

void StatusBarOverlay::showNextMessage() {
    auto& app = ui::Application::shared();
    for (;;) {
        if (m_forcedToHide)
            return;
        core::Value record;
        {
            std::lock_guard lock(m_queueLock);
            if (m_messageQueue.empty()) {
                m_active = false;
                return;
            }
            m_active = true;
            record = m_messageQueue.back();
        }
        const std::string text = record[kOverlayMessageText].asString().value_or("");
        const auto type = static_cast<OverlayMessageType>(record[kOverlayMessageType].asInt().value_or(0));
        const double duration = record[kOverlayMessageDuration].asDouble().value_or(0);
        const bool animated = record[kOverlayMessageAnimation].asBool().value_or(false);

        if (app.isStatusBarHidden()) {
            std::lock_guard lock(m_queueLock);
            m_messageQueue.clear();
            m_active = false;
            return;
        }
        // A repeat of the text on display is dropped without a new slide.
        if (!isReallyHidden() && visibleStatusLabel().text() == text) {
            removeLastRecord();
            continue;
        }

        m_pendingHide.cancel();
        m_pendingClearHistory.cancel();

        const ui::StatusBarStyle style = app.statusBarStyle();
        setStatusBarBackgroundForStyle(style);
        setColorSchemeForStatusBarStyle(style, type);
        updateUIForMessageType(type, duration);

        if (isReallyHidden()) {
            visibleStatusLabel().setText("");
            fade(false);
        }

        if (animated) {
            ui::Label& waiting = *m_hiddenStatusLabel;
            waiting.setText(text);
            updateProgressViewSizeForLabel(waiting);
            gfx::Rect wf = waiting.frame();
            wf.origin.y = Layout::kBarHeight;
            View::performWithoutAnimation([&] { waiting.setFrame(wf); });
            ui::Label* visible = &visibleStatusLabel();
            ui::Label* arriving = m_hiddenStatusLabel;
            ui::BlockAnimationOptions o;
            o.duration = kSlideDuration;
            o.allowUserInteraction = true;
            std::weak_ptr<View> weak = weak_from_this();
            View::animate(
                o,
                [visible, arriving] {
                    for (ui::Label* l : {visible, arriving}) {
                        gfx::Rect f = l->frame();
                        f.origin.y -= Layout::kBarHeight;
                        l->setFrame(f);
                    }
                },
                [weak, visible, text](bool) {
                    auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock());
                    if (!s)
                        return;
                    s->addMessageToHistory(visible->text());
                    s->m_hiddenStatusLabel = visible;
                    s->removeLastRecord();
                    s->callDelegateWithNewMessage(text);
                    s->scheduleNextStep();
                });
        } else {
            addMessageToHistory(visibleStatusLabel().text());
            visibleStatusLabel().setText(text);
            updateProgressViewSizeForLabel(visibleStatusLabel());
            removeLastRecord();
            callDelegateWithNewMessage(text);
            scheduleNextStep();
        }
        m_lastPostedMessage = text;
        return;
    }
}

void StatusBarOverlay::updateUIForMessageType(OverlayMessageType type, double duration) {
    if (type == OverlayMessageTypeActivity) {
        m_hideInProgress = false;
        m_finishedLabel->setHidden(true);
        if (hidesActivity) {
            m_activityIndicator->stopAnimating();
            m_activityIndicator->setHidden(true);
        } else {
            m_activityIndicator->startAnimating();
            m_activityIndicator->setHidden(false);
        }
    } else {
        m_hideInProgress = true;
        m_finishedLabel->setHidden(hidesActivity);
        m_activityIndicator->stopAnimating();
        m_activityIndicator->setHidden(true);
        if (type == OverlayMessageTypeError) {
            m_finishedLabel->setFont(gfx::Font::boldSystemFont(19));
            m_finishedLabel->setText("✗");
        } else {
            m_finishedLabel->setFont(finishFont());
            m_finishedLabel->setText("✓");
        }
        setProgress(1.0);
    }
    if (duration > 0) {
        m_pendingHide = WidgetHelpers::after(*this, duration, [this] { hide(); });
        m_pendingClearHistory = WidgetHelpers::after(*this, duration, [this] { clearHistory(); });
    }
}

void StatusBarOverlay::callDelegateWithNewMessage(const std::string& text) {
    auto d = m_delegate.lock();
    if (!d)
        return;
    std::optional<std::string> old;
    if (!m_messageHistory.empty())
        old = m_messageHistory.back();
    d->statusBarOverlayDidSwitchFromOldMessage(old, text);
}

void StatusBarOverlay::fade(bool hidden, std::function<void(bool)> completion) {
    if (isShrinked()) {
        setHidden(hidden, true);
        if (completion)
            completion(true);
        return;
    }
    View::animate(
        kFadeDuration, [this, hidden] { setHidden(hidden, true); }, std::move(completion));
}

void StatusBarOverlay::hide() {
    m_activityIndicator->stopAnimating();
    m_statusLabel1->setText("");
    m_statusLabel2->setText("");
    m_hideInProgress = false;
    m_pendingHide.cancel();
    setDetailViewHidden(true, true);
    std::weak_ptr<View> weak = weak_from_this();
    fade(true, [weak](bool finished) {
        auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock());
        // A message that came up during the fade has taken the window back.
        if (!s || !finished)
            return;
        if (auto d = s->m_delegate.lock())
            d->statusBarOverlayDidHide();
    });
}

void StatusBarOverlay::hideTemporary() {
    m_forcedToHide = true;
    fade(true);
}

void StatusBarOverlay::show() {
    m_forcedToHide = false;
    if (!isReallyHidden())
        return;
    if (!visibleStatusLabel().text().empty())
        fade(false);
    showNextMessage();
}

// --- history ---

void StatusBarOverlay::addMessageToHistory(const std::string& text) {
    if (isBlank(text))
        return;
    m_messageHistory.push_back(text);
    if (!isHistoryEnabled())
        return;
    setDetailViewHidden(isDetailViewHidden(), true);
    const ui::IndexPath row{0, static_cast<int64_t>(m_messageHistory.size()) - 1};
    m_historyTableView->insertRows({row}, true);
    m_historyTableView->scrollToRow(row, ui::TableViewScrollPosition::Top, true);
}

void StatusBarOverlay::clearHistory() {
    m_messageHistory.clear();
    m_historyTableView->reloadData();
}

void StatusBarOverlay::setHistoryEnabled(bool enabled) {
    setDetailViewMode(enabled ? OverlayDetailViewModeHistory : OverlayDetailViewModeCustom);
    if (!enabled)
        m_historyTableView->setHidden(true);
}

int64_t StatusBarOverlay::numberOfRows(ui::TableView&, int64_t) {
    return static_cast<int64_t>(m_messageHistory.size());
}

std::shared_ptr<ui::TableViewCell> StatusBarOverlay::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    static const std::string kCellId = "StatusBarOverlayHistoryCellID";
    auto cell = table.dequeueReusableCell(kCellId);
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Value1, kCellId);
    const bool dark = ui::Application::shared().statusBarStyle() != ui::StatusBarStyle::Default;
    const gfx::Color c = dark ? gfx::Color::white() : kGrey191;
    cell->textLabel().setFont(gfx::Font::boldSystemFont(10));
    cell->detailTextLabel().setFont(gfx::Font::boldSystemFont(12));
    cell->textLabel().setTextColor(c);
    cell->detailTextLabel().setTextColor(c);
    const size_t i = static_cast<size_t>(ip.row);
    cell->textLabel().setText(i < m_messageHistory.size() ? m_messageHistory[i] : std::string());
    cell->detailTextLabel().setText("✓");
    return cell;
}

// --- saved state ---

void StatusBarOverlay::saveStateSynchronized(bool synchronize) {
    auto& defaults = core::UserDefaults::standard();
    defaults.set(kStatusBarOverlayStateShrinked, isShrinked());
    if (synchronize)
        defaults.synchronize();
}

void StatusBarOverlay::restoreState() {
    setShrinked(core::UserDefaults::standard().getBool(kStatusBarOverlayStateShrinked).value_or(false), false);
}

// --- views ---

void StatusBarOverlay::addSubviewToBackgroundView(std::shared_ptr<ui::View> view) {
    view->setUserInteractionEnabled(false);
    m_backgroundView->addSubview(std::move(view));
}

void StatusBarOverlay::addSubviewToBackgroundView(std::shared_ptr<ui::View> view, size_t index) {
    view->setUserInteractionEnabled(false);
    m_backgroundView->insertSubview(std::move(view), index);
}

ui::Label& StatusBarOverlay::visibleStatusLabel() const {
    return m_hiddenStatusLabel == m_statusLabel1.get() ? *m_statusLabel2 : *m_statusLabel1;
}

bool StatusBarOverlay::isReallyHidden() const {
    return alpha() == 0 || isHidden();
}

void StatusBarOverlay::setHidden(bool hidden, bool useAlpha) {
    if (useAlpha)
        setAlpha(hidden ? 0.0 : 1.0);
    else
        View::setHidden(hidden);
}

bool StatusBarOverlay::isShrinked() const {
    return m_backgroundView->frame().width() == m_smallFrame.width();
}

void StatusBarOverlay::setShrinked(bool shrinked, bool animated) {
    auto change = [this, shrinked] {
        if (shrinked) {
            m_oldBackgroundViewFrame = m_backgroundView->frame();
            m_backgroundView->setFrame(m_smallFrame);
            m_statusLabel1->setHidden(true);
            m_statusLabel2->setHidden(true);
        } else {
            m_backgroundView->setFrame(m_oldBackgroundViewFrame);
            m_statusLabel1->setHidden(false);
            m_statusLabel2->setHidden(false);
            // The labels may have been squeezed by the small box's width.
            for (auto& l : {m_statusLabel1, m_statusLabel2}) {
                gfx::Rect f = l->frame();
                f.size.width = m_backgroundView->frame().width() - 60;
                l->setFrame(f);
            }
        }
    };
    if (animated)
        View::animate(kShrinkDuration, change);
    else
        View::performWithoutAnimation(change);
    setStatusBarBackgroundForStyle(ui::Application::shared().statusBarStyle());
}

bool StatusBarOverlay::isDetailViewHidden() const {
    const gfx::Rect f = m_detailView->frame();
    return m_detailView->isHidden() || m_detailView->alpha() == 0 || f.y() + f.height() < Layout::kBarHeight;
}

void StatusBarOverlay::setDetailViewHidden(bool hidden, bool animated) {
    const gfx::Rect current = m_detailView->frame();
    gfx::Rect target;
    if (hidden) {
        target = Layout::hiddenDetailFrame(current);
    } else {
        if (m_detailViewMode == OverlayDetailViewModeHistory) {
            gfx::Rect t = m_historyTableView->frame();
            t.origin.y = Layout::kBarHeight - Layout::historyOffset(m_messageHistory.size());
            View::performWithoutAnimation([&] { m_historyTableView->setFrame(t); });
        }
        target = Layout::shownDetailFrame(m_detailViewMode, current, m_messageHistory.size(),
                                          m_detailTextView->frame().height());
    }
    auto panel = m_detailView;
    if (!animated) {
        View::performWithoutAnimation([&] { panel->setFrame(target); });
        return;
    }
    ui::BlockAnimationOptions o;
    o.duration = kDetailDuration;
    o.curve = hidden ? ui::TimingFunction::EaseOut : ui::TimingFunction::EaseIn;
    View::animate(o, [panel, target] { panel->setFrame(target); });
}

void StatusBarOverlay::setDetailViewMode(OverlayDetailViewMode mode) {
    m_detailViewMode = mode;
    m_historyTableView->setHidden(mode != OverlayDetailViewModeHistory);
    m_detailTextView->setHidden(mode != OverlayDetailViewModeDetailText);
}

void StatusBarOverlay::setDetailText(const std::string& text) {
    if (text == m_detailText)
        return;
    m_detailText = text;
    m_detailTextView->setText(text);
    updateDetailTextViewHeight();
    setDetailViewHidden(isDetailViewHidden(), true);
}

void StatusBarOverlay::updateDetailTextViewHeight() {
    m_detailTextView->layoutIfNeeded();
    gfx::Rect f = m_detailTextView->frame();
    f.size.height = m_detailTextView->contentSize().height;
    m_detailTextView->setFrame(f);
}

void StatusBarOverlay::setAnimation(OverlayTapAnimation animation) {
    m_animation = animation;
    if (animation == OverlayTapAnimationNone || animation == OverlayTapAnimationShrink) {
        if (!isDetailViewHidden())
            setDetailViewHidden(true, true);
    } else if (isShrinked()) {
        setShrinked(false, true);
    }
}

void StatusBarOverlay::setProgress(double progress) {
    const double p = std::clamp(progress, 0.0, 1.0);
    double stored = m_progress.load();
    // Progress only goes forward, or back to the start.
    while ((p == 0 || p > stored) && !m_progress.compare_exchange_weak(stored, p)) {}
    std::weak_ptr<View> weak = weak_from_this();
    auto refit = [weak] {
        if (auto s = std::static_pointer_cast<StatusBarOverlay>(weak.lock()))
            s->updateProgressViewSizeForLabel(s->visibleStatusLabel());
    };
    if (core::RunLoop::isMainThread())
        core::RunLoop::current().post(refit);
    else
        core::RunLoop::runOnMain(refit, false);
}

void StatusBarOverlay::updateProgressViewSizeForLabel(ui::Label& label) {
    const gfx::Rect lf = label.frame();
    const double textWidth = label.text().empty() ? 0 : std::min(label.sizeThatFits(lf.size).width, lf.width());
    const auto strip = Layout::progressStrip(m_progress.load(), textWidth, lf.midX(), m_progressView->frame(),
                                             m_backgroundView->frame().width());
    if (strip.hidden) {
        m_progressView->setHidden(true);
        return;
    }
    if (textWidth == 0)
        return;
    m_progressView->setHidden(false);
    View::performWithoutAnimation([&] { m_progressView->setFrame(strip.frame); });
}

void StatusBarOverlay::setStatusBarBackgroundForStyle(ui::StatusBarStyle style) {
    const bool light = Layout::usesLightScheme(style, isPad(), ui::Application::shared().statusBarFrame());
    if (light)
        m_statusBarBackgroundImageView->setImage(isShrinked() ? m_defaultStatusBarImageShrinked
                                                              : m_defaultStatusBarImage);
    else
        m_statusBarBackgroundImageView->setImage({});
}

void StatusBarOverlay::setColorSchemeForStatusBarStyle(ui::StatusBarStyle style, OverlayMessageType) {
    const bool light = Layout::usesLightScheme(style, isPad(), ui::Application::shared().statusBarFrame());
    for (auto& l : {m_statusLabel1, m_statusLabel2, m_finishedLabel}) {
        l->setTextColor(light ? gfx::Color::black() : kGrey191);
        l->setShadowColor(light ? std::optional<gfx::Color>(gfx::Color::white()) : std::nullopt);
    }
    if (light) {
        m_activityIndicator->setStyle(ui::ActivityIndicatorStyle::Gray);
        m_activityIndicator->setColor(gfx::Color::black());
    } else {
        m_activityIndicator->setStyle(ui::ActivityIndicatorStyle::White);
    }
    m_detailView->setBackgroundColor(light ? gfx::Color::black() : gfx::Color::fromWhite(0.3));
    m_detailView->layer()->setBorderColor(light ? gfx::Color::darkGray() : gfx::Color::white());
    m_historyTableView->separatorColor = light ? gfx::Color::darkGray() : gfx::Color::white();
    m_detailTextView->setTextColor(light ? kGrey191 : gfx::Color::white());
    m_progressView->setBackgroundColor(light ? gfx::Color::clear() : gfx::Color::black());
    m_progressView->setImage(light ? m_defaultStatusBarImageShrinked : gfx::Image{});
}

void StatusBarOverlay::didChangeStatusBarFrame(const core::Notification&) {
    m_pendingRotation.cancel();
    m_pendingRotation = WidgetHelpers::after(*this, 0, [this] { rotateToStatusBarFrame(); });
}

void StatusBarOverlay::rotateToStatusBarFrame() {
    auto& app = ui::Application::shared();
    const bool visible = !isReallyHidden();
    const bool shrunk = isShrinked();
    if (visible) {
        View::performWithoutAnimation([this] { setHidden(true, true); });
        setDetailViewHidden(true, false);
    }
    const gfx::Rect screen = app.screenBounds();
    const auto p = Layout::placementFor(app.statusBarOrientation(), screen.size);
    View::performWithoutAnimation([&] {
        // The window is laid out unturned along the bar, then turned about its centre.
        setTransform(gfx::AffineTransform::identity());
        setBounds({0, 0, p.barLength, Layout::kBarHeight});
        setTransform(gfx::AffineTransform::rotation(p.angle));
        setCenter({p.frame.midX(), p.frame.midY()});
        m_smallFrame = p.smallFrame;
        if (shrunk) {
            m_oldBackgroundViewFrame = {0, 0, p.barLength, Layout::kBarHeight};
            m_backgroundView->setFrame(m_smallFrame);
        }
    });
    if (visible) {
        ui::BlockAnimationOptions o;
        o.duration = kFadeDuration;
        o.delay = ui::Application::kStatusBarRotationDuration;
        View::animate(o, [this] { setHidden(false, true); });
    }
}

void StatusBarOverlay::contentViewClicked(ui::GestureRecognizer& recognizer) {
    if (recognizer.state() != ui::GestureState::Ended)
        return;
    if (isShrinked())
        setShrinked(false, true);
    else if (isDetailViewHidden()) {
        if (m_animation == OverlayTapAnimationDetailPanel)
            setDetailViewHidden(false, true);
        else if (m_animation == OverlayTapAnimationShrink)
            setShrinked(true, true);
    } else {
        setDetailViewHidden(true, true);
    }
    if (auto d = m_delegate.lock())
        d->statusBarOverlayDidRecognizeGesture(recognizer);
}

void StatusBarOverlay::contentViewSwipedUp(ui::GestureRecognizer& recognizer) {
    swipedDetailView(recognizer, true);
}

void StatusBarOverlay::contentViewSwipedDown(ui::GestureRecognizer& recognizer) {
    swipedDetailView(recognizer, false);
}

void StatusBarOverlay::swipedDetailView(ui::GestureRecognizer& recognizer, bool hide) {
    if (recognizer.state() != ui::GestureState::Ended)
        return;
    setDetailViewHidden(hide, true);
    if (auto d = m_delegate.lock())
        d->statusBarOverlayDidRecognizeGesture(recognizer);
}

} // namespace pw
