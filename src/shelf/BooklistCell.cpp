#include "shelf/BooklistCell.h"

#include "foundation/config/DeviceKind.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "shelf/BookSelection.h"
#include "shelf/ShelfCoverCache.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfNotifications.h"

#include <cstdio>

namespace pw {

namespace {

std::shared_ptr<ui::ImageView> booklistImageView(const std::string& name, const gfx::Rect& frame) {
    auto v = name.empty() ? ui::View::create<ui::ImageView>()
                          : ui::View::create<ui::ImageView>(ui::BundleImage::named(name));
    v->setFrame(frame);
    return v;
}

std::shared_ptr<ui::Label> label(const gfx::Rect& frame) {
    auto l = ui::View::create<ui::Label>(frame);
    l->setFont(gfx::Font::systemFont(14));
    l->setBackgroundColor(gfx::Color::clear());
    l->setOpaque(false);
    l->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
    return l;
}

} // namespace

BooklistCell::BooklistCell(double width, double height)
    : View(gfx::Rect(0, 0, width, height)), m_width(width), m_height(height),
      m_tablet(currentDeviceKind() == DeviceKind::Tablet) {}

std::shared_ptr<BooklistCell> BooklistCell::create(double width, double height) {
    return View::create<BooklistCell>(width, height);
}

std::string BooklistCell::authorText(const std::string& author, double percent) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", percent);
    return author + " ［ " + buf + " ］";
}

void BooklistCell::didCreate() {
    View::didCreate();
    const double W = m_width, H = m_height;
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);

    addSubview(booklistImageView("bookmask.9.png", {13, 12, 74, 92}));
    m_imgCover = booklistImageView({}, {11, 10, 74, 92});
    addSubview(m_imgCover);
    m_imgType = booklistImageView({}, {W - 43, 10, 33, 18});
    m_imgType->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleBottomMargin);
    addSubview(m_imgType);
    m_imgNew = booklistImageView("v2_icon_new.png", {73, 13, 19, 20});
    m_imgNew->setHidden(true);
    addSubview(m_imgNew);

    // The labels chain from the cover: 13 right of it, 5 below one another.
    const double x = 11 + 74 + 13;
    m_lblBookName = label({x, 10, W - 150, 23});
    addSubview(m_lblBookName);
    m_lblAuthor = label({x, 10 + 23 + 5, W - 110, 23});
    addSubview(m_lblAuthor);
    m_lblLstReadTime = label({x, 38 + 23 + 5, W - 110, 23});
    addSubview(m_lblLstReadTime);
    m_progress = View::create<ui::ProgressView>(gfx::Rect(x, 66 + 23 + 5, W - 160, 23));
    m_progress->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleRightMargin);
    m_progress->setHidden(true);
    addSubview(m_progress);

    m_menuView = booklistImageView("main_booklistmenu_bg.png", {0, H - 35, W, 35});
    if (m_menuView->image().isNull())
        m_menuView->setBackgroundColor(gfx::Color::fromRGB255(214, 216, 220));
    m_menuView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    m_menuView->setHidden(true);
    m_menuView->setUserInteractionEnabled(true);
    addSubview(m_menuView);

    // As wide as the row it is made for: the picture is drawn for a phone's width.
    gfx::Image split = ui::BundleImage::named("v2_icon_main_psl.png");
    m_imgSplit = booklistImageView({}, {0, 0, W, split.size().height});
    m_imgSplit->setImage(split);
    m_imgSplit->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(m_imgSplit);

    // The pair of buttons is centred: 58 wide each, 55 apart.
    const double firstX = (W - 116 - 55) / 2;
    m_first = genBtnItem({firstX, 4, 58, 28}, bookcaseType == 1 ? "booklistmenu_update.png" : "booklistmenu_trash.png");
    m_second = genBtnItem({firstX + 58 + 55, 4, 58, 28},
                          bookcaseType == 1 ? "booklistmenu_trash.png" : "booklistmenu_move.png");
    const gfx::EdgeInsets insets{2, 22, 0, 0};
    std::weak_ptr<View> weak = weak_from_this();
    auto act = [weak](void (BooklistCell::*fn)()) {
        return [weak, fn](ui::Control&) {
            if (auto self = std::static_pointer_cast<BooklistCell>(weak.lock()))
                ((*self).*fn)();
        };
    };
    if (bookcaseType == 1) {
        setButton(*m_first, 13, "更新", insets);
        m_first->addTarget(act(&BooklistCell::updateBook), ui::ControlEventTouchUpInside);
        setButton(*m_second, 13, "删除", insets);
        m_second->addTarget(act(&BooklistCell::delBook), ui::ControlEventTouchUpInside);
    } else {
        setButton(*m_first, 13, "删除", insets);
        m_first->addTarget(act(&BooklistCell::delBook), ui::ControlEventTouchUpInside);
        setButton(*m_second, 13, "移动", insets);
        m_second->addTarget(act(&BooklistCell::moveBook), ui::ControlEventTouchUpInside);
    }
}

std::shared_ptr<ui::Button> BooklistCell::genBtnItem(const gfx::Rect& frame, const std::string& background) {
    auto b = ui::Button::create(ui::ButtonType::Custom);
    b->setFrame(frame);
    b->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    b->showsTouchWhenHighlighted = true;
    b->setBackgroundImage(ui::BundleImage::named(background));
    m_menuView->addSubview(b);
    return b;
}

void BooklistCell::setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets) {
    button.titleLabel().setFont(gfx::Font::systemFont(fontSize));
    button.setTitle(title);
    button.setTitleColor(gfx::Color::darkGray());
    button.setTitleEdgeInsets(insets);
}

void BooklistCell::reloadImage() {
    gfx::Image cover = ShelfCoverCache::coverAt(m_coverImagePath);
    if (!cover.isNull())
        m_imgCover->setImage(std::move(cover));
    else
        m_imgCover->setImage(ui::BundleImage::named(m_tablet ? "defaultcover-hd.png" : "defaultcover.png"));
}

void BooklistCell::setTypeImage(const std::string& type) {
    std::string name;
    if (type == "RZ")
        name = "icon_book_rz.png";
    else if (type == "TXT")
        name = "icon_book_txt.png";
    else if (type == "UMD")
        name = "icon_book_umd.png";
    else if (type == "EPUB")
        name = "icon_book_epub.png";
    if (name == m_typeImageName)
        return;
    m_typeImageName = name;
    m_imgType->setImage(name.empty() ? gfx::Image() : ui::BundleImage::named(name));
}

void BooklistCell::setupProgress(float p) {
    if (p >= 0 && p < 1) {
        m_progress->setProgress(p);
        m_progress->setHidden(false);
    } else {
        m_progress->setHidden(true);
    }
}

void BooklistCell::reset() {
    m_menuView->setHidden(true);
    m_progress->setHidden(true);
    setTypeImage({});
}

void BooklistCell::showNew(bool show, bool animate) {
    m_imgNew->setHidden(!show);
    if (animate) {
        auto flip = std::make_shared<ui::Transition>(ui::TransitionType::Flip, ui::TransitionSubtype::FromLeft, 0.6);
        m_imgNew->layer()->addAnimation(flip, "newFlip");
    }
}

void BooklistCell::setEdit(bool edit) {
    m_menuView->setHidden(!edit);
    if (!edit)
        return;
    if (m_tablet) {
        ui::View* bar = m_menuView.get();
        performWithoutAnimation([bar] { bar->setAlpha(0); });
        ui::BlockAnimationOptions options;
        options.duration = 0.4;
        options.curve = ui::TimingFunction::EaseOut;
        animate(options, [bar] { bar->setAlpha(1); });
    } else {
        auto curl = std::make_shared<ui::Transition>(ui::TransitionType::Curl, ui::TransitionSubtype::FromTop, 0.4);
        m_menuView->layer()->addAnimation(curl, "curlDown");
    }
}

void BooklistCell::updateBook() {
    core::Value note = core::Value::map();
    note.set("rzbid", m_rzBookId);
    core::NotificationCenter::defaultCenter().post(shelfnote::DownAllBook, std::move(note));
}

void BooklistCell::delBook() {
    const BookSelectionInfo info{m_rzBookId, m_status, m_file, m_bookId};
    core::NotificationCenter::defaultCenter().post(shelfnote::BooklistDeleteBook, info.toValue());
}

void BooklistCell::moveBook() {
    // The selection first, then the move: the main screen makes this book the
    // whole selection (BookSelection::selectOnly) before it opens the menu.
    const BookSelectionInfo info{m_rzBookId, m_status, m_file, m_bookId};
    auto& center = core::NotificationCenter::defaultCenter();
    center.post(shelfnote::BookTapWhenEditing, info.toValue());
    center.post(shelfnote::BooklistMoveBook, info.toValue());
}

} // namespace pw
