#include "UiTestSupport.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"

namespace pw::ui::test {
namespace {

using gfx::Rect;

struct AlertLog : AlertViewDelegate, ActionSheetDelegate {
    std::vector<std::string> seen;
    void clickedButtonAtIndex(AlertView&, int64_t i) override { seen.push_back("click" + std::to_string(i)); }
    void didPresentAlertView(AlertView&) override { seen.push_back("presented"); }
    void willDismissWithButtonIndex(AlertView&, int64_t) override { seen.push_back("willDismiss"); }
    void didDismissWithButtonIndex(AlertView&, int64_t i) override { seen.push_back("dismissed" + std::to_string(i)); }
    void clickedButtonAtIndex(ActionSheet&, int64_t i) override { seen.push_back("sheet" + std::to_string(i)); }
};

class PopupTest : public UiTest {};

TEST_F(PopupTest, AlertLaysOutTwoButtonsSideBySideAndReportsTheTappedOne) {
    auto log = std::make_shared<AlertLog>();
    auto alert = AlertView::create("提示", "似乎无法访问，请检查下网络吧", log, "取消", {"确定"});
    EXPECT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
    std::weak_ptr<AlertView> weak = alert;
    alert->show();
    alert.reset(); // a shown alert keeps itself alive
    ASSERT_FALSE(weak.expired());
    settle();
    auto a = weak.lock();
    EXPECT_TRUE(a->isVisible());
    Button* cancel = a->buttonAtIndex(0);
    Button* ok = a->buttonAtIndex(1);
    EXPECT_EQ(cancel->frame().y(), ok->frame().y());
    EXPECT_LT(cancel->frame().x(), ok->frame().x());
    // The box is centred and drawn over a dimmed screen.
    const gfx::Rect box = a->convertRectToView(a->bounds(), nullptr);
    EXPECT_NEAR(box.midX(), 160, 1);
    const auto img = renderScreen();
    EXPECT_LT(img.pixelAt(5, 470).r, 200); // dimmed white
    EXPECT_GT(countPixels(img, box.insetBy(20, 20), [](gfx::Pixel p) { return p.b > p.r + 30; }), 1000);
    // Taps outside the box go nowhere; a tap on a button dismisses.
    tap({5, 470});
    EXPECT_TRUE(a->isVisible());
    tapView(ok);
    settle();
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(log->seen, (std::vector<std::string>{"presented", "click1", "willDismiss", "dismissed1"}));
    a.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(PopupTest, AlertWithManyButtonsStacksThemCancelLast) {
    auto alert = AlertView::create("t", "", {}, "取消", {"一", "二"});
    alert->show();
    settle();
    EXPECT_LT(alert->buttonAtIndex(1)->frame().y(), alert->buttonAtIndex(2)->frame().y());
    EXPECT_GT(alert->buttonAtIndex(0)->frame().y(), alert->buttonAtIndex(2)->frame().y());
    alert->dismissWithClickedButtonIndex(0, false);
    EXPECT_FALSE(alert->isVisible());
}

TEST_F(PopupTest, ActionSheetOrdersDestructiveOthersCancel) {
    auto log = std::make_shared<AlertLog>();
    auto sheet = ActionSheet::create("删除这本书?", log, "取消", "删除", {"只删本地"});
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 1);
    EXPECT_EQ(sheet->cancelButtonIndex(), 2);
    EXPECT_EQ(sheet->addButtonWithTitle("更多"), 2);
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    sheet->showInView(m_window.get());
    settle();
    const gfx::Rect f = sheet->convertRectToView(sheet->bounds(), nullptr);
    EXPECT_NEAR(f.maxY(), 480, 1);
    Button* del = sheet->buttonAtIndex(0);
    tapView(del);
    settle();
    EXPECT_EQ(log->seen, (std::vector<std::string>{"sheet0"}));
    EXPECT_FALSE(sheet->isVisible());
}

} // namespace
} // namespace pw::ui::test
