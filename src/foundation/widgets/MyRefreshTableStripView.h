#pragma once
// What the pull-to-refresh header and footer share: the status text on a
// button covering the strip, the arrow that turns over when letting go would
// trigger, the small spinner while loading, and the state change between
// pulling (0), normal (1) and loading (2). The strips do not watch the table:
// the owner forwards its scroll events and reports when its request has ended.
#include "platform/core/Cancelable.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ScrollView.h"

#include <memory>
#include <string>

namespace pw {

enum RefreshState : int { RefreshStatePulling = 0, RefreshStateNormal = 1, RefreshStateLoading = 2 };

class MyRefreshTableStripView : public ui::View {
public:
    ~MyRefreshTableStripView() override;

    // The pull distance that triggers, in points.
    static constexpr double kTriggerDistance = 60;
    static constexpr double kArrowTurnDuration = 0.18;
    static constexpr double kFinishRetryDelay = 0.5;
    // Where the spinner and the arrow sit in a strip of height h.
    static gfx::Rect activityFrame(double h) { return {55, (h - 20) / 2 - 2, 20, 20}; }
    static gfx::Rect arrowFrame(double h) { return {55, (h - 30) / 2, 23, 30}; }

    void setState(int state);
    int refreshState() const { return m_refreshState; }
    bool isLoadingNow() const { return m_isLoadingNow; }
    void setLoadingNow(bool loading) { m_isLoadingNow = loading; }
    // Shows loading for a request the owner started itself: no delegate message.
    void enterLoadingState();

    // The owner's request has ended (or failed): back to normal once the table rests.
    void refreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& table);
    void finishedLoading(ui::ScrollView& table);
    // A finish waits for the table's deceleration to end.
    bool hasPendingFinish() const { return m_retry.isValid() && !m_retry.hasRun() && !m_retry.isCancelled(); }

    ui::Button& btnLoadMore() { return *m_btnLoadMore; }
    ui::ActivityIndicatorView& activityView() { return *m_activityView; }
    ui::Layer& arrowImage() { return *m_arrowImage; }

protected:
    using View::View;
    // The text a state shows (none for an unknown state).
    virtual const char* textForState(int state) const = 0;
    // The return to normal once the table has stopped.
    virtual void didFinishLoading(ui::ScrollView& table) = 0;
    // Builds the button (its title colours given), the spinner and the arrow.
    void buildStrip(const std::string& arrowPicture, gfx::Color titleNormal, gfx::Color titleHighlighted);

private:
    std::shared_ptr<ui::Button> m_btnLoadMore;
    std::shared_ptr<ui::ActivityIndicatorView> m_activityView;
    std::shared_ptr<ui::Layer> m_arrowImage;
    int m_refreshState = RefreshStatePulling;
    bool m_isLoadingNow = false;
    core::Cancelable m_retry;
};

} // namespace pw
