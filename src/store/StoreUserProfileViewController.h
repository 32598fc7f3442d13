#pragma once
// The store's third tab, "个人中心": the user's head image, nickname and
// balance with the recharge and shelf-sync buttons, and the user's four site
// shelves as four side-by-side lists with pull-to-refresh. The panel folds
// away while a list scrolls up. Nothing is asked until the tab is chosen;
// a user who is not logged in is taken to the login screen first.
#include "foundation/widgets/HorizontalFixButtonView.h"
#include "foundation/widgets/MyRefreshTableHeaderView.h"
#include "foundation/widgets/RZScrollView.h"
#include "platform/core/ObserverToken.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "store/BookInfoTableCell.h"
#include "store/RZCellBookInfo.h"
#include "store/StoreBaseViewController.h"

#include <array>
#include <optional>
#include <vector>

namespace pw {

class StoreUserProfileViewController : public StoreBaseViewController,
                                       public ui::TableViewDataSource,
                                       public ui::TableViewDelegate,
                                       public HorizontalFixButtonDelegate,
                                       public MyRefreshTableHeaderDelegate {
public:
    static constexpr int kFirstShelfTag = 300;
    static constexpr int kShelves = 4;
    static constexpr int kUserInfoTag = 0;
    static constexpr int kUserInfoAfterLoginTag = 1;
    static constexpr int kHeadImageTag = 3;
    using Rows = std::vector<std::shared_ptr<RZCellBookInfo>>;
    static std::shared_ptr<StoreUserProfileViewController> create() {
        return ViewController::create<StoreUserProfileViewController>();
    }
    static std::string userInfoUrl() { return storeUrl("/BookStoreAPI/GetUserInfo.ashx"); }
    static std::string bookCaseUrl(int t) {
        return storeUrl("/BookStoreAPI/GetBookCase.ashx") + "?t=" + std::to_string(t);
    }
    static std::string chargeUrl();
    // Where the panel stands, open or folded.
    static gfx::Rect topFrame(bool open, double w) { return {0, open ? 0.0 : -110.0, w, 141}; }

    ~StoreUserProfileViewController() override;
    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;

    void requestForProfile();
    void requestUserInfo(int tag);
    void requestBookCase(int shelfTag, bool always = false);
    void loginCallback();
    void backClick() override;
    void selectFirstTab();
    void rechargeAccount();
    void syncBookcase();
    void openTop(bool open);
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void storeImageDown(const core::Value& note);

    int64_t numberOfRows(ui::TableView& table, int64_t) override;
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return 125; }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void scrollViewDidScroll(ui::ScrollView& scroll) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;
    void whenScrollStop(ui::ScrollView& scroll);
    void selectedAtIndex(int index) override;
    void refreshTableHeaderDidTriggerRefresh(MyRefreshTableHeaderView&) override;

    void switchImageMode() override;
    void checkLoginCallback(bool isLogin, const std::string& userId, const std::any& userPack) override;
    void storeBookCoverDown(bool success, int tag, int tag2, int64_t rzBookId,
                            const std::optional<ui::IndexPath>& indexPath, const std::string& cover) override;
    void clean() override;
    std::string className() const override { return "StoreUserProfileViewController"; }

    bool isLogin() const { return m_isLogin; }
    bool canLoadCaseData() const { return m_canLoadCaseData; }
    bool topIsOpen() const { return m_topIsOpen; }
    int currPage() const { return m_currPage; }
    const std::optional<Rows>& shelf(int index) const { return m_shelves[static_cast<size_t>(index)]; }
    const std::optional<Rows>& arrCaseVip() const { return shelf(0); }
    const std::optional<Rows>& arrCase1() const { return shelf(1); }
    const std::optional<Rows>& arrCase2() const { return shelf(2); }
    const std::optional<Rows>& arrCase3() const { return shelf(3); }
    ui::TableView* table(int index) const { return m_arrTables[static_cast<size_t>(index)].get(); }
    MyRefreshTableHeaderView* refreshHeader(int index) const { return m_arrRefresh[static_cast<size_t>(index)].get(); }
    ui::Label& lblNick() { return *m_lblNick; }
    ui::Label& lblRZB() { return *m_lblRZB; }
    ui::ImageView& avatar() { return *m_avatar; }
    ui::View& topView() { return *m_topView; }
    RZScrollView* bottomScroll() const { return m_bottomScroll.get(); }

protected:
    StoreUserProfileViewController() { setTitle("个人中心"); }
    friend class ui::ViewController;

private:
    static int shelfIndex(int tag) { return tag - kFirstShelfTag; }
    static bool isShelfTag(int tag) { return tag >= kFirstShelfTag && tag < kFirstShelfTag + kShelves; }
    void finishPull(int tag);
    void coverPass(ui::TableView& table);
    void askCover(ui::TableView& table, BookInfoTableCell& cell, const RZCellBookInfo& record, const ui::IndexPath& ip);

    std::shared_ptr<ui::View> m_topView;
    std::shared_ptr<ui::View> m_profileView;
    std::shared_ptr<HorizontalFixButtonView> m_sectionView;
    std::shared_ptr<RZScrollView> m_bottomScroll;
    std::shared_ptr<ui::ImageView> m_avatar;
    std::shared_ptr<ui::ImageView> m_imgCoverShadow;
    std::shared_ptr<ui::Label> m_lblNick;
    std::shared_ptr<ui::Label> m_lblRZB;
    std::vector<std::shared_ptr<ui::TableView>> m_arrTables;
    std::vector<std::shared_ptr<MyRefreshTableHeaderView>> m_arrRefresh;
    std::array<std::optional<Rows>, kShelves> m_shelves;
    int m_currPage = 0;
    bool m_canLoadCaseData = false;
    bool m_topIsOpen = true;
    bool m_isLogin = false;
    core::ObserverToken m_imageToken;
};

} // namespace pw
