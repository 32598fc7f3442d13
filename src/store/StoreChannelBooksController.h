#pragma once
// The books of one recommendation group of the home screen, page by page.
#include "store/StoreBookListController.h"

namespace pw {

class StoreChannelBooksController : public StoreBookListController {
public:
    static constexpr int kTableTag = 206;
    static std::shared_ptr<StoreChannelBooksController> create() {
        return ViewController::create<StoreChannelBooksController>();
    }
    static std::string groupBooksUrl(int64_t groupId, int page);

    void setGroupId(int64_t id) { m_groupId = id; }
    int64_t groupId() const { return m_groupId; }
    void requestTopBooks(int page) { requestPage(page); }
    std::string className() const override { return "StoreChannelBooksController"; }

protected:
    StoreChannelBooksController()
        : StoreBookListController(
              Setup{.tableTag = kTableTag, .background = gfx::Color::fromRGB255(243, 243, 245), .paged = true}) {}
    friend class ui::ViewController;
    std::string pageUrl(int page) override { return groupBooksUrl(m_groupId, page); }
    std::optional<Rows> rowsOf(const core::Value& answer) override;

private:
    int64_t m_groupId = 0;
};

} // namespace pw
