#include "store/StoreCategoryBookController.h"

#include "store/StoreBookRow.h"

namespace pw {

std::string StoreCategoryBookController::categoryBooksUrl(int64_t channelId) {
    return storeUrl("/BookStoreAPI/GetCategoryBooks.ashx") + "?ChannelId=" + std::to_string(channelId);
}

std::optional<StoreBookListController::Rows> StoreCategoryBookController::rowsOf(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return std::nullopt;
    Rows rows;
    for (const auto& row : *data->asArray())
        rows.push_back(StoreBookRow(row).cellBookInfo(format(), {}));
    return rows;
}

} // namespace pw
