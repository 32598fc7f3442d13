#include "account/RZBookNotifyCell.h"

#include "account/ReplyValue.h"
#include "platform/device/Device.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/SwipeGestureRecognizer.h"

namespace pw {

namespace {

std::shared_ptr<ui::Label> makeLabel(const gfx::Rect& frame, double fontSize, const gfx::Color& colour) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::systemFont(fontSize));
    label->setTextColor(colour);
    label->setBackgroundColor(gfx::Color::clear());
    label->setAutoresizingMask(ui::FlexibleWidth);
    return label;
}

} // namespace

bool RZBookNotifyCell::showsNew(const core::Value& record) {
    // The table keeps chapter ids as integers; an older row may hold text.
    return ReplyValue::wholeNumber(record["currLstChapterId"]) < ReplyValue::wholeNumber(record["lstChapterId"]);
}

RZBookNotifyCell::RZBookNotifyCell(const std::string& reuseIdentifier)
    : TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {}

void RZBookNotifyCell::didCreate() {
    TableViewCell::didCreate();
    setFrame(gfx::Rect(0, 0, 320, 125));
    contentView().setFrame(bounds());
    const double w = bounds().width();
    m_bgView = ui::View::create(bounds());
    m_bgView->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    m_bgView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    contentView().addSubview(m_bgView);
    m_imgCoverShadow = ui::View::create<ui::ImageView>(gfx::Rect(13, 12, 74, 92));
    m_imgCoverShadow->setImage(ui::BundleImage::named("bookmask.9.png"));
    contentView().addSubview(m_imgCoverShadow);
    m_imgCover = ui::View::create<ui::ImageView>(gfx::Rect(11, 10, 74, 92));
    contentView().addSubview(m_imgCover);
    m_imgNew = ui::View::create<ui::ImageView>(gfx::Rect(75, 13, 19, 20));
    m_imgNew->setImage(ui::BundleImage::named("v2_icon_new.png"));
    m_imgNew->setHidden(true);
    contentView().addSubview(m_imgNew);
    const gfx::Color grey = gfx::Color::darkGray();
    m_lblBookName = makeLabel(gfx::Rect(98, 10, w - 150, 23), 14, gfx::Color::black());
    m_lblAuthor = makeLabel(gfx::Rect(98, 40, w - 120, 19), 13, grey);
    m_lblChapterName = makeLabel(gfx::Rect(98, 60, w - 120, 38), 12, grey);
    m_lblChapterName->setNumberOfLines(2);
    m_lblLstUpdateTime = makeLabel(gfx::Rect(98, 99, w - 120, 19), 12, grey);
    for (auto* l : {&m_lblBookName, &m_lblAuthor, &m_lblChapterName, &m_lblLstUpdateTime})
        contentView().addSubview(*l);
    auto line = ui::View::create<ui::ImageView>(gfx::Rect(0, 0, w, 3));
    line->setImage(ui::BundleImage::named("v2_icon_main_psl.png"));
    line->setAutoresizingMask(ui::FlexibleWidth);
    contentView().addSubview(line);

    std::weak_ptr<RZBookNotifyCell> weak = std::static_pointer_cast<RZBookNotifyCell>(shared_from_this());
    auto swipe = ui::SwipeGestureRecognizer::create([weak](ui::GestureRecognizer&) {
        if (auto self = weak.lock())
            self->swiped();
    });
    swipe->direction = ui::SwipeLeft;
    addGestureRecognizer(swipe);
}

void RZBookNotifyCell::swiped() {
    if (auto d = cellDelegate.lock())
        d->swipeToNotify(*this, bookId, rzBookId);
}

void RZBookNotifyCell::reloadImage() {
    auto image = coverImagePath.empty() ? std::nullopt : gfx::Image::fromFile(coverImagePath);
    if (image) {
        m_imgCover->setImage(*image);
        return;
    }
    const bool pad = device::Device::current().idiom() == device::Idiom::Pad;
    m_imgCover->setImage(ui::BundleImage::named(pad ? "defaultcover-hd.png" : "defaultcover.png"));
}

void RZBookNotifyCell::showNew(bool show) {
    m_imgNew->setHidden(!show);
}

} // namespace pw
