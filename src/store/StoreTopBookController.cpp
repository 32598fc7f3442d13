#include "store/StoreTopBookController.h"

#include "store/BookInfoPlusTableCell.h"
#include "store/StoreBookRow.h"

namespace pw {

std::string StoreTopBookController::topBooksUrl(int64_t topId, int page) {
    return storeUrl("/BookStoreAPI/GetTopBooks.ashx") + "?TopId=" + std::to_string(topId) +
           "&PageIndex=" + std::to_string(page);
}

double StoreTopBookController::rowHeightAfterPage(double current, const Rows& page) {
    if (current != kStartRowHeight || page.empty())
        return current;
    auto* last = dynamic_cast<const RZCellBookInfoPlus*>(page.back().get());
    return last && !last->extraMsg.empty() ? 145 : 125;
}

std::optional<StoreBookListController::Rows> StoreTopBookController::rowsOf(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return std::nullopt;
    Rows rows;
    for (const auto& row : *data->asArray())
        rows.push_back(StoreBookRow(row).cellBookInfoPlus(format()));
    return rows;
}

void StoreTopBookController::pageAdded(const Rows& page) {
    m_table->rowHeight = rowHeightAfterPage(m_table->rowHeight, page);
}

std::shared_ptr<BookInfoTableCell> StoreTopBookController::newCell(const std::string& identifier) {
    return BookInfoPlusTableCell::create(identifier);
}

void StoreTopBookController::fillCell(BookInfoTableCell& cell, const RZCellBookInfo& record, const ui::IndexPath& ip) {
    auto* plus = dynamic_cast<BookInfoPlusTableCell*>(&cell);
    if (!plus)
        return;
    plus->lblStorey().setText(std::to_string(ip.row + 1));
    auto* info = dynamic_cast<const RZCellBookInfoPlus*>(&record);
    plus->lblExtraMessage().setText(info ? info->extraMsg : std::string());
}

} // namespace pw
