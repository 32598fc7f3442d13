#include "account/RZMessageCell.h"

#include "platform/ui/BundleImage.h"

namespace pw {

RZMessageCell::RZMessageCell(const std::string& reuseIdentifier)
    : TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {}

void RZMessageCell::didCreate() {
    TableViewCell::didCreate();
    setFrame(gfx::Rect(0, 0, 320, 70));
    contentView().setFrame(bounds());
    const double w = bounds().width();
    m_bgView = ui::View::create(bounds());
    m_bgView->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    setBackgroundView(m_bgView);
    m_imgIcon = ui::View::create<ui::ImageView>(gfx::Rect(5, 27, 15, 15));
    contentView().addSubview(m_imgIcon);
    m_lblMsgTitle = ui::View::create<ui::Label>(gfx::Rect(40, 10, w - 80, 25));
    m_lblMsgTitle->setFont(gfx::Font::systemFont(14));
    m_lblMsgTitle->setBackgroundColor(gfx::Color::clear());
    m_lblMsgTitle->setAutoresizingMask(ui::FlexibleWidth);
    contentView().addSubview(m_lblMsgTitle);
    m_lblCreateTime = ui::View::create<ui::Label>(gfx::Rect(w - 110, 36, 108, 25));
    m_lblCreateTime->setFont(gfx::Font::systemFont(12));
    m_lblCreateTime->setBackgroundColor(gfx::Color::clear());
    m_lblCreateTime->setAutoresizingMask(ui::FlexibleLeftMargin);
    contentView().addSubview(m_lblCreateTime);
    auto line = ui::View::create<ui::ImageView>(gfx::Rect(0, 0, w, 3));
    line->setImage(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    contentView().addSubview(line);
    setMessageIsRead(false);
}

void RZMessageCell::setMessageIsRead(bool read) {
    m_read = read;
    if (read) {
        m_lblMsgTitle->setTextColor(gfx::Color::lightGray());
        m_lblCreateTime->setTextColor(gfx::Color::lightGray());
        m_imgIcon->setImage(ui::BundleImage::named("rzmsg_read.png"));
    } else {
        m_lblMsgTitle->setTextColor(gfx::Color::black());
        m_lblCreateTime->setTextColor(gfx::Color::darkGray());
        m_imgIcon->setImage(ui::BundleImage::named("rzmsg_unread.png"));
    }
}

} // namespace pw
