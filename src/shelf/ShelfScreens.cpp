#include "shelf/ShelfScreens.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/View.h"

namespace pw {

namespace {

struct Makers {
    ShelfScreens::ReaderMaker reader;
    ShelfScreens::PurchaseMaker purchase;
    ShelfScreens::ChapterListMaker chapterList;
    ShelfScreens::ScreenTest isReader;
    ShelfScreens::Maker store, settings, messages, importBooks, wifi;
};

Makers& makers() {
    static Makers m;
    return m;
}

// Shows its title and a back bar; the shelf hides the bar again when it returns.
class BareScreen : public ui::ViewController {
public:
    void viewDidLoad() override {
        view()->setBackgroundColor(gfx::Color::fromRGB255(235, 235, 235));
        auto label = ui::View::create<ui::Label>(gfx::Rect(0, 80, view()->bounds().width(), 30));
        label->setText(title());
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setAutoresizingMask(ui::FlexibleWidth);
        view()->addSubview(label);
    }
    void viewWillAppear(bool animated) override {
        if (auto* nav = navigationController())
            nav->setNavigationBarHidden(false, animated);
    }
};

// The "more" tab until the settings screen is hosted: the ways to the Wi-Fi
// transfer and the import screens.
class MoreScreen : public BareScreen {
public:
    void viewDidLoad() override {
        BareScreen::viewDidLoad();
        const double w = view()->bounds().width();
        struct Entry {
            const char* title;
            double y;
            ShelfScreens::Maker* maker;
        };
        for (const Entry& e :
             {Entry{"Wi-Fi 传书", 130, &ShelfScreens::wifi()}, Entry{"导入书籍", 190, &ShelfScreens::importBooks()}}) {
            auto b = ui::Button::create(ui::ButtonType::RoundedRect);
            b->setFrame(gfx::Rect((w - 200) / 2, e.y, 200, 44));
            b->setTitle(e.title);
            b->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
            std::weak_ptr<ViewController> weak = weak_from_this();
            b->addTarget(
                [weak, maker = e.maker](ui::Control&) {
                    auto self = weak.lock();
                    if (!self || !*maker)
                        return;
                    if (auto* nav = self->navigationController())
                        nav->pushViewController((*maker)(), true);
                },
                ui::ControlEventTouchUpInside);
            view()->addSubview(b);
        }
    }
};

} // namespace

ShelfScreens::ReaderMaker& ShelfScreens::reader() {
    return makers().reader;
}
ShelfScreens::PurchaseMaker& ShelfScreens::purchase() {
    return makers().purchase;
}
ShelfScreens::ChapterListMaker& ShelfScreens::chapterList() {
    return makers().chapterList;
}
ShelfScreens::ScreenTest& ShelfScreens::isReader() {
    return makers().isReader;
}
ShelfScreens::Maker& ShelfScreens::store() {
    return makers().store;
}
ShelfScreens::Maker& ShelfScreens::settings() {
    return makers().settings;
}
ShelfScreens::Maker& ShelfScreens::messages() {
    return makers().messages;
}
ShelfScreens::Maker& ShelfScreens::importBooks() {
    return makers().importBooks;
}
ShelfScreens::Maker& ShelfScreens::wifi() {
    return makers().wifi;
}

void ShelfScreens::reset() {
    makers() = Makers{};
}

std::shared_ptr<ui::ViewController> ShelfScreens::moreScreen() {
    auto vc = ui::ViewController::create<MoreScreen>();
    vc->setTitle("更多");
    return vc;
}

std::shared_ptr<ui::ViewController> ShelfScreens::bareScreen(const std::string& title) {
    auto vc = ui::ViewController::create<BareScreen>();
    vc->setTitle(title);
    return vc;
}

} // namespace pw
