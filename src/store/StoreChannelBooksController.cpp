#include "store/StoreChannelBooksController.h"

#include "store/StoreBookRow.h"

namespace pw {

std::string StoreChannelBooksController::groupBooksUrl(int64_t groupId, int page) {
    return storeUrl("/BookStoreAPI/GetRecommendDetail.ashx") + "?GroupId=" + std::to_string(groupId) +
           "&PageIndex=" + std::to_string(page);
}

std::optional<StoreBookListController::Rows> StoreChannelBooksController::rowsOf(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return std::nullopt;
    Rows rows;
    for (const auto& row : *data->asArray())
        rows.push_back(StoreBookRow(row).cellBookInfo(format(), {.placeholders = true}));
    return rows;
}

} // namespace pw
