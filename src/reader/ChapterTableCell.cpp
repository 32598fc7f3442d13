#include "reader/ChapterTableCell.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"

namespace pw {

void ChapterTableCell::didCreate() {
    const double w = bounds().width();
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto label = [](const gfx::Rect& frame, double size, bool grey) {
        auto l = ui::View::create<ui::Label>(frame);
        l->setFont(gfx::Font::systemFont(size));
        l->setBackgroundColor(gfx::Color::clear());
        if (grey)
            l->setTextColor(gfx::Color::gray());
        return l;
    };
    m_lblChapterName = label({8, 10, w - 16, 20}, 14, false);
    m_lblChapterName->setAutoresizingMask(ui::FlexibleWidth);
    m_lblUpdateTime = label({8, 35, w - 110, 20}, 12, true);
    m_lblUpdateTime->setAutoresizingMask(ui::FlexibleWidth);
    m_lblIsDown = label({w - 110, 35, 100, 20}, 12, true);
    m_lblIsDown->setTextAlignment(gfx::TextAlignment::Right);
    m_lblIsDown->setAutoresizingMask(ui::FlexibleLeftMargin);
    auto sep = ui::View::create<ui::ImageView>(ui::BundleImage::named("TbCell_SepLine.png"));
    sep->setFrame({0, 0, w, sep->image().isNull() ? 1 : sep->image().size().height});
    sep->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(m_lblChapterName);
    addSubview(m_lblUpdateTime);
    addSubview(m_lblIsDown);
    addSubview(sep);
}

void ChapterTableCell::reset() {
    m_lblChapterName->setText("");
    m_lblUpdateTime->setText("");
    m_lblIsDown->setText("");
}

} // namespace pw
