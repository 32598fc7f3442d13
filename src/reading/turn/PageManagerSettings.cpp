// The page manager's reading settings, dimming overlay, automatic scroll and the
// bookmark animation.

#include "platform/core/RunLoop.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/Animation.h"
#include "reading/page/PageWindow.h"
#include "reading/turn/AutoScrollView.h"
#include "reading/turn/PageManager.h"

#include <cmath>

namespace pw {

void PageManager::layoutChanged() {
    m_cntMgr->setupConfig();
    m_cache->invalidate();
}

void PageManager::setupPageConfig() {
    m_cntMgr->setRzConfig(m_rzConfig);
    layoutChanged();
}

void PageManager::fontSizeChangedHandler(int points) {
    m_rzConfig->setFontSize(static_cast<float>(points));
    layoutChanged();
    reloadCurrentPage();
    m_rzConfig->saveConfig();
}

void PageManager::orientationChangedHandler(gfx::Size canvas, int orientation) {
    m_rzConfig->setCanvasSize(canvas);
    m_rzConfig->setPageBgImageColorIsPortrait(orientation == 1 || orientation == 2);
    layoutChanged();
    reloadCurrentPage();
}

void PageManager::lightSwitch() {
    m_rzConfig->setLightOn(!m_rzConfig->lightOn());
    layoutChanged();
    m_rzConfig->saveConfig();
    reloadCurrentPage();
}

bool PageManager::isRotateLock() const {
    return (m_rzConfig && m_rzConfig->rotateLock()) || m_isAutoScrolling;
}

void PageManager::rotateLock() {
    m_rzConfig->setRotateLock(!m_rzConfig->rotateLock());
    m_rzConfig->saveConfig();
}

void PageManager::setupScreenBrightness(int brightness) {
    setupScreenBrightnessWithoutSave(brightness);
    m_rzConfig->saveConfig();
}

void PageManager::setupScreenBrightnessWithoutSave(int b) {
    if (!m_pageView)
        return;
    ui::View* overlay = m_pageView->viewWithTag(kDimmingViewTag);
    if (overlay == m_pageView.get())
        overlay = nullptr;
    if (overlay) {
        if (b < 100) {
            overlay->setAlpha(1 - b / 100.0);
            m_rzConfig->setScreenBrightness(b);
        } else {
            m_rzConfig->setScreenBrightness(100);
            overlay->removeFromSuperview();
        }
        return;
    }
    if (b >= 100)
        return;
    m_rzConfig->setScreenBrightness(b);
    auto dim = ui::View::create(m_pageView->bounds());
    dim->setBackgroundColor(gfx::Color::black());
    dim->setAlpha(1 - b / 100.0);
    dim->setTag(kDimmingViewTag);
    dim->setUserInteractionEnabled(true);
    dim->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_pageView->addSubview(dim);
}

void PageManager::pageCurlChanged(int type) {
    if (type != kTurnAutoScroll)
        m_rzConfig->setPageTurningType(type);
    if (auto d = m_delegate.lock())
        d->changePageTurningType(type);
    setupScreenBrightness(m_rzConfig->screenBrightness());
    if (type != kTurnAutoScroll)
        reloadCurrentPage();
    m_rzConfig->saveConfig();
}

void PageManager::autoScrollScreenSpeedChanged(int speed) {
    m_rzConfig->setAutoScrollSpeed(speed);
    m_rzConfig->saveConfig();
}

double PageManager::autoScrollInterval(int speed) {
    if (speed == 2)
        return 0.5;
    if (speed == 1)
        return 0.1;
    return 0.05;
}

void PageManager::beginAutoScrollScreen() {
    if (!m_pageView || m_isAutoScrolling)
        return;
    const double interval = autoScrollInterval(m_rzConfig->autoScrollSpeed());
    m_pageView->setBottomPageImage(m_currPage ? m_currPage->pageImage : gfx::Image());
    m_pageView->touchesBegan(gfx::Point{1, 1});
    m_autoScrollTimer =
        core::RunLoop::main().scheduleTimer(interval, true, [this](core::Timer& t) { autoScrollingsRepeat(&t); });
    m_isAutoScrolling = true;
}

void PageManager::exitAutoScrollScreen() {
    m_isAutoScrolling = false;
}

void PageManager::endAutoScrollScreen(core::Timer* timer) {
    m_autoScrollTop = kAutoScrollRestingTop;
    if (timer && timer->isValid())
        timer->invalidate();
    if (m_autoScrollTimer && m_autoScrollTimer.get() != timer)
        m_autoScrollTimer->invalidate();
    m_autoScrollTimer.reset();
    saveBookReadingInfo();
    m_isAutoScrolling = false;
    if (auto d = m_delegate.lock())
        d->autoScrollScreenEnd();
}

void PageManager::autoScrollingsRepeat(core::Timer* timer) {
    if (!m_isAutoScrolling) {
        endAutoScrollScreen(timer);
        return;
    }
    if (!m_pageView)
        return;
    if (m_autoScrollTop <= m_rzConfig->canvasSize().height) {
        // One point per step.
        m_pageView->touchesMoved(gfx::Point{0, m_autoScrollTop});
        m_autoScrollTop += 1;
        m_pageView->setNeedsDisplay();
        return;
    }
    // The revealed page is complete: the next one.
    std::shared_ptr<PageContent> next;
    const int64_t end = m_currPage ? m_currPage->end : 0;
    if (isChunkedTxt() && estimate() >= static_cast<int64_t>(m_data->size()) - end - 1) {
        const gfx::Size size = pageSize();
        if (isFirstPageOrLastPage({size.width - 10, size.height - 10}, true)) {
            endAutoScrollScreen(timer);
            return;
        }
        m_pageView->setBottomPageImage(m_currPage ? m_currPage->pageImage : gfx::Image());
        next = layoutFrom(-1);
    } else {
        if (!isChunkedTxt() && isLastPage()) {
            // Chapters are not crossed by the automatic scroll.
            endAutoScrollScreen(timer);
            return;
        }
        m_pageView->setBottomPageImage(m_currPage ? m_currPage->pageImage : gfx::Image());
        next = layoutFrom(end);
    }
    if (!next) {
        // Nothing more to show: stop rather than scroll onto no page.
        endAutoScrollScreen(timer);
        return;
    }
    m_currPage = next;
    m_pageView->touchesBegan(gfx::Point{0, 0});
    m_pageView->setTopPageImage(m_currPage->pageImage);
    m_autoScrollTop = 0;
    saveBookReadingInfo();
}

void PageManager::rerenderCurrentPage() {
    auto page = layoutFrom((m_currPage ? m_currPage->start : 0) - 1);
    if (!page)
        return;
    m_currPage = page;
    loadPageWithContent(m_currPage);
}

void PageManager::setReadBackgroundImage(int tag, bool portrait, const std::optional<gfx::Color>& fontColour) {
    m_rzConfig->setUseBackgroundImage(true);
    m_rzConfig->setPageBgImageColorTag(tag, portrait);
    if (m_rzConfig->lightOn() && fontColour)
        m_rzConfig->setPageFontColor(fontColour);
    layoutChanged();
    m_rzConfig->saveConfig();
    reloadCurrentPage();
}

void PageManager::changeColours(const std::optional<gfx::Color>& background, const std::optional<gfx::Color>& font,
                                bool confirm) {
    if (font)
        m_rzConfig->setPageFontColor(font);
    if (background)
        m_rzConfig->setPageBackgroundColor(background);
    layoutChanged();
    if (!confirm) {
        rerenderCurrentPage();
        return;
    }
    reloadCurrentPage();
    m_rzConfig->saveConfig();
}

// The colour operations change the day colours only; in night mode they do nothing.

void PageManager::pickFontColor(const std::optional<gfx::Color>& colour) {
    if (m_rzConfig->lightOn() && colour)
        changeColours(std::nullopt, colour, false);
}

void PageManager::setReadingFontColor(const std::optional<gfx::Color>& colour) {
    if (!m_rzConfig->lightOn())
        return;
    if (colour)
        changeColours(std::nullopt, colour, true);
    else
        m_rzConfig->saveConfig();
}

void PageManager::pickBackgroundColor(const std::optional<gfx::Color>& colour) {
    if (m_rzConfig->lightOn() && colour)
        changeColours(colour, std::nullopt, false);
}

void PageManager::setReadingBackgroundColor(const std::optional<gfx::Color>& colour) {
    if (!m_rzConfig->lightOn())
        return;
    if (colour)
        changeColours(colour, std::nullopt, true);
    else
        m_rzConfig->saveConfig();
}

void PageManager::pickReadingBackgroundColor(const std::optional<gfx::Color>& background,
                                             const std::optional<gfx::Color>& font) {
    if (m_rzConfig->lightOn())
        changeColours(background, font, false);
}

void PageManager::setReadingBackgroundColor(const std::optional<gfx::Color>& background,
                                            const std::optional<gfx::Color>& font) {
    if (m_rzConfig->lightOn())
        changeColours(background, font, true);
}

bool PageManager::isPageTurningUpDown() const {
    return turnType() > kTurnSwipeHorizontal;
}

void PageManager::animateToPoint(gfx::Point point) {
    if (!m_pageView || !m_currPage)
        return;
    const gfx::Rect b = m_pageView->bounds();
    auto flyer = ui::View::create(gfx::Rect(b.x() + 20, b.y() + 20, b.width() - 40, b.height() - 40));
    flyer->setBackgroundColor(gfx::Color::patternImage(m_currPage->pageImage));
    flyer->setUserInteractionEnabled(false);
    m_pageView->addSubview(flyer);

    // A quadratic curve from the centre to the point, bending through (point.x, centre.y).
    const gfx::Point c = flyer->center();
    const gfx::Point control{point.x, c.y};
    auto position = std::make_shared<ui::PropertyAnimation>("position");
    constexpr int kSteps = 16;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        const double a = (1 - t) * (1 - t), m = 2 * (1 - t) * t, z = t * t;
        position->path.push_back({a * c.x + m * control.x + z * point.x, a * c.y + m * control.y + z * point.y});
    }
    position->duration = 0.4;
    auto shrink = ui::PropertyAnimation::basic("transform", ui::AnimationValue(gfx::AffineTransform()),
                                               ui::AnimationValue(gfx::AffineTransform::scaling(0.1, 0.1)), 0.4);
    auto group = std::make_shared<ui::AnimationGroup>();
    group->animations = {position, shrink};
    group->duration = 0.4;
    flyer->layer()->addAnimation(group, "bookmark");
    flyer->setCenter(point);
    std::weak_ptr<ui::View> weak = flyer;
    // The manager may be gone by then; the view is all the step needs.
    core::RunLoop::main().postAfter(0.35, [weak] {
        if (auto v = weak.lock()) {
            v->setHidden(true);
            v->removeFromSuperview();
        }
    });
}

void PageManager::animateToPointFinished(ui::View& view) {
    view.setHidden(true);
    view.removeFromSuperview();
}

} // namespace pw
