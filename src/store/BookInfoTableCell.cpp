#include "store/BookInfoTableCell.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/util/FileHelper.h"
#include "platform/gfx/Font.h"
#include "platform/ui/BundleImage.h"
#include "store/StoreBookCoverDownloader.h"

namespace pw {
namespace {

std::shared_ptr<ui::Label> addLabel(ui::View& cell, const gfx::Rect& frame, double fontSize, bool grey) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setBackgroundColor(gfx::Color::clear());
    label->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    label->setFont(gfx::Font::systemFont(fontSize));
    if (grey)
        label->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    cell.addSubview(label);
    return label;
}

} // namespace

void BookInfoTableCell::didCreate() {
    ui::TableViewCell::didCreate();
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    imageStatus = -1;
    const double w = bounds().size.width;
    const bool pad = currentDeviceKind() == DeviceKind::Tablet;
    m_bgView = ui::View::create(bounds());
    m_bgView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    addSubview(m_bgView);
    m_imgCoverShadow = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookmask.9.png"));
    m_imgCoverShadow->setFrame(
        {coverRect().x() + 2, coverRect().y() + 2, coverRect().size.width, coverRect().size.height});
    addSubview(m_imgCoverShadow);
    m_imgCover = ui::View::create<ui::ImageView>();
    m_imgCover->setFrame(coverRect());
    addSubview(m_imgCover);
    const double x = coverRect().maxX() + 13;
    m_lblBookName = addLabel(*this, {x, 10, w - 150, 23}, pad ? 16 : 14, false);
    m_lblAuthor = addLabel(*this, {x, 40, w - 120, 19}, pad ? 15 : 13, true);
    m_lblChapterName = addLabel(*this, {x, 60, w - 120, 38}, pad ? 14 : 12, true);
    m_lblChapterName->setNumberOfLines(2);
    m_lblLstUpdateTime = addLabel(*this, {x, 99, w - 120, 19}, pad ? 14 : 12, true);
    m_lblLoading = ui::View::create<ui::Label>(
        gfx::Rect{coverRect().x(), coverRect().size.height / 2, coverRect().size.width, 20});
    m_lblLoading->setText("加载中...");
    m_lblLoading->setTextAlignment(gfx::TextAlignment::Center);
    m_lblLoading->setBackgroundColor(gfx::Color::clear());
    m_lblLoading->setTextColor(gfx::Color::fromRGB255(205, 205, 205));
    m_lblLoading->setShadowColor(gfx::Color::fromWhite(0.9, 1));
    m_lblLoading->setShadowOffset({0, 1});
    m_lblLoading->setFont(gfx::Font::systemFont(pad ? 14 : 12));
    m_lblLoading->setHidden(true);
    addSubview(m_lblLoading);
    auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(line);
    setSelectedBackgroundView(ui::View::create<ui::ImageView>(ui::BundleImage::named("cell__selected_shadow.png")));
}

void BookInfoTableCell::setBgColor(const gfx::Color& c) {
    m_bgView->setBackgroundColor(c);
}

void BookInfoTableCell::placeLabels(double x, double nameMargin, double margin) {
    const double w = bounds().size.width;
    m_lblBookName->setFrame({x, 10, w - nameMargin, 23});
    m_lblAuthor->setFrame({x, 40, w - margin, 19});
    m_lblChapterName->setFrame({x, 60, w - margin, 38});
    m_lblLstUpdateTime->setFrame({x, 99, w - margin, 19});
}

void BookInfoTableCell::reloadImage() {
    if (isNoImgMode) {
        if (!m_imgCover->isHidden()) {
            m_imgCover->setHidden(true);
            m_imgCoverShadow->setHidden(true);
            m_lblLoading->setHidden(true);
            placeLabels(18, 90, 60);
        }
        return;
    }
    if (m_imgCover->isHidden()) {
        placeLabels(coverRect().maxX() + 13, 150, 120);
        m_imgCover->setHidden(false);
        m_imgCoverShadow->setHidden(false);
        m_lblLoading->setHidden(false);
    }
    auto cover = gfx::Image::fromFile(FileHelper::cacheBookCoverPath(coverId(rzBookId, imageStatus)).string());
    m_lblLoading->setHidden(true);
    m_imgCover->setImage(cover ? *cover : ui::BundleImage::named("nopicsite_v2.png"));
}

void BookInfoTableCell::downImageWithRZBookId(int64_t bookId, int status, bool noImageMode,
                                              const std::optional<ui::IndexPath>& indexPath, int tableTag) {
    isNoImgMode = noImageMode;
    if (noImageMode) {
        m_lblLoading->setHidden(true);
        m_imgCover->setImage(ui::BundleImage::named("nopicsite_v2.png"));
        return;
    }
    const int64_t id = coverId(bookId, status);
    if (FileHelper::isCacheBookCoverImageExistByRZBookId(id))
        return;
    m_lblLoading->setHidden(false);
    StoreBookCoverDownloader::beginBookCoverDownloading(id, bookId, tableTag, -1, indexPath);
}

} // namespace pw
