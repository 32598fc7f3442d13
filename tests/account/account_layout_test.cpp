// The login, registration and purchase screens laid out for the phone and
// the tablet: each control at the frame the screen gives it for the idiom,
// in the coordinates of the screen's own view (under the navigation bar).
#include "account/AccountTest.h"

#include "account/LocalBuyChapterController.h"
#include "account/RegistViewController.h"
#include "account/ZELLoginViewController.h"
#include "support/Idioms.h"

namespace pw::test {
namespace {

using gfx::Rect;
using standin::Catalogue;

// Fields at x 100 and W - 200 wide on a tablet, x 30 and W - 60 on a phone,
// 31 high from y 20, 20 apart; buttons 38 high at x 120 and W - 240 (x 60 and
// W - 120), 20 apart on a tablet and 15 on a phone, the first one gap under top.
Rect fieldAt(double W, bool tablet, double y) { return tablet ? Rect(100, y, W - 200, 31) : Rect(30, y, W - 60, 31); }
Rect buttonAt(double W, bool tablet, double top, int i) {
    const double gap = tablet ? 20 : 15;
    const double y = top + gap + i * (38 + gap);
    return tablet ? Rect(120, y, W - 240, 38) : Rect(60, y, W - 120, 38);
}

class AccountLayoutTest : public AccountTest {
protected:
    // The view's frame in the screen's view.
    static Rect inScreen(const ui::View* v, ui::ViewController& screen) {
        return v->convertRectToView(v->bounds(), screen.view().get());
    }
};

TEST_F(AccountLayoutTest, LoginRegistrationAndPurchaseControlsStandWhereTheIdiomPutsThem) {
    logInAsReader();
    struct Row {
        const char* screen;
        const char* view;
        // The expected frame at the idiom's width W and view height V.
        Rect (*frame)(double W, double V, bool tablet);
    };
    const Row login[] = {
        {"login", "account field", [](double W, double, bool t) { return fieldAt(W, t, 20); }},
        {"login", "password field", [](double W, double, bool t) { return fieldAt(W, t, 71); }},
        {"login", "登     录", [](double W, double, bool t) { return buttonAt(W, t, 102, 0); }},
        {"login", "本手机号码登录", [](double W, double, bool t) { return buttonAt(W, t, 102, 1); }},
        {"login", "注册恒岳通行证", [](double W, double, bool t) { return buttonAt(W, t, 102, 2); }},
    };
    const Row regist[] = {
        {"registration", "account field", [](double W, double, bool t) { return fieldAt(W, t, 20); }},
        {"registration", "password field", [](double W, double, bool t) { return fieldAt(W, t, 71); }},
        {"registration", "confirmation field", [](double W, double, bool t) { return fieldAt(W, t, 122); }},
        {"registration", "检测用户名是否存在", [](double W, double, bool t) { return buttonAt(W, t, 153, 0); }},
        {"registration", "注       册", [](double W, double, bool t) { return buttonAt(W, t, 153, 1); }},
    };
    // Page 2's bar, 45 high at the foot: "全选" and "订阅" 130 x 35, 20
    // apart, centred, 5 under the bar's top.
    const Row purchase[] = {
        {"purchase", "全选", [](double W, double V, bool) { return Rect((W - 280) / 2, V - 40, 130, 35); }},
        {"purchase", "订阅", [](double W, double V, bool) { return Rect((W - 280) / 2 + 150, V - 40, 130, 35); }},
    };
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        useIdiom(*m_window, idiom);
        settle();
        auto check = [&](ui::ViewController& screen, const Row& row, const ui::View* v) {
            ASSERT_NE(v, nullptr) << row.view;
            const double W = screen.view()->bounds().width(), V = screen.view()->bounds().height();
            EXPECT_EQ(W, idiom.w) << row.screen;
            EXPECT_EQ(inScreen(v, screen), row.frame(W, V, idiom.tablet())) << row.screen << ": " << row.view;
        };

        auto loginScreen = ZELLoginViewController::create();
        loginScreen->setDisableAutoLogin(true);
        push(loginScreen);
        const ui::View* loginViews[] = {loginScreen->txtTarvPt(), loginScreen->txtPassword(), loginScreen->btnLogin(),
                                        loginScreen->btnPhoneLogin(), loginScreen->btnRegist()};
        for (size_t i = 0; i < std::size(login); ++i)
            check(*loginScreen, login[i], loginViews[i]);
        keepPicture(std::string("layout-login-") + idiom.name);

        auto registScreen = RegistViewController::create();
        push(registScreen);
        const ui::View* registViews[] = {registScreen->txtTarvPt(), registScreen->txtPassword(),
                                         registScreen->txtPasswordConfirm(), registScreen->btnCheck(),
                                         registScreen->btnRegist()};
        for (size_t i = 0; i < std::size(regist); ++i)
            check(*registScreen, regist[i], registViews[i]);
        keepPicture(std::string("layout-registration-") + idiom.name);

        auto buy = LocalBuyChapterController::create();
        buy->rzBookId = Catalogue::kShijing;
        buy->chapterId = SiteTest::book(Catalogue::kShijing).chapters.at(11).id;
        push(buy);
        ASSERT_TRUE(waitFor([&] { return !buy->busy(); }));
        buy->horizontalScrollButtonClick(*buy->btnThisChapter(), 1);
        ASSERT_TRUE(waitFor([&] { return !buy->busy(); }));
        settle();
        check(*buy, purchase[0], buy->btnSelectedAllButton());
        check(*buy, purchase[1], buy->btnBuySelectedButton());
        keepPicture(std::string("layout-purchase-batch-") + idiom.name);
        m_nav->popToRootViewControllerAnimated(false);
        settle();
    }
}

} // namespace
} // namespace pw::test
