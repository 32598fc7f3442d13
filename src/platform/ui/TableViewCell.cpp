#include "platform/ui/TableViewCell.h"

#include <algorithm>
#include <cmath>

namespace pw::ui {

namespace {

// The round control at a row's left while the table edits: a red disc with a
// bar for delete (turned upright while the row asks to confirm), green with a
// cross for insert.
class EditingControl : public Control {
public:
    TableViewCellEditingStyle style = TableViewCellEditingStyle::Delete;
    bool confirming = false;
    void draw(gfx::Context& ctx, const gfx::Rect&) override {
        const gfx::Rect b = bounds();
        const gfx::Rect c(std::round(b.midX() - 10), std::round(b.midY() - 10), 20, 20);
        const bool del = style == TableViewCellEditingStyle::Delete;
        ctx.setFillColor(del ? gfx::Color::fromRGB255(220, 30, 30) : gfx::Color::fromRGB255(40, 170, 40));
        ctx.fillEllipse(c);
        ctx.setFillColor(gfx::Color::white());
        if (!del || !confirming)
            ctx.fillRect({c.x() + 4, c.midY() - 1.5, 12, 3});
        if (!del || confirming)
            ctx.fillRect({c.midX() - 1.5, c.y() + 4, 3, 12});
    }
};

// The drawn accessory at a row's right, above whatever backgrounds the row has.
class AccessoryIndicator : public View {
public:
    TableViewCellAccessory kind = TableViewCellAccessory::None;
    bool highlighted = false;
    void draw(gfx::Context& ctx, const gfx::Rect&) override {
        const gfx::Rect b = bounds();
        // 18 points in from the row's right edge, as rows always drew it.
        const double cx = b.maxX() - 18, cy = b.midY();
        ctx.setLineWidth(3);
        ctx.setLineCap(gfx::LineCap::Square);
        ctx.setStrokeColor(highlighted ? gfx::Color::white() : gfx::Color::fromRGB255(128, 128, 128));
        ctx.beginPath();
        switch (kind) {
        case TableViewCellAccessory::DisclosureIndicator:
            ctx.moveTo({cx - 4, cy - 5});
            ctx.lineTo({cx + 1, cy});
            ctx.lineTo({cx - 4, cy + 5});
            ctx.strokePath();
            break;
        case TableViewCellAccessory::Checkmark:
            ctx.setStrokeColor(highlighted ? gfx::Color::white() : gfx::Color::fromRGB255(50, 79, 133));
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
};

constexpr double kEditingGutter = 38;
constexpr double kAccessoryWidth = 30;

} // namespace

TableViewCell::AccessoryTypeProperty& TableViewCell::AccessoryTypeProperty::operator=(TableViewCellAccessory t) {
    if (t != m_value) {
        m_value = t;
        m_cell.updateDecorations();
        m_cell.setNeedsLayout();
    }
    return *this;
}

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
    updateDecorations();
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
    updateDecorations();
}

void TableViewCell::setHighlighted(bool h, bool) {
    if (h == m_highlighted)
        return;
    m_highlighted = h;
    updateHighlight();
    updateDecorations();
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
    updateDecorations();
    setNeedsLayout();
    setNeedsDisplay();
}

void TableViewCell::setEditingStyle(TableViewCellEditingStyle s) {
    if (s == m_editingStyle)
        return;
    m_editingStyle = s;
    updateDecorations();
    setNeedsLayout();
}

void TableViewCell::updateDecorations() {
    const bool editControl = m_editing && m_editingStyle != TableViewCellEditingStyle::None;
    if (editControl && !m_editControl) {
        auto control = View::create<EditingControl>();
        control->setOpaque(false);
        control->setBackgroundColor(gfx::Color::clear());
        std::weak_ptr<View> weak = weak_from_this();
        control->addTarget(
            [this, weak](Control&) {
                if (weak.expired())
                    return;
                auto cb = onEditControlTapped;
                if (cb)
                    cb();
            },
            ControlEventTouchUpInside);
        m_editControl = control;
        addSubview(m_editControl);
    } else if (!editControl && m_editControl) {
        m_editControl->removeFromSuperview();
        m_editControl.reset();
    }
    if (auto* control = static_cast<EditingControl*>(m_editControl.get())) {
        control->style = m_editingStyle;
        control->confirming = m_confirmButton != nullptr;
        control->setNeedsDisplay();
    }
    const bool indicator =
        !m_editing && !m_accessoryView && !m_confirmButton && accessoryType != TableViewCellAccessory::None;
    if (indicator && !m_accessoryIndicator) {
        auto v = View::create<AccessoryIndicator>();
        v->setOpaque(false);
        v->setBackgroundColor(gfx::Color::clear());
        v->setUserInteractionEnabled(false);
        m_accessoryIndicator = v;
        addSubview(m_accessoryIndicator);
    } else if (!indicator && m_accessoryIndicator) {
        m_accessoryIndicator->removeFromSuperview();
        m_accessoryIndicator.reset();
    }
    if (auto* v = static_cast<AccessoryIndicator*>(m_accessoryIndicator.get())) {
        v->kind = accessoryType;
        v->highlighted = (m_selected || m_highlighted) && selectionStyle != TableViewCellSelectionStyle::None;
        v->setNeedsDisplay();
    }
}

void TableViewCell::showDeleteConfirmation(bool show, const std::string& title) {
    if (!show) {
        if (m_confirmButton)
            m_confirmButton->removeFromSuperview();
        m_confirmButton.reset();
        updateDecorations();
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
    updateDecorations();
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
    double left = m_editControl ? kEditingGutter : 0;
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
    } else if (m_accessoryIndicator) {
        right = b.width() - kAccessoryWidth;
        m_accessoryIndicator->setFrame({right, 0, kAccessoryWidth, b.height()});
    }
    // Cells add their own subviews after the table made them: the controls
    // the row draws for itself stay on top.
    if (m_editControl) {
        m_editControl->setFrame({0, 0, kEditingGutter, b.height()});
        bringSubviewToFront(m_editControl.get());
    }
    if (m_accessoryIndicator)
        bringSubviewToFront(m_accessoryIndicator.get());
    if (m_confirmButton)
        bringSubviewToFront(m_confirmButton.get());
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
}

} // namespace pw::ui
