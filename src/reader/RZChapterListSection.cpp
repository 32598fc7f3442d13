#include "reader/RZChapterListSection.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TapGestureRecognizer.h"

#include <cmath>

namespace pw {

void RZChapterListSection::didCreate() {
    const double w = bounds().width();
    const double h = bounds().height();
    setAutoresizingMask(ui::FlexibleWidth);
    setAlpha(0.9);
    auto bg = ui::View::create<ui::ImageView>(ui::BundleImage::named("chptlist_section_bg.png"));
    bg->setFrame(bounds());
    bg->setAutoresizingMask(ui::FlexibleWidth);
    // Without the bundle's bar picture the header still reads as a bar.
    if (bg->image().isNull())
        bg->setBackgroundColor(gfx::Color::fromRGB255(122, 134, 142));
    addSubview(bg);
    auto caret = ui::View::create<ui::ImageView>(ui::BundleImage::named("carat.png"));
    caret->setFrame({w - 16, std::floor((h - 11) / 2), 11, 11});
    caret->setAutoresizingMask(ui::FlexibleLeftMargin);
    addSubview(caret);
    m_label = ui::View::create<ui::Label>(bounds());
    m_label->setFont(gfx::Font::boldSystemFont(17));
    m_label->setTextColor(gfx::Color::white());
    m_label->setShadowColor(gfx::Color::fromWhite(0.2, 0.9));
    m_label->setShadowOffset({0, 1});
    m_label->setBackgroundColor(gfx::Color::clear());
    m_label->setAutoresizingMask(ui::FlexibleWidth);
    m_label->setText("  " + vname);
    addSubview(m_label);
    std::weak_ptr<RZChapterListSection> weak = std::static_pointer_cast<RZChapterListSection>(shared_from_this());
    addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer&) {
        if (auto self = weak.lock())
            self->tapHandler();
    }));
}

void RZChapterListSection::tapHandler() {
    if (auto d = delegate.lock())
        d->chapterVolomeSelectedName(vname, vcode);
}

} // namespace pw
