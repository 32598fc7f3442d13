#include "store/BookInfoPlusTableCell.h"

#include "foundation/config/DeviceKind.h"
#include "platform/gfx/Font.h"

namespace pw {

void BookInfoPlusTableCell::didCreate() {
    BookInfoTableCell::didCreate();
    const double w = bounds().size.width;
    const double size = currentDeviceKind() == DeviceKind::Tablet ? 14 : 12;
    m_lblStorey = ui::View::create<ui::Label>(gfx::Rect{w - 50, 5, 40, 20});
    m_lblStorey->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleBottomMargin);
    m_lblStorey->setAdjustsFontSizeToFitWidth(true);
    m_lblStorey->setMinimumFontSize(8);
    m_lblStorey->setBackgroundColor(gfx::Color::clear());
    m_lblStorey->setTextAlignment(gfx::TextAlignment::Right);
    m_lblStorey->setFont(gfx::Font::systemFont(size));
    addSubview(m_lblStorey);
    m_lblExtraMessage = ui::View::create<ui::Label>(extraFrame());
    m_lblExtraMessage->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_lblExtraMessage->setBackgroundColor(gfx::Color::clear());
    m_lblExtraMessage->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    m_lblExtraMessage->setFont(gfx::Font::systemFont(size));
    addSubview(m_lblExtraMessage);
}

gfx::Rect BookInfoPlusTableCell::extraFrame() {
    const gfx::Rect time = lblLstUpdateTime().frame();
    return {time.x(), time.maxY() + 1, bounds().size.width - 150, 19};
}

void BookInfoPlusTableCell::reloadImage() {
    BookInfoTableCell::reloadImage();
    m_lblExtraMessage->setFrame(extraFrame());
}

} // namespace pw
