#include "reader/RZChapterTableCell.h"

#include "platform/ui/BundleImage.h"

namespace pw {

namespace {
std::shared_ptr<ui::Label> makeLabel(const gfx::Rect& frame, double size, bool grey) {
    auto l = ui::View::create<ui::Label>(frame);
    l->setFont(gfx::Font::systemFont(size));
    l->setBackgroundColor(gfx::Color::clear());
    if (grey)
        l->setTextColor(gfx::Color::gray());
    return l;
}
} // namespace

void RZChapterTableCell::didCreate() {
    const double w = bounds().width();
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_lblChapterName = makeLabel({8, 10, w - 56, 20}, 14, false);
    m_lblChapterName->setAutoresizingMask(ui::FlexibleWidth);
    m_lblUpdateTime = makeLabel({8, 35, w - 110, 20}, 12, true);
    m_lblUpdateTime->setAutoresizingMask(ui::FlexibleWidth);
    m_lblIsDown = makeLabel({w - 110, 35, 100, 20}, 12, true);
    m_lblIsDown->setTextAlignment(gfx::TextAlignment::Right);
    m_lblIsDown->setAutoresizingMask(ui::FlexibleLeftMargin);
    m_imgVipIcon = ui::View::create<ui::ImageView>(ui::BundleImage::named("icon_v.png"));
    m_imgVipIcon->setFrame({8, 6, 24, 24});
    m_imgVipIcon->setHidden(true);
    auto sep = ui::View::create<ui::ImageView>(ui::BundleImage::named("TbCell_SepLine.png"));
    sep->setFrame({0, 0, w, sep->image().isNull() ? 1 : sep->image().size().height});
    sep->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(m_lblChapterName);
    addSubview(m_lblUpdateTime);
    addSubview(m_lblIsDown);
    addSubview(m_imgVipIcon);
    addSubview(sep);
}

void RZChapterTableCell::reset() {
    m_lblChapterName->setText("");
    m_lblUpdateTime->setText("");
    m_lblIsDown->setText("");
    showIcon(false);
}

void RZChapterTableCell::showIcon(bool show) {
    const double w = bounds().width();
    m_lblChapterName->setFrame(show ? gfx::Rect(36, 10, w - 86, 20) : gfx::Rect(8, 10, w - 56, 20));
    m_imgVipIcon->setHidden(!show);
}

} // namespace pw
