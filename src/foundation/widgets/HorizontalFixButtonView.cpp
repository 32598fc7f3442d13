#include "foundation/widgets/HorizontalFixButtonView.h"

#include "foundation/widgets/WidgetHelpers.h"
#include "platform/ui/BundleImage.h"

#include <algorithm>
#include <cmath>

namespace pw {

HorizontalFixButtonView::~HorizontalFixButtonView() {
    m_delayedScroll.cancel();
}

int HorizontalFixButtonView::tabWidthFor(double w, int n) {
    if (n == 1)
        return static_cast<int>(std::trunc(w));
    if (n > 0 && w > static_cast<double>(kScrollingTabWidth) * n)
        return static_cast<int>(std::trunc(w / n));
    return kScrollingTabWidth;
}

double HorizontalFixButtonView::offsetForIndex(int index, int count, int tabWidth, double v, double c) {
    // Tabs that fit leave no room to scroll: every tab rests at 0.
    const double last = std::max(0.0, std::trunc(c - v));
    if (index <= 0)
        return 0;
    if (index >= count - 1)
        return last;
    double x = std::trunc(static_cast<double>(tabWidth) * (index + 1) - (tabWidth / 2) - v / 2);
    x = std::max(0.0, x);
    if (x + v > c)
        x = last;
    return x;
}

int HorizontalFixButtonView::indexUnderMiddle(double x, double v, int tabWidth, int count) {
    for (int q = 0; q < count; ++q)
        if (static_cast<double>(q) * tabWidth - x > v / 2)
            return std::max(0, q - 1);
    return std::max(0, count - 1);
}

int HorizontalFixButtonView::indexAfterScroll(double x, double v, double c, int tabWidth, int count) {
    if (x == 0)
        return 0;
    if (x + v == c)
        return std::max(0, count - 1);
    return indexUnderMiddle(x, v, tabWidth, count);
}

void HorizontalFixButtonView::setButtonNames(const std::vector<std::string>& names) {
    if (!m_arrBtns.empty() || names.empty())
        return;
    m_scroll = View::create<ui::ScrollView>(bounds());
    m_scroll->showsHorizontalScrollIndicator = false;
    m_scroll->showsVerticalScrollIndicator = false;
    m_scroll->directionalLockEnabled = true;
    m_scroll->bounces = false;
    m_scroll->setDelegate(std::static_pointer_cast<HorizontalFixButtonView>(shared_from_this()));
    m_scroll->setAutoresizingMask(ui::FlexibleWidth);
    m_scroll->setBackgroundColor(gfx::Color::clear());
    addSubview(m_scroll);
    const gfx::Image background = ui::BundleImage::named("h_fix_title_bg.png");
    const gfx::Image split = ui::BundleImage::named("h_fix_title_bg_split.png");
    std::weak_ptr<View> weak = weak_from_this();
    for (size_t i = 0; i < names.size(); ++i) {
        auto button = ui::Button::create(ui::ButtonType::Custom);
        button->setTitleColor(gfx::Color::black(), ui::ControlStateNormal);
        button->titleLabel().setFont(gfx::Font::systemFont(12));
        button->setTitle(names[i], ui::ControlStateNormal);
        button->setBackgroundImage(background, ui::ControlStateNormal);
        button->addTarget(
            [weak](ui::Control& sender) {
                if (auto self = std::static_pointer_cast<HorizontalFixButtonView>(weak.lock()))
                    self->btnClick(static_cast<ui::Button&>(sender));
            },
            ui::ControlEventTouchUpInside);
        button->setTag(static_cast<int>(i));
        m_arrBtns.push_back(button);
        m_scroll->addSubview(button);
        if (i > 0) {
            auto s = View::create<ui::ImageView>(split);
            m_scroll->addSubview(s);
            m_arrSplit.push_back(std::move(s));
        }
    }
    computeBtnWidth();
    m_scroll->setContentSize({static_cast<double>(m_btnWidth) * tabCount(), m_scroll->frame().height()});
    setButtonsWidth();
    const gfx::Image arrow = ui::BundleImage::named("h_fix_title_bg_arrow.png");
    m_imgArrow = View::create<ui::ImageView>(arrow);
    m_imgArrow->setFrame({0, 0, arrow.size().width, arrow.size().height});
    m_imgArrow->setHidden(true);
    m_imgArrow->setUserInteractionEnabled(false);
    m_scroll->addSubview(m_imgArrow);
}

void HorizontalFixButtonView::computeBtnWidth() {
    m_btnWidth = tabWidthFor(frame().width(), tabCount());
}

void HorizontalFixButtonView::setButtonsWidth() {
    const double h = frame().height();
    ui::BlockAnimationOptions o;
    o.duration = 0.1;
    o.curve = ui::TimingFunction::EaseInOut;
    ui::View::animate(o, [this, h] {
        for (int i = 0; i < tabCount(); ++i) {
            const double x = static_cast<double>(i) * m_btnWidth;
            m_arrBtns[i]->setFrame({x, 0, static_cast<double>(m_btnWidth), h});
            if (i > 0)
                m_arrSplit[i - 1]->setFrame({x, 0, 2, 31});
        }
    });
}

void HorizontalFixButtonView::moveToCurrentButtonAnimate() {
    if (!m_imgArrow)
        return;
    if (m_arrBtns.empty() || m_currentIndex < 0 || m_currentIndex >= tabCount()) {
        m_imgArrow->setHidden(true);
        return;
    }
    m_imgArrow->setHidden(false);
    for (auto& b : m_arrBtns)
        b->setTitleColor(gfx::Color::lightGray(), ui::ControlStateNormal);
    const auto& selected = m_arrBtns[m_currentIndex];
    selected->setTitleColor(gfx::Color::black(), ui::ControlStateNormal);
    gfx::Rect f = m_imgArrow->frame();
    f.size.width = selected->frame().width();
    ui::View::performWithoutAnimation([&] { m_imgArrow->setFrame(f); });
    WidgetHelpers::slideX(m_imgArrow, selected->frame().midX() - f.width() / 2, 0.4);
}

void HorizontalFixButtonView::setButtonSelectedAtIndexAnimate(int index) {
    m_currentIndex = index;
    scrollToCurrentIndexAnimate(true);
    moveToCurrentButtonAnimate();
}

void HorizontalFixButtonView::reLayout() {
    if (!m_scroll)
        return;
    computeBtnWidth();
    m_scroll->setContentSize({static_cast<double>(m_btnWidth) * tabCount(), m_scroll->frame().height()});
    setButtonsWidth();
    scrollToCurrentIndexDelay(0);
    moveToCurrentButtonAnimate();
}

int HorizontalFixButtonView::getCurrentIndexTemp() const {
    if (!m_scroll)
        return 0;
    return indexUnderMiddle(m_scroll->contentOffset().x, m_scroll->frame().width(), m_btnWidth, tabCount());
}

int HorizontalFixButtonView::getCurrentIndex() {
    m_currentIndex = getCurrentIndexTemp();
    return m_currentIndex;
}

void HorizontalFixButtonView::scrollToIndex(int index, bool animated) {
    if (!m_scroll)
        return;
    const double x =
        offsetForIndex(index, tabCount(), m_btnWidth, m_scroll->frame().width(), m_scroll->contentSize().width);
    m_scroll->setContentOffset({x, 0}, animated);
}

void HorizontalFixButtonView::scrollToCurrentIndexAnimate(bool animated) {
    scrollToIndex(m_currentIndex, animated);
}

void HorizontalFixButtonView::scrollToCurrentIndexDelay(int seconds) {
    m_delayedScroll.cancel();
    m_delayedScroll = WidgetHelpers::after(*this, seconds, [this] { doDelayScroll(); });
}

void HorizontalFixButtonView::btnClick(ui::Button& button) {
    const int index = button.tag();
    setButtonSelectedAtIndexAnimate(index);
    if (auto d = m_delegate.lock())
        d->selectedAtIndex(index);
}

void HorizontalFixButtonView::whenScrollStop() {
    const double x = m_scroll->contentOffset().x;
    const int index =
        indexAfterScroll(x, m_scroll->frame().width(), m_scroll->contentSize().width, m_btnWidth, tabCount());
    scrollToIndex(index, true);
}

void HorizontalFixButtonView::scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop();
}

void HorizontalFixButtonView::scrollViewDidEndDecelerating(ui::ScrollView&) {
    whenScrollStop();
}

} // namespace pw
