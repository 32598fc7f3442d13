#pragma once
// The base of every store screen: the grey look with the picture-mode button,
// the request spinner, the requests the screen runs (all cancelled when it
// goes away, with its delayed steps), the shared overlay the store frame
// hands over, the update-time format, and the actions that wait for a login
// check: showing a book's chapter list, synchronising the site shelves and
// queueing a whole-book download; from the chapter list it downloads, buys
// or opens a chapter and opens the reader on it.
#include "foundation/widgets/MyActivityIndicatorView.h"
#include "foundation/widgets/ProgressHUD.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/ObserverToken.h"
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "site/CheckLoginWithInfoDelegate.h"

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class BookContentDownloader;
class CheckLoginWithInfo;
class GetBookCaseBooks;
class IGetBookInfo;
class RZHTTPRequest;

// The action a login check runs when it answers yes.
enum StoreActionCode : int {
    StoreActionNone = 0,
    StoreActionChapterList = 1,  // fetch the book's chapter list and show it
    StoreActionSyncBookcase = 2, // fetch the four site shelves into the local shelf
    StoreActionDownloadBook = 3, // queue the whole book
};

class StoreBaseViewController : public ui::ViewController,
                                public RQHTTPRequestDelegate,
                                public CheckLoginWithInfoDelegate {
public:
    static constexpr const char* kSwitchImageMode = "NSNotificationCenter_StoreSwitchImageMode";
    static constexpr double kTipDelay = 2;
    static gfx::Color tableBackground() { return gfx::Color::fromRGB255(233, 234, 235); }
    // Rows alternate from row 0.
    static gfx::Color rowBackground(int64_t row) {
        return row % 2 ? gfx::Color::fromRGB255(243, 243, 245) : gfx::Color::fromRGB255(233, 234, 235);
    }
    // "1": no pictures; a missing key or "0": pictures; any other text: none.
    static bool readNoImageMode();
    static std::string modeButtonTitle(bool noImageMode) { return noImageMode ? "有图版" : "无图版"; }

    ~StoreBaseViewController() override;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    // ---- hooks
    virtual void switchImageMode() {}
    virtual void clean() {}
    virtual void checkLoginCallback(bool /*isLogin*/, const std::string& /*userId*/, const std::any& /*userPack*/) {}
    virtual void storeBookCoverDown(bool /*success*/, int /*tag*/, int /*tag2*/, int64_t /*rzBookId*/,
                                    const std::optional<ui::IndexPath>& /*indexPath*/, const std::string& /*cover*/) {}

    // ---- for derived screens
    void checkIsLoginWithInfo(std::optional<int64_t> rzBookId);
    virtual void backClick();
    void innerSwitchImageMode();
    void openChapterWithRZBookId(int64_t rzBookId, int64_t chapterId, bool isVip);

    // ---- the login check and the chapter list
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) override;
    void checkLoginWithInfoManualClose() override;
    void rzChapterDidSelected(const core::Value& chapter, int64_t rzBookId);

    // ---- answers of the site clients and delayed steps
    void getBookInfoCallback(const core::Value& answer);
    void showChapterList(const core::Value& answer);
    void downChapterCallback(const core::Value& answer);
    void showBuyChapterController(int64_t rzBookId, int64_t chapterId);
    void buyVipChapterCallback(const std::string& purchaseResult);
    void showPageViewController(int64_t rzBookId, const std::string& title, const std::string& text, int64_t chapterId);
    void getBookCaseBooksCallback(const core::Value& bookcase);
    void storeBookCoverDown(const core::Value& note);
    void notifySwitchImageMode(const core::Value& payload);

    // ---- state
    void setProgressHUD(std::shared_ptr<ProgressHUD> hud) { m_pProgressHUD = std::move(hud); }
    const std::shared_ptr<ProgressHUD>& pProgressHUD() const { return m_pProgressHUD; }
    MyActivityIndicatorView* myIndicator() const { return m_myIndicator.get(); }
    bool isNoImageMode() const { return m_isNoImageMode; }
    int downType() const { return m_downType; }
    void setDownType(int code) { m_downType = code; }
    const std::string& userId() const { return m_userId; }
    const core::DateFormatter& format() const { return *m_format; }
    // The request started last (also while others still run).
    const std::shared_ptr<RZHTTPRequest>& request() const { return m_request; }
    size_t requestsInFlight() const;
    CheckLoginWithInfo* checkLogin() const { return m_checkLogin.get(); }
    // Rows whose cover was asked for (the profile keys its rows by book id).
    std::map<ui::IndexPath, bool>& dictDownMark() { return m_dictDownMark; }

    // A GET to the store host (path and query), held as `request` and
    // cancelled when the screen goes away; also queues the page view.
    std::shared_ptr<RZHTTPRequest> startStoreRequest(const std::string& url, int tag, double timeOut,
                                                     bool pageView = true);
    // The absolute address of a store path.
    static std::string storeUrl(const std::string& pathAndQuery);
    // Runs fn after `delay` on the main loop unless the screen is gone by then.
    void performAfter(double delay, std::function<void()> fn);
    // A tip hidden after kTipDelay.
    void tip(const std::string& text);
    void spinner(const std::string& text);
    void startIndicator();
    void stopIndicator();
    std::shared_ptr<StoreBaseViewController> self() {
        return std::static_pointer_cast<StoreBaseViewController>(shared_from_this());
    }
    std::weak_ptr<StoreBaseViewController> weakSelf() { return self(); }

    // The class name the page views give.
    virtual std::string className() const { return "StoreBaseViewController"; }

protected:
    StoreBaseViewController() = default;
    friend class ui::ViewController;

    bool m_isNoImageMode = false;

private:
    void applyModeButton();
    void cancelAll();

    std::shared_ptr<RZHTTPRequest> m_request;
    std::vector<std::weak_ptr<RZHTTPRequest>> m_requests;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::shared_ptr<MyActivityIndicatorView> m_myIndicator;
    std::unique_ptr<core::DateFormatter> m_format = std::make_unique<core::DateFormatter>("yyyy-MM-dd HH:mm");
    std::shared_ptr<CheckLoginWithInfo> m_checkLogin;
    std::shared_ptr<IGetBookInfo> m_iGetBookInfo;
    std::shared_ptr<BookContentDownloader> m_bookContentDownloader;
    std::shared_ptr<GetBookCaseBooks> m_getBookCaseBooks;
    std::string m_userId;
    int m_downType = StoreActionNone;
    std::map<ui::IndexPath, bool> m_dictDownMark;
    std::vector<core::ObserverToken> m_tokens;
    std::vector<core::Cancelable> m_delayed;
};

} // namespace pw
