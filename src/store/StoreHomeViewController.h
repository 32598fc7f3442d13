#pragma once
// The store's first tab, "强力推荐": the cover carousel over the site's
// recommendation groups; a group opens its book list, a cover the book.
#include "platform/core/ObserverToken.h"
#include "platform/ui/TableView.h"
#include "store/AutoHorizontalScroll.h"
#include "store/StoreBaseViewController.h"

namespace pw {

class StoreHomeViewController : public StoreBaseViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public AutoHorizontalScrollDelegate {
public:
    static constexpr int kTableTag = 4003;
    static std::shared_ptr<StoreHomeViewController> create() {
        return ViewController::create<StoreHomeViewController>();
    }
    static std::string recommendListUrl() { return storeUrl("/BookStoreAPI/GetRecommendList.ashx"); }
    ~StoreHomeViewController() override;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void requestRecommend();
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    int64_t numberOfRows(ui::TableView&, int64_t) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;
    void whenScrollStop(ui::TableView* table);
    void downImageWithImageUrl(const std::string& url, const ui::IndexPath& ip, int tableTag);
    void storeImageDown(const core::Value& note);
    void switchImageMode() override;
    void stopTopAutoScroll();
    void clean() override;

    void autoHorizontalScrollButtonClick(ui::Button& button, int index, long rzBookId) override;
    void autoHorizontalRequestDataSuccess() override { stopIndicator(); }
    void autoHorizontalRequestDataFailed() override { stopIndicator(); }
    std::string className() const override { return "StoreHomeViewController"; }

    ui::TableView* recTable() const { return m_recTable.get(); }
    AutoHorizontalScroll* topScroll() const { return m_topScroll.get(); }
    const core::Value& data() const { return m_data; }

protected:
    StoreHomeViewController() { setTitle("强力推荐"); }
    friend class ui::ViewController;

private:
    const core::Value* entry(int64_t row) const;
    std::shared_ptr<ui::TableView> m_recTable;
    std::shared_ptr<AutoHorizontalScroll> m_topScroll;
    core::Value m_data; // null until the first answer
    core::ObserverToken m_imageToken;
};

} // namespace pw
