#pragma once
// All books of one category channel, in one list fetched once.
#include "store/StoreBookListController.h"

namespace pw {

class StoreCategoryBookController : public StoreBookListController {
public:
    static constexpr int kTableTag = 205;
    static std::shared_ptr<StoreCategoryBookController> create() {
        return ViewController::create<StoreCategoryBookController>();
    }
    static std::string categoryBooksUrl(int64_t channelId);

    void setChannelId(int64_t id) { m_channelId = id; }
    int64_t channelId() const { return m_channelId; }
    void requestCategoryBooks() { requestPage(0); }
    std::string className() const override { return "StoreCategoryBookController"; }

protected:
    StoreCategoryBookController() : StoreBookListController(Setup{.tableTag = kTableTag, .paged = false}) {}
    friend class ui::ViewController;
    std::string pageUrl(int) override { return categoryBooksUrl(m_channelId); }
    std::optional<Rows> rowsOf(const core::Value& answer) override;

private:
    int64_t m_channelId = 0;
};

} // namespace pw
