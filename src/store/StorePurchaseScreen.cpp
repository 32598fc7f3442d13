#include "store/StorePurchaseScreen.h"

#include "account/LocalBuyChapterController.h"
#include "platform/core/RunLoop.h"
#include "platform/gfx/Font.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"

namespace pw {

StorePurchaseScreen::StorePurchaseScreen(int64_t rzBookId, int64_t chapterId,
                                         std::function<void(const std::string&)> callback)
    : m_purchase(LocalBuyChapterController::create()) {
    setTitle("购买章节");
    m_purchase->rzBookId = rzBookId;
    m_purchase->chapterId = chapterId;
    m_purchase->callback = std::move(callback);
}

StorePurchaseScreen::~StorePurchaseScreen() {
    m_refresh.cancel();
}

void StorePurchaseScreen::viewDidLoad() {
    view()->setBackgroundColor(gfx::Color::fromRGB255(233, 234, 235));
    m_text = ui::View::create<ui::Label>(gfx::Rect{20, 20, view()->bounds().size.width - 40, 120});
    m_text->setNumberOfLines(0);
    m_text->setFont(gfx::Font::systemFont(14));
    view()->addSubview(m_text);
    std::weak_ptr<StorePurchaseScreen> weak = std::static_pointer_cast<StorePurchaseScreen>(shared_from_this());
    const double w = (view()->bounds().size.width - 50) / 2;
    int i = 0;
    for (const char* title : {"购买本章", "购买全本"}) {
        auto button = ui::Button::create(ui::ButtonType::RoundedRect);
        button->setFrame({20 + (w + 10) * i, 150, w, 35});
        button->setTitle(title);
        button->addTarget(
            [weak, i](ui::Control&) {
                if (auto self = weak.lock())
                    i == 0 ? self->buyThisChapter() : self->buyWholeBook();
            },
            ui::ControlEventTouchUpInside);
        view()->addSubview(button);
        ++i;
    }
    // Leaving after a chapter purchase is the purchase's own step.
    m_purchase->popScreen = [weak] {
        if (auto self = weak.lock())
            if (auto* nav = self->navigationController(); nav && nav->topViewController() == self.get())
                nav->popViewControllerAnimated(true);
    };
    m_purchase->open();
    refresh();
}

void StorePurchaseScreen::buyThisChapter() {
    m_purchase->btnThisChapterClick();
}
void StorePurchaseScreen::buyWholeBook() {
    m_purchase->btnAllChapterClick();
}

std::string StorePurchaseScreen::shownText() {
    std::string text = m_purchase->bookName() + "\n" + m_purchase->chapterName() + "\n" + m_purchase->price() + "\n" +
                       m_purchase->own();
    if (!m_purchase->tip().empty())
        text += "\n" + m_purchase->tip();
    return text;
}

void StorePurchaseScreen::refresh() {
    if (m_text)
        m_text->setText(shownText());
    std::weak_ptr<StorePurchaseScreen> weak = std::static_pointer_cast<StorePurchaseScreen>(shared_from_this());
    m_refresh = core::RunLoop::current().postAfter(0.3, [weak] {
        if (auto self = weak.lock())
            self->refresh();
    });
}

} // namespace pw
