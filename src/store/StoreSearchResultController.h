#pragma once
// The books a search finds, page by page: a keyword search, or the store
// listed by the filter form's values.
#include "store/StoreBookListController.h"

namespace pw {

class StoreSearchResultController : public StoreBookListController {
public:
    static constexpr int kTableTag = 207;
    static std::shared_ptr<StoreSearchResultController> create() {
        return ViewController::create<StoreSearchResultController>();
    }
    static std::string keywordUrl(const std::string& keyword, int page);
    static std::string filterUrl(const std::string& query, int page);
    // A keyword answer's rows: <b> marks taken out, "<null>" chapter names
    // left blank, "/Date(ms)/" times.
    static Rows keywordRows(const core::Value& rows, const core::DateFormatter& format);

    std::string keyword;
    std::string query;
    bool isSearchByKeyword = true;
    void requestSearchBooks(int page) { requestPage(page); }
    std::string className() const override { return "StoreSearchResultController"; }

protected:
    StoreSearchResultController()
        : StoreBookListController(Setup{.tableTag = kTableTag, .paged = true, .sectionHeaderHeight = 35}) {}
    friend class ui::ViewController;
    std::string pageUrl(int page) override {
        return isSearchByKeyword ? keywordUrl(keyword, page) : filterUrl(query, page);
    }
    std::optional<Rows> rowsOf(const core::Value& answer) override;
};

} // namespace pw
