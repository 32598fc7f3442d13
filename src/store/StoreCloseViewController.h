#pragma once
// The root of the store's "关闭书库" tab: showing it leaves the store.
#include "store/StoreBaseViewController.h"

namespace pw {

class StoreCloseViewController : public StoreBaseViewController {
public:
    static std::shared_ptr<StoreCloseViewController> create() {
        return ViewController::create<StoreCloseViewController>();
    }
    std::string className() const override { return "StoreCloseViewController"; }

protected:
    StoreCloseViewController() = default;
    friend class ui::ViewController;
};

} // namespace pw
