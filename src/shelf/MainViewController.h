#pragma once
// The first screen and the root of the main navigation controller: it does the
// application's start-up, holds the shelf state (which shelf, which layout,
// the categories and books, the edit-mode selection), opens books, and runs
// the site actions behind a login check.
#include "shelf/BookSelection.h"
#include "shelf/MainTopNotifyView.h"
#include "shelf/MainCategoryMenu.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfRecords.h"
#include "shelf/ShelfScreens.h"
#include "shelf/XieYiViewController.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "site/CheckLoginWithInfoDelegate.h"

#include <any>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pw {

class AutoLogin;
class BookContentDownloader;
class BookCoverDownloader;
class BookFavorite;
class CheckLoginWithInfo;
class CheckRZBookUpdate;
class CheckVersion;
class DownManager;
class GetBookCaseBooks;
class IGetBookInfo;
class MainHelpStoreCloudView;
class MainHelpStoreTipView;
class ProgressHUD;
class Report;
class BookcaseController;
class BooklistController;
class MainBottomMenu;
class RZPageControl;
namespace ui {
class Button;
class ScrollView;
} // namespace ui

// MainActionCode: the site action waiting for the login check's answer.
enum MainActionCode : int {
    MainActionChapterList = 1,
    MainActionSyncBookcase = 2,
    MainActionDownloadBook = 3,
    MainActionUpdateSelected = 4,
    MainActionFirstChapter = 5,
    MainActionDeleteOnSite = 9,
    MainActionDeleteSelectedEverywhere = 10,
};

class MainViewController : public ui::ViewController,
                           public ui::NavigationControllerDelegate,
                           public CheckLoginWithInfoDelegate,
                           public ui::AlertViewDelegate,
                           public ui::ActionSheetDelegate,
                           public MainTopNotifyViewDelegate,
                           public MainCategoryMenuDelegate,
                           public XieYiDelegate {
public:
    static std::shared_ptr<MainViewController> create() { return ViewController::create<MainViewController>(); }
    ~MainViewController() override;

    // Alert tags.
    enum AlertTag : int {
        kAlertNewVersion = 1001,
        kAlertFirstChapter = 1003,
        kAlertDeleteSelected = 1004,
        kAlertDeleteOne = 1005,
        kAlertDownloadManager = 1006
    };
    // Tab tags.
    enum TabTag : int { kTabSiteShelf = 100, kTabLocalShelf = 101, kTabStore = 102, kTabMore = 103 };

    // The folders made at start-up, relative to the home.
    static std::vector<std::filesystem::path> startupFolders();
    // The process-wide start-up runs once; tests that launch again ask for it anew.
    static void resetStartUpForTesting();

    // --- start-up and shelf state ---
    void loadView() override;
    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willRotateToInterfaceOrientation(device::Orientation o, double duration) override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void didRotateFromInterfaceOrientation(device::Orientation from) override;

    void getAllCategories();
    void getAllBooks();
    void switchBooksLayoutStyle();
    void showBookcaseLayout();
    void showBooklistLayout();
    void showXieYi();
    void handleBookTap(const core::Value& info);
    void handleBookTapWhenEditing(const core::Value& info);
    void clean();

    // --- deferred site actions ---
    void checkIsLoginWithInfo(std::any pack);
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) override;
    void getBookInfoCallback(const core::Value& result);
    void showChapterList(const core::Value& result);
    void getBookCaseBooksCallback(const core::Value& data);
    void deleteSiteBookFavoriteCallback(const core::Value& reply);

    // --- shelf-wide notifications ---
    void addNotificationObservers();
    void notifyReloadAllCategories();
    void notifyReloadAllBooks();
    void notifyReloadAllCategoriesAndBooks();
    void notifyDeleteBook(const core::Value& info);
    void doDeleteBook(const core::Value& info);
    void notifyMoveBook(const core::Value& info);
    void notifyDownloadWholeBook(const core::Value& note);
    void notifyDownloadWholeBookSilent(const core::Value& note);
    void notifyNewVersionAvailable(const core::Value& note);
    void reportR1();
    void notifySyncBookcase();
    void postMessageToBar(const core::Value& note);
    void notifyUpdateRZBooks(const core::Value& record);
    void notifyNewMessage(const core::Value& record);
    void notifyUpdateRZBooksImage(const core::Value& badges);
    // Worker side of the badge update: for every key of the badge record, the
    // first book of the list with that site id, as (row id, newest chapter id).
    static std::vector<std::pair<int64_t, int64_t>> updateNewImage(const std::vector<BookRecord>& books,
                                                                   const core::Value& badges);

    // --- tabs, alerts and edit mode ---
    void tabBarDidSelectItem(int tag);
    void clickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;
    void didDismissWithButtonIndex(ui::ActionSheet& sheet, int64_t index) override;
    void rzChapterDidSelected(const core::Value& chapter, int64_t rzBookId);
    void agreed() override;
    void doPreWork();
    void importLocalBook();
    void openWifiTransfer();
    void didShowViewController(ui::NavigationController& nav, ui::ViewController& vc, bool animated) override;
    void notifyViewMessageClickWithRZBookId(int64_t rzBookId, int type) override;
    void notifyViewMessageClickWithNotifyId(int64_t notifyId, int type) override;
    void btnEditClick();
    void switchEditEnable(bool on);
    void btnSwitchBooksLayoutClick();
    void initialMainViewMenu();
    void showBottomMenu();
    void closeBottomMenu();
    void showCategoryMenu();
    void closeCategoryMenu();
    void scrollToCategory(int64_t categoryId, int row) override;
    void showStoreHelpMenu();
    void closeStoreHelpMenu();

    // --- opening a shelf book ---
    void openBookWithStatus(int status, int64_t bookId, int64_t rzBookId, const std::string& filePath,
                            const std::string& type);
    void openRZBookWithRZBookId(int64_t rzBookId, int64_t chapterId, bool isVip);
    void openLocalBookWithPath(const std::string& path, int64_t bookId, int format);
    void showPageViewController(int64_t rzBookId, const std::string& title, const std::string& text, int64_t chapterId);
    void showUmdBookPageViewController(const std::string& path, int64_t bookId);
    void showTxtBookPageViewController(const std::string& path, int64_t bookId);
    void showBuyChapterControllerWithRZBookId(int64_t rzBookId, int64_t chapterId);
    void showBuyChapterController(int64_t rzBookId, int64_t chapterId);
    void downChapterCallback(const core::Value& result);
    void buyVipChapterCallback(const std::string& result);

    // --- edit-mode actions ---
    void selectAllBooks();
    void checkUpdateSelectedBooks();
    void updateSelectedBooks();
    void doUpdateSelectedBooks();
    void confirmDelSelectedBooks();
    void delSelectedBooks();
    void doDelSelectedBooks();
    void delSelectedRZBooksOnLocalAndServer();
    void doDelSelectedRZBooksOnLocalAndServer();
    void deleteSiteBooksFavoriteCallback(const core::Value& reply);
    void bottomMenuFourthClick();
    void categoryChooseWithId(int64_t categoryId) override;
    void moveSelectedBooksToCategory(int64_t categoryId);

    // --- state ---
    int downType() const { return m_downType; }
    int booksLayoutStyle() const { return m_booksLayoutStyle; }
    bool isEditing() const { return m_isEditing; }
    bool isReadingBook() const { return m_isReadingBook; }
    bool isInMainView() const { return m_isInMainView; }
    const std::string& userId() const { return m_userId; }
    const std::vector<CategoryRecord>& allCategories() const { return *m_allCategories; }
    const std::vector<BookRecord>& allBooks() const { return *m_allBooks; }
    const BookSelection& dictBookChoose() const { return m_dictBookChoose; }
    ProgressHUD* progressHUD() const { return m_progressHUD.get(); }
    bool mainDBReady() const { return m_mainDBReady; }
    BookcaseController* bookcaseController() const { return m_bookcaseController.get(); }
    BooklistController* booklistController() const { return m_booklistController.get(); }
    MainBottomMenu* mainBottomMenu() const { return m_bottomMenu.get(); }
    MainCategoryMenu* mainCategoryMenu() const { return m_categoryMenu.get(); }
    MainTopNotifyView* mainTopNotifyView() const { return m_notifyView.get(); }
    MainHelpStoreTipView* mainHelpStoreTipView() const { return m_tipView.get(); }
    MainHelpStoreCloudView* mainHelpStoreCloudView() const { return m_cloudView.get(); }
    ui::Button* btnEdit() const { return m_btnEdit.get(); }
    ui::Button* btnSwitchBooksLayout() const { return m_btnSwitchBooksLayout.get(); }
    ui::Button* btnTitle() const { return m_btnTitle.get(); }
    ui::Button* tabButton(int tag) const;
    int selectedTab() const { return m_selectedTab; }
    // The alert or sheet raised last, while it is shown.
    ui::AlertView* shownAlert() const;
    ui::ActionSheet* shownSheet() const;
    CheckLoginWithInfo* checkLogin() const { return m_checkLogin.get(); }
    CheckRZBookUpdate* checkRZBookUpdate() const { return m_checkRZBookUpdate.get(); }

protected:
    MainViewController() = default;
    friend class ui::ViewController;

private:
    std::weak_ptr<MainViewController> weakSelf();
    // Runs fn on the main loop after delay, unless this screen has gone.
    void after(double delay, std::function<void(MainViewController&)> fn);
    void tip(const std::string& text, float hideAfter);
    void spinner(const std::string& text = {});
    void hideTip();
    void wireButton(ui::Button& b, void (MainViewController::*action)());
    void showAlert(int tag, const std::string& title, const std::string& message, const std::string& cancel,
                   std::vector<std::string> others, core::Value userInfo = {}, int64_t rzBookId = 0);
    void showDeletePrompt(int tag, const std::string& message, core::Value userInfo);
    void pushScreen(std::shared_ptr<ui::ViewController> vc);
    void pushReader(const ReaderOpening& opening);
    void buildTopBar();
    void buildTabBar();
    void refreshTabBar();
    void editButtonLook(bool on);
    void layoutButtonLook();
    DownManager* downManager() const;
    bool isDownloading(int64_t rzBookId) const;
    // The category menu: jump (false) or move the selected books (true).
    void showCategoryMenuForMove(bool moveMode, bool enableEdit);
    // Main-thread side of the badge update: the worker's matches written into the shown records.
    void applyNewChapterIds(const std::vector<std::pair<int64_t, int64_t>>& found);

    std::shared_ptr<CheckLoginWithInfo> m_checkLogin{};
    std::shared_ptr<IGetBookInfo> m_iGetBookInfo{};
    std::shared_ptr<BookCoverDownloader> m_bookCoverDownloader{};
    std::shared_ptr<BookContentDownloader> m_bookContentDownloader{};
    std::shared_ptr<GetBookCaseBooks> m_getBookCaseBooks{};
    std::shared_ptr<Report> m_report{};
    std::shared_ptr<CheckVersion> m_checkVersion{};
    std::shared_ptr<AutoLogin> m_autoLogin{};
    std::shared_ptr<BookFavorite> m_bookFavorite{};
    std::shared_ptr<BookcaseController> m_bookcaseController{};
    std::shared_ptr<BooklistController> m_booklistController{};
    int m_downType{0};
    int m_booksLayoutStyle{1};
    bool m_isEditing{false};
    std::mutex m_locker{};
    device::Orientation m_lastOrientation{device::Orientation::Portrait};
    std::shared_ptr<ui::Button> m_btnSwitchBooksLayout{}, m_btnEdit{}, m_btnTitle{};
    std::shared_ptr<RZPageControl> m_pageControl{};
    std::shared_ptr<ui::ScrollView> m_scrollView{};
    std::shared_ptr<ui::View> m_topBar{}, m_tabBar{};
    std::vector<std::shared_ptr<ui::Button>> m_tabButtons{};
    int m_selectedTab{kTabSiteShelf};
    std::string m_userId{};
    std::shared_ptr<std::vector<CategoryRecord>> m_allCategories = std::make_shared<std::vector<CategoryRecord>>();
    std::shared_ptr<std::vector<BookRecord>> m_allBooks = std::make_shared<std::vector<BookRecord>>();
    BookSelection m_dictBookChoose{};
    std::shared_ptr<ProgressHUD> m_progressHUD{};
    std::shared_ptr<MainBottomMenu> m_bottomMenu{};
    std::shared_ptr<MainCategoryMenu> m_categoryMenu{};
    std::shared_ptr<MainTopNotifyView> m_notifyView{};
    std::shared_ptr<MainHelpStoreTipView> m_tipView{};
    std::shared_ptr<MainHelpStoreCloudView> m_cloudView{};
    std::shared_ptr<CheckRZBookUpdate> m_checkRZBookUpdate{};
    std::shared_ptr<ui::AlertView> m_alert{};
    std::shared_ptr<ui::ActionSheet> m_sheet{};
    bool m_isReadingBook{false};
    bool m_isInMainView{false};
    bool m_mainDBReady{false};
    std::vector<core::ObserverToken> m_observers{};
    std::vector<core::Cancelable> m_pending{};
};

} // namespace pw
