#include "shelf/BookcaseTableViewCell.h"

#include "platform/ui/BundleImage.h"
#include "platform/ui/ImageView.h"
#include "shelf/BookcaseBookUnit.h"

namespace pw {

BookcaseTableViewCell::BookcaseTableViewCell(double height, int bookNum, std::string identifier)
    : TableViewCell(ui::TableViewCellStyle::Default, std::move(identifier)), m_height(height), m_bookNum(bookNum) {}

std::shared_ptr<BookcaseTableViewCell> BookcaseTableViewCell::create(double height, int bookNum,
                                                                     std::string identifier) {
    return View::create<BookcaseTableViewCell>(height, bookNum, std::move(identifier));
}

void BookcaseTableViewCell::didCreate() {
    TableViewCell::didCreate();
    setFrame({0, 0, 0, m_height});
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);
    contentView().setBackgroundColor(gfx::Color::clear());
    contentView().setOpaque(false);
    auto board = View::create<ui::ImageView>(ui::BundleImage::named("split.png"));
    board->setFrame({0, m_height - 40, bounds().width(), 40});
    board->setAutoresizingMask(ui::FlexibleWidth);
    contentView().addSubview(board);
    for (int i = 0; i < m_bookNum; ++i) {
        auto unit = BookcaseBookUnit::create(m_bookNum, i);
        unit->setHidden(true);
        contentView().addSubview(unit);
        m_unitArray.push_back(unit);
    }
}

void BookcaseTableViewCell::prepareForReuse() {
    for (auto& unit : m_unitArray)
        unit->reset();
    TableViewCell::prepareForReuse();
}

} // namespace pw
