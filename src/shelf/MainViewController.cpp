#include "shelf/MainViewController.h"

#include "shelf/MainHelpStoreCloudView.h"
#include "shelf/MainHelpStoreTipView.h"
#include "shelf/BookcaseController.h"
#include "shelf/BooklistController.h"
#include "shelf/MainBottomMenu.h"
#include "shelf/RZPageControl.h"

#include "account/AutoLogin.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/UIDeviceHardware.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "site/BookContentDownloader.h"
#include "site/BookCoverDownloader.h"
#include "site/CheckLoginWithInfo.h"
#include "site/CheckRZBookUpdate.h"
#include "site/DownManager.h"
#include "site/IGetBookInfo.h"
#include "site/Ostra.h"

#include <ctime>

namespace pw {

namespace {

constexpr double kTopBarHeight = 44;
constexpr double kTabBarHeight = 49;

gfx::Color topBarColour() {
    return gfx::Color::fromRGB255(120, 141, 169);
}

} // namespace

MainViewController::~MainViewController() {
    clean();
}

std::vector<std::filesystem::path> MainViewController::startupFolders() {
    return AppPaths::startupFolders();
}

void MainViewController::resetStartUpForTesting() {
    bookcaseType = 1;
}

std::weak_ptr<MainViewController> MainViewController::weakSelf() {
    return std::static_pointer_cast<MainViewController>(shared_from_this());
}

void MainViewController::after(double delay, std::function<void(MainViewController&)> fn) {
    std::weak_ptr<MainViewController> weak = weakSelf();
    m_pending.push_back(core::RunLoop::current().postAfter(delay, [weak, fn = std::move(fn)] {
        if (auto self = weak.lock())
            fn(*self);
    }));
    // Keep the list short: drop the calls that ran or were cancelled.
    std::erase_if(m_pending, [](const core::Cancelable& c) { return c.hasRun() || c.isCancelled(); });
}

void MainViewController::tip(const std::string& text, float hideAfter) {
    if (m_progressHUD)
        m_progressHUD->showTipsWithoutLoadingHideDelay(text, hideAfter);
}

void MainViewController::spinner(const std::string& text) {
    if (m_progressHUD)
        m_progressHUD->showTipsWithLoading(text);
}

void MainViewController::hideTip() {
    if (m_progressHUD)
        m_progressHUD->hide(true);
}

void MainViewController::wireButton(ui::Button& b, void (MainViewController::*action)()) {
    std::weak_ptr<MainViewController> weak = weakSelf();
    b.addTarget(
        [weak, action](ui::Control&) {
            if (auto self = weak.lock())
                ((*self).*action)();
        },
        ui::ControlEventTouchUpInside);
}

DownManager* MainViewController::downManager() const {
    auto* app = PagewellAppDelegate::shared();
    return app ? app->downManager() : nullptr;
}

bool MainViewController::isDownloading(int64_t rzBookId) const {
    auto* dm = downManager();
    return dm && dm->isBookDownloadingNow(rzBookId);
}

void MainViewController::pushScreen(std::shared_ptr<ui::ViewController> vc) {
    if (auto* nav = navigationController(); nav && vc)
        nav->pushViewController(std::move(vc), true);
}

// --- the view --------------------------------------------------------------

void MainViewController::loadView() {
    auto v = ui::View::create(ui::Application::shared().applicationFrame());
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    // A wooden ground: the guide texts of an empty shelf are white.
    v->setBackgroundColor(gfx::Color::fromRGB255(168, 124, 84));
    setView(v);
    buildTopBar();
    buildTabBar();
    const gfx::Rect b = v->bounds();
    m_scrollView = ui::View::create<ui::ScrollView>(
        gfx::Rect(0, kTopBarHeight, b.width(), b.height() - kTopBarHeight - kTabBarHeight));
    m_scrollView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    v->insertSubview(m_scrollView, 0);
    m_pageControl = RZPageControl::create(gfx::Rect(0, b.height() - kTabBarHeight - 16, b.width(), 16));
    m_pageControl->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    v->addSubview(m_pageControl);
}

void MainViewController::buildTopBar() {
    const double w = view()->bounds().width();
    m_topBar = ui::View::create(gfx::Rect(0, 0, w, kTopBarHeight));
    m_topBar->setAutoresizingMask(ui::FlexibleWidth);
    view()->addSubview(m_topBar);
    m_btnSwitchBooksLayout = ui::Button::create(ui::ButtonType::Custom);
    m_btnSwitchBooksLayout->setFrame(gfx::Rect(6, 7, 60, 30));
    m_btnSwitchBooksLayout->setTitleColor(gfx::Color::white());
    layoutButtonLook();
    m_topBar->addSubview(m_btnSwitchBooksLayout);
    m_btnTitle = ui::Button::create(ui::ButtonType::Custom);
    m_btnTitle->setFrame(gfx::Rect(w / 2 - 80, 5, 160, 34));
    m_btnTitle->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_btnTitle->setTitleColor(gfx::Color::white());
    m_btnTitle->titleLabel().setFont(gfx::Font::boldSystemFont(18));
    m_topBar->addSubview(m_btnTitle);
    m_btnEdit = ui::Button::create(ui::ButtonType::Custom);
    m_btnEdit->setFrame(gfx::Rect(w - 66, 7, 60, 30));
    m_btnEdit->setAutoresizingMask(ui::FlexibleLeftMargin);
    m_btnEdit->layer()->setCornerRadius(5);
    m_topBar->addSubview(m_btnEdit);
}

void MainViewController::buildTabBar() {
    const gfx::Rect b = view()->bounds();
    m_tabBar = ui::View::create(gfx::Rect(0, b.height() - kTabBarHeight, b.width(), kTabBarHeight));
    m_tabBar->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    m_tabBar->setBackgroundColor(gfx::Color::fromRGB255(40, 40, 40));
    view()->addSubview(m_tabBar);
    const char* titles[4] = {"网络书架", "本地书架", "书城", "更多"};
    const double tw = b.width() / 4;
    for (int i = 0; i < 4; ++i) {
        auto t = ui::Button::create(ui::ButtonType::Custom);
        t->setFrame(gfx::Rect(i * tw, 0, tw, kTabBarHeight));
        t->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
        t->setTag(kTabSiteShelf + i);
        t->setTitle(titles[i]);
        std::weak_ptr<MainViewController> weak = weakSelf();
        t->addTarget(
            [weak](ui::Control& c) {
                if (auto self = weak.lock())
                    self->tabBarDidSelectItem(c.tag());
            },
            ui::ControlEventTouchUpInside);
        m_tabBar->addSubview(t);
        m_tabButtons.push_back(t);
    }
    refreshTabBar();
}

void MainViewController::refreshTabBar() {
    for (auto& t : m_tabButtons) {
        const bool on = t->tag() == m_selectedTab;
        t->setTitleColor(on ? gfx::Color::white() : gfx::Color::gray());
        t->setBackgroundColor(on ? gfx::Color::fromRGB255(70, 70, 70) : gfx::Color::clear());
    }
}

ui::Button* MainViewController::tabButton(int tag) const {
    for (auto& t : m_tabButtons)
        if (t->tag() == tag)
            return t.get();
    return nullptr;
}

ui::AlertView* MainViewController::shownAlert() const {
    return m_alert && m_alert->isVisible() ? m_alert.get() : nullptr;
}

ui::ActionSheet* MainViewController::shownSheet() const {
    return m_sheet && m_sheet->superview() ? m_sheet.get() : nullptr;
}

// --- start-up ----------------------------------------------------------------

void MainViewController::viewDidLoad() {
    setTitle("本地书架");
    m_topBar->setBackgroundColor(topBarColour());
    if (auto bg = ui::BundleImage::named("topbg.9.png"); !bg.isNull())
        m_topBar->setBackgroundColor(gfx::Color::patternImage(bg));
    auto shadow = ui::View::create<ui::ImageView>();
    shadow->setFrame(gfx::Rect(0, m_topBar->frame().maxY(), m_topBar->bounds().width(), 5));
    shadow->setImage(ui::BundleImage::named("topbgShadow.png"));
    shadow->setAutoresizingMask(ui::FlexibleWidth);
    view()->addSubview(shadow);

    m_notifyView = ui::View::create<MainTopNotifyView>(
        gfx::Rect(20, m_topBar->frame().maxY() + 2, view()->bounds().width() - 40, 32));
    m_notifyView->setAlpha(0.8);
    m_notifyView->setBackgroundColor(gfx::Color::black());
    m_notifyView->setAutoresizingMask(ui::FlexibleWidth);
    m_notifyView->setHidden(true);
    m_notifyView->setDelegate(this);
    view()->insertSubviewBelow(m_notifyView, m_topBar.get());

    ui::Application::shared().setStatusBarHidden(false);
    m_booksLayoutStyle = 1;
    layoutButtonLook();

    const auto home = core::Paths::home();
    for (const auto& f : startupFolders()) {
        std::error_code ec;
        std::filesystem::create_directories(home / f, ec);
    }
    m_progressHUD = ProgressHUD::initWithView(view().get());
    m_mainDBReady = MainDB::createMainDBIfNotExists();
    if (!m_mainDBReady)
        tip("严重错误，创建本地数据失败", 2);

    // The picture carries the menu's arrow at its right, which the title keeps
    // 13 points clear of: the title is centred in what is left of the button
    // (the platform's title insets would cut a title fitted to its text).
    if (auto img = ui::BundleImage::named("main_btn_title.png"); !img.isNull()) {
        m_btnTitle->setBackgroundImage(img);
        m_btnTitle->setContentEdgeInsets({0, 0, 0, 13});
    }
    wireButton(*m_btnTitle, &MainViewController::showCategoryMenu);
    editButtonLook(false);
    wireButton(*m_btnEdit, &MainViewController::btnEditClick);
    wireButton(*m_btnSwitchBooksLayout, &MainViewController::btnSwitchBooksLayoutClick);
    view()->bringSubviewToFront(m_pageControl.get());

    m_scrollView->showsHorizontalScrollIndicator = false;
    m_scrollView->showsVerticalScrollIndicator = false;
    m_scrollView->scrollsToTop = false;
    m_scrollView->bounces = false;
    m_scrollView->directionalLockEnabled = true;
    m_scrollView->setTag(-1);

    m_checkLogin = CheckLoginWithInfo::create();
    m_checkLogin->setResultDelegate(std::static_pointer_cast<MainViewController>(shared_from_this()));
    m_iGetBookInfo = IGetBookInfo::create();
    m_bookCoverDownloader = BookCoverDownloader::create();
    m_bookContentDownloader = BookContentDownloader::create();

    auto& nc = core::NotificationCenter::defaultCenter();
    std::weak_ptr<MainViewController> weak = weakSelf();
    m_observers.push_back(nc.addObserver("NSNotificationCenter_BookTap", [weak](const core::Notification& n) {
        if (auto self = weak.lock())
            self->handleBookTap(n.payload);
    }));
    m_observers.push_back(
        nc.addObserver("NSNotificationCenter_BookTapWhenEditing", [weak](const core::Notification& n) {
            if (auto self = weak.lock())
                self->handleBookTapWhenEditing(n.payload);
        }));
    addNotificationObservers();
    // What the shelf views ask of their host.
    auto& host = ShelfHost::shared();
    host.isBookDownloadingNow = [weak](int64_t rzid) {
        auto self = weak.lock();
        return self && self->isDownloading(rzid);
    };
    host.isBookChosen = [weak](int64_t bid) {
        auto self = weak.lock();
        return self && self->m_dictBookChoose.isSelected(bid);
    };
    host.importLocalBook = [weak] {
        if (auto self = weak.lock())
            self->importLocalBook();
    };
    initialMainViewMenu();
    view()->addSubview(m_progressHUD);
    notifyReloadAllCategoriesAndBooks();

    if (SettingTB::readSettingWithKey("r1").value_or("") != "1")
        reportR1();
    if (auto* app = PagewellAppDelegate::shared()) {
        if (UIDeviceHardware::supportOrientationLock() ||
            SettingTB::readSettingWithKey("k_SupportRotate").value_or("") != "off")
            app->setSupportRotate(true);
    }
    // The user's session with the site is renewed silently at every start.
    m_autoLogin = AutoLogin::create();
    m_autoLogin->login();
    if (SettingTB::readSettingWithKey("rzxy").value_or("") == "1") {
        doPreWork();
    } else {
        // Presented once the screen is in the window.
        after(0, [](MainViewController& self) { self.showXieYi(); });
    }
    Ostra::createOstraReferrer("MainViewController", "MainViewController", "MainViewController", "MainViewController",
                               "MainViewController", "MainViewController");
    m_checkRZBookUpdate = CheckRZBookUpdate::create();
    m_checkRZBookUpdate->startToCheckRZBookUpdate();
}

void MainViewController::viewDidUnload() {
    // Everything goes with the view; loading it again runs the whole start-up anew.
    clean();
}

void MainViewController::showXieYi() {
    auto x = XieYiViewController::create();
    x->isFirstLoad = true;
    x->delegate = std::static_pointer_cast<MainViewController>(shared_from_this());
    if (auto* nav = navigationController())
        nav->presentModalViewController(x, true);
    else
        presentModalViewController(x, true);
}

void MainViewController::clean() {
    m_observers.clear();
    for (auto& c : m_pending)
        c.cancel();
    m_pending.clear();
    if (m_checkRZBookUpdate)
        m_checkRZBookUpdate->stopToCheckRZBookUpdate();
    if (m_bookcaseController)
        m_bookcaseController->clearScroll();
    if (m_booklistController)
        m_booklistController->clearScroll();
    m_bookcaseController.reset();
    m_booklistController.reset();
    auto& host = ShelfHost::shared();
    host = ShelfHost{};
    if (m_alert) {
        m_alert->setDelegate({});
        if (m_alert->isVisible())
            m_alert->dismissWithClickedButtonIndex(-1, false);
    }
    m_alert.reset();
    m_sheet.reset();
    if (m_checkLogin)
        m_checkLogin->setResultDelegate({});
    // Release what the screen owns: the views, the clients, the lists and the selection.
    m_btnSwitchBooksLayout.reset();
    m_btnEdit.reset();
    m_btnTitle.reset();
    m_pageControl.reset();
    m_scrollView.reset();
    m_topBar.reset();
    m_tabBar.reset();
    m_tabButtons.clear();
    m_checkLogin.reset();
    m_iGetBookInfo.reset();
    m_bookCoverDownloader.reset();
    m_bookContentDownloader.reset();
    m_getBookCaseBooks.reset();
    m_report.reset();
    m_checkVersion.reset();
    m_autoLogin.reset();
    m_bookFavorite.reset();
    m_checkRZBookUpdate.reset();
    m_allCategories = std::make_shared<std::vector<CategoryRecord>>();
    m_allBooks = std::make_shared<std::vector<BookRecord>>();
    m_dictBookChoose.clear();
    m_userId.clear();
    m_progressHUD.reset();
    m_bottomMenu.reset();
    m_categoryMenu.reset();
    m_notifyView.reset();
    m_tipView.reset();
    m_cloudView.reset();
}

// --- shelf state -------------------------------------------------------------

void MainViewController::getAllCategories() {
    std::lock_guard lock(m_locker);
    auto rows = bookcaseType == 1 ? CategoryTB::getAllRZCategory() : CategoryTB::getAllLocalCategory();
    auto cats = std::make_shared<std::vector<CategoryRecord>>();
    if (rows)
        for (const auto& r : *rows)
            cats->push_back(CategoryRecord::fromValue(r));
    cats->insert(cats->begin(), CategoryRecord{-1, bookcaseType == 1 ? "最近阅读" : "导入电子书", 0,
                                               static_cast<double>(std::time(nullptr))});
    if (m_allCategories) {
        // One list object shared with the layout shown, filled anew.
        *m_allCategories = std::move(*cats);
    } else {
        m_allCategories = std::move(cats);
    }
}

void MainViewController::getAllBooks() {
    std::lock_guard lock(m_locker);
    auto rows = bookcaseType == 1 ? BookTB::getAllRZBooks() : BookTB::getAllLocalBooks();
    auto books = std::make_shared<std::vector<BookRecord>>();
    if (rows)
        for (const auto& r : *rows)
            books->push_back(BookRecord::fromValue(r));
    m_allBooks = std::move(books);
}

void MainViewController::switchBooksLayoutStyle() {
    if (m_booksLayoutStyle == 1) {
        showBookcaseLayout();
        if (m_isEditing)
            showBottomMenu();
        else
            closeBottomMenu();
    } else {
        showBooklistLayout();
        closeBottomMenu();
    }
}

void MainViewController::showBookcaseLayout() {
    if (m_booklistController) {
        m_booklistController->clearScroll();
        m_booklistController.reset();
    }
    if (!m_bookcaseController)
        m_bookcaseController = BookcaseController::create();
    auto& c = *m_bookcaseController;
    c.clearScroll();
    c.setIsEditing(m_isEditing);
    c.setRzPageControl(m_pageControl);
    c.setScrollView(m_scrollView);
    c.setAllCategories(m_allCategories);
    c.setBtnTitle(m_btnTitle);
    c.setAllBooks(m_allBooks);
    c.loadBookcase();
}

void MainViewController::showBooklistLayout() {
    if (m_bookcaseController) {
        m_bookcaseController->clearScroll();
        m_bookcaseController.reset();
    }
    if (!m_booklistController)
        m_booklistController = BooklistController::create();
    auto& c = *m_booklistController;
    c.clearScroll();
    c.setRzPageControl(m_pageControl);
    c.setScrollView(m_scrollView);
    c.setAllCategories(m_allCategories);
    c.setBtnTitle(m_btnTitle);
    c.setAllBooks(m_allBooks);
    c.loadBooklist(m_isEditing);
}

void MainViewController::handleBookTapWhenEditing(const core::Value& info) {
    m_dictBookChoose.toggle(BookSelectionInfo::fromValue(info));
}

// --- appearance and rotation -------------------------------------------------

void MainViewController::viewWillAppear(bool animated) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(true, animated);
    if (interfaceOrientation() != m_lastOrientation) {
        m_lastOrientation = interfaceOrientation();
        if (m_bookcaseController) {
            m_bookcaseController->setLayout();
            m_bookcaseController->setIsRotating(false);
        }
        if (m_booklistController)
            m_booklistController->setLayout();
    }
    if (m_pageControl)
        m_pageControl->resetFrameWithWidth(view()->bounds().width());
    m_selectedTab = bookcaseType == 2 ? kTabLocalShelf : kTabSiteShelf;
    refreshTabBar();
}

void MainViewController::viewDidAppear(bool) {
    m_isInMainView = true;
}

void MainViewController::viewWillDisappear(bool) {
    m_isInMainView = false;
}

void MainViewController::viewDidDisappear(bool) {
    if (m_progressHUD)
        m_progressHUD->hide(false);
    m_lastOrientation = interfaceOrientation();
}

bool MainViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void MainViewController::willRotateToInterfaceOrientation(device::Orientation, double) {
    if (m_bookcaseController)
        m_bookcaseController->setIsRotating(true);
    if (m_tipView)
        m_tipView->setHidden(true);
}

void MainViewController::willAnimateRotationToInterfaceOrientation(device::Orientation, double) {
    if (m_bookcaseController) {
        m_bookcaseController->setLayout();
        m_bookcaseController->setIsRotating(false);
    }
    if (m_booklistController)
        m_booklistController->setLayout();
    if (m_pageControl)
        m_pageControl->resetFrameWithWidth(view()->bounds().width());
}

void MainViewController::didRotateFromInterfaceOrientation(device::Orientation) {
    if (m_bookcaseController)
        m_bookcaseController->setIsRotating(false);
    if (m_tipView)
        m_tipView->didRotate();
}

} // namespace pw
