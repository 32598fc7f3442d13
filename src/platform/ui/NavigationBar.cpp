#include "platform/ui/NavigationBar.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

NavigationBar::NavigationBar() {
    setAutoresizingMask(FlexibleWidth | FlexibleBottomMargin);
}

void NavigationBar::didCreate() {
    m_title = View::create<Label>();
    m_title->setFont(gfx::Font::boldSystemFont(20));
    m_title->setTextColor(gfx::Color::white());
    m_title->setShadowColor(gfx::Color(0, 0, 0, 0.5));
    m_title->setTextAlignment(gfx::TextAlignment::Center);
    addSubview(m_title);
}

void NavigationBar::setTintColor(const gfx::Color& c) {
    m_tint = c;
    setNeedsDisplay();
}

void NavigationBar::setBarStyle(BarStyle s) {
    m_style = s;
    setNeedsDisplay();
}

void NavigationBar::setItems(std::vector<NavigationItem*> items) {
    m_items = std::move(items);
    refresh();
}

std::shared_ptr<Button> NavigationBar::makeItemButton(const BarButtonItem& item) {
    auto b = Button::create(ButtonType::Custom);
    b->setTitle(item.title);
    if (!item.image.isNull())
        b->setImage(item.image);
    b->titleLabel().setFont(gfx::Font::boldSystemFont(12));
    b->setContentEdgeInsets({0, 10, 0, 10});
    b->setEnabled(item.enabled);
    b->setTag(item.tag);
    b->layer()->setCornerRadius(5);
    b->layer()->setBorderWidth(1);
    b->layer()->setBorderColor(gfx::Color(0, 0, 0, 0.35));
    b->setBackgroundColor(item.style == BarButtonItemStyle::Done ? gfx::Color::fromRGB255(40, 100, 220)
                                                                 : gfx::Color(1, 1, 1, 0.12));
    auto action = item.action;
    b->addTarget(
        [action](Control&) {
            if (action)
                action();
        },
        ControlEventTouchUpInside);
    b->sizeToFit();
    gfx::Rect f = b->frame();
    f.size.width = item.width > 0 ? item.width : std::max(50.0, f.width());
    f.size.height = 30;
    b->setFrame(f);
    return b;
}

void NavigationBar::refresh() {
    for (auto* v : {&m_left, &m_right, &m_titleView})
        if (*v) {
            (*v)->removeFromSuperview();
            v->reset();
        }
    if (m_back) {
        m_back->removeFromSuperview();
        m_back.reset();
    }
    NavigationItem* top = m_items.empty() ? nullptr : m_items.back();
    NavigationItem* below = m_items.size() > 1 ? m_items[m_items.size() - 2] : nullptr;
    m_title->setText(top ? top->title : "");
    m_title->setHidden(top && top->titleView);
    if (top && top->titleView) {
        m_titleView = top->titleView;
        addSubview(m_titleView);
    }
    if (top && top->leftBarButtonItem) {
        m_left = top->leftBarButtonItem->customView ? top->leftBarButtonItem->customView
                                                    : makeItemButton(*top->leftBarButtonItem);
        addSubview(m_left);
    } else if (below && !top->hidesBackButton) {
        BarButtonItem back;
        if (below->backBarButtonItem)
            back = *below->backBarButtonItem;
        else
            // The system's own back text, in the app's one localisation.
            back.title = below->title.empty() ? "返回" : below->title;
        std::weak_ptr<View> weak = weak_from_this();
        back.action = [weak, this] {
            if (!weak.expired() && this->onBack)
                this->onBack();
        };
        m_back = makeItemButton(back);
        addSubview(m_back);
    }
    if (top && top->rightBarButtonItem) {
        m_right = top->rightBarButtonItem->customView ? top->rightBarButtonItem->customView
                                                      : makeItemButton(*top->rightBarButtonItem);
        addSubview(m_right);
    }
    setNeedsLayout();
}

void NavigationBar::layoutSubviews() {
    const gfx::Rect b = bounds();
    double left = 5, right = b.width() - 5;
    View* l = m_left ? m_left.get() : m_back.get();
    if (l) {
        gfx::Rect f = l->frame();
        f.size.width = std::min(f.width(), b.width() / 3);
        f.origin = {left, std::round((b.height() - f.height()) / 2)};
        l->setFrame(f);
        left = f.maxX() + 5;
    }
    if (m_right) {
        gfx::Rect f = m_right->frame();
        f.size.width = std::min(f.width(), b.width() / 3);
        f.origin = {right - f.width(), std::round((b.height() - f.height()) / 2)};
        m_right->setFrame(f);
        right = f.x() - 5;
    }
    // The title is centred on the bar when it can be, else in the room left.
    const double room = std::max(0.0, std::min(b.width() / 2 - left, right - b.width() / 2) * 2);
    gfx::Rect title(b.width() / 2 - room / 2, 0, room, b.height());
    if (room < 80)
        title = {left, 0, std::max(0.0, right - left), b.height()};
    m_title->setFrame(title);
    if (m_titleView) {
        m_titleView->setCenter({b.midX(), b.midY()});
    }
}

void NavigationBar::draw(gfx::Context& ctx, const gfx::Rect&) {
    drawBarBackground(ctx, bounds(), m_tint, m_style);
}

void NavigationBar::drawBarBackground(gfx::Context& ctx, const gfx::Rect& b, gfx::Color tint, BarStyle style) {
    gfx::Color base = tint;
    if (style != BarStyle::Default)
        base = gfx::Color::fromWhite(0.1, style == BarStyle::BlackTranslucent ? 0.7 : 1);
    auto lighter = [](const gfx::Color& c, double f) {
        return gfx::Color(c.r() + (1 - c.r()) * f, c.g() + (1 - c.g()) * f, c.b() + (1 - c.b()) * f, c.alpha());
    };
    ctx.save();
    ctx.clipToRect(b);
    ctx.drawLinearGradient({{0, lighter(base, 0.35)}, {0.5, lighter(base, 0.1)}, {0.5, base}, {1, base}}, {0, 0},
                           {0, b.height()});
    ctx.setFillColor(gfx::Color(0, 0, 0, 0.4));
    ctx.fillRect({0, b.height() - 1, b.width(), 1});
    ctx.restore();
}

} // namespace pw::ui
