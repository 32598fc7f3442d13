#pragma once
// The reader's interactions with one site book: urge an update, tip the
// author, give pink, rating, recommendation and monthly tickets, and add an
// impression label. One page per interaction the site enables, under a strip
// of tabs; the pages are built once from the first state the site gives, and
// each send is confirmed, sent, answered with the site's message and followed
// by a refresh of the counts. A site that does not know the reader gets the
// login screen once.
#include "account/ListButton.h"
#include "account/RZKeyValuePair.h"
#include "account/YinXiangButton.h"
#include "foundation/widgets/HorizontalFixButtonView.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZScrollView.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/Value.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pw {

class RQHTTPRequest;
class HorizontalPickerView;

class LocalInteractiveViewController : public ui::ViewController,
                                       public RQHTTPRequestDelegate,
                                       public HorizontalFixButtonDelegate,
                                       public ui::ScrollViewDelegate,
                                       public ui::AlertViewDelegate {
public:
    // The state fetch: the first one offers the login screen, the one after a login does not.
    enum InteractionFetchTag { kFetchFirst = 801, kFetchAfterLogin = 802 };
    enum InteractionActionCode {
        kCuiGeng = 901,
        kDaShang = 902,
        kFenHongPiao = 903,
        kPingJia = 904,
        kTuiJian = 905,
        kYinXiang = 906,
        kYuePiao = 907
    };
    enum InteractionListTag {
        kListCuiGengWords = 701,
        kListCuiGengTickets = 702,
        kListDaShang = 703,
        kListFenHongPiao = 704,
        kListPingJiaWords = 705,
        kListPingJiaTickets = 706,
        kListTuiJian = 707,
        kListYuePiao = 708
    };
    enum InteractionMessageTag { kBoxDaShang = 720, kBoxFenHongPiao = 721, kBoxYuePiao = 722 };
    // The site's area every send names.
    static constexpr const char* SiteAreaId = "33";
    using Fields = std::vector<std::pair<std::string, std::string>>;

    // The site's page names, in the order of the tabs.
    static const std::vector<std::string>& pageOrder();

    static std::shared_ptr<LocalInteractiveViewController> create() {
        return ViewController::create<LocalInteractiveViewController>();
    }
    ~LocalInteractiveViewController() override;

    int64_t rzBookId() const { return m_rzBookId; }
    void setRzBookId(int64_t id) { m_rzBookId = id; }

    // ---- data and requests
    void getInteractionWithTag(int tag);
    void requestForInteractiveWithAction(const std::string& action, int tag, const Fields& data);
    void refreshData();
    void showAlertWithType(int code, const std::string& message);
    void clickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;
    void showLoginView();
    void loginCallback();
    // The own fields of a confirmed send, from the pages' current choices.
    Fields fieldsForAction(int code) const;
    static std::string actionWord(int code);
    // A choice list from texts in the order value, key, value, key...; a list
    // without a key, or ending on a value without its key, is refused with
    // std::invalid_argument.
    static std::vector<RZKeyValuePair> genDataWithObjectsAndKeys(const std::vector<std::string>& valuesAndKeys);
    // The choice list of a list tag (701 to 708), built with the pages.
    const std::vector<RZKeyValuePair>& listForTag(int tag) const;
    // The eight lists; the tip amounts name pink tickets or monthly ones.
    static std::map<int, std::vector<RZKeyValuePair>> choiceLists(bool pinkEnabled);
    static int presetIndex(int listTag);
    // Label buttons' origins, flowing from (x0, y0) within limitWidth.
    static std::vector<gfx::Point> flowLabels(const std::vector<double>& widths, double x0, double y0, double gap,
                                              double limitWidth);
    static double labelLimitWidth();

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void stateFinished(RQHTTPRequest& request);
    void stateFailed(RQHTTPRequest& request);
    void refreshDataFinished(RQHTTPRequest& request);
    void refreshDataFailed(RQHTTPRequest& request);
    void interactiveRequestFinished(RQHTTPRequest& request);
    void interactiveRequestFailed(RQHTTPRequest& request);

    // ---- controls
    void btnCuiGengClick();
    void btnDaShangClick();
    void btnFenHongClick();
    void btnPingJiaClick();
    void btnTuiJianClick();
    void btnYuePiaoClick();
    void btnYinXiangClick();
    void btnYinXiangLabelClick(YinXiangButton& button);
    void rechargeAccount();
    void helpFenHongClick();
    void helpTuiJianClick();
    void helpYuePiao();
    void showItemList(ListButton& button);
    void listItemSelected(int index);
    void closeListView();
    void listInputFinished();
    void hideKeyboard();
    void selectedAtIndex(int index) override;
    void whenScrollStop();
    void showTextViewTextWhenFirstLoadOnPad();
    void setTVContent(ui::View& view);

    // ---- control factories
    std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize, const std::string& text,
                                                 ui::View& container);
    std::shared_ptr<ui::Button> genButtonWithFrame(const gfx::Rect& frame, const gfx::Image& bgImage,
                                                   const std::string& title, ui::View& container);
    std::shared_ptr<ListButton> genListButtonWithFrame(const gfx::Rect& frame, const gfx::Image& bgImage,
                                                       const std::string& title, int tag, ui::View& container);
    std::shared_ptr<ui::TextView> genTextViewWithFrame(const gfx::Rect& frame, ui::View& container,
                                                       const std::string* content);
    std::shared_ptr<HorizontalPickerView> genPickerWithFrame(const gfx::Rect& frame,
                                                             const std::vector<std::string>* names,
                                                             const std::vector<core::Value>* values, double cellWidth,
                                                             ui::View& container);

    // ---- what the screen shows
    int currPage() const { return m_currPage; }
    const std::string& tip() const { return m_tip; }
    bool busy() const { return m_indicator && m_indicator->isAnimating(); }
    const std::vector<std::string>& pageNames() const { return m_pageNames; }
    // The value label of a page object's key, null when that page was not built.
    ui::Label* valueLabel(const std::string& page, const std::string& key) const;
    ListButton* listButton(int tag) const;
    ui::TextView* messageBox(int tag) const;
    ui::TextField* tfYinXiang() const { return m_tfYinXiang.get(); }
    const std::vector<std::shared_ptr<YinXiangButton>>& labelButtons() const { return m_labelButtons; }
    ui::ScrollView* listView() const { return m_listView.get(); }
    ui::TextView* tvListView() const { return m_tvListView.get(); }
    const core::Value& pageObject(const std::string& page) const;
    const std::shared_ptr<ui::AlertView>& lastAlert() const { return m_lastAlert; }
    RZScrollView* bottomScroll() const { return m_bottomScroll.get(); }
    HorizontalFixButtonView* sectionView() const { return m_sectionView.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void didRotateFromInterfaceOrientation(device::Orientation o) override;
    void scrollViewDidScroll(ui::ScrollView& scroll) override;
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;

protected:
    LocalInteractiveViewController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<LocalInteractiveViewController> self();
    // The format with its first "%@" replaced by the value.
    static std::string replaceMark(std::string format, const std::string& value);
    void clean();
    void showTip(const std::string& text);
    void startSpinner();
    void stopSpinner();
    std::shared_ptr<RQHTTPRequest> fetch(int tag);
    void keep(const std::shared_ptr<RQHTTPRequest>& request);
    void buildPages();
    void refreshLabels();
    // Builds one page into its scroll view; answers the content height.
    double buildCuiGeng(ui::View& page);
    double buildDaShang(ui::View& page);
    double buildTicketPage(ui::View& page, bool pink);
    double buildPingJia(ui::View& page);
    double buildTuiJian(ui::View& page);
    double buildYinXiang(ui::View& page);
    // A row of labels; value keys (non-empty) become red value labels of the page.
    double row(ui::View& page, const std::string& pageName, double y, double height,
               const std::vector<std::tuple<std::string, std::string, double>>& items, double x = 10);
    std::shared_ptr<ui::Button> actionButton(const gfx::Rect& frame, const std::string& title, ui::View& page,
                                             void (LocalInteractiveViewController::*action)());
    std::shared_ptr<ui::TextView> messageBoxFor(const gfx::Rect& frame, ui::View& page, int tag,
                                                const std::string& preset);
    // The veil over the whole view that holds a choice list or the editor.
    void showOverlay(int tag);
    void openEditor(ui::TextView& box);
    void confirm(int code, const std::string& message);

    int64_t m_rzBookId = 0;
    int m_currPage = 0;
    std::string m_tip;
    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<RQHTTPRequest> m_requestForm;
    std::vector<std::weak_ptr<RQHTTPRequest>> m_started;
    std::map<std::string, core::Value> m_pages;
    std::map<int, std::vector<RZKeyValuePair>> m_lists;
    std::vector<std::string> m_pageNames;
    std::map<std::string, std::shared_ptr<ui::View>> m_pageViews;
    std::map<std::string, std::shared_ptr<ui::Label>> m_valueLabels; // "page.key"
    std::map<int, std::shared_ptr<ListButton>> m_listButtons;
    std::map<int, std::shared_ptr<ui::TextView>> m_boxes;
    std::shared_ptr<ui::TextField> m_tfYinXiang;
    std::vector<std::shared_ptr<YinXiangButton>> m_labelButtons;
    std::shared_ptr<HorizontalFixButtonView> m_sectionView;
    std::shared_ptr<RZScrollView> m_bottomScroll;
    std::shared_ptr<ui::ScrollView> m_listView;
    std::shared_ptr<ui::TextView> m_tvListView;
    std::shared_ptr<ui::ActivityIndicatorView> m_indicator;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::shared_ptr<ui::AlertView> m_lastAlert;
    core::Cancelable m_loginLater;
    core::Cancelable m_padRedraw;
};

} // namespace pw
