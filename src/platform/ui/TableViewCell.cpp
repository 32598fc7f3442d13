#include "platform/ui/TableViewCell.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : m_style(style), m_reuseIdentifier(std::move(reuseIdentifier)) {
    setBackgroundColor(gfx::Color::white());
    setFrame({0, 0, 320, 44});
}

void TableViewCell::didCreate() {
    m_contentView = View::create(bounds());
    m_contentView->setOpaque(false);
    m_contentView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    addSubview(m_contentView);
    m_imageView = View::create<ImageView>();
    m_contentView->addSubview(m_imageView);
    m_textLabel = View::create<Label>();
    m_textLabel->setFont(gfx::Font::boldSystemFont(m_style == TableViewCellStyle::Value2 ? 12 : 18));
    m_textLabel->setHighlightedTextColor(gfx::Color::white());
    m_contentView->addSubview(m_textLabel);
    m_detailLabel = View::create<Label>();
    m_detailLabel->setFont(gfx::Font::systemFont(m_style == TableViewCellStyle::Subtitle ? 14 : 17));
    m_detailLabel->setTextColor(m_style == TableViewCellStyle::Value1 ? gfx::Color::fromRGB255(56, 84, 135)
                                                                      : gfx::Color::gray());
    m_detailLabel->setHighlightedTextColor(gfx::Color::white());
    m_contentView->addSubview(m_detailLabel);
    if (m_style == TableViewCellStyle::Value2) {
        m_textLabel->setTextColor(gfx::Color::fromRGB255(82, 102, 145));
        m_textLabel->setTextAlignment(gfx::TextAlignment::Right);
        m_detailLabel->setTextColor(gfx::Color::black());
        m_detailLabel->setFont(gfx::Font::boldSystemFont(15));
    }
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> v) {
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(v);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    setNeedsLayout();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> v) {
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(v);
    if (m_backgroundView)
        insertSubview(m_backgroundView, 0);
    setNeedsLayout();
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> v) {
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->removeFromSuperview();
    m_selectedBackgroundView = std::move(v);
    updateHighlight();
}

void TableViewCell::setSelected(bool s, bool) {
    if (s == m_selected)
        return;
    m_selected = s;
    updateHighlight();
}

void TableViewCell::setHighlighted(bool h, bool) {
    if (h == m_highlighted)
        return;
    m_highlighted = h;
    updateHighlight();
}

void TableViewCell::updateHighlight() {
    const bool on = (m_selected || m_highlighted) && selectionStyle != TableViewCellSelectionStyle::None;
    m_textLabel->setHighlighted(on);
    m_detailLabel->setHighlighted(on);
    if (m_selectedBackgroundView) {
        if (on && !m_selectedBackgroundView->superview())
            insertSubview(m_selectedBackgroundView, m_backgroundView ? 1 : 0);
        else if (!on)
            m_selectedBackgroundView->removeFromSuperview();
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void TableViewCell::setEditing(bool e, bool) {
    if (e == m_editing)
        return;
    m_editing = e;
    if (!e)
        showDeleteConfirmation(false);
    setNeedsLayout();
    setNeedsDisplay();
}

void TableViewCell::showDeleteConfirmation(bool show, const std::string& title) {
    if (!show) {
        if (m_confirmButton)
            m_confirmButton->removeFromSuperview();
        m_confirmButton.reset();
        setNeedsLayout();
        return;
    }
    if (m_confirmButton)
        return;
    m_confirmButton = Button::create(ButtonType::Custom);
    m_confirmButton->setTitle(title);
    m_confirmButton->setBackgroundColor(gfx::Color::fromRGB255(204, 0, 0));
    m_confirmButton->layer()->setCornerRadius(5);
    m_confirmButton->titleLabel().setFont(gfx::Font::boldSystemFont(14));
    std::weak_ptr<View> weak = weak_from_this();
    m_confirmButton->addTarget(
        [this, weak](Control&) {
            if (weak.expired())
                return;
            auto cb = onConfirmDelete;
            if (cb)
                cb();
        },
        ControlEventTouchUpInside);
    addSubview(m_confirmButton);
    setNeedsLayout();
}

void TableViewCell::prepareForReuse() {
    setSelected(false);
    setHighlighted(false);
    setEditing(false);
    showDeleteConfirmation(false);
}

void TableViewCell::layoutSubviews() {
    const gfx::Rect b = bounds();
    double left = m_editing && m_editingStyle != TableViewCellEditingStyle::None ? 38 : 0;
    left += indentationLevel * 10;
    double right = b.width();
    if (m_confirmButton) {
        m_confirmButton->sizeToFit();
        const double w = std::max(64.0, m_confirmButton->frame().width() + 16);
        m_confirmButton->setFrame({b.width() - w - 8, std::round((b.height() - 30) / 2), w, 30});
        right = m_confirmButton->frame().x() - 4;
    } else if (m_accessoryView && !m_editing) {
        gfx::Rect f = m_accessoryView->frame();
        m_accessoryView->setFrame(
            {b.width() - f.width() - 10, std::round((b.height() - f.height()) / 2), f.width(), f.height()});
        right = m_accessoryView->frame().x() - 4;
    } else if (accessoryType != TableViewCellAccessory::None && !m_editing) {
        right = b.width() - 30;
    }
    if (m_backgroundView)
        m_backgroundView->setFrame(b);
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->setFrame(b);
    m_contentView->setFrame({left, 0, std::max(0.0, right - left), b.height()});
    const gfx::Rect c = m_contentView->bounds();
    double x = 10;
    if (!m_imageView->image().isNull()) {
        const gfx::Size s = m_imageView->image().size();
        m_imageView->setFrame({x, std::round((c.height() - s.height) / 2), s.width, s.height});
        x += s.width + 10;
    } else {
        m_imageView->setFrame({});
    }
    const double w = std::max(0.0, c.width() - x - 10);
    const bool hasDetail = !m_detailLabel->text().empty();
    switch (m_style) {
    case TableViewCellStyle::Default:
        m_textLabel->setFrame({x, 0, w, c.height()});
        m_detailLabel->setFrame({});
        break;
    case TableViewCellStyle::Subtitle:
        if (hasDetail) {
            m_textLabel->setFrame({x, 2, w, c.height() * 0.55});
            m_detailLabel->setFrame({x, c.height() * 0.55, w, c.height() * 0.4});
        } else {
            m_textLabel->setFrame({x, 0, w, c.height()});
            m_detailLabel->setFrame({});
        }
        break;
    case TableViewCellStyle::Value1: {
        const double dw = hasDetail ? std::min(w / 2, m_detailLabel->sizeThatFits({}).width) : 0;
        m_detailLabel->setFrame({x + w - dw, 0, dw, c.height()});
        m_detailLabel->setTextAlignment(gfx::TextAlignment::Right);
        m_textLabel->setFrame({x, 0, w - dw - 6, c.height()});
        break;
    }
    case TableViewCellStyle::Value2:
        m_textLabel->setFrame({x, 0, 67, c.height()});
        m_detailLabel->setFrame({x + 73, 0, std::max(0.0, w - 73), c.height()});
        break;
    }
}

void TableViewCell::draw(gfx::Context& ctx, const gfx::Rect&) {
    const gfx::Rect b = bounds();
    const bool on = (m_selected || m_highlighted) && selectionStyle != TableViewCellSelectionStyle::None &&
                    !m_selectedBackgroundView;
    if (on) {
        const bool blue = selectionStyle == TableViewCellSelectionStyle::Blue;
        ctx.save();
        ctx.clipToRect(b);
        ctx.drawLinearGradient({{0, blue ? gfx::Color::fromRGB255(5, 140, 245) : gfx::Color::fromWhite(0.75)},
                                {1, blue ? gfx::Color::fromRGB255(1, 93, 230) : gfx::Color::fromWhite(0.6)}},
                               {0, 0}, {0, b.height()});
        ctx.restore();
    }
    if (separatorColor) {
        ctx.setFillColor(*separatorColor);
        ctx.fillRect({0, b.height() - 1, b.width(), 1});
    }
    if (m_editing && m_editingStyle != TableViewCellEditingStyle::None) {
        // The round delete (or insert) control at the left.
        const gfx::Rect c(9, std::round(b.height() / 2 - 10), 20, 20);
        const bool del = m_editingStyle == TableViewCellEditingStyle::Delete;
        ctx.setFillColor(del ? gfx::Color::fromRGB255(220, 30, 30) : gfx::Color::fromRGB255(40, 170, 40));
        ctx.fillEllipse(c);
        ctx.setFillColor(gfx::Color::white());
        ctx.fillRect({c.x() + 4, c.midY() - 1.5, 12, 3});
        if (!del)
            ctx.fillRect({c.midX() - 1.5, c.y() + 4, 3, 12});
    }
    if (!m_editing && !m_accessoryView && accessoryType != TableViewCellAccessory::None) {
        const double cx = b.width() - 18, cy = b.height() / 2;
        ctx.setLineWidth(3);
        ctx.setLineCap(gfx::LineCap::Square);
        ctx.setStrokeColor(on ? gfx::Color::white() : gfx::Color::fromRGB255(128, 128, 128));
        ctx.beginPath();
        switch (accessoryType) {
        case TableViewCellAccessory::DisclosureIndicator:
            ctx.moveTo({cx - 4, cy - 5});
            ctx.lineTo({cx + 1, cy});
            ctx.lineTo({cx - 4, cy + 5});
            ctx.strokePath();
            break;
        case TableViewCellAccessory::Checkmark:
            ctx.setStrokeColor(on ? gfx::Color::white() : gfx::Color::fromRGB255(50, 79, 133));
            ctx.moveTo({cx - 8, cy});
            ctx.lineTo({cx - 3, cy + 5});
            ctx.lineTo({cx + 5, cy - 6});
            ctx.strokePath();
            break;
        case TableViewCellAccessory::DetailDisclosureButton:
            ctx.setFillColor(gfx::Color::fromRGB255(36, 112, 216));
            ctx.fillEllipse({cx - 11, cy - 11, 22, 22});
            ctx.setStrokeColor(gfx::Color::white());
            ctx.moveTo({cx - 2, cy - 5});
            ctx.lineTo({cx + 3, cy});
            ctx.lineTo({cx - 2, cy + 5});
            ctx.strokePath();
            break;
        default:
            break;
        }
    }
}

} // namespace pw::ui
