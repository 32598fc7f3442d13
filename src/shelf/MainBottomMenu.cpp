#include "shelf/MainBottomMenu.h"

#include "foundation/config/DeviceKind.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"

namespace pw {

namespace {
constexpr double kButtonWidth = 75;
constexpr double kButtonHeight = 44;
} // namespace

MainBottomMenu::MainBottomMenu() = default;

MainBottomMenu::MainBottomMenu(const gfx::Rect& frame) : View(frame) {}

std::shared_ptr<MainBottomMenu> MainBottomMenu::create(const gfx::Rect& frame) {
    return View::create<MainBottomMenu>(frame);
}

double MainBottomMenu::firstButtonX(double w, bool tablet) {
    return (w - 4 * kButtonWidth - 3 * gap(tablet)) / 2;
}

void MainBottomMenu::didCreate() {
    View::didCreate();
    setup();
}

void MainBottomMenu::setup() {
    setBackgroundColor(gfx::Color::white());
    setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
}

std::shared_ptr<ui::Button> MainBottomMenu::genBtnItem(const gfx::Rect& frame, const std::string& background) {
    auto b = ui::Button::create(ui::ButtonType::Custom);
    b->setFrame(frame);
    b->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    b->showsTouchWhenHighlighted = true;
    b->setEnabled(true);
    b->setBackgroundImage(ui::BundleImage::named(background));
    return b;
}

void MainBottomMenu::setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets) {
    button.titleLabel().setFont(gfx::Font::systemFont(fontSize));
    button.setTitle(title);
    button.setTitleEdgeInsets(insets);
}

void MainBottomMenu::genMenuAndShow() {
    if (!m_hasGenMenu) {
        const gfx::Rect b = bounds();
        auto background = View::create<ui::ImageView>(ui::BundleImage::named("v2_main_menu_bottom.png"));
        background->setFrame(b);
        background->setAutoresizingMask(ui::FlexibleWidth);
        addSubview(background);

        // The group stays centred when the bar widens.
        auto container = View::create<View>(b);
        container->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
        container->setBackgroundColor(gfx::Color::clear());
        container->setOpaque(false);
        addSubview(container);

        const bool tablet = currentDeviceKind() == DeviceKind::Tablet;
        const double g = gap(tablet);
        double x = firstButtonX(b.width(), tablet);
        const struct {
            std::shared_ptr<ui::Button>* slot;
            const char* image;
            const char* title;
        } buttons[] = {
            {&m_btnFirst, "v2_main_menu_bottom_btn_seletedall.png", "全选"},
            {&m_btnSecond, "v2_main_menu_bottom_btn_update.png", "更新"},
            {&m_btnThird, "v2_main_menu_bottom_btn_trash.png", "删除"},
            {&m_btnFourth, "v2_main_menu_bottom_btn_move.png", "移动"},
        };
        for (const auto& item : buttons) {
            *item.slot = genBtnItem({x, 4, kButtonWidth, kButtonHeight}, item.image);
            // The title sits under the icon.
            setButton(**item.slot, 10, item.title, {28, 0, 0, 0});
            (*item.slot)->setTitleColor(gfx::Color::darkGray());
            container->addSubview(*item.slot);
            x += kButtonWidth + g;
        }
        setHidden(true);
        m_hasGenMenu = true;
    }
    showWithAnimate();
}

void MainBottomMenu::setHasSelectedAll(bool all) {
    m_hasSelectedAll = all;
    if (m_btnFirst)
        m_btnFirst->setTitle(all ? "取消全选" : "全选");
}

void MainBottomMenu::showWithAnimate() {
    setHidden(false);
    setHasSelectedAll(false);
    layer()->addAnimation(
        std::make_shared<ui::Transition>(ui::TransitionType::MoveIn, ui::TransitionSubtype::FromTop, 0.2),
        "transition");
}

void MainBottomMenu::close() {
    layer()->addAnimation(
        std::make_shared<ui::Transition>(ui::TransitionType::Push, ui::TransitionSubtype::FromBottom, 0.2),
        "transition");
    setHidden(true);
}

} // namespace pw
