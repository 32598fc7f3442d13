#include "foundation/widgets/HorizontalPickerView.h"

#include "foundation/widgets/WidgetHelpers.h"
#include "platform/device/Device.h"
#include "platform/ui/Transaction.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

constexpr double kBorderWidth = 3;

std::shared_ptr<ui::GradientLayer> shading(gfx::Point end, const std::vector<double>& locations,
                                           const std::vector<std::pair<double, double>>& greyAlpha) {
    auto g = ui::GradientLayer::create();
    g->setStartPoint({0, 0});
    g->setEndPoint(end);
    g->setOpacity(0.5);
    g->setCornerRadius(8);
    std::vector<gfx::Color> colors;
    for (auto [grey, alpha] : greyAlpha)
        colors.push_back(gfx::Color::fromWhite(grey, alpha));
    g->setColors(std::move(colors));
    g->setLocations(locations);
    return g;
}

std::shared_ptr<ui::View> pointer(const gfx::Rect& frame) {
    auto v = ui::View::create(frame);
    const gfx::Color c = gfx::Color::fromRGB255(157, 169, 193, 0.3);
    v->setBackgroundColor(c);
    v->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    v->layer()->setCornerRadius(25);
    v->layer()->setBorderWidth(10);
    v->layer()->setBorderColor(c);
    v->setUserInteractionEnabled(false);
    return v;
}

} // namespace

HorizontalPickerView::~HorizontalPickerView() {
    m_delayedScroll.cancel();
}

int HorizontalPickerView::indexUnderCentre(double x, double w, double leftMargin, int cw, int count) {
    const double c = w / 2;
    int i = 0;
    while (i < count && leftMargin + static_cast<double>(cw) * i - x <= c)
        ++i;
    return std::max(0, i - 1);
}

double HorizontalPickerView::snapOffsetFor(int index, double leftMargin, int cw, double w) {
    return std::trunc(leftMargin + static_cast<double>(cw) * (index + 1) - (cw / 2) - w / 2);
}

void HorizontalPickerView::setup() {
    m_cellWidth = -1;
    m_fontSize = 12;
    if (m_scroll)
        return;
    const double w = frame().width(), h = frame().height();
    setClipsToBounds(true);
    layer()->setCornerRadius(10);
    layer()->setBorderWidth(kBorderWidth);
    layer()->setBorderColor(gfx::Color::fromRGB255(243, 243, 243));

    m_scroll = View::create<ui::ScrollView>(bounds());
    m_scroll->showsHorizontalScrollIndicator = false;
    m_scroll->showsVerticalScrollIndicator = false;
    m_scroll->setBackgroundColor(gfx::Color::clear());
    m_scroll->directionalLockEnabled = true;
    m_scroll->setDelegate(std::static_pointer_cast<HorizontalPickerView>(shared_from_this()));
    m_scroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(m_scroll);

    m_bottomPointer = pointer({(w - 18) / 2, h - 17.5 + 5 - kBorderWidth, 18, 35});
    addSubview(m_bottomPointer);
    m_topPointer = pointer({(w - 18) / 2, kBorderWidth - 17.5 - 5, 18, 35});
    addSubview(m_topPointer);

    m_dropshadowLayer = shading({0, 1}, {0, 0.05, 0.2, 0.8, 0.95, 1.0},
                                {{0.05, 0.75}, {0.25, 0.55}, {1.0, 0.05}, {1.0, 0.05}, {0.25, 0.55}, {0.05, 0.75}});
    m_gradientLayer = shading({1, 0}, {0, 0.05, 0.3, 0.7, 0.95, 1.0},
                              {{0.05, 0.95}, {0.25, 0.8}, {1.0, 0.1}, {1.0, 0.1}, {0.25, 0.8}, {0.05, 0.95}});
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    for (auto& g : {m_dropshadowLayer, m_gradientLayer}) {
        g->setContentsGravity(layer()->contentsGravity());
        g->setFrame({1, 1, w - 2, h - 2});
        layer()->addSublayer(g);
    }
    ui::Transaction::commit();
}

std::shared_ptr<ui::Button> HorizontalPickerView::genButtonWithFrame(const gfx::Rect& frame, const std::string* title,
                                                                     ui::View& container) {
    return WidgetHelpers::titleButton(frame, title, m_fontSize, container);
}

void HorizontalPickerView::setNamesWithArray(const std::vector<std::string>& names) {
    m_names = names;
    if (!m_arrButtons.empty()) {
        // The number of cells is fixed by the first names: extra titles have no cell.
        const size_t n = std::min(names.size(), m_arrButtons.size());
        for (size_t i = 0; i < n; ++i)
            m_arrButtons[i]->setTitle(names[i], ui::ControlStateNormal);
        return;
    }
    if (m_cellWidth == -1)
        m_cellWidth = kDefaultCellWidth;
    m_scroll->setFrame(bounds());
    const double w = m_scroll->frame().width(), h = m_scroll->frame().height();
    m_leftMargin = leftMarginFor(w, m_cellWidth);
    const int count = static_cast<int>(names.size());
    m_scroll->setContentSize({contentWidthFor(m_cellWidth, count, m_leftMargin), h});
    std::weak_ptr<View> weak = weak_from_this();
    for (int i = 0; i < count; ++i) {
        auto button = genButtonWithFrame(
            {m_leftMargin + static_cast<double>(i) * m_cellWidth, 3, static_cast<double>(m_cellWidth), h - 6},
            &names[i], *m_scroll);
        button->addTarget(
            [weak](ui::Control& sender) {
                if (auto self = std::static_pointer_cast<HorizontalPickerView>(weak.lock()))
                    self->btnClick(static_cast<ui::Button&>(sender));
            },
            ui::ControlEventTouchUpInside);
        button->setTag(i);
        button->setBackgroundColor(gfx::Color::clear());
        m_arrButtons.push_back(std::move(button));
    }
}

void HorizontalPickerView::setValuesWithArray(std::vector<core::Value> values) {
    m_values = std::move(values);
}

std::optional<core::Value> HorizontalPickerView::valueAt(int index) const {
    if (index < 0)
        return std::nullopt;
    const size_t i = static_cast<size_t>(index);
    // Parallel arrays shorter than the cells answer none rather than reading past their end.
    if (m_values)
        return i < m_values->size() ? std::optional<core::Value>((*m_values)[i]) : std::nullopt;
    if (i < m_names.size())
        return core::Value(m_names[i]);
    return std::nullopt;
}

std::optional<core::Value> HorizontalPickerView::getSeletedValue() const {
    return valueAt(getCurrentIndexTemp());
}

int HorizontalPickerView::getCurrentIndexTemp() const {
    return indexUnderCentre(m_scroll->contentOffset().x, m_scroll->frame().width(), m_leftMargin, m_cellWidth,
                            cellCount());
}

int HorizontalPickerView::getCurrentIndex() {
    m_currentIndex = getCurrentIndexTemp();
    return m_currentIndex;
}

void HorizontalPickerView::selectItemAtIndex(int index) {
    // The index is kept as given; only the scroll target is worked out from it,
    // and reading the centre back always lands on a cell.
    m_currentIndex = index;
    scrollToCurrentIndexAnimate(true);
}

void HorizontalPickerView::scrollToCurrentIndexAnimate(bool animated) {
    const double x = snapOffsetFor(m_currentIndex, m_leftMargin, m_cellWidth, m_scroll->frame().width());
    m_scroll->setContentOffset({x, 0}, animated);
}

void HorizontalPickerView::scrollToCurrentIndexDelay(int seconds) {
    m_delayedScroll.cancel();
    m_delayedScroll = WidgetHelpers::after(*this, seconds, [this] { doDelayScroll(); });
}

void HorizontalPickerView::reLayout() {
    const double w = m_scroll->frame().width(), h = m_scroll->frame().height();
    if (m_cellWidth == -1)
        m_cellWidth = kDefaultCellWidth;
    m_leftMargin = leftMarginFor(w, m_cellWidth);
    m_scroll->setContentSize({contentWidthFor(m_cellWidth, cellCount(), m_leftMargin), h});
    for (int i = 0; i < cellCount(); ++i) {
        gfx::Rect f = m_arrButtons[i]->frame();
        f.origin.x = m_leftMargin + static_cast<double>(i) * m_cellWidth;
        m_arrButtons[i]->setFrame(f);
    }
    scrollToCurrentIndexDelay(0);
}

void HorizontalPickerView::btnClick(ui::Button& button) {
    const int index = button.tag();
    const core::Value value = m_values && static_cast<size_t>(index) < m_values->size()
                                  ? (*m_values)[static_cast<size_t>(index)]
                                  : core::Value(button.currentTitle());
    m_currentIndex = index;
    scrollToCurrentIndexAnimate(true);
    if (auto d = m_pickerDelegate.lock())
        d->selectedValue(value, *this);
}

void HorizontalPickerView::whenScrollStop(ui::ScrollView&) {
    getCurrentIndex();
    scrollToCurrentIndexAnimate(true);
}

void HorizontalPickerView::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop(scroll);
}

void HorizontalPickerView::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    whenScrollStop(scroll);
}

void HorizontalPickerView::layoutSubviews() {
    View::layoutSubviews();
    const gfx::Size s = frame().size;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    m_dropshadowLayer->setFrame({1, 1, s.width - 2, s.height - 2});
    m_gradientLayer->setFrame({1, 1, s.width - 2, s.height - 2});
    ui::Transaction::commit();
}

} // namespace pw
