#include "platform/ui/ActionSheet.h"

#include "platform/ui/PopupWindow.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace pw::ui {

namespace {
std::set<std::shared_ptr<View>>& shownSheets() {
    static std::set<std::shared_ptr<View>> s;
    return s;
}
constexpr double kButtonHeight = 44;
constexpr double kGap = 8;
constexpr double kSideInset = 20;
} // namespace

ActionSheet::ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate, std::string cancelButtonTitle,
                         std::string destructiveButtonTitle, std::vector<std::string> otherButtonTitles)
    : m_title(std::move(title)), m_delegate(std::move(delegate)), m_cancelTitle(std::move(cancelButtonTitle)) {
    setOpaque(false);
    if (!destructiveButtonTitle.empty()) {
        m_destructiveIndex = 0;
        m_buttonTitles.push_back(std::move(destructiveButtonTitle));
    }
    for (auto& t : otherButtonTitles)
        m_buttonTitles.push_back(std::move(t));
    if (!m_cancelTitle.empty()) {
        m_cancelIndex = static_cast<int64_t>(m_buttonTitles.size());
        m_buttonTitles.push_back(m_cancelTitle);
    }
}

void ActionSheet::didCreate() {
    m_titleLabel = View::create<Label>();
    m_titleLabel->setFont(gfx::Font::systemFont(13));
    m_titleLabel->setTextColor(gfx::Color::fromWhite(0.85));
    m_titleLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_titleLabel->setNumberOfLines(0);
    addSubview(m_titleLabel);
    rebuild();
}

int64_t ActionSheet::addButtonWithTitle(std::string title) {
    // New buttons go before the cancel button, which stays last.
    if (m_cancelIndex >= 0) {
        m_buttonTitles.insert(m_buttonTitles.begin() + m_cancelIndex, std::move(title));
        ++m_cancelIndex;
        rebuild();
        return m_cancelIndex - 1;
    }
    m_buttonTitles.push_back(std::move(title));
    rebuild();
    return numberOfButtons() - 1;
}

std::string ActionSheet::buttonTitleAtIndex(int64_t index) const {
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<size_t>(index)];
}

int64_t ActionSheet::firstOtherButtonIndex() const {
    for (int64_t i = 0; i < numberOfButtons(); ++i)
        if (i != m_cancelIndex && i != m_destructiveIndex)
            return i;
    return -1;
}

Button* ActionSheet::buttonAtIndex(int64_t index) const {
    if (index < 0 || index >= static_cast<int64_t>(m_buttons.size()))
        return nullptr;
    return m_buttons[static_cast<size_t>(index)].get();
}

void ActionSheet::rebuild() {
    if (!m_titleLabel)
        return;
    m_titleLabel->setText(m_title);
    for (auto& b : m_buttons)
        b->removeFromSuperview();
    m_buttons.clear();
    for (int64_t i = 0; i < numberOfButtons(); ++i) {
        auto b = Button::create(ButtonType::Custom);
        b->setTitle(m_buttonTitles[static_cast<size_t>(i)]);
        b->setTag(static_cast<int>(i));
        b->titleLabel().setFont(gfx::Font::boldSystemFont(19));
        gfx::Color bg = gfx::Color::fromWhite(0.93);
        gfx::Color fg = gfx::Color::black();
        if (i == m_destructiveIndex) {
            bg = gfx::Color::fromRGB255(200, 30, 30);
            fg = gfx::Color::white();
        } else if (i == m_cancelIndex) {
            bg = gfx::Color::fromWhite(0.2);
            fg = gfx::Color::white();
        }
        b->setBackgroundColor(bg);
        b->setTitleColor(fg);
        b->setTitleColor(fg.withAlpha(0.6), ControlStateHighlighted);
        b->layer()->setCornerRadius(8);
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
    setNeedsLayout();
}

double ActionSheet::contentHeight(double width) {
    double y = kGap * 2;
    if (!m_title.empty())
        y += m_titleLabel->sizeThatFits({width - 2 * kSideInset, 0}).height + kGap * 2;
    y += static_cast<double>(m_buttons.size()) * (kButtonHeight + kGap);
    if (m_cancelIndex >= 0)
        y += kGap;
    return std::ceil(y + kGap);
}

void ActionSheet::layoutSubviews() {
    const gfx::Rect b = bounds();
    const double inner = b.width() - 2 * kSideInset;
    double y = kGap * 2;
    if (!m_title.empty()) {
        const double h = m_titleLabel->sizeThatFits({inner, 0}).height;
        m_titleLabel->setFrame({kSideInset, y, inner, h});
        y += h + kGap * 2;
    }
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (static_cast<int64_t>(i) == m_cancelIndex)
            y += kGap; // the cancel button stands a little apart
        m_buttons[i]->setFrame({kSideInset, y, inner, kButtonHeight});
        y += kButtonHeight + kGap;
    }
}

void ActionSheet::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    ctx.clipToRect(b);
    ctx.drawLinearGradient(
        {{0, gfx::Color::fromRGB255(70, 80, 96, 0.95)}, {1, gfx::Color::fromRGB255(24, 28, 36, 0.95)}}, {0, 0},
        {0, b.height()});
    ctx.setFillColor(gfx::Color(1, 1, 1, 0.3));
    ctx.fillRect({0, 0, b.width(), 1});
}

void ActionSheet::showInView(View*) {
    if (m_visible)
        return;
    auto self = shared_from_this();
    shownSheets().insert(self);
    m_visible = true;
    m_dismissing = false;
    if (auto d = m_delegate.lock())
        d->willPresentActionSheet(*this);
    m_window = PopupWindow::create(kWindowLevelAlert);
    View& c = m_window->container();
    const gfx::Rect cb = c.bounds();
    const double h = contentHeight(cb.width());
    View::performWithoutAnimation([&] { setFrame({0, cb.height(), cb.width(), h}); });
    c.addSubview(self);
    m_window->show();
    std::weak_ptr<View> weak = self;
    View::animate(
        0.3,
        [&] {
            setFrame({0, cb.height() - h, cb.width(), h});
        },
        [this, weak](bool) {
            if (auto keep = weak.lock(); keep && m_visible && !m_dismissing)
                if (auto d = m_delegate.lock())
                    d->didPresentActionSheet(*this);
        });
}

void ActionSheet::dismissWithClickedButtonIndex(int64_t index, bool animated) {
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
        if (auto d = m_delegate.lock())
            d->didDismissWithButtonIndex(*this, index);
        shownSheets().erase(self);
    };
    if (animated) {
        const gfx::Rect f = frame();
        const double bottom = superview() ? superview()->bounds().height() : f.maxY();
        View::animate(
            0.3,
            [&] {
                setFrame({f.x(), bottom, f.width(), f.height()});
            },
            finish);
    } else {
        finish(true);
    }
}

} // namespace pw::ui
