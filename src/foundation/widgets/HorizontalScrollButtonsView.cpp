#include "foundation/widgets/HorizontalScrollButtonsView.h"

#include "foundation/widgets/WidgetHelpers.h"
#include "platform/ui/BundleImage.h"

#include <cmath>

namespace pw {

namespace {
constexpr double kSlideDuration = 0.25;
}

HorizontalScrollButtonsView::Layout HorizontalScrollButtonsView::layoutFor(const gfx::Rect& b, int count) {
    Layout l;
    if (count <= 0)
        return l;
    const double wb = b.width();
    const double my = b.midY();
    l.highlight = {0, my - 15.5, std::trunc(wb / count), 31};
    l.buttonWidth = static_cast<int>(std::trunc(wb / count)) - 2;
    for (int i = 0; i < count; ++i)
        l.buttons.push_back(
            {static_cast<double>((l.buttonWidth + 2) * i), my - 15, static_cast<double>(l.buttonWidth), 30});
    return l;
}

double HorizontalScrollButtonsView::highlightXForIndex(int index, int buttonWidth, double backgroundWidth) {
    double x = static_cast<double>(index) * (buttonWidth + 2);
    if (x + buttonWidth >= backgroundWidth)
        x = backgroundWidth - buttonWidth - 2;
    return x;
}

double HorizontalScrollButtonsView::highlightXForOrigin(double x, int buttonWidth, double backgroundWidth) {
    if (x + buttonWidth + 2 >= backgroundWidth)
        x = backgroundWidth - buttonWidth - 2;
    return x;
}

void HorizontalScrollButtonsView::setup() {
    if (m_bgView)
        return;
    m_bgView = View::create<ui::ImageView>(ui::BundleImage::named("h_scroll_title_bg.png").stretchable(12, 10));
    m_bgView->setFrame(bounds());
    m_bgView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_bgView->setUserInteractionEnabled(true);
    addSubview(m_bgView);
}

void HorizontalScrollButtonsView::setBgImage(gfx::Image image) {
    m_bgView->setImage(std::move(image));
}

std::shared_ptr<ui::Button>
HorizontalScrollButtonsView::genButtonWithFrame(const gfx::Rect& frame, const std::string* title, ui::View& container) {
    return WidgetHelpers::titleButton(frame, title, 12, container);
}

void HorizontalScrollButtonsView::setButtonNames(const std::vector<std::string>& names) {
    if (names.empty() || !m_arrButtons.empty())
        return;
    const int n = static_cast<int>(names.size());
    const Layout l = layoutFor(m_bgView->frame(), n);
    m_buttonImage = View::create<ui::ImageView>(ui::BundleImage::named("h_scroll_title_btn.png").stretchable(12, 11));
    m_buttonImage->setFrame(l.highlight);
    m_buttonImage->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    m_bgView->addSubview(m_buttonImage);
    m_arrButtons.reserve(names.size());
    m_buttonWidth = l.buttonWidth;
    std::weak_ptr<View> weak = weak_from_this();
    for (int i = 0; i < n; ++i) {
        auto button = genButtonWithFrame(l.buttons[i], &names[i], *m_bgView);
        button->addTarget(
            [weak](ui::Control& sender) {
                if (auto self = std::static_pointer_cast<HorizontalScrollButtonsView>(weak.lock()))
                    self->btnClick(static_cast<ui::Button&>(sender));
            },
            ui::ControlEventTouchUpInside);
        button->setTag(i);
        if (i == 0)
            button->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleRightMargin);
        else if (i == n - 1)
            button->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth);
        else
            button->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
        if (i > 0)
            button->setTitleColor(gfx::Color::gray(), ui::ControlStateNormal);
        m_arrButtons.push_back(std::move(button));
    }
}

void HorizontalScrollButtonsView::markCurrent(int index) {
    m_currPage = index;
    for (auto& b : m_arrButtons)
        b->setTitleColor(gfx::Color::gray(), ui::ControlStateNormal);
    if (index >= 0 && index < static_cast<int>(m_arrButtons.size()))
        m_arrButtons[index]->setTitleColor(gfx::Color::black(), ui::ControlStateNormal);
}

void HorizontalScrollButtonsView::slideHighlightTo(double x) {
    WidgetHelpers::slideX(m_buttonImage, x, kSlideDuration);
}

void HorizontalScrollButtonsView::btnClick(ui::Button& button) {
    const int index = button.tag();
    markCurrent(index);
    setButtonImagePositionWithIndex(index);
    if (auto d = m_delegate.lock())
        d->horizontalScrollButtonClick(button, index);
}

void HorizontalScrollButtonsView::setButtonImagePositionWithIndex(int index) {
    markCurrent(index);
    if (shouldScrollBgImageWhenClick)
        slideHighlightTo(highlightXForIndex(index, m_buttonWidth, m_bgView->frame().width()));
}

void HorizontalScrollButtonsView::setButtonImagePositionWithOriginX(double x) {
    if (!m_buttonImage)
        return;
    gfx::Rect f = m_buttonImage->frame();
    f.origin.x = highlightXForOrigin(x, m_buttonWidth, m_bgView->frame().width());
    ui::View::performWithoutAnimation([&] { m_buttonImage->setFrame(f); });
}

void HorizontalScrollButtonsView::layoutSubviews() {
    View::layoutSubviews();
    if (m_arrButtons.empty())
        return;
    const double wb = m_bgView->frame().width();
    m_buttonWidth = static_cast<int>(std::trunc(wb / static_cast<double>(m_arrButtons.size()) - 2));
    slideHighlightTo(highlightXForIndex(m_currPage, m_buttonWidth, wb));
}

} // namespace pw
