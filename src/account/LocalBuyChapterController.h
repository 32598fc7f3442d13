#pragma once
// The purchase of paid chapters of one site book: what the chapter costs and
// what the user owns, and the four kinds of purchase (this chapter, the whole
// book, the next n chapters, chapters picked from the list on sale). The
// caller hears a PurchaseResult text: "<book>" when the whole book was bought,
// "<book>,<chapter>" when the chapter that led here is bought.
//
// Two pages side by side under a title strip: this chapter, the whole book or
// the next n chapters; and the list of chapters on sale, ticked by hand. The
// caller sets rzBookId, chapterId and callback, then pushes the screen.
#include "foundation/widgets/HorizontalScrollButtonsView.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZScrollView.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "platform/core/Cancelable.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pw {

class RQHTTPRequest;

class LocalBuyChapterController : public ui::ViewController,
                                  public RQHTTPRequestDelegate,
                                  public HorizontalScrollButtonsDelegate,
                                  public ui::TableViewDataSource,
                                  public ui::TableViewDelegate {
public:
    enum Tag {
        kTagChapterInfo = 2001,
        kTagChapterList = 2002,
        kTagBuyThis = 2003,
        kTagBuyAll = 2004,
        kTagBuyForward = 2005,
        kTagBuyChosen = 2006,
    };

    static std::shared_ptr<LocalBuyChapterController> create();
    ~LocalBuyChapterController() override;

    int64_t rzBookId = 0;
    int64_t chapterId = 0;
    // Told the PurchaseResult once, on success.
    std::function<void(const std::string&)> callback;
    // Removes the screen (a purchase that did not buy the whole book); unset,
    // the screen pops itself off its navigation stack.
    std::function<void()> popScreen;

    // Asks for the chapter's price and the balance (run when the view loads).
    void open();
    // Page 1 shown: asks for the chapters on sale unless the list is there.
    void setCurrPage(int page);
    int currPage() const { return m_currPage; }
    void requestBuyChapterList();

    void btnThisChapterClick();
    void btnAllChapterClick();
    void btnAfterChapterClick(int count); // 10, 20, 50 or 100
    void btnBuySelected();
    // "全选" ticks every chapter on sale; "全部取消" unticks all.
    void btnSelectedAll();
    void toggleChapter(int64_t chapterId);
    void rechargeAccount();
    // A tap at y (in the bar's coordinates) on the quick-scroll bar.
    void scrollbarTap(double y);
    void setButtonEnable(bool enabled);
    // The page controls: a bold label of that size (the label's own font when
    // the size is 0) that shrinks its text down to 9 points; a button over the
    // named picture stretched by 8 and 10, black 12-point title.
    static std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                        std::optional<gfx::Color> colour, const std::string& text,
                                                        ui::View& container);
    static std::shared_ptr<ui::Button> genButtonWithFrame(const gfx::Rect& frame, const std::string& backgroundImage,
                                                          const std::string& title, ui::View& container);
    // Where a quick-scroll tap takes the list: nullopt when it moves nothing.
    static std::optional<double> quickScrollTarget(bool down, double offset, double rowHeight, double contentHeight,
                                                   double tableHeight);

    // ---- what the pages show
    bool buttonsEnabled() const { return m_buttonsEnabled; }
    bool busy() const { return m_busy; }
    const std::string& tip() const { return m_tip; }
    bool popToRoot() const { return m_popToRoot; }
    const std::string& bookName() const { return m_bookName; }
    const std::string& wordCount() const { return m_wordCount; } // "字数：%ld"
    const std::string& chapterName() const { return m_chapterName; }
    const std::string& price() const { return m_price; }
    const std::string& own() const { return m_own; }
    const core::Value& vipChapters() const { return m_vipChapters; }
    const std::set<int64_t>& selected() const { return m_selected; }
    const std::string& selectAllTitle() const { return m_selectAllTitle; }
    const std::shared_ptr<RQHTTPRequest>& request() const { return m_request; }
    const std::shared_ptr<RQHTTPRequest>& requestForm() const { return m_requestForm; }

    // ---- the views
    ui::Label* lblBookName() const { return m_lblBookName.get(); }
    ui::Label* lblPrice() const { return m_lblPrice.get(); }
    ui::Label* lblOwn() const { return m_lblOwn.get(); }
    ui::Button* btnThisChapter() const { return m_btnThisChapter.get(); }
    ui::Button* btnAllChapter() const { return m_btnAllChapter.get(); }
    ui::Button* btnSelectedAllButton() const { return m_btnSelectedAll.get(); }
    ui::Button* btnBuySelectedButton() const { return m_btnBuySelectd.get(); }
    ui::Button* btnForward(int count) const;
    ui::TableView* vipTable() const { return m_vipTable.get(); }
    ui::ImageView* scrollbar() const { return m_scrollbar.get(); }
    RZScrollView* bottomScroll() const { return m_bottomScroll.get(); }

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void didRotateFromInterfaceOrientation(device::Orientation o) override;

    void horizontalScrollButtonClick(ui::Button& button, int index) override;
    void scrollViewDidScroll(ui::ScrollView& scroll) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;
    int64_t numberOfRows(ui::TableView&, int64_t) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;

protected:
    LocalBuyChapterController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<LocalBuyChapterController> self();
    void remember(const std::shared_ptr<RQHTTPRequest>& request);
    void cancelRequests();
    void buildPage0(ui::View& page);
    void buildPage1(ui::View& page);
    void layoutPages();
    void refreshLabels();
    void swipeStopped();
    void get(const std::string& url, int tag);
    void buy(int tag, const std::string& type, const std::string& forward, const std::string& chapterList);
    void showTip(std::string text);
    void finish(std::string result);
    void navBack(const std::string& result);

    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<RQHTTPRequest> m_requestForm;
    std::vector<std::weak_ptr<RQHTTPRequest>> m_earlier;
    core::Cancelable m_finishing;
    bool m_popToRoot = false;
    bool m_buttonsEnabled = false;
    bool m_busy = false;
    int m_currPage = 0;
    std::string m_tip;
    std::string m_bookName, m_wordCount, m_chapterName, m_price, m_own;
    core::Value m_vipChapters = core::Value::array();
    std::set<int64_t> m_selected;
    std::string m_selectAllTitle = "全选";

    std::shared_ptr<HorizontalScrollButtonsView> m_sectionView;
    std::shared_ptr<RZScrollView> m_bottomScroll;
    std::shared_ptr<ui::ScrollView> m_leftScroll;
    std::shared_ptr<ui::View> m_rightScroll;
    std::shared_ptr<ui::Label> m_lblBookName, m_lblAuthor, m_lblChapterName, m_lblPrice, m_lblOwn;
    std::shared_ptr<ui::Button> m_btnThisChapter, m_btnAllChapter, m_btnTenChapter, m_btnTwentyChapter,
        m_btnFiftyChapter, m_btnOneHundredChapter, m_btnSelectedAll, m_btnBuySelectd;
    std::shared_ptr<ui::TableView> m_vipTable;
    std::shared_ptr<ui::ImageView> m_scrollbar;
    std::shared_ptr<ui::ActivityIndicatorView> m_indicator;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    core::Cancelable m_scrollbarFade;
};

} // namespace pw
