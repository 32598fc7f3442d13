#pragma once

#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>
#include <vector>

namespace pw {

class BookcaseBookUnit;

// A grid row: a fixed number of tile slots over a shelf board. Slots the page
// does not fill for a row stay hidden.
class BookcaseTableViewCell : public ui::TableViewCell {
public:
    static std::shared_ptr<BookcaseTableViewCell> create(double height, int bookNum, std::string identifier);

    const std::vector<std::shared_ptr<BookcaseBookUnit>>& unitArray() const { return m_unitArray; }
    void prepareForReuse() override;

protected:
    BookcaseTableViewCell(double height, int bookNum, std::string identifier);
    void didCreate() override;
    friend class ui::View;

private:
    double m_height{0};
    int m_bookNum{0};
    std::vector<std::shared_ptr<BookcaseBookUnit>> m_unitArray{};
};

} // namespace pw
