#include "shelf/BookcaseBookUnit.h"

#include "foundation/config/DeviceKind.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "shelf/BookSelection.h"
#include "shelf/ShelfCoverCache.h"
#include "shelf/ShelfNotifications.h"

namespace pw {

namespace {

struct TileSizes {
    gfx::Rect shadow, cover, type, name, badge, progress;
    double nameFont;
};

const TileSizes& sizes(bool tablet) {
    static const TileSizes phone{
        {15, 5, 74, 92}, {11, 2, 74, 92}, {33, 76, 30, 18}, {14, 35, 70, 25}, {74, 3, 19, 20}, {19, 66, 60, 8}, 10};
    static const TileSizes pad{{15, 5, 120, 150},
                               {11, 2, 120, 150},
                               {56, 135, 30, 18},
                               {16, 58, 110, 38},
                               {120, 3, 19, 20},
                               {19, 115, 106, 8},
                               12};
    return tablet ? pad : phone;
}

std::shared_ptr<ui::ImageView> imageView(const std::string& name, const gfx::Rect& frame) {
    auto v = name.empty() ? ui::View::create<ui::ImageView>()
                          : ui::View::create<ui::ImageView>(ui::BundleImage::named(name));
    v->setFrame(frame);
    return v;
}

} // namespace

BookcaseBookUnit::BookcaseBookUnit(int n, int i)
    : m_n(n), m_i(i), m_tablet(currentDeviceKind() == DeviceKind::Tablet) {}

std::shared_ptr<BookcaseBookUnit> BookcaseBookUnit::create(int n, int i) {
    return View::create<BookcaseBookUnit>(n, i);
}

gfx::Rect BookcaseBookUnit::tileFrame(int n, int i, bool tablet) {
    if (tablet) {
        const double x = n == 4 ? 57 + 170 * i : 42 + 160 * i;
        return {x, 5, 165, 165};
    }
    const double x = n == 3 ? 12 + 100 * i : 28 + 110 * i;
    return {x, 5, 96, 96};
}

void BookcaseBookUnit::didCreate() {
    View::didCreate();
    const TileSizes& s = sizes(m_tablet);
    setFrame(tileFrame(m_n, m_i, m_tablet));
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);

    addSubview(imageView(m_tablet ? "bookmask.9-hd.png" : "bookmask.9.png", s.shadow));

    m_imgCover = imageView({}, s.cover);
    m_imgCover->setUserInteractionEnabled(true);
    std::weak_ptr<View> weak = weak_from_this();
    m_imgCover->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer&) {
        if (auto self = std::static_pointer_cast<BookcaseBookUnit>(weak.lock()))
            self->bookTap();
    }));
    addSubview(m_imgCover);

    addSubview(imageView("icon_book_transparent.png", s.type));
    m_lblType = View::create<ui::Label>(s.type);
    m_lblType->setTextAlignment(gfx::TextAlignment::Center);
    m_lblType->setFont(gfx::Font::systemFont(10));
    m_lblType->setTextColor(gfx::Color::white());
    m_lblType->setBackgroundColor(gfx::Color::clear());
    m_lblType->setOpaque(false);
    addSubview(m_lblType);

    m_imgNew = imageView("v2_icon_new.png", s.badge);
    m_imgNew->setHidden(true);
    addSubview(m_imgNew);

    m_lblBookName = View::create<ui::Label>(s.name);
    m_lblBookName->setFont(gfx::Font::systemFont(s.nameFont));
    if (gfx::Image band = ui::BundleImage::named(m_tablet ? "bookname-hd.png" : "bookname.png"))
        m_lblBookName->setBackgroundColor(gfx::Color::patternImage(band));
    else
        m_lblBookName->setBackgroundColor(gfx::Color::fromWhite(0, 0.45));
    m_lblBookName->setTextColor(gfx::Color::white());
    m_lblBookName->setOpaque(false);
    m_lblBookName->setNumberOfLines(2);
    m_lblBookName->setTextAlignment(gfx::TextAlignment::Center);
    addSubview(m_lblBookName);

    m_progress = View::create<ui::ProgressView>(s.progress);
    m_progress->setHidden(true);
    addSubview(m_progress);

    m_imgChoose = imageView({}, s.cover);
    m_imgChoose->setHidden(true);
    addSubview(m_imgChoose);

    bringSubviewToFront(m_imgNew.get());
}

void BookcaseBookUnit::reloadImage() {
    if (!m_imgCover)
        return;
    gfx::Image cover = ShelfCoverCache::coverAt(m_coverImagePath);
    if (!cover.isNull())
        m_imgCover->setImage(std::move(cover));
    else
        m_imgCover->setImage(ui::BundleImage::named(m_tablet ? "defaultcover-hd.png" : "defaultcover.png"));
}

void BookcaseBookUnit::setupProgress(float p) {
    if (p >= 0 && p < 1) {
        m_progress->setProgress(p);
        m_progress->setHidden(false);
    } else {
        m_progress->setHidden(true);
    }
}

void BookcaseBookUnit::reset() {
    setHidden(true);
    m_progress->setHidden(true);
    m_imgChoose->setHidden(true);
    m_isEdit = false;
    m_progress->setProgress(0.01f);
}

void BookcaseBookUnit::showChooseImage() {
    const char* name = m_tablet ? (m_selected ? "defaultcover-hd_selected.png" : "defaultcover-hd_unselected.png")
                                : (m_selected ? "defaultcover_selected.png" : "defaultcover_unselected.png");
    if (m_chooseImageName != name) {
        m_chooseImageName = name;
        m_imgChoose->setImage(ui::BundleImage::named(m_chooseImageName));
    }
    m_imgChoose->setHidden(false);
}

void BookcaseBookUnit::hideChooseImage() {
    m_imgChoose->setHidden(true);
}

void BookcaseBookUnit::selectChooseImageAnimate() {
    showChooseImage();
    ui::View* mark = m_imgChoose.get();
    performWithoutAnimation([mark] { mark->setAlpha(0.6); });
    ui::BlockAnimationOptions options;
    options.duration = 0.25;
    options.curve = ui::TimingFunction::EaseInOut;
    animate(options, [mark] { mark->setAlpha(1.0); });
}

void BookcaseBookUnit::showNew(bool show, bool animate) {
    m_imgNew->setHidden(!show);
    if (animate) {
        auto flip = std::make_shared<ui::Transition>(ui::TransitionType::Flip, ui::TransitionSubtype::FromLeft, 0.6);
        m_imgNew->layer()->addAnimation(flip, "newFlip");
    }
}

void BookcaseBookUnit::bookTap() {
    const BookSelectionInfo info{m_rzBookId, m_status, m_file, m_bookId};
    auto& center = core::NotificationCenter::defaultCenter();
    if (m_isEdit) {
        m_selected = !m_selected;
        selectChooseImageAnimate();
        center.post(shelfnote::BookTapWhenEditing, info.toValue());
    } else {
        center.post(shelfnote::BookTap, info.toValue());
    }
    center.post(shelfnote::HideKeyboard);
}

} // namespace pw
