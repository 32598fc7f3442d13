#pragma once
// The overlay panel every screen shows short tips and progress with: a rounded
// translucent box centred over the screen's view, an indicator (spinner, round
// progress, a custom view or nothing) above a line of text and optional details.
#include "platform/core/Cancelable.h"
#include "platform/core/ObserverToken.h"
#include "platform/gfx/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class ProgressHUD;

class ProgressHUDDelegate {
public:
    virtual ~ProgressHUDDelegate() = default;
    virtual void hudWasHidden(ProgressHUD&) {}
};

enum ProgressHUDMode : int {
    ProgressHUDModeIndeterminate = 0,
    ProgressHUDModeDeterminate = 1,
    ProgressHUDModeAnnularDeterminate = 2,
    ProgressHUDModeCustomView = 3,
    ProgressHUDModeText = 4,
};

enum ProgressHUDAnimation : int { ProgressHUDAnimationFade = 0, ProgressHUDAnimationZoom = 1 };

class ProgressHUD : public ui::View {
public:
    // The panel over a view (its bounds), made the platform way.
    static std::shared_ptr<ProgressHUD> initWithView(ui::View* view);
    static std::shared_ptr<ProgressHUD> initWithWindow(ui::Window* window);
    static std::shared_ptr<ProgressHUD> initWithFrame(const gfx::Rect& frame);
    ~ProgressHUD() override;

    // --- class operations ---
    static std::shared_ptr<ProgressHUD> showHUDAddedTo(ui::View* view, bool animated);
    static bool hideHUDForView(ui::View* view, bool animated);
    static int hideAllHUDsForView(ui::View* view, bool animated);
    static ProgressHUD* HUDForView(ui::View* view);
    static std::vector<ProgressHUD*> allHUDsForView(ui::View* view);

    // --- showing and hiding ---
    void show(bool animated);
    void hide(bool animated);
    void hideAfterDelay(bool animated, double delay);
    // Runs the task on its own thread and hides the panel when it returns.
    void showWhileExecuting(std::function<void()> task, bool animated);

    // --- tips ---
    void showTipsWithLoading(const std::string& text);
    void showTipsWithLoading(const std::string& text, const std::string& details);
    void showTipsWithoutLoading(const std::string& text);
    void showTipsWithoutHideFirst(const std::string& text);
    void showTipsWithLoadingHideDelay(const std::string& text, float delay);
    void showTipsWithLoadingDetailsHideDelay(const std::string& text, const std::string& details, float delay);
    void showTipsWithoutLoadingHideDelay(const std::string& text, float delay);
    void showTipsWithoutHideFirstHideDelay(const std::string& text, float delay);

    // --- observed properties (any thread) ---
    int mode() const;
    void setMode(int mode);
    std::shared_ptr<ui::View> customView() const;
    void setCustomView(std::shared_ptr<ui::View> v);
    std::optional<std::string> labelText() const;
    void setLabelText(std::optional<std::string> t);
    std::optional<std::string> detailsLabelText() const;
    void setDetailsLabelText(std::optional<std::string> t);
    gfx::Font labelFont() const;
    void setLabelFont(const gfx::Font& f);
    gfx::Font detailsLabelFont() const;
    void setDetailsLabelFont(const gfx::Font& f);
    float progress() const;
    void setProgress(float p);

    // --- plain properties, read at the next layout or drawing ---
    int animationType = ProgressHUDAnimationFade;
    float opacity = 0.8f;
    float xOffset = 0;
    float yOffset = 0;
    gfx::Size minSize;
    bool square = false;
    bool isSquare() const { return square; }
    float margin = 20;
    bool dimBackground = false;
    float graceTime = 0;
    float minShowTime = 0;
    bool removeFromSuperViewOnHide = false;
    bool taskInProgress() const { return m_taskInProgress; }
    void setDelegate(std::weak_ptr<ProgressHUDDelegate> d) { m_delegate = std::move(d); }

    // --- state for callers and tests ---
    const std::shared_ptr<ui::View>& indicator() const { return m_indicator; }
    gfx::Size size() const { return m_size; }
    bool isShown() const { return m_showStarted.has_value(); }
    bool useAnimation() const { return m_useAnimation; }
    const gfx::AffineTransform& rotationTransform() const { return m_rotationTransform; }
    ui::Label& label() { return *m_label; }
    ui::Label& detailsLabel() { return *m_detailsLabel; }
    bool hasScheduledHide() const;

    void setTransformForCurrentOrientation(bool animated);
    void layoutSubviews() override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit ProgressHUD(const gfx::Rect& frame);
    friend class ui::View;
    void didCreate() override;

private:
    void setupLabels();
    void updateIndicators();
    void updateUIForKeypath(const std::string& keyPath);
    void observe(const std::string& keyPath);
    void showUsingAnimation(bool animated);
    void hideUsingAnimation(bool animated);
    void done();
    void cleanUp();
    void handleGraceTimer();
    void handleMinShowTimer();
    void deviceOrientationDidChange();

    mutable std::mutex m_mutex;
    int m_mode = ProgressHUDModeIndeterminate;
    std::shared_ptr<ui::View> m_customView;
    std::optional<std::string> m_labelText;
    std::optional<std::string> m_detailsLabelText;
    gfx::Font m_labelFont = gfx::Font::systemFont(14);
    gfx::Font m_detailsLabelFont = gfx::Font::systemFont(12);
    float m_progress = 0;

    bool m_useAnimation = false;
    std::shared_ptr<ui::Label> m_label;
    std::shared_ptr<ui::Label> m_detailsLabel;
    std::shared_ptr<ui::View> m_indicator;
    gfx::AffineTransform m_rotationTransform;
    gfx::Size m_size;
    std::optional<double> m_showStarted;
    bool m_taskInProgress = false;
    std::function<void()> m_task;
    core::Cancelable m_graceTimer;
    core::Cancelable m_minShowTimer;
    std::vector<core::Cancelable> m_delayedHides;
    std::weak_ptr<ProgressHUDDelegate> m_delegate;
    core::ObserverToken m_orientationToken;
    bool m_observing = false;
    uint64_t m_generation = 0; // counts showings
};

} // namespace pw
