#pragma once
// The store's second tab, "分类/排行": two swipeable pages under a bar of
// two titles, the site's rankings ("排行榜") and its category channels
// ("分类推荐"); each page's list is fetched the first time the page shows
// and kept while the view lives.
#include "foundation/widgets/HorizontalScrollButtonsView.h"
#include "foundation/widgets/RZScrollView.h"
#include "platform/core/ObserverToken.h"
#include "platform/ui/TableView.h"
#include "store/StoreBaseViewController.h"

#include <vector>

namespace pw {

class StoreCategoryViewController : public StoreBaseViewController,
                                    public HorizontalScrollButtonsDelegate,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate {
public:
    static constexpr int kRankingTag = 400;
    static constexpr int kCategoryTag = 401;
    static constexpr int kPagingTag = 10;
    static std::shared_ptr<StoreCategoryViewController> create() {
        return ViewController::create<StoreCategoryViewController>();
    }
    static std::string indexUrl(int type) {
        return storeUrl("/BookStoreAPI/GetIndex.ashx") + "?type=" + std::to_string(type);
    }
    // The page a paging view of that width settles on at offset x.
    static int nearestPage(double offsetX, double width);

    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void requestRecommend(int tableTag);
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    int64_t numberOfRows(ui::TableView& table, int64_t) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void scrollViewDidScroll(ui::ScrollView& scroll) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;
    void whenScrollStop(ui::ScrollView& scroll);
    void horizontalScrollButtonClick(ui::Button& button, int index) override;
    void downImageWithImageUrl(const std::string& url, const ui::IndexPath& ip, int tableTag);
    void storeImageDown(const core::Value& note);
    void switchImageMode() override;
    void clean() override;
    std::string className() const override { return "StoreCategoryViewController"; }

    int currPage() const { return m_currPage; }
    const core::Value& arrPaiHang() const { return m_arrPaiHang; }
    const core::Value& arrFenLei() const { return m_arrFenLei; }
    ui::TableView* tableWithTag(int tag) const;
    RZScrollView* bottomScroll() const { return m_bottomScroll.get(); }
    HorizontalScrollButtonsView* sectionView() const { return m_sectionView.get(); }

protected:
    StoreCategoryViewController() { setTitle("分类/排行"); }
    friend class ui::ViewController;

private:
    core::Value& listOf(int tag) { return tag == kRankingTag ? m_arrPaiHang : m_arrFenLei; }
    const core::Value* entry(int tag, int64_t row) const;
    void loadVisibleIcons(ui::TableView& table);

    std::shared_ptr<HorizontalScrollButtonsView> m_sectionView;
    std::shared_ptr<RZScrollView> m_bottomScroll;
    std::vector<std::shared_ptr<ui::TableView>> m_arrTables;
    int m_currPage = 0;
    core::Value m_arrPaiHang = core::Value::array();
    core::Value m_arrFenLei = core::Value::array();
    core::ObserverToken m_imageToken;
};

} // namespace pw
