#include "platform/ui/Button.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

Button::Button(ButtonType type) : m_type(type) {
    setOpaque(false);
}

void Button::didCreate() {
    m_imageView = View::create<ImageView>();
    m_imageView->setContentMode(ContentMode::Center);
    addSubview(m_imageView);
    m_titleLabel = View::create<Label>();
    m_titleLabel->setFont(gfx::Font::boldSystemFont(15));
    m_titleLabel->setTextAlignment(gfx::TextAlignment::Center);
    m_titleLabel->setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
    addSubview(m_titleLabel);
    if (m_type == ButtonType::RoundedRect) {
        m_titleColors[ControlStateNormal] = gfx::Color::fromRGB255(50, 79, 133);
        m_titleColors[ControlStateHighlighted] = gfx::Color::white();
        m_titleColors[ControlStateSelected] = gfx::Color::white();
    } else {
        m_titleColors[ControlStateNormal] = gfx::Color::white();
    }
    m_titleColors[ControlStateDisabled] = gfx::Color::fromWhite(0.5, 0.8);
    if (m_type != ButtonType::Custom && m_type != ButtonType::RoundedRect)
        setFrame({0, 0, 29, 31});
    refresh();
}

template <typename T>
std::optional<T> Button::lookup(const std::map<unsigned, T>& m, unsigned state) const {
    if (auto it = m.find(state); it != m.end())
        return it->second;
    // A combined state falls back to its strongest single part, then to normal.
    for (unsigned s :
         {unsigned(ControlStateDisabled), unsigned(ControlStateHighlighted), unsigned(ControlStateSelected)})
        if (state & s)
            if (auto it = m.find(s); it != m.end())
                return it->second;
    if (auto it = m.find(ControlStateNormal); it != m.end())
        return it->second;
    return std::nullopt;
}

void Button::setTitle(std::string title, unsigned state) {
    m_titles[state] = std::move(title);
    refresh();
}

std::optional<std::string> Button::titleForState(unsigned state) const {
    return lookup(m_titles, state);
}

void Button::setTitleColor(gfx::Color c, unsigned state) {
    m_titleColors[state] = c;
    refresh();
}

gfx::Color Button::titleColorForState(unsigned state) const {
    return lookup(m_titleColors, state).value_or(gfx::Color::white());
}

void Button::setTitleShadowColor(gfx::Color c, unsigned state) {
    m_shadowColors[state] = c;
    refresh();
}

void Button::setImage(gfx::Image image, unsigned state) {
    m_images[state] = std::move(image);
    refresh();
}

gfx::Image Button::imageForState(unsigned state) const {
    return lookup(m_images, state).value_or(gfx::Image{});
}

void Button::setBackgroundImage(gfx::Image image, unsigned state) {
    m_backgrounds[state] = std::move(image);
    refresh();
}

gfx::Image Button::backgroundImageForState(unsigned state) const {
    return lookup(m_backgrounds, state).value_or(gfx::Image{});
}

std::string Button::currentTitle() const {
    return titleForState(state()).value_or("");
}
gfx::Image Button::currentImage() const {
    return imageForState(state());
}
gfx::Image Button::currentBackgroundImage() const {
    return backgroundImageForState(state());
}

void Button::setContentEdgeInsets(gfx::EdgeInsets e) {
    m_contentInsets = e;
    setNeedsLayout();
}
void Button::setTitleEdgeInsets(gfx::EdgeInsets e) {
    m_titleInsets = e;
    setNeedsLayout();
}
void Button::setImageEdgeInsets(gfx::EdgeInsets e) {
    m_imageInsets = e;
    setNeedsLayout();
}

void Button::stateDidChange() {
    refresh();
    Control::stateDidChange();
}

void Button::refresh() {
    if (!m_titleLabel)
        return;
    const unsigned s = state();
    m_titleLabel->setText(currentTitle());
    m_titleLabel->setTextColor(titleColorForState(s));
    if (auto sc = lookup(m_shadowColors, s))
        m_titleLabel->setShadowColor(*sc);
    else
        m_titleLabel->setShadowColor(std::nullopt);
    const bool ownImage = m_images.count(s) > 0;
    m_imageView->setImage(currentImage());
    m_imageView->setDarkened(isHighlighted() && adjustsImageWhenHighlighted && !ownImage);
    m_imageView->setAlpha(!isEnabled() && adjustsImageWhenDisabled && !ownImage ? 0.5 : 1);
    setNeedsLayout();
    setNeedsDisplay();
}

gfx::Size Button::sizeThatFits(gfx::Size) const {
    gfx::Size img = currentImage().isNull() ? gfx::Size{} : currentImage().size();
    gfx::Size text = m_titleLabel->text().empty() ? gfx::Size{} : m_titleLabel->sizeThatFits({});
    gfx::Size bg = currentBackgroundImage().isNull() ? gfx::Size{} : currentBackgroundImage().size();
    double w = img.width + text.width + m_contentInsets.left + m_contentInsets.right;
    double h = std::max(img.height, text.height) + m_contentInsets.top + m_contentInsets.bottom;
    return {std::max(w, bg.width), std::max(h, bg.height)};
}

void Button::layoutSubviews() {
    const gfx::Rect content = bounds().inset(m_contentInsets);
    const gfx::Image img = currentImage();
    const gfx::Size imgSize = img.isNull() ? gfx::Size{} : img.size();
    gfx::Size text = m_titleLabel->text().empty() ? gfx::Size{} : m_titleLabel->sizeThatFits({});
    const gfx::EdgeInsets& t = m_titleInsets;
    text.width = std::min(text.width, std::max(0.0, content.width() - imgSize.width - t.left - t.right));
    const double total = imgSize.width + text.width;
    double x = content.x() + std::round((content.width() - total) / 2);
    gfx::Rect imgRect(x, content.y() + std::round((content.height() - imgSize.height) / 2), imgSize.width,
                      imgSize.height);
    // The title's insets move it by half their difference and narrow the room
    // it may take; a title that fits in that room keeps its whole width.
    gfx::Rect titleRect(x + imgSize.width + (t.left - t.right) / 2,
                        content.y() + std::round((content.height() - text.height) / 2) + (t.top - t.bottom) / 2,
                        text.width, text.height);
    m_imageView->setFrame(imgRect.inset(m_imageInsets));
    m_titleLabel->setFrame(titleRect);
}

void Button::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const gfx::Image bg = currentBackgroundImage();
    if (!bg.isNull()) {
        ctx.drawImage(bg, b);
        if (isHighlighted() && adjustsImageWhenHighlighted && !m_backgrounds.count(ControlStateHighlighted)) {
            ctx.setFillColor(gfx::Color(0, 0, 0, 0.3));
            ctx.fillRect(b);
        }
        return;
    }
    switch (m_type) {
    case ButtonType::RoundedRect: {
        const gfx::Rect r = b.insetBy(0.5, 0.5);
        ctx.beginPath();
        ctx.addRoundedRect(r, 9);
        if (isHighlighted() || isSelected()) {
            ctx.save();
            ctx.clip();
            ctx.drawLinearGradient({{0, gfx::Color::fromRGB255(5, 140, 245)}, {1, gfx::Color::fromRGB255(1, 93, 230)}},
                                   {0, b.y()}, {0, b.maxY()});
            ctx.restore();
        } else {
            ctx.setFillColor(gfx::Color::white());
            ctx.fillPath();
        }
        ctx.beginPath();
        ctx.addRoundedRect(r, 9);
        ctx.setStrokeColor(gfx::Color::fromWhite(0.55));
        ctx.setLineWidth(1);
        ctx.strokePath();
        break;
    }
    case ButtonType::DetailDisclosure:
    case ButtonType::InfoLight:
    case ButtonType::InfoDark:
    case ButtonType::ContactAdd: {
        const double d = std::min(b.width(), b.height()) - 6;
        const gfx::Rect c(b.midX() - d / 2, b.midY() - d / 2, d, d);
        const gfx::Color fill = m_type == ButtonType::InfoLight  ? gfx::Color::white()
                                : m_type == ButtonType::InfoDark ? gfx::Color::darkGray()
                                                                 : gfx::Color::fromRGB255(36, 112, 216);
        ctx.setFillColor(isHighlighted() ? fill.withAlpha(0.6) : fill);
        ctx.fillEllipse(c);
        ctx.setStrokeColor(m_type == ButtonType::InfoLight ? gfx::Color::darkGray() : gfx::Color::white());
        ctx.setLineWidth(2.5);
        ctx.beginPath();
        if (m_type == ButtonType::ContactAdd) {
            ctx.moveTo({c.midX(), c.y() + 5});
            ctx.lineTo({c.midX(), c.maxY() - 5});
            ctx.moveTo({c.x() + 5, c.midY()});
            ctx.lineTo({c.maxX() - 5, c.midY()});
        } else if (m_type == ButtonType::DetailDisclosure) {
            ctx.moveTo({c.midX() - 2, c.y() + 6});
            ctx.lineTo({c.midX() + 3, c.midY()});
            ctx.lineTo({c.midX() - 2, c.maxY() - 6});
        } else {
            ctx.moveTo({c.midX(), c.midY() - 2});
            ctx.lineTo({c.midX(), c.maxY() - 5});
            ctx.moveTo({c.midX(), c.y() + 5});
            ctx.lineTo({c.midX(), c.y() + 6});
        }
        ctx.strokePath();
        break;
    }
    case ButtonType::Custom:
        if (showsTouchWhenHighlighted && isHighlighted()) {
            const double d = std::min(b.width(), b.height());
            std::vector<gfx::GradientStop> stops{{0, gfx::Color(1, 1, 1, 0.8)}, {1, gfx::Color(1, 1, 1, 0)}};
            ctx.save();
            ctx.clipToRect(b);
            ctx.drawRadialGradient(stops, b.center(), 0, b.center(), d / 2, 0);
            ctx.restore();
        }
        break;
    }
}

} // namespace pw::ui
