#include "store/StoreController.h"

#include "foundation/frame/StoreNavigationController.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/BundleImage.h"
#include "store/StoreCategoryViewController.h"
#include "store/StoreCloseViewController.h"
#include "store/StoreEnvironment.h"
#include "store/StoreHomeViewController.h"
#include "store/StoreSearchViewController.h"
#include "store/StoreUserProfileViewController.h"

namespace pw {

StoreController::~StoreController() {
    m_backToken = {};
}

void StoreController::genTab() {
    std::weak_ptr<StoreController> weak = std::static_pointer_cast<StoreController>(shared_from_this());
    auto back = ui::BarButtonItem::withTitle(
        "返回书架",
        [weak] {
            if (auto s = weak.lock())
                s->backToBookcase();
        },
        ui::BarButtonItemStyle::Plain);
    struct Tab {
        std::shared_ptr<ui::ViewController> root;
        const char* title;
        const char* image;
        int tag;
    };
    auto home = StoreHomeViewController::create();
    auto category = StoreCategoryViewController::create();
    auto profile = StoreUserProfileViewController::create();
    auto search = StoreSearchViewController::create();
    auto close = StoreCloseViewController::create();
    m_home = home.get();
    m_category = category.get();
    m_profile = profile.get();
    m_search = search.get();
    m_close = close.get();
    const std::vector<Tab> tabs = {
        {home, "强力推荐", "icon_bookstore_home.png", 200},
        {category, "分类/排行", "icon_bookstore_top.png", 201},
        {profile, "个人中心", "icon_bookstore_bookcase.png", 202},
        {search, "搜索", "icon_bookstore_search.png", 203},
        {close, "关闭书库", "icon_bookstore_close.png", 205},
    };
    std::vector<std::shared_ptr<ui::ViewController>> navs;
    std::vector<ui::TabBarItem> items;
    for (const auto& tab : tabs) {
        if (tab.tag != 205)
            tab.root->navigationItem().leftBarButtonItem = back;
        auto nav = StoreNavigationController::create(tab.root);
        nav->setDelegate(std::static_pointer_cast<ui::NavigationControllerDelegate>(
            std::static_pointer_cast<StoreController>(shared_from_this())));
        nav->tag = tab.tag;
        navs.push_back(nav);
        items.push_back({tab.title, ui::BundleImage::named(tab.image), {}});
    }
    setViewControllers(navs);
    setTabBarItems(items);
    setDelegate(std::static_pointer_cast<ui::TabBarControllerDelegate>(
        std::static_pointer_cast<StoreController>(shared_from_this())));
    m_backToken =
        core::NotificationCenter::defaultCenter().addObserver(kBackToBookcase, [weak](const core::Notification&) {
            if (auto s = weak.lock())
                s->backToBookcase();
        });
}

void StoreController::backToBookcase() {
    if (m_home)
        m_home->stopTopAutoScroll();
    if (auto* nav = StoreEnvironment::mainNavigation())
        nav->popToRootViewControllerAnimated(true);
}

void StoreController::viewDidLoad() {
    ui::TabBarController::viewDidLoad();
    m_pProgressHUD = ProgressHUD::initWithView(view().get());
    view()->addSubview(m_pProgressHUD);
    // Roots shown before the overlay existed get it now.
    for (StoreBaseViewController* root :
         std::initializer_list<StoreBaseViewController*>{m_home, m_category, m_profile, m_search, m_close})
        if (root)
            root->setProgressHUD(m_pProgressHUD);
}

void StoreController::willShowViewController(ui::NavigationController&, ui::ViewController& vc, bool) {
    if (auto* store = dynamic_cast<StoreBaseViewController*>(&vc); store && m_pProgressHUD)
        store->setProgressHUD(m_pProgressHUD);
}

void StoreController::didShowViewController(ui::NavigationController&, ui::ViewController& vc, bool) {
    if (dynamic_cast<StoreCloseViewController*>(&vc))
        backToBookcase();
}

void StoreController::didSelectViewController(ui::TabBarController&, ui::ViewController& vc) {
    auto* nav = dynamic_cast<ui::NavigationController*>(&vc);
    // The close tab's screen is shown by selecting its tab as well.
    if (nav && dynamic_cast<StoreCloseViewController*>(nav->visibleViewController())) {
        backToBookcase();
        return;
    }
    if (selectedIndex() != 2)
        return;
    if (auto* profile = nav ? dynamic_cast<StoreUserProfileViewController*>(nav->visibleViewController()) : nullptr)
        profile->requestForProfile();
}

} // namespace pw
