#pragma once
// The purchase of a paid chapter as the store shows it until the account
// screens bring their own: the chapter, its price and the balance, and two
// buttons, this chapter or the whole book. The conversation with the site is
// LocalBuyChapterController's.
#include "platform/core/Cancelable.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pw {

class LocalBuyChapterController;

class StorePurchaseScreen : public ui::ViewController {
public:
    static std::shared_ptr<StorePurchaseScreen> create(int64_t rzBookId, int64_t chapterId,
                                                       std::function<void(const std::string&)> callback) {
        return ViewController::create<StorePurchaseScreen>(rzBookId, chapterId, std::move(callback));
    }
    ~StorePurchaseScreen() override;

    void viewDidLoad() override;
    void buyThisChapter();
    void buyWholeBook();
    LocalBuyChapterController& purchase() { return *m_purchase; }
    // The texts shown, brought up to date with the purchase's state.
    std::string shownText();

protected:
    StorePurchaseScreen(int64_t rzBookId, int64_t chapterId, std::function<void(const std::string&)> callback);
    friend class ui::ViewController;

private:
    void refresh();
    std::shared_ptr<LocalBuyChapterController> m_purchase;
    std::shared_ptr<ui::Label> m_text;
    core::Cancelable m_refresh;
};

} // namespace pw
