#include "platform/ui/AlertView.h"

#include "platform/ui/Application.h"
#include "platform/ui/PopupWindow.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace pw::ui {

namespace {
// An alert on screen stays alive until it is dismissed, whoever else lets it go.
std::set<std::shared_ptr<View>>& shownPopups() {
    static std::set<std::shared_ptr<View>> s;
    return s;
}
constexpr double kPadding = 16;
constexpr double kAlertButtonHeight = 43;
} // namespace

AlertView::AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
                     std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : m_title(std::move(title)), m_message(std::move(message)), m_delegate(std::move(delegate)) {
    setOpaque(false);
    if (!cancelButtonTitle.empty()) {
        m_cancelIndex = 0;
        m_buttonTitles.push_back(std::move(cancelButtonTitle));
    }
    for (auto& t : otherButtonTitles)
        m_buttonTitles.push_back(std::move(t));
}

AlertView::~AlertView() = default;

void AlertView::didCreate() {
    m_titleLabel = View::create<Label>();
    m_titleLabel->setFont(gfx::Font::boldSystemFont(18));
    m_titleLabel->setTextColor(gfx::Color::white());
    m_titleLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setShadowColor(gfx::Color(0, 0, 0, 0.5));
    addSubview(m_titleLabel);
    m_messageLabel = View::create<Label>();
    m_messageLabel->setFont(gfx::Font::systemFont(16));
    m_messageLabel->setTextColor(gfx::Color::white());
    m_messageLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_messageLabel->setNumberOfLines(0);
    addSubview(m_messageLabel);
    rebuild();
}

void AlertView::setTitle(std::string t) {
    m_title = std::move(t);
    rebuild();
}

void AlertView::setMessage(std::string m) {
    m_message = std::move(m);
    rebuild();
}

int64_t AlertView::addButtonWithTitle(std::string title) {
    m_buttonTitles.push_back(std::move(title));
    rebuild();
    return numberOfButtons() - 1;
}

std::string AlertView::buttonTitleAtIndex(int64_t index) const {
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<size_t>(index)];
}

int64_t AlertView::firstOtherButtonIndex() const {
    const int64_t first = m_cancelIndex == 0 ? 1 : 0;
    return first < numberOfButtons() ? first : -1;
}

Button* AlertView::buttonAtIndex(int64_t index) const {
    if (index < 0 || index >= static_cast<int64_t>(m_buttons.size()))
        return nullptr;
    return m_buttons[static_cast<size_t>(index)].get();
}

void AlertView::rebuild() {
    if (!m_titleLabel)
        return;
    m_titleLabel->setText(m_title);
    m_messageLabel->setText(m_message);
    for (auto& b : m_buttons)
        b->removeFromSuperview();
    m_buttons.clear();
    for (int64_t i = 0; i < numberOfButtons(); ++i) {
        auto b = Button::create(ButtonType::Custom);
        b->setTitle(m_buttonTitles[static_cast<size_t>(i)]);
        b->setTag(static_cast<int>(i));
        b->titleLabel().setFont(gfx::Font::boldSystemFont(i == m_cancelIndex ? 18 : 17));
        b->setBackgroundColor(i == m_cancelIndex ? gfx::Color(1, 1, 1, 0.12) : gfx::Color(1, 1, 1, 0.25));
        b->layer()->setCornerRadius(6);
        b->layer()->setBorderWidth(1);
        b->layer()->setBorderColor(gfx::Color(0, 0, 0, 0.45));
        std::weak_ptr<View> weak = weak_from_this();
        b->addTarget(
            [this, weak, i](Control&) {
                if (auto keep = weak.lock())
                    dismissWithClickedButtonIndex(i, true);
            },
            ControlEventTouchUpInside);
        addSubview(b);
        m_buttons.push_back(std::move(b));
    }
    const double h = layoutHeight();
    View::performWithoutAnimation([&] { setBounds({0, 0, kWidth, h}); });
    setNeedsLayout();
    setNeedsDisplay();
}

double AlertView::layoutHeight() {
    const double inner = kWidth - 2 * kPadding;
    double y = kPadding;
    if (!m_title.empty())
        y += m_titleLabel->sizeThatFits({inner, 0}).height + 8;
    if (!m_message.empty())
        y += m_messageLabel->sizeThatFits({inner, 0}).height + 12;
    const size_t n = m_buttons.size();
    if (n == 2)
        y += kAlertButtonHeight + 8;
    else
        y += static_cast<double>(n) * (kAlertButtonHeight + 8);
    return std::ceil(y + kPadding - 8);
}

void AlertView::layoutSubviews() {
    const double inner = kWidth - 2 * kPadding;
    double y = kPadding;
    if (!m_title.empty()) {
        const double h = m_titleLabel->sizeThatFits({inner, 0}).height;
        m_titleLabel->setFrame({kPadding, y, inner, h});
        y += h + 8;
    } else {
        m_titleLabel->setFrame({});
    }
    if (!m_message.empty()) {
        const double h = m_messageLabel->sizeThatFits({inner, 0}).height;
        m_messageLabel->setFrame({kPadding, y, inner, h});
        y += h + 12;
    } else {
        m_messageLabel->setFrame({});
    }
    const size_t n = m_buttons.size();
    if (n == 2) {
        // Two buttons sit side by side, the cancel button on the left.
        const double w = (inner - 10) / 2;
        for (size_t i = 0; i < 2; ++i)
            m_buttons[i]->setFrame({kPadding + static_cast<double>(i) * (w + 10), y, w, kAlertButtonHeight});
        return;
    }
    // Stacked: the other buttons first, the cancel button last.
    for (size_t i = 0; i < n; ++i) {
        if (static_cast<int64_t>(i) == m_cancelIndex)
            continue;
        m_buttons[i]->setFrame({kPadding, y, inner, kAlertButtonHeight});
        y += kAlertButtonHeight + 8;
    }
    if (m_cancelIndex >= 0 && static_cast<size_t>(m_cancelIndex) < n)
        m_buttons[static_cast<size_t>(m_cancelIndex)]->setFrame({kPadding, y, inner, kAlertButtonHeight});
}

void AlertView::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds().insetBy(1, 1);
    ctx.beginPath();
    ctx.addRoundedRect(b, 10);
    ctx.save();
    ctx.clip();
    ctx.drawLinearGradient(
        {{0, gfx::Color::fromRGB255(44, 62, 104, 0.95)}, {1, gfx::Color::fromRGB255(9, 24, 62, 0.95)}}, {0, b.y()},
        {0, b.maxY()});
    ctx.restore();
    ctx.setStrokeColor(gfx::Color(1, 1, 1, 0.85));
    ctx.setLineWidth(2);
    ctx.beginPath();
    ctx.addRoundedRect(b, 10);
    ctx.strokePath();
}

void AlertView::show() {
    if (m_visible)
        return;
    auto self = shared_from_this();
    shownPopups().insert(self);
    m_visible = true;
    m_dismissing = false;
    if (auto d = m_delegate.lock())
        d->willPresentAlertView(*this);
    m_window = PopupWindow::create(kWindowLevelAlert);
    View& c = m_window->container();
    View::performWithoutAnimation([&] {
        layoutIfNeeded();
        setCenter({std::round(c.bounds().width() / 2), std::round(c.bounds().height() / 2)});
        setTransform(gfx::AffineTransform::scaling(1.1, 1.1));
        setAlpha(0);
    });
    c.addSubview(self);
    m_window->show();
    std::weak_ptr<View> weak = self;
    View::animate(
        0.2,
        [&] {
            setTransform({});
            setAlpha(1);
        },
        [this, weak](bool) {
            if (auto keep = weak.lock(); keep && m_visible && !m_dismissing)
                if (auto d = m_delegate.lock())
                    d->didPresentAlertView(*this);
        });
}

void AlertView::dismissWithClickedButtonIndex(int64_t index, bool animated) {
    if (!m_visible || m_dismissing)
        return;
    m_dismissing = true;
    auto self = shared_from_this();
    auto d = m_delegate.lock();
    if (d)
        d->clickedButtonAtIndex(*this, index);
    if (d)
        d->willDismissWithButtonIndex(*this, index);
    auto finish = [this, self, index](bool) {
        removeFromSuperview();
        if (m_window)
            m_window->close();
        m_window.reset();
        m_visible = false;
        m_dismissing = false;
        View::performWithoutAnimation([&] { setAlpha(1); });
        if (auto d = m_delegate.lock())
            d->didDismissWithButtonIndex(*this, index);
        shownPopups().erase(self);
    };
    if (animated)
        View::animate(
            0.2, [&] { setAlpha(0); }, finish);
    else
        finish(true);
}

} // namespace pw::ui
