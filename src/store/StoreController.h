#pragma once
// The online book store: five tabs, each of the four browsing screens in a
// navigation stack of its own, and "关闭书库", which leaves the store. It owns
// the one overlay every store screen shows its tips in, and it is the one
// place that leaves the store back to the bookshelf.
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/ObserverToken.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"

#include <memory>

namespace pw {

class StoreHomeViewController;
class StoreCategoryViewController;
class StoreUserProfileViewController;
class StoreSearchViewController;
class StoreCloseViewController;

class StoreController : public ui::TabBarController,
                        public ui::NavigationControllerDelegate,
                        public ui::TabBarControllerDelegate {
public:
    static constexpr const char* kBackToBookcase = "NSNotificationCenter_BackToBookcase";
    static std::shared_ptr<StoreController> create() { return ViewController::create<StoreController>(); }
    ~StoreController() override;

    // Builds the five tabs; once, before the store is pushed.
    void genTab();
    void backToBookcase();
    void viewDidLoad() override;

    void willShowViewController(ui::NavigationController&, ui::ViewController& vc, bool animated) override;
    void didShowViewController(ui::NavigationController&, ui::ViewController& vc, bool animated) override;
    void didSelectViewController(ui::TabBarController&, ui::ViewController& vc) override;

    const std::shared_ptr<ProgressHUD>& pProgressHUD() const { return m_pProgressHUD; }
    StoreHomeViewController* home() const { return m_home; }
    StoreCategoryViewController* category() const { return m_category; }
    StoreUserProfileViewController* profile() const { return m_profile; }
    StoreSearchViewController* search() const { return m_search; }
    StoreCloseViewController* close() const { return m_close; }

protected:
    StoreController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    StoreHomeViewController* m_home = nullptr;
    StoreCategoryViewController* m_category = nullptr;
    StoreUserProfileViewController* m_profile = nullptr;
    StoreSearchViewController* m_search = nullptr;
    StoreCloseViewController* m_close = nullptr;
    core::ObserverToken m_backToken;
};

} // namespace pw
