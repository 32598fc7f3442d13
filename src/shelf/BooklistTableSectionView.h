#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <string>

namespace pw {

namespace ui {
class ImageView;
class Label;
} // namespace ui

class BooklistTableSectionView;

// Told when a list section's header is tapped; either operation may be left as is.
class SectionHeaderViewDelegate {
public:
    virtual ~SectionHeaderViewDelegate() = default;
    virtual void sectionHeaderViewSectionOpened(BooklistTableSectionView& /*header*/, int /*section*/) {}
    virtual void sectionHeaderViewSectionClosed(BooklistTableSectionView& /*header*/, int /*section*/) {}
};

// A list shelf section's header: open/closed arrow, the category's name and
// its number of books; a tap opens or closes the section.
class BooklistTableSectionView : public ui::View {
public:
    static constexpr double kHeight = 36;

    static std::shared_ptr<BooklistTableSectionView> create(const std::string& title, double width, int bookAmount,
                                                            bool expand, int section);

    void toggleOpen();

    bool isExpand() const { return m_isExpand; }
    int sectionNumber() const { return m_sectionNumber; }
    void setDelegate(SectionHeaderViewDelegate* delegate) { m_delegate = delegate; }
    ui::Label* nameLabel() const { return m_nameLabel.get(); }
    ui::Label* amountLabel() const { return m_amountLabel.get(); }
    // "carat-open.png" or "carat.png", as drawn when the header was made.
    const std::string& arrowImageName() const { return m_arrowImageName; }

protected:
    explicit BooklistTableSectionView(const gfx::Rect& frame);
    friend class ui::View;

private:
    bool m_isExpand{false};
    int m_sectionNumber{0};
    SectionHeaderViewDelegate* m_delegate{nullptr};
    std::shared_ptr<ui::Label> m_nameLabel{};
    std::shared_ptr<ui::Label> m_amountLabel{};
    std::string m_arrowImageName{};
};

} // namespace pw
