#pragma once
// The top lists' row: the book row with the rank at the top right and the
// ranking's own measure under the update time.
#include "store/BookInfoTableCell.h"

namespace pw {

class BookInfoPlusTableCell : public BookInfoTableCell {
public:
    static std::shared_ptr<BookInfoPlusTableCell> create(const std::string& reuseIdentifier) {
        return View::create<BookInfoPlusTableCell>(ui::TableViewCellStyle::Default, reuseIdentifier);
    }
    void reloadImage() override;
    ui::Label& lblStorey() { return *m_lblStorey; }
    ui::Label& lblExtraMessage() { return *m_lblExtraMessage; }

protected:
    using BookInfoTableCell::BookInfoTableCell;
    friend class ui::View;
    void didCreate() override;

private:
    gfx::Rect extraFrame();
    std::shared_ptr<ui::Label> m_lblStorey;
    std::shared_ptr<ui::Label> m_lblExtraMessage;
};

} // namespace pw
