#include "foundation/widgets/ProgressHUD.h"

#include "foundation/widgets/RoundProgressView.h"
#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/gfx/TextLayout.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace pw {

using gfx::Rect;
using gfx::Size;

namespace {
constexpr double kPadding = 4;
constexpr double kAnimationDuration = 0.3;

double now() {
    return core::Clock::shared().monotonic();
}

Size measureLine(const std::optional<std::string>& text, const gfx::Font& font) {
    // No text, or an empty one, takes no room.
    if (!text || text->empty())
        return {};
    const Size s = gfx::TextLayout::measure(*text, font);
    return {std::ceil(s.width), std::ceil(s.height)};
}
} // namespace

// --- creation ---

ProgressHUD::ProgressHUD(const Rect& frame) : View(frame) {
    setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                        ui::FlexibleBottomMargin);
    setOpaque(false);
    setBackgroundColor(gfx::Color::clear());
    setAlpha(0);
}

void ProgressHUD::didCreate() {
    setupLabels();
    updateIndicators();
    m_observing = true;
    std::weak_ptr<View> weak = weak_from_this();
    m_orientationToken = core::NotificationCenter::defaultCenter().addObserver(
        ui::kDeviceOrientationDidChangeNotification, [this, weak](const core::Notification&) {
            if (auto keep = weak.lock())
                deviceOrientationDidChange();
        });
}

ProgressHUD::~ProgressHUD() {
    m_orientationToken.reset();
    m_observing = false;
    m_graceTimer.cancel();
    m_minShowTimer.cancel();
    for (auto& c : m_delayedHides)
        c.cancel();
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithFrame(const Rect& frame) {
    return View::create<ProgressHUD>(frame);
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithView(ui::View* view) {
    auto hud = initWithFrame(view ? view->bounds() : Rect());
    if (dynamic_cast<ui::Window*>(view))
        hud->setTransformForCurrentOrientation(false);
    return hud;
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithWindow(ui::Window* window) {
    return initWithView(window);
}

// --- class operations ---

std::shared_ptr<ProgressHUD> ProgressHUD::showHUDAddedTo(ui::View* view, bool animated) {
    auto hud = initWithView(view);
    if (view)
        view->addSubview(hud);
    hud->show(animated);
    return hud;
}

ProgressHUD* ProgressHUD::HUDForView(ui::View* view) {
    ProgressHUD* found = nullptr;
    if (!view)
        return nullptr;
    for (const auto& s : view->subviews())
        if (auto* h = dynamic_cast<ProgressHUD*>(s.get()))
            found = h;
    return found;
}

std::vector<ProgressHUD*> ProgressHUD::allHUDsForView(ui::View* view) {
    std::vector<ProgressHUD*> out;
    if (!view)
        return out;
    for (const auto& s : view->subviews())
        if (auto* h = dynamic_cast<ProgressHUD*>(s.get()))
            out.push_back(h);
    return out;
}

bool ProgressHUD::hideHUDForView(ui::View* view, bool animated) {
    ProgressHUD* hud = HUDForView(view);
    if (!hud)
        return false;
    hud->removeFromSuperViewOnHide = true;
    hud->hide(animated);
    return true;
}

int ProgressHUD::hideAllHUDsForView(ui::View* view, bool animated) {
    auto all = allHUDsForView(view);
    std::vector<std::shared_ptr<View>> keep;
    for (auto* h : all)
        keep.push_back(h->sharedFromThis());
    for (auto* h : all) {
        h->removeFromSuperViewOnHide = true;
        h->hide(animated);
    }
    return static_cast<int>(all.size());
}

// --- labels and indicator ---

void ProgressHUD::setupLabels() {
    m_label = View::create<ui::Label>(bounds());
    m_label->setAdjustsFontSizeToFitWidth(false);
    m_label->setTextAlignment(gfx::TextAlignment::Center);
    m_label->setOpaque(false);
    m_label->setBackgroundColor(gfx::Color::clear());
    m_label->setTextColor(gfx::Color::white());
    m_label->setFont(m_labelFont);
    m_label->setText(m_labelText.value_or(""));
    addSubview(m_label);

    m_detailsLabel = View::create<ui::Label>(bounds());
    m_detailsLabel->setFont(m_detailsLabelFont);
    m_detailsLabel->setAdjustsFontSizeToFitWidth(false);
    m_detailsLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_detailsLabel->setOpaque(false);
    m_detailsLabel->setBackgroundColor(gfx::Color::clear());
    m_detailsLabel->setTextColor(gfx::Color::white());
    m_detailsLabel->setNumberOfLines(0);
    m_detailsLabel->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    m_detailsLabel->setText(m_detailsLabelText.value_or(""));
    addSubview(m_detailsLabel);
}

void ProgressHUD::updateIndicators() {
    int mode;
    std::shared_ptr<View> custom;
    {
        std::lock_guard lock(m_mutex);
        mode = m_mode;
        custom = m_customView;
    }
    auto removeOld = [this] {
        if (m_indicator && m_indicator->superview() == this)
            m_indicator->removeFromSuperview();
    };
    switch (mode) {
    case ProgressHUDModeIndeterminate:
        if (!dynamic_cast<ui::ActivityIndicatorView*>(m_indicator.get())) {
            removeOld();
            auto spinner = View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::WhiteLarge);
            spinner->setHidesWhenStopped(false);
            // It turns while the panel shows (showing starts it again).
            if (m_showStarted)
                spinner->startAnimating();
            m_indicator = spinner;
            addSubview(m_indicator);
        }
        break;
    case ProgressHUDModeDeterminate:
    case ProgressHUDModeAnnularDeterminate:
        if (!dynamic_cast<RoundProgressView*>(m_indicator.get())) {
            removeOld();
            m_indicator = View::create<RoundProgressView>();
            addSubview(m_indicator);
        }
        // Back to mode 1 keeps the ring: only mode 2 sets it.
        if (mode == ProgressHUDModeAnnularDeterminate)
            static_cast<RoundProgressView*>(m_indicator.get())->setAnnular(true);
        break;
    case ProgressHUDModeCustomView:
        if (m_indicator != custom) {
            removeOld();
            m_indicator = custom;
            if (m_indicator)
                addSubview(m_indicator);
        }
        break;
    case ProgressHUDModeText:
        removeOld();
        m_indicator.reset();
        break;
    default:
        break;
    }
}

// --- observed properties ---

void ProgressHUD::observe(const std::string& keyPath) {
    if (!m_observing)
        return;
    if (core::RunLoop::isMainThread()) {
        updateUIForKeypath(keyPath);
        return;
    }
    std::weak_ptr<View> weak = weak_from_this();
    core::RunLoop::runOnMain(
        [this, weak, keyPath] {
            if (auto keep = weak.lock())
                updateUIForKeypath(keyPath);
        },
        false);
}

void ProgressHUD::updateUIForKeypath(const std::string& keyPath) {
    if (keyPath == "mode" || keyPath == "customView") {
        updateIndicators();
    } else if (keyPath == "labelText") {
        m_label->setText(labelText().value_or(""));
    } else if (keyPath == "labelFont") {
        m_label->setFont(labelFont());
    } else if (keyPath == "detailsLabelText") {
        m_detailsLabel->setText(detailsLabelText().value_or(""));
    } else if (keyPath == "detailsLabelFont") {
        m_detailsLabel->setFont(detailsLabelFont());
    } else if (keyPath == "progress") {
        if (auto* p = dynamic_cast<RoundProgressView*>(m_indicator.get()))
            p->setProgress(progress());
        return;
    }
    setNeedsLayout();
    setNeedsDisplay();
}

int ProgressHUD::mode() const {
    std::lock_guard lock(m_mutex);
    return m_mode;
}
void ProgressHUD::setMode(int mode) {
    {
        std::lock_guard lock(m_mutex);
        m_mode = mode;
    }
    observe("mode");
}
std::shared_ptr<ui::View> ProgressHUD::customView() const {
    std::lock_guard lock(m_mutex);
    return m_customView;
}
void ProgressHUD::setCustomView(std::shared_ptr<ui::View> v) {
    {
        std::lock_guard lock(m_mutex);
        m_customView = std::move(v);
    }
    observe("customView");
}
std::optional<std::string> ProgressHUD::labelText() const {
    std::lock_guard lock(m_mutex);
    return m_labelText;
}
void ProgressHUD::setLabelText(std::optional<std::string> t) {
    {
        std::lock_guard lock(m_mutex);
        m_labelText = std::move(t);
    }
    observe("labelText");
}
std::optional<std::string> ProgressHUD::detailsLabelText() const {
    std::lock_guard lock(m_mutex);
    return m_detailsLabelText;
}
void ProgressHUD::setDetailsLabelText(std::optional<std::string> t) {
    {
        std::lock_guard lock(m_mutex);
        m_detailsLabelText = std::move(t);
    }
    observe("detailsLabelText");
}
gfx::Font ProgressHUD::labelFont() const {
    std::lock_guard lock(m_mutex);
    return m_labelFont;
}
void ProgressHUD::setLabelFont(const gfx::Font& f) {
    {
        std::lock_guard lock(m_mutex);
        m_labelFont = f;
    }
    observe("labelFont");
}
gfx::Font ProgressHUD::detailsLabelFont() const {
    std::lock_guard lock(m_mutex);
    return m_detailsLabelFont;
}
void ProgressHUD::setDetailsLabelFont(const gfx::Font& f) {
    {
        std::lock_guard lock(m_mutex);
        m_detailsLabelFont = f;
    }
    observe("detailsLabelFont");
}
float ProgressHUD::progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}
void ProgressHUD::setProgress(float p) {
    {
        std::lock_guard lock(m_mutex);
        m_progress = p;
    }
    observe("progress");
}

// --- layout and drawing ---

void ProgressHUD::layoutSubviews() {
    const Rect b = bounds();
    const double W = b.width(), H = b.height();
    const double maxWidth = W - 4 * margin;

    Size ind = m_indicator ? m_indicator->bounds().size : Size{};
    ind.width = std::min(ind.width, maxWidth);
    double totalWidth = ind.width;
    double totalHeight = ind.height;

    Size lab = measureLine(labelText(), m_label->font());
    lab.width = std::min(lab.width, maxWidth);
    totalWidth = std::max(totalWidth, lab.width);
    totalHeight += lab.height;
    if (lab.height > 0 && ind.height > 0)
        totalHeight += kPadding;

    Size det;
    const auto details = detailsLabelText();
    if (details && !details->empty()) {
        const double maxHeight = H - totalHeight - kPadding - 4 * margin;
        const Size s = gfx::TextLayout::measure(*details, m_detailsLabel->font(), std::max(1.0, maxWidth),
                                                gfx::LineBreakMode::WordWrap);
        det = {std::min(std::ceil(s.width), std::max(0.0, maxWidth)),
               std::min(std::ceil(s.height), std::max(0.0, maxHeight))};
    }
    totalWidth = std::max(totalWidth, det.width);
    totalHeight += det.height;
    if (det.height > 0 && (ind.height > 0 || lab.height > 0))
        totalHeight += kPadding;

    totalWidth += 2 * margin;
    totalHeight += 2 * margin;

    double y = std::round((H - totalHeight) / 2) + margin + yOffset;
    if (m_indicator)
        m_indicator->setFrame({std::round((W - ind.width) / 2) + xOffset, y, ind.width, ind.height});
    y += ind.height;
    if (lab.height > 0 && ind.height > 0)
        y += kPadding;
    m_label->setFrame({std::round((W - lab.width) / 2) + xOffset, y, lab.width, lab.height});
    y += lab.height;
    if (det.height > 0 && (ind.height > 0 || lab.height > 0))
        y += kPadding;
    m_detailsLabel->setFrame({std::round((W - det.width) / 2) + xOffset, y, det.width, det.height});

    if (square) {
        const double side = std::max(totalWidth, totalHeight);
        if (side <= W - 2 * margin)
            totalWidth = side;
        if (side <= H - 2 * margin)
            totalHeight = side;
    }
    totalWidth = std::max(totalWidth, minSize.width);
    totalHeight = std::max(totalHeight, minSize.height);
    m_size = {totalWidth, totalHeight};
    setNeedsDisplay();
}

void ProgressHUD::draw(gfx::Context& ctx, const Rect&) {
    const Rect b = bounds();
    const double W = b.width(), H = b.height();
    if (dimBackground) {
        ctx.save();
        ctx.clipToRect(b);
        ctx.drawRadialGradient({{0, gfx::Color(0, 0, 0, 0)}, {1, gfx::Color(0, 0, 0, 0.75)}}, {W / 2, H / 2}, 0,
                               {W / 2, H / 2}, std::min(W, H), gfx::GradientDrawsAfterEnd);
        ctx.restore();
    }
    const Rect box(std::round((W - m_size.width) / 2) + xOffset, std::round((H - m_size.height) / 2) + yOffset,
                   m_size.width, m_size.height);
    const double r = 4;
    const double pi = std::numbers::pi;
    ctx.setFillColor(gfx::Color::fromWhite(0.15, opacity));
    ctx.beginPath();
    ctx.moveTo({box.minX() + r, box.minY()});
    ctx.addArc({box.maxX() - r, box.minY() + r}, r, 3 * pi / 2, 0, true);
    ctx.addArc({box.maxX() - r, box.maxY() - r}, r, 0, pi / 2, true);
    ctx.addArc({box.minX() + r, box.maxY() - r}, r, pi / 2, pi, true);
    ctx.addArc({box.minX() + r, box.minY() + r}, r, pi, 3 * pi / 2, true);
    ctx.closePath();
    ctx.fillPath();
}

// --- showing and hiding ---

void ProgressHUD::show(bool animated) {
    m_useAnimation = animated;
    if (graceTime > 0) {
        m_graceTimer.cancel();
        std::weak_ptr<View> weak = weak_from_this();
        m_graceTimer = core::RunLoop::current().postAfter(graceTime, [this, weak] {
            if (auto keep = weak.lock())
                handleGraceTimer();
        });
        return;
    }
    setNeedsDisplay();
    showUsingAnimation(m_useAnimation);
}

void ProgressHUD::handleGraceTimer() {
    if (!m_taskInProgress)
        return;
    setNeedsDisplay();
    showUsingAnimation(m_useAnimation);
}

void ProgressHUD::showUsingAnimation(bool animated) {
    ++m_generation;
    if (auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(m_indicator.get()))
        spinner->startAnimating();
    View::performWithoutAnimation([&] { setAlpha(0); });
    // Any hide animation still running belongs to an earlier showing.
    layer()->removeAnimation("opacity");
    layer()->removeAnimation("transform");
    if (!animated) {
        m_showStarted = now();
        View::performWithoutAnimation([&] { setAlpha(1); });
        return;
    }
    if (animationType == ProgressHUDAnimationZoom)
        View::performWithoutAnimation(
            [&] { setTransform(m_rotationTransform.concat(gfx::AffineTransform::scaling(1.5, 1.5))); });
    m_showStarted = now();
    View::animate(kAnimationDuration, [&] {
        setAlpha(1);
        if (animationType == ProgressHUDAnimationZoom)
            setTransform(m_rotationTransform);
    });
}

void ProgressHUD::hide(bool animated) {
    m_useAnimation = animated;
    if (minShowTime > 0 && m_showStarted) {
        const double elapsed = now() - *m_showStarted;
        if (elapsed < minShowTime) {
            m_minShowTimer.cancel();
            std::weak_ptr<View> weak = weak_from_this();
            m_minShowTimer = core::RunLoop::current().postAfter(minShowTime - elapsed, [this, weak] {
                if (auto keep = weak.lock())
                    handleMinShowTimer();
            });
            return;
        }
    }
    hideUsingAnimation(m_useAnimation);
}

void ProgressHUD::handleMinShowTimer() {
    hideUsingAnimation(m_useAnimation);
}

void ProgressHUD::hideUsingAnimation(bool animated) {
    if (animated && m_showStarted) {
        auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
        const uint64_t generation = m_generation;
        View::animate(
            kAnimationDuration,
            [&] {
                if (animationType == ProgressHUDAnimationZoom)
                    setTransform(m_rotationTransform.concat(gfx::AffineTransform::scaling(0.5, 0.5)));
                setAlpha(0.02f);
            },
            [self, generation](bool) {
                // Interrupted or not, the hide completes -- unless the panel was shown
                // again meanwhile, which the old hide must not undo.
                if (self->m_generation != generation)
                    return;
                self->done();
            });
    } else {
        View::performWithoutAnimation([&] { setAlpha(0); });
        done();
    }
    m_showStarted.reset();
}

void ProgressHUD::done() {
    auto keep = shared_from_this();
    View::performWithoutAnimation([&] { setAlpha(0); });
    // A hidden panel's spinner need not turn (it starts again with the next showing).
    if (auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(m_indicator.get()))
        spinner->stopAnimating();
    if (auto d = m_delegate.lock())
        d->hudWasHidden(*this);
    if (removeFromSuperViewOnHide)
        removeFromSuperview();
}

void ProgressHUD::hideAfterDelay(bool animated, double delay) {
    std::weak_ptr<View> weak = weak_from_this();
    m_delayedHides.push_back(core::RunLoop::current().postAfter(delay, [this, weak, animated] {
        if (auto keep = weak.lock())
            hide(animated);
    }));
    // Forget the ones that are done.
    std::erase_if(m_delayedHides, [](const core::Cancelable& c) { return c.hasRun() || c.isCancelled(); });
}

bool ProgressHUD::hasScheduledHide() const {
    return std::any_of(m_delayedHides.begin(), m_delayedHides.end(),
                       [](const core::Cancelable& c) { return !c.hasRun() && !c.isCancelled(); });
}

void ProgressHUD::showWhileExecuting(std::function<void()> task, bool animated) {
    m_task = task;
    m_taskInProgress = true;
    std::weak_ptr<View> weak = weak_from_this();
    std::thread([task = std::move(task), weak, this] {
        if (task)
            task();
        core::RunLoop::runOnMain(
            [weak, this] {
                if (auto keep = weak.lock())
                    cleanUp();
            },
            false);
    }).detach();
    show(animated);
}

void ProgressHUD::cleanUp() {
    m_taskInProgress = false;
    m_indicator.reset(); // the view itself stays in the panel
    m_task = nullptr;
    hide(m_useAnimation);
}

// --- tips ---

void ProgressHUD::showTipsWithLoading(const std::string& text) {
    showTipsWithLoading(text, "");
}

void ProgressHUD::showTipsWithLoading(const std::string& text, const std::string& details) {
    hide(false);
    setMode(ProgressHUDModeIndeterminate);
    setLabelText(text);
    setDetailsLabelText(details);
    show(true);
}

void ProgressHUD::showTipsWithoutLoading(const std::string& text) {
    hide(false);
    setMode(ProgressHUDModeCustomView);
    setLabelText(text);
    setDetailsLabelText(std::string());
    show(true);
}

void ProgressHUD::showTipsWithoutHideFirst(const std::string& text) {
    setMode(ProgressHUDModeIndeterminate);
    setLabelText(text);
    setDetailsLabelText(std::string());
    show(true);
}

void ProgressHUD::showTipsWithLoadingHideDelay(const std::string& text, float delay) {
    showTipsWithLoading(text);
    hideAfterDelay(true, delay);
}

void ProgressHUD::showTipsWithLoadingDetailsHideDelay(const std::string& text, const std::string& details,
                                                      float delay) {
    showTipsWithLoading(text, details);
    hideAfterDelay(true, delay);
}

void ProgressHUD::showTipsWithoutLoadingHideDelay(const std::string& text, float delay) {
    showTipsWithoutLoading(text);
    hideAfterDelay(true, delay);
}

void ProgressHUD::showTipsWithoutHideFirstHideDelay(const std::string& text, float delay) {
    showTipsWithoutHideFirst(text);
    hideAfterDelay(true, delay);
}

// --- orientation ---

void ProgressHUD::setTransformForCurrentOrientation(bool animated) {
    if (superview()) {
        setBounds(superview()->bounds());
        setNeedsDisplay();
    }
    const auto o = ui::Application::shared().statusBarOrientation();
    double angle = 0;
    if (o == device::Orientation::LandscapeRight) // home button left
        angle = -std::numbers::pi / 2;
    else if (o == device::Orientation::LandscapeLeft) // home button right
        angle = std::numbers::pi / 2;
    else if (o == device::Orientation::PortraitUpsideDown)
        angle = std::numbers::pi;
    if (device::Device::isLandscape(o)) {
        const Rect b = bounds();
        setBounds({0, 0, b.height(), b.width()});
    }
    m_rotationTransform = gfx::AffineTransform::rotation(angle);
    if (animated)
        View::animate(0.3, [&] { setTransform(m_rotationTransform); });
    else
        View::performWithoutAnimation([&] { setTransform(m_rotationTransform); });
}

void ProgressHUD::deviceOrientationDidChange() {
    View* parent = superview();
    if (!parent)
        return;
    if (dynamic_cast<ui::Window*>(parent)) {
        setTransformForCurrentOrientation(true);
    } else {
        setBounds(parent->bounds());
        setNeedsDisplay();
    }
}

} // namespace pw
