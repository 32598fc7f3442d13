#include "store/BookCategoryCell.h"

#include "foundation/paths/AppPaths.h"
#include "platform/gfx/Font.h"
#include "platform/ui/BundleImage.h"

namespace pw {

void BookCategoryCell::didCreate() {
    ui::TableViewCell::didCreate();
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    const double w = bounds().size.width;
    const double h = m_cellHeight;
    m_bgView = ui::View::create(bounds());
    m_bgView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(m_bgView);
    m_imgIcon = ui::View::create<ui::ImageView>();
    m_imgIcon->setFrame({12, (h - 50) / 2, 50, 50});
    m_imgIcon->setHidden(true);
    addSubview(m_imgIcon);
    m_lblMain = ui::View::create<ui::Label>(gfx::Rect{77, 15, w - 105, 20});
    m_lblMain->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_lblMain->setBackgroundColor(gfx::Color::clear());
    m_lblMain->setFont(gfx::Font::systemFont(16));
    addSubview(m_lblMain);
    m_lblSub = ui::View::create<ui::Label>(gfx::Rect{77, 37, w - 105, 20});
    m_lblSub->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    m_lblSub->setBackgroundColor(gfx::Color::clear());
    m_lblSub->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    m_lblSub->setFont(gfx::Font::systemFont(13));
    m_lblSub->setNumberOfLines(1);
    addSubview(m_lblSub);
    auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(line);
    setSelectedBackgroundView(ui::View::create<ui::ImageView>(ui::BundleImage::named("cell__selected_shadow.png")));
}

void BookCategoryCell::setBgColor(const gfx::Color& c) {
    m_bgView->setBackgroundColor(c);
}

void BookCategoryCell::showIcon(bool show) {
    const double w = bounds().size.width;
    m_imgIcon->setHidden(!show);
    const double x = show ? 77 : 12;
    m_lblMain->setFrame({x, 15, w - 105, 20});
    m_lblSub->setFrame({x, 37, w - 105, 20});
}

void BookCategoryCell::reloadImageByPath(const std::string& path) {
    auto image = path.empty() ? std::nullopt : gfx::Image::fromFile(path);
    m_imgIcon->setImage(image ? *image : ui::BundleImage::named("placeholder_empty.png"));
}

void BookCategoryCell::reloadImageByName(const std::string& name) {
    reloadImageByPath((AppPaths::storeCache() / name).string());
}

} // namespace pw
