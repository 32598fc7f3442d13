#include "shelf/BooklistTableSectionView.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "shelf/BooklistSections.h"

namespace pw {

BooklistTableSectionView::BooklistTableSectionView(const gfx::Rect& frame) : View(frame) {}

std::shared_ptr<BooklistTableSectionView> BooklistTableSectionView::create(const std::string& title, double width,
                                                                           int bookAmount, bool expand, int section) {
    auto v = View::create<BooklistTableSectionView>(gfx::Rect(0, 0, width, kHeight));
    const unsigned stretch = ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleWidth;

    auto background = View::create<ui::ImageView>(ui::BundleImage::named("listgroupbg.9.png"));
    background->setFrame({0, 0, width, kHeight});
    background->setAlpha(0.9);
    background->setAutoresizingMask(stretch);
    v->addSubview(background);

    v->m_arrowImageName = expand ? "carat-open.png" : "carat.png";
    auto arrow = View::create<ui::ImageView>(ui::BundleImage::named(v->m_arrowImageName));
    arrow->setFrame({5, 12, 11, 11});
    v->addSubview(arrow);

    auto label = [&](const gfx::Rect& frame, std::string text) {
        auto l = View::create<ui::Label>();
        l->setFrame(frame);
        l->setText(std::move(text));
        l->setTextColor(gfx::Color::darkGray());
        l->setBackgroundColor(gfx::Color::clear());
        l->setAutoresizingMask(stretch);
        v->addSubview(l);
        return l;
    };
    v->m_nameLabel = label({25, 8, width - 135, 20}, title);
    v->m_amountLabel = label({width - 160, 8, 160, 20}, BooklistSections::amountText(bookAmount));
    v->m_amountLabel->setTextAlignment(gfx::TextAlignment::Right);

    std::weak_ptr<View> weak = v;
    v->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer&) {
        if (auto self = std::static_pointer_cast<BooklistTableSectionView>(weak.lock()))
            self->toggleOpen();
    }));
    v->setUserInteractionEnabled(true);
    v->m_isExpand = expand;
    v->m_sectionNumber = section;
    return v;
}

void BooklistTableSectionView::toggleOpen() {
    // The arrow stays: the reload that follows makes new headers.
    m_isExpand = !m_isExpand;
    if (m_delegate == nullptr)
        return;
    if (m_isExpand)
        m_delegate->sectionHeaderViewSectionOpened(*this, m_sectionNumber);
    else
        m_delegate->sectionHeaderViewSectionClosed(*this, m_sectionNumber);
}

} // namespace pw
