#include "store/BookChannelInfoCell.h"

#include "foundation/paths/AppPaths.h"
#include "platform/gfx/Font.h"
#include "platform/ui/BundleImage.h"

namespace pw {

std::string BookChannelInfoCell::channelName(int siteType) {
    switch (siteType) {
    case 0:
        return "墨川中文网";
    case 1:
        return "墨川女生网";
    case 2:
        return "墨川文学网";
    default:
        return {};
    }
}

void BookChannelInfoCell::didCreate() {
    ui::TableViewCell::didCreate();
    const double w = bounds().size.width;
    const double h = m_rowHeight;
    m_bgView = ui::View::create(bounds());
    m_bgView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(m_bgView);
    m_imgChannel = ui::View::create<ui::ImageView>();
    m_imgChannel->setFrame({0, 0, 30, h});
    addSubview(m_imgChannel);
    m_lblChannel = ui::View::create<ui::Label>(gfx::Rect{2, 0, 20, h});
    m_lblChannel->setBackgroundColor(gfx::Color::clear());
    m_lblChannel->setTextColor(gfx::Color::white());
    m_lblChannel->setNumberOfLines(0);
    m_lblChannel->setTextAlignment(gfx::TextAlignment::Center);
    m_lblChannel->setFont(gfx::Font::systemFont(11));
    addSubview(m_lblChannel);
    m_imgIcon = ui::View::create<ui::ImageView>();
    m_imgIcon->setFrame({40, (h - 50) / 2, 50, 50});
    m_imgIcon->setHidden(true);
    addSubview(m_imgIcon);
    m_lblName = ui::View::create<ui::Label>(gfx::Rect{105, 15, w - 130, 20});
    m_lblName->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_lblName->setBackgroundColor(gfx::Color::clear());
    m_lblName->setFont(gfx::Font::systemFont(16));
    addSubview(m_lblName);
    m_lblDescription = ui::View::create<ui::Label>(gfx::Rect{105, 37, w - 130, 60});
    m_lblDescription->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_lblDescription->setNumberOfLines(0);
    m_lblDescription->setBackgroundColor(gfx::Color::clear());
    m_lblDescription->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    m_lblDescription->setFont(gfx::Font::systemFont(13));
    addSubview(m_lblDescription);
    auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(line);
    setSelectedBackgroundView(ui::View::create<ui::ImageView>(ui::BundleImage::named("cell__selected_shadow.png")));
}

void BookChannelInfoCell::setBgColor(const gfx::Color& c) {
    m_bgView->setBackgroundColor(c);
}

void BookChannelInfoCell::loadChannelImage(int siteType) {
    const std::string name = channelName(siteType);
    if (!name.empty())
        m_lblChannel->setText(name);
    m_imgChannel->setImage(ui::BundleImage::named("bookstore_recommend_type" + std::to_string(siteType + 1) + ".png"));
}

void BookChannelInfoCell::showIcon(bool show) {
    const double w = bounds().size.width;
    m_imgIcon->setHidden(!show);
    if (show) {
        m_lblName->setFrame({105, 15, w - 130, 20});
        m_lblDescription->setFrame({105, 37, w - 130, 60});
    } else {
        m_lblName->setFrame({40, 15, w - 70, 20});
        m_lblDescription->setFrame({40, 37, w - 70, 60});
    }
}

void BookChannelInfoCell::reloadImageByPath(const std::string& path) {
    auto image = path.empty() ? std::nullopt : gfx::Image::fromFile(path);
    m_imgIcon->setImage(image ? *image : ui::BundleImage::named("placeholder_empty.png"));
}

void BookChannelInfoCell::reloadImageByName(const std::string& name) {
    reloadImageByPath((AppPaths::storeCache() / name).string());
}

} // namespace pw
